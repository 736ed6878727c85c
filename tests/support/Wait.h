#pragma once
// Lets the event loop run until a condition holds; false after ms
// milliseconds (30 s unless told).

#include <QElapsedTimer>
#include <QTest>

#include <functional>

namespace tv::test {

inline bool waitFor(const std::function<bool()>& condition, int ms = 30000)
{
    QElapsedTimer guard;
    guard.start();
    while (!condition()) {
        if (guard.elapsed() > ms)
            return false;
        QTest::qWait(2);
    }
    return true;
}

} // namespace tv::test
