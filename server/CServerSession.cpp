#include "server/CServerSession.h"

#include "server/WcServer.h"

CServerSession::CServerSession() {
    if (!WildcatServerConnect(nullptr) || !WildcatServerCreateContext()) return;
    m_context = true;
    m_loggedIn = LoginSystem() != 0;
}

CServerSession::~CServerSession() {
    if (m_loggedIn) LogoutUser();
    if (m_context) WildcatServerDeleteContext();
}

std::string CServerSession::ReadError() {
    switch (WcGetLastError()) {
        case WC_ERROR_NONE:
            return {};
        case WC_ERROR_DAMAGED:
            return std::string("the board's database is damaged: ") + WcGetLastErrorText() +
                   "; run `quorvane-board check`";
        default:
            return std::string("cannot read the board: ") + WcGetLastErrorText();
    }
}
