// Every C entry point runs its body through WcGuard: no exception may cross the C boundary,
// a failure is the API's 0, and the thread's last error says which failure it was.
#pragma once

#include "server/wcsrv/CWcError.h"
#include "server/wcsrv/CWcSession.h"

template <class F>
int WcGuard(F&& body) {
    CWcError::Clear();
    try {
        return body();
    } catch (...) {
        CWcError::SetFrom(std::current_exception());
        return 0;
    }
}

// As WcGuard, for calls that need a logged-in session.
template <class F>
int WcLoggedIn(F&& body) {
    return WcGuard([&]() -> int {
        CWcSession& session = CWcSession::Current();
        if (!session.LoggedIn()) {
            CWcError::Set(WC_ERROR_NOT_LOGGED_IN, "not logged in to the board");
            return 0;
        }
        return body(session);
    });
}
