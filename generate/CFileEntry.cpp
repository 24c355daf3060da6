#include "generate/CFileEntry.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "QvBuild.h"
#include "generate/CDateTime.h"

namespace {

// The record buffers the server library fills; one walk per thread at a time.
thread_local WcFileRecord t_basic;
thread_local WcExtFileRecord t_ext;
thread_local WcFullFileRecord t_full;

// The extended entry points, bound once per process.
std::once_flag g_bindOnce;
WcSearchExtFn g_searchExt = nullptr;
WcNextExtFn g_nextExt = nullptr;

std::string ProgramDir() {
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return ".";
    path[n] = '\0';
    std::string s(path);
    const size_t slash = s.find_last_of('/');
    return slash == std::string::npos ? "." : s.substr(0, slash);
}

}  // namespace

void CFileEntry::BindExtendedLibrary() {
    std::call_once(g_bindOnce, [] {
        if (GetWildcatVersion() <= 1 && GetWildcatBuild() < 450) return;
        // Beside the program in a build or a portable copy; in the private library
        // directory once installed.
        void* lib = dlopen((ProgramDir() + "/libwcsrv2.so").c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!lib)
            lib = dlopen((ProgramDir() + "/" QV_PRIVATE_LIBDIR_FROM_BINDIR "/libwcsrv2.so").c_str(),
                         RTLD_NOW | RTLD_LOCAL);
        if (!lib) return;
        auto search = reinterpret_cast<WcSearchExtFn>(dlsym(lib, "SearchFileRecByAreaName"));
        auto next = reinterpret_cast<WcNextExtFn>(dlsym(lib, "GetNextFileRec"));
        // Both or neither: half a binding would give names from two different records.
        if (search && next) {
            g_searchExt = search;
            g_nextExt = next;
        }
    });
}

int CFileEntry::Search(uint32_t area, const char* name) {
    BindExtendedLibrary();
    const int rc = SearchFileRecByAreaName(area, name, &t_basic, &m_tid1);
    if (rc == 0) return 0;
    bool extended = false;
    if (g_searchExt) extended = g_searchExt(area, name, &t_ext, &m_tid2) != 0;
    return Deliver(rc, extended);
}

int CFileEntry::Next() {
    const int rc = GetNextFileRec(1, &t_basic, &m_tid1);
    if (rc == 0) return 0;
    bool extended = false;
    if (g_nextExt) {
        m_tid2 = m_tid1;
        extended = g_nextExt(1, &t_ext, &m_tid2) != 0;
    }
    return Deliver(rc, extended);
}

int CFileEntry::Deliver(int rc, bool extended) {
    // A record that could not be read whole ends the walk; the server library's last error
    // tells the caller that it was not the end of the records.
    if (!extended && WcGetLastError() != WC_ERROR_NONE) return 0;
    Fill(t_basic, extended ? &t_ext : nullptr);
    return WcGetLastError() == WC_ERROR_NONE ? rc : 0;
}

namespace {

// Copies a fixed text field into `out`, keeping its buffer: no allocation per record.
template <size_t N>
void AssignField(std::string& out, const char (&field)[N]) {
    out.assign(field, strnlen(field, N));
}

void AssignNumber(std::string& out, long long value) {
    char buf[24];
    const int n = std::snprintf(buf, sizeof buf, "%lld", value);
    out.assign(buf, static_cast<size_t>(n));
}

}  // namespace

void CFileEntry::Fill(const WcFileRecord& rec, const WcExtFileRecord* ext) {
    m_bExtended = ext != nullptr;
    AssignField(m_strFileName, rec.szName);
    if (ext)
        AssignField(m_strName, ext->szLongName);
    else
        m_strName.assign(m_strFileName);

    m_bLongDesc = rec.dwHasLongDesc != 0;
    if (m_bLongDesc) {
        std::memset(&t_full, 0, sizeof t_full);
        GetFullFileRec(&rec, &t_full);
        for (int i = 0; i < WC_LONGDESC_LINES; ++i)
            AssignField(m_strDescLine[i], t_full.szLongDesc[i]);
    } else {
        for (auto& line : m_strDescLine) line.clear();
    }

    AssignField(m_strDescription, rec.szDescription);

    m_strFlag = " ";
    m_bIsFree = rec.dwFree != 0;
    if (m_bIsFree) m_strFlag = "F";
    m_bHasPassword = rec.szPassword[0] != '\0';
    if (m_bHasPassword) m_strFlag = "P";
    m_bFailedScan = rec.dwFailedScan != 0;
    if (m_bFailedScan) m_strFlag = "V";

    m_nSize = static_cast<int32_t>(rec.dwFileSize);

    m_dtUploaded = CDateTime::FromFileTime(rec.ftUploaded);
    CDateTime::FormatDateAndShortTime(m_dtUploaded, &m_strDate, &m_strTime);

    m_dtLastDownload = CDateTime::FromFileTime(rec.ftLastDownload);
    if (rec.ftLastDownload.dwLowDateTime == 0 && rec.ftLastDownload.dwHighDateTime == 0) {
        m_strLastDate = "N/A";
        m_strLastTime = "N/A";
    } else {
        CDateTime::FormatDateAndShortTime(m_dtLastDownload, &m_strLastDate, &m_strLastTime);
    }

    m_nDownloads = rec.dwDownloads;
    AssignNumber(m_strDownloads, static_cast<int32_t>(rec.dwDownloads));
    m_nArea = static_cast<int>(rec.dwArea);
    AssignNumber(m_strArea, m_nArea);
    AssignField(m_strUploader, rec.szUploader);
}
