#pragma once
// Driving a real desktop from the tests that run on Xvfb with a window
// manager (support/with-display.sh): xdotool for keys, clicks and window
// look-ups, and waiting with the event loop running.

#include <QElapsedTimer>
#include <QProcess>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTest>

#include <functional>

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

// Polls, with the event loop running, until the condition holds; false after
// ms milliseconds.
inline bool within(const std::function<bool()>& condition, int ms = 20000)
{
    QElapsedTimer t;
    t.start();
    while (!condition()) {
        if (t.elapsed() > ms)
            return false;
        QTest::qWait(100);
    }
    return true;
}

} // namespace tv::test
