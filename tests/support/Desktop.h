#pragma once
// Driving a real desktop from the tests that run on Xvfb with a window
// manager (support/with-display.sh): xdotool for keys, clicks and window
// look-ups (waiting with the event loop running: support/Wait.h).

#include <QProcess>
#include <QSet>
#include <QString>
#include <QStringList>

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

} // namespace tv::test
