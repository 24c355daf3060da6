#include "server/wcsrv/CWcError.h"

#include <sqlite3.h>

#include <system_error>

#include "server/WcServer.h"
#include "server/wcsrv/CSqlError.h"
#include "server/wcsrv/CStoragePath.h"

namespace {

struct LastError {
    uint32_t code = WC_ERROR_NONE;
    std::string text;
};

LastError& Current() {
    thread_local LastError error;
    return error;
}

}  // namespace

void CWcError::Set(uint32_t code, std::string text) {
    Current().code = code;
    Current().text = std::move(text);
}

void CWcError::SetFrom(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const CSqlError& e) {
        // SQLite's own words name the damage; the statement that met it says nothing more.
        if (e.Code() == SQLITE_CORRUPT || e.Code() == SQLITE_NOTADB)
            Set(WC_ERROR_DAMAGED, sqlite3_errstr(e.Code()));
        else
            Set(WC_ERROR_DATABASE, e.what());
    } catch (const CStoragePathError& e) {
        Set(WC_ERROR_PATH, e.what());
    } catch (const std::system_error& e) {
        Set(WC_ERROR_FILE, e.what());
    } catch (const std::exception& e) {
        Set(WC_ERROR_FAILED, e.what());
    } catch (...) {
        Set(WC_ERROR_FAILED, "unexpected failure");
    }
}

uint32_t CWcError::Code() {
    return Current().code;
}

const std::string& CWcError::Text() {
    return Current().text;
}
