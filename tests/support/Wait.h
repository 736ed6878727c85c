#pragma once
// Lets the event loop run until a condition holds (30 s at most).

#include <QElapsedTimer>
#include <QTest>

#include <functional>

namespace tv::test {

inline bool waitFor(const std::function<bool()>& condition)
{
    QElapsedTimer guard;
    guard.start();
    while (!condition()) {
        if (guard.elapsed() > 30000)
            return false;
        QTest::qWait(2);
    }
    return true;
}

} // namespace tv::test
