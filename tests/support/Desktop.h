#pragma once
// Driving a real desktop from the tests that run on Xvfb with a window
// manager (support/with-display.sh): xdotool for keys, clicks and window
// look-ups (waiting with the event loop running: support/Wait.h).

#include "support/Wait.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace tv::test {

// Runs xdotool; what it printed, trimmed, or empty when it did not finish in
// time.
inline QString xdotool(const QStringList& args, int timeoutMs = 20000)
{
    QProcess p;
    p.start(QStringLiteral("xdotool"), args);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return {};
    }
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

// The visible windows whose title matches the pattern.
inline QSet<QString> windowsNamed(const QString& pattern)
{
    const QStringList ids = xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                        QStringLiteral("--name"), pattern})
                                .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return QSet<QString>(ids.begin(), ids.end());
}

// The windows shown and their titles, one a line: what a failure names.
inline QString shownWindows()
{
    QString out;
    for (const QString& id : windowsNamed(QStringLiteral(".*")))
        out += id + QLatin1Char(' ') + xdotool({QStringLiteral("getwindowname"), id}) + QLatin1Char('\n');
    return out;
}

// Answers a window with a key: activates it and gives it the key until the
// window has gone. A key sent in the moment between the window manager's
// activating a window and the program's taking the focus goes elsewhere.
inline bool answerWithKey(const QString& id, const QString& key, int attempts = 5)
{
    for (int i = 0; i < attempts; ++i) {
        xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), id});
        xdotool({QStringLiteral("key"), key});
        if (waitFor([&] { return !windowsNamed(QStringLiteral(".*")).contains(id); }, 3000))
            return true;
    }
    return false;
}

#ifdef TV_PROGRAM
// The real program, copied into folders of its own (app/ with its
// "Dictionary", config/ for its preferences) and started there, as a user's
// copy would be.
struct StartedProgram {
    QTemporaryDir dir;
    QProcess process;

    explicit StartedProgram(const QString& testName)
        : dir(QStringLiteral(TV_BUILD_DIR "/") + testName + QStringLiteral("-XXXXXX"))
    {
    }
    QString path(const QString& relative) const { return dir.path() + QLatin1Char('/') + relative; }
    // Makes the folders, copies the program and starts it; true once it runs.
    bool start(const QStringList& arguments = {})
    {
        if (!dir.isValid() || !QDir(dir.path()).mkpath(QStringLiteral("app/Dictionary"))
            || !QDir(dir.path()).mkpath(QStringLiteral("config"))
            || !QFile::copy(QStringLiteral(TV_PROGRAM), path(QStringLiteral("app/tesvora"))))
            return false;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral("config")));
        process.setProcessEnvironment(env);
        process.start(path(QStringLiteral("app/tesvora")), arguments);
        return process.waitForStarted();
    }
};
#endif

} // namespace tv::test
