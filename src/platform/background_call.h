#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace tavrik {

// One thread for calls that may take long (a file another program holds, a huge record), so
// that the window that asked goes on handling its events meanwhile. One call at a time.
class BackgroundCall {
public:
    BackgroundCall();
    // Waits for a call still running.
    ~BackgroundCall();
    BackgroundCall(const BackgroundCall&) = delete;
    BackgroundCall& operator=(const BackgroundCall&) = delete;

    // Runs `call` on the thread and returns when it has ended: true. While it runs,
    // `whileWaiting` is called every `interval`; when that returns false the wait is given up
    // (false) and the call ends unseen, so it must own everything it uses. A call given up
    // earlier is waited for first.
    bool run(std::function<void()> call, const std::function<bool()>& whileWaiting,
             std::chrono::milliseconds interval);

private:
    void serve();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::function<void()> call_;
    bool busy_ = false;
    bool quit_ = false;
    std::thread thread_;
};

} // namespace tavrik
