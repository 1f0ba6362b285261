#pragma once
#include <QElapsedTimer>
#include <QTest>
#include <functional>

// For tests that drive another program: serves this one's events while
// waiting until done() holds, at most ms milliseconds; whether it came.
inline bool WaitFor(const std::function<bool()>& done, int ms = 20000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms)
            return false;
        QTest::qWait(100);
    }
    return true;
}
