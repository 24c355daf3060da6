// A request to stop a generation run, shared by the worker and whoever cancels it. Every step
// that makes part of a list visible (a copy into the board, a rename into place, a record, a
// message) runs while holding a Gate, and Request() waits for any gate that is held: once
// Request() has returned, no such step is under way and none starts.
#pragma once

#include <atomic>
#include <mutex>
#include <utility>

class CStopRequest {
public:
    // Open (the step may go ahead) unless the run was asked to stop; holds the lock until it
    // goes out of scope.
    class Gate {
    public:
        // A gate of a run that cannot be stopped: always open, holds nothing.
        Gate() = default;
        explicit operator bool() const { return m_open; }

    private:
        friend class CStopRequest;
        Gate(std::unique_lock<std::mutex> lock, bool open)
            : m_lock(std::move(lock)), m_open(open) {}
        std::unique_lock<std::mutex> m_lock;
        bool m_open = true;
    };

    // Asks the run to stop; returns once no publishing step is under way. Not for signal
    // handlers (it takes a lock).
    void Request();
    bool Requested() const { return m_requested.load(); }
    Gate Enter();

private:
    std::mutex m_mutex;
    std::atomic<bool> m_requested{false};
};
