// A small signal between threads: manual- or auto-reset, raised with set(),
// cleared with reset(), waited for with a time limit. An Event that has not been
// created (or has been closed) ignores set() and fails every wait at once, so a
// thread may raise a signal the window has not created yet without harm.
#pragma once

#include <condition_variable>
#include <mutex>

class Event {
public:
    enum class Reset { Manual, Auto };

    // Makes the event exist, clear. Returns false if it already existed.
    bool create(Reset mode);
    // Makes the event cease to exist; waiters return false.
    void close();
    bool exists() const;

    void set();
    void reset();
    // Waits until the event is raised or timeoutMs passes (negative: no limit).
    // Returns true if it was raised; an auto-reset event is cleared by the wait
    // that sees it. A missing event returns false at once.
    bool wait(int timeoutMs);
    // True if raised, without waiting or clearing.
    bool isSet() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    bool exists_ = false;
    bool raised_ = false;
    Reset mode_ = Reset::Manual;
};
