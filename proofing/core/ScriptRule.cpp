#include "proofing/core/ScriptRule.h"

#include "app/core/ScriptRunner.h"
#include "encoding/core/JudgedText.h"
#include "platform/core/Text.h"
#include "platform/core/Thread.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <csignal>
#include <sys/types.h>
#include <unistd.h>

namespace tv {

namespace {

// How often a waiting worker asks whether the pass was cancelled.
constexpr int kCancelTestMilliseconds = 100;

// Ends the script's whole group at once, from wherever its output is read.
void killGroup(const QProcess& process)
{
    const qint64 pid = process.processId();
    if (pid > 0)
        ::kill(-static_cast<pid_t>(pid), SIGKILL);
}

QString qs(const std::string& s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// Ends the script and everything it started, and lets its end be reported.
void endScript(QProcess& process, Wakeup& wakeup)
{
    killGroup(process);
    process.kill();
    QElapsedTimer waited;
    waited.start();
    while (process.state() != QProcess::NotRunning && waited.elapsed() < 5000)
        wakeup.sleep(20);
}

} // namespace

FolderItem findScript(const FolderItem& scriptFolder, std::string_view name)
{
    if (!scriptFolder || !FolderItem::isPlainName(name))
        return {};
    FolderItem script = scriptFolder.Child(name);
    if (!script || !script.Exists())
        return {};
    return script;
}

std::string runScriptFile(const std::string& path, const std::vector<std::string>& arguments,
                          const std::function<void()>& cancelTest)
{
    QProcess process;
    QStringList args;
    for (const std::string& a : arguments)
        args << qs(a);
    process.setProgram(QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size()))));
    process.setArguments(args);
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    // A group of its own, so that a cancel ends what the script started too.
    process.setChildProcessModifier([] { ::setpgid(0, 0); });

    // The output is taken as it comes, so that QProcess never holds more
    // than one read of it; past the limit the script is ended there and then.
    std::string out;
    bool tooLong = false;
    const auto take = [&process, &out, &tooLong] {
        if (tooLong) {
            process.readAllStandardOutput();
            return false;
        }
        const QByteArray chunk = process.readAllStandardOutput();
        if (out.size() + size_t(chunk.size()) > kScriptOutputLimit) {
            tooLong = true;
            killGroup(process);
            out.clear();
            out.shrink_to_fit();
            return true;
        }
        out.append(chunk.constData(), size_t(chunk.size()));
        return false;
    };

    Wakeup wakeup;
    QObject::connect(&process, &QProcess::finished, [&wakeup] { wakeup.wake(); });
    QObject::connect(&process, &QProcess::errorOccurred, [&wakeup] { wakeup.wake(); });
    QObject::connect(&process, &QProcess::readyReadStandardOutput, [&take, &wakeup] {
        if (take())
            wakeup.wake();
    });
    process.start();
    try {
        while (process.state() != QProcess::NotRunning && !tooLong) {
            if (cancelTest)
                cancelTest();
            wakeup.sleep(kCancelTestMilliseconds);
        }
    } catch (...) {
        endScript(process, wakeup);
        throw;
    }
    if (tooLong) {
        endScript(process, wakeup);
        throw ScriptFailure("the script printed more than " + Str(int64_t(kScriptOutputLimit)) + " bytes: " + path);
    }
    if (process.error() == QProcess::FailedToStart)
        throw ScriptFailure("the script could not be started: " + path);
    take();
    if (tooLong)
        throw ScriptFailure("the script printed more than " + Str(int64_t(kScriptOutputLimit)) + " bytes: " + path);
    if (process.exitStatus() == QProcess::CrashExit)
        throw ScriptFailure("the script was ended by a signal: " + path);
    if (out.empty() && process.exitCode() != 0)
        throw ScriptFailure("the script failed with status " + Str(process.exitCode()) + ": " + path);
    return out;
}

std::string scriptOutputText(std::string_view bytes, const detectKanji& detector)
{
    // All of the output is the sample; where no sure sign decided, UTF-8 that
    // holds a multi-byte character is taken for what it is.
    return decodeJudged(detector, std::string(bytes), std::string_view::npos, TextEvidence::WhereNotSure).text;
}

std::string runScriptRule(const FolderItem& script, const ScriptValues& values, const detectKanji& detector,
                          const std::function<void()>& cancelTest)
{
    if (!script)
        throw NilObjectException("no script");
    std::string output;
    if (script.MacType() == "osas") {
        output = applescriptKick({script.AbsolutePath(), values.matchText, values.itemName,
            int64_t(values.matchStart), int64_t(values.matchEndLess), int64_t(values.ruleReplaceCount)});
    } else {
        output = runScriptFile(script.path(),
            {values.matchText, values.itemName, Str(values.matchStart), Str(values.matchEndLess),
                Str(values.ruleReplaceCount)},
            cancelTest);
    }
    return scriptOutputText(output, detector);
}

} // namespace tv
