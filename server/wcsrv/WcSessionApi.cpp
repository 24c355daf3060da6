// Sessions, board settings, conferences, file areas and languages.
#include <cstring>

#include "server/WcServer.h"
#include "server/wcsrv/CFileRecordRow.h"
#include "server/wcsrv/WcApiGuard.h"

namespace {

// The highest number in `table`, or -1 when it is empty, so that callers trying 0..n try none.
int HighestNumber(const char* sql) {
    int result = -1;
    WcLoggedIn([&](CWcSession& session) {
        CSqlStatement& stmt = session.Statement(sql);
        if (stmt.Step() && !stmt.IsNull(0)) result = static_cast<int>(stmt.Int(0));
        stmt.Reset();
        return 1;
    });
    return result;
}

uint32_t SettingsNumber(const char* sql) {
    uint32_t result = 0;
    WcLoggedIn([&](CWcSession& session) {
        CSqlStatement& stmt = session.Statement(sql);
        if (stmt.Step()) result = static_cast<uint32_t>(stmt.Int(0));
        stmt.Reset();
        return 1;
    });
    return result;
}

}  // namespace

extern "C" {

uint32_t WcGetLastError(void) {
    return CWcError::Code();
}

const char* WcGetLastErrorText(void) {
    return CWcError::Text().c_str();
}

int WildcatServerConnect(const char* /*server: only the default board exists*/) {
    return WcGuard([] { return CWcSession::Current().Connect() ? 1 : 0; });
}

int WildcatServerCreateContext(void) {
    return WcGuard([] { return CWcSession::Current().CreateContext() ? 1 : 0; });
}

int LoginSystem(void) {
    return WcGuard([] { return CWcSession::Current().Login() ? 1 : 0; });
}

int LogoutUser(void) {
    return WcGuard([] {
        CWcSession::Current().Logout();
        return 1;
    });
}

int WildcatServerDeleteContext(void) {
    return WcGuard([] {
        CWcSession::Current().DeleteContext();
        return 1;
    });
}

uint32_t GetWildcatVersion(void) {
    return SettingsNumber("SELECT version FROM settings");
}

uint32_t GetWildcatBuild(void) {
    return SettingsNumber("SELECT build FROM settings");
}

int GetMakewild(WcMakewild* rec) {
    return WcLoggedIn([&](CWcSession& session) {
        CSqlStatement& stmt = session.Statement("SELECT name, sysop FROM settings");
        if (!stmt.Step()) return 0;
        std::memset(rec, 0, sizeof *rec);
        rec->dwSize = sizeof *rec;
        CFileRecordRow::CopyField(rec->szBbsName, sizeof rec->szBbsName, stmt.View(0), false);
        CFileRecordRow::CopyField(rec->szSysopName, sizeof rec->szSysopName, stmt.View(1), false);
        stmt.Reset();
        return 1;
    });
}

int GetConferenceCount(void) {
    return HighestNumber("SELECT max(number) FROM conferences");
}
int GetFileAreaCount(void) {
    return HighestNumber("SELECT max(number) FROM areas");
}
int GetLanguageCount(void) {
    return HighestNumber("SELECT max(number) FROM languages");
}

int GetConfDesc(int number, WcConfDesc* rec) {
    return WcLoggedIn([&](CWcSession& session) {
        CSqlStatement& stmt = session.Statement("SELECT name FROM conferences WHERE number = ?1");
        stmt.Bind(1, number);
        if (!stmt.Step()) return 0;
        std::memset(rec, 0, sizeof *rec);
        rec->dwSize = sizeof *rec;
        rec->dwNumber = static_cast<uint32_t>(number);
        CFileRecordRow::CopyField(rec->szName, sizeof rec->szName, stmt.View(0), false);
        stmt.Reset();
        return 1;
    });
}

int GetFileArea(int number, WcFileArea* rec) {
    return WcLoggedIn([&](CWcSession& session) {
        CSqlStatement& stmt =
            session.Statement("SELECT name, ftp_dir FROM areas WHERE number = ?1");
        stmt.Bind(1, number);
        if (!stmt.Step()) return 0;
        std::memset(rec, 0, sizeof *rec);
        rec->dwSize = sizeof *rec;
        rec->dwNumber = static_cast<uint32_t>(number);
        CFileRecordRow::CopyField(rec->szName, sizeof rec->szName, stmt.View(0), false);
        CFileRecordRow::CopyField(rec->szFtpDir, sizeof rec->szFtpDir, stmt.View(1), false);
        stmt.Reset();
        return 1;
    });
}

int GetLanguage(int number, WcLanguage* rec) {
    return WcLoggedIn([&](CWcSession& session) {
        CSqlStatement& stmt = session.Statement("SELECT name FROM languages WHERE number = ?1");
        stmt.Bind(1, number);
        if (!stmt.Step()) return 0;
        std::memset(rec, 0, sizeof *rec);
        CFileRecordRow::CopyField(rec->szName, sizeof rec->szName, stmt.View(0), false);
        stmt.Reset();
        return 1;
    });
}

}  // extern "C"
