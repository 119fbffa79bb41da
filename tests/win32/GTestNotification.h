#pragma once
// GoogleTest 1.12 builds its Notification on std::mutex, which GCC 12's win32 thread model
// (Debian's g++-mingw-w64-x86-64-win32) does not have. GoogleTest needs it only to start the
// threads of its own self-tests; this one, included ahead of GoogleTest's headers, waits by
// polling an atomic flag.

#include <atomic>

namespace testing::internal {

class Notification {
public:
    Notification() = default;
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;

    void Notify() { notified_.store(true); }
    void WaitForNotification() {
        while (!notified_.load()) {
        }
    }

private:
    std::atomic<bool> notified_{false};
};

} // namespace testing::internal
