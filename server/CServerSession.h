// A server session of the calling thread (connect, context, login), closed whichever way
// its owner ends: the main thread has one, and so has the generation worker.
#pragma once

class CServerSession {
public:
    CServerSession();
    ~CServerSession();
    CServerSession(const CServerSession&) = delete;
    CServerSession& operator=(const CServerSession&) = delete;

    bool LoggedIn() const { return m_loggedIn; }

private:
    bool m_context = false;
    bool m_loggedIn = false;
};
