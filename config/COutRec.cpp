#include "config/COutRec.h"

#include "server/WcServer.h"

namespace {

// The operator's name when this thread holds a server session; empty otherwise.
std::string OperatorName() {
    WcMakewild settings{};
    if (!GetMakewild(&settings)) return {};
    settings.szSysopName[sizeof settings.szSysopName - 1] = '\0';
    return settings.szSysopName;
}

}  // namespace

COutRec::COutRec() {
    m_strFrom = OperatorName();
}
