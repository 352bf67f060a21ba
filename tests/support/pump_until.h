// Waits for a condition while the application's event loop keeps turning: what the window
// tests and the benchmarks that drive the window use to wait for the link.
#pragma once

#include <QTest>

#include <chrono>
#include <functional>

// Runs the event loop until `done` holds or `limit` passes; false when it did not hold.
inline bool pump_until(const std::function<bool()>& done,
                       std::chrono::milliseconds limit = std::chrono::seconds(10))
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        QTest::qWait(2);
    }
    return true;
}
