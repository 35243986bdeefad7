#include "device/event.h"

#include <chrono>

bool Event::create(Reset mode) {
    std::lock_guard lock(mutex_);
    if (exists_) return false;
    exists_ = true;
    raised_ = false;
    mode_ = mode;
    return true;
}

void Event::close() {
    {
        std::lock_guard lock(mutex_);
        exists_ = false;
        raised_ = false;
    }
    cv_.notify_all();
}

bool Event::exists() const {
    std::lock_guard lock(mutex_);
    return exists_;
}

void Event::set() {
    {
        std::lock_guard lock(mutex_);
        if (!exists_) return;
        raised_ = true;
    }
    cv_.notify_all();
}

void Event::reset() {
    std::lock_guard lock(mutex_);
    raised_ = false;
}

bool Event::isSet() const {
    std::lock_guard lock(mutex_);
    return exists_ && raised_;
}

bool Event::wait(int timeoutMs) {
    std::unique_lock lock(mutex_);
    auto ready = [this] { return !exists_ || raised_; };
    if (timeoutMs < 0) {
        cv_.wait(lock, ready);
    } else {
        cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready);
    }
    if (!exists_ || !raised_) return false;
    if (mode_ == Reset::Auto) raised_ = false;
    return true;
}
