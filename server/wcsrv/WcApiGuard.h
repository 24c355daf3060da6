// Every C entry point runs its body through WcGuard: no exception may cross the C boundary,
// and a failure is the API's 0.
#pragma once

#include "server/wcsrv/CWcSession.h"

template <class F>
int WcGuard(F&& body) {
    try {
        return body();
    } catch (...) {
        return 0;
    }
}

// As WcGuard, for calls that need a logged-in session.
template <class F>
int WcLoggedIn(F&& body) {
    return WcGuard([&]() -> int {
        CWcSession& session = CWcSession::Current();
        if (!session.LoggedIn()) return 0;
        return body(session);
    });
}
