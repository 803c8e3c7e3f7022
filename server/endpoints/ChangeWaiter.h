#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

// Long polling: a request that asks for what comes next waits here until its condition holds, its time
// is up, or the server stops. A change made by this server wakes the waiting requests at once; one
// made by another instance on the same database is seen at the next look, every `recheck`. Each
// waiting request holds a request thread, so only `maxWaiting` wait at once; the others are answered
// at once with what there is.
class ChangeWaiter
{
public:
    explicit ChangeWaiter(int maxWaiting, std::chrono::milliseconds recheck = std::chrono::seconds(1));

    // Returns once `ready` holds, or after `timeout`. `ready` runs on the calling thread.
    void waitUntil(const std::function<bool()>& ready, std::chrono::milliseconds timeout);
    void notifyChange();
    // Ends every wait now and every later one at once, so that a stopping server is not held up.
    void stop();

private:
    const int m_maxWaiting;
    const std::chrono::milliseconds m_recheck;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    unsigned long long m_generation = 0;
    int m_waiting = 0;
    bool m_stopping = false;
};
