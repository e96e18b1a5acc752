#include "platform/background_call.h"

namespace tavrik {

BackgroundCall::BackgroundCall() : thread_([this] { serve(); }) {}

BackgroundCall::~BackgroundCall()
{
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void BackgroundCall::serve()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return quit_ || call_; });
        if (!call_)
            return;
        std::function<void()> call = std::move(call_);
        call_ = nullptr;
        lock.unlock();
        call();
        // Whatever the call owned goes here, on this thread, not in the waiting window.
        call = nullptr;
        lock.lock();
        busy_ = false;
        changed_.notify_all();
    }
}

bool BackgroundCall::run(std::function<void()> call, const std::function<bool()>& whileWaiting,
                         std::chrono::milliseconds interval)
{
    std::unique_lock lock(mutex_);
    const auto wait = [&] {
        while (!changed_.wait_for(lock, interval, [this] { return !busy_; })) {
            lock.unlock();
            const bool goOn = whileWaiting();
            lock.lock();
            if (!goOn)
                return false;
        }
        return true;
    };
    if (!wait())
        return false;
    call_ = std::move(call);
    busy_ = true;
    changed_.notify_all();
    return wait();
}

} // namespace tavrik
