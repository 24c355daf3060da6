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
