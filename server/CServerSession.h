// A server session of the calling thread (connect, context, login), closed whichever way
// its owner ends: the main thread has one, and so has the generation worker.
#pragma once

#include <string>

class CServerSession {
public:
    CServerSession();
    ~CServerSession();
    CServerSession(const CServerSession&) = delete;
    CServerSession& operator=(const CServerSession&) = delete;

    bool LoggedIn() const { return m_loggedIn; }

    // Why the server library's last call on this thread failed, in words for the operator;
    // empty when it did not fail (a 0 that only meant "no such record" or "no more records").
    static std::string ReadError();

private:
    bool m_context = false;
    bool m_loggedIn = false;
};
