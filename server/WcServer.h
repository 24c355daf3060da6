// The board server's client library (libwcsrv.so): C-style entry points and the fixed-layout
// record buffers exchanged with them. The program, the board tool and the stand-in library
// itself all use these declarations, so the offsets below are the single source of truth.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" {

// A Windows FILETIME: 100-nanosecond intervals since 1601-01-01 UTC, in two 32-bit halves.
struct WcFileTime {
    uint32_t dwLowDateTime;
    uint32_t dwHighDateTime;
};

// Board settings (GetMakewild).
struct WcMakewild {
    uint32_t dwSize;
    char szBbsName[52];    // offset 4: board name
    char szSysopName[52];  // offset 56: operator name
    char reserved[404];
};

// Conference (GetConfDesc).
struct WcConfDesc {
    uint32_t dwSize;
    uint32_t dwNumber;
    char szName[60];  // offset 8
    char reserved[184];
};

// File area (GetFileArea).
struct WcFileArea {
    uint32_t dwSize;
    uint32_t dwNumber;
    char szName[40];    // offset 8: area name
    char szFtpDir[64];  // offset 48: directory name of the area on the FTP server
    char reserved[144];
};

// Language (GetLanguage).
struct WcLanguage {
    char szName[32];  // offset 0
    char reserved[96];
};

// User record (GetUserByName). Bytes 4 to 91 are the block copied into a file record's
// uploader field, so the user's name lands at byte 196 of the file record.
struct WcUserRecord {
    uint32_t dwSize;
    uint32_t dwUserId;  // offset 4: start of the uploader block
    char szName[84];    // offset 8: user name
    char reserved[416];
};

// Basic file record (332 bytes), key 1 = (area, name).
struct WcFileRecord {
    uint32_t dwSize;
    uint32_t dwArea;            // 4
    char szName[16];            // 8
    char szDescription[76];     // 24, NUL-terminated unless all 76 bytes are used
    char szPassword[36];        // 100
    uint32_t dwFileSize;        // 136
    WcFileTime ftUploaded;      // 140, also the file time written on publishing
    WcFileTime ftLastDownload;  // 148, the "second time" written on publishing; zero = never
    uint32_t reserved156[2];    // 156
    uint32_t dwFree;            // 164
    uint32_t reserved168[2];    // 168
    uint32_t dwFailedScan;      // 176
    uint32_t reserved180;       // 180
    uint32_t dwDownloads;       // 184
    uint32_t reserved188;       // 188
    uint32_t dwUploaderId;      // 192: uploader block (user record bytes 4 to 91)
    char szUploader[84];        // 196
    uint32_t reserved280;       // 280
    uint32_t dwHasLongDesc;     // 284
    char reserved288[44];       // 288
};

enum { WC_LONGDESC_LINES = 15, WC_LONGDESC_WIDTH = 80 };

// Full file record (1792 bytes): the basic record, then the 15 long-description lines.
struct WcFullFileRecord {
    WcFileRecord basic;  // 0
    char reserved332[260];
    char szLongDesc[WC_LONGDESC_LINES][WC_LONGDESC_WIDTH];  // 592
};

// Extended file record of libwcsrv2 (1600 bytes): the basic record, then the long name.
struct WcExtFileRecord {
    WcFileRecord basic;    // 0
    char szLongName[256];  // 332
    char reserved588[1012];
};

// Message header (512 bytes) handed to AddMessage.
struct WcMessageHeader {
    uint32_t dwSize;
    int32_t nConference;  // 4
    char reserved8[12];
    char szFrom[88];     // 20
    char szTo[84];       // 108
    char szSubject[72];  // 192
    char reserved264[248];
};

typedef void* WcHandle;
#define WC_INVALID_HANDLE ((WcHandle)0)
#define WC_GENERIC_WRITE 0x40000000u

// The calling thread's last error, as the platform's own last-error call gives it: every
// entry point sets it, to WC_ERROR_NONE when it succeeded or found nothing. A 0 from a look-up
// or from the walk with WC_ERROR_NONE is "no such record" / "no more records"; with any other
// code the board could not be read.
enum {
    WC_ERROR_NONE = 0,
    WC_ERROR_NOT_LOGGED_IN = 1,
    WC_ERROR_DAMAGED = 2,   // the board's database is damaged (malformed, not a database)
    WC_ERROR_DATABASE = 3,  // the database could not be read or written (busy, I/O, full)
    WC_ERROR_PATH = 4,      // a server path or file that is refused (outside storage, a link)
    WC_ERROR_FILE = 5,      // a server file could not be created, read, written or deleted
    WC_ERROR_FAILED = 6,    // anything else
};
uint32_t WcGetLastError(void);
// The last error's one-line text ("" with WC_ERROR_NONE); valid until the thread's next call.
const char* WcGetLastErrorText(void);

// Sessions: one per thread.
int WildcatServerConnect(const char* server);
int WildcatServerCreateContext(void);
int LoginSystem(void);
int LogoutUser(void);
int WildcatServerDeleteContext(void);

uint32_t GetWildcatVersion(void);
uint32_t GetWildcatBuild(void);
int GetMakewild(WcMakewild* rec);

// Highest number n; numbers 0 to n inclusive may exist.
int GetConferenceCount(void);
int GetFileAreaCount(void);
int GetLanguageCount(void);
// 1 when the numbered record exists.
int GetConfDesc(int number, WcConfDesc* rec);
int GetFileArea(int number, WcFileArea* rec);
int GetLanguage(int number, WcLanguage* rec);

uint32_t GetTotalFiles(void);
// First record at or after (area, name) in key 1 order; the token keeps the position.
int SearchFileRecByAreaName(uint32_t area, const char* name, WcFileRecord* rec, uint32_t* tid);
// The record after the token's position in key order `keynum` (only key 1 is served).
int GetNextFileRec(int keynum, WcFileRecord* rec, uint32_t* tid);
int GetFullFileRec(const WcFileRecord* rec, WcFullFileRecord* full);
// Exact match of (area, name): 1 when found.
int GetFileRecByAreaName(uint32_t area, const char* name, WcFileRecord* rec, uint32_t* tid);
int AddFileRec(const WcFileRecord* rec);
int UpdateFileRec(const WcFileRecord* rec);
int GetUserByName(const char* name, WcUserRecord* rec, uint32_t* tid);
int AddMessage(const WcMessageHeader* header, const char* bodyPath);

// The server's own files, addressed "wc:\dir\name" (prefix case-insensitive).
// A created file is written under a temporary name and appears when closed.
WcHandle WcCreateFile(const char* path, uint32_t access, uint32_t share, uint32_t create);
int WcWriteFile(WcHandle h, const void* buffer, uint32_t length, uint32_t* written);
int WcCloseHandle(WcHandle h);
int WcDeleteFile(const char* path);
uint32_t WcGetFileSize(WcHandle h, uint32_t* high);
int WcGetFileTime(WcHandle h, WcFileTime* time);

// Entry points of libwcsrv2.so, looked up by these names with dlsym.
typedef int (*WcSearchExtFn)(uint32_t area, const char* name, WcExtFileRecord* rec, uint32_t* tid);
typedef int (*WcNextExtFn)(int keynum, WcExtFileRecord* rec, uint32_t* tid);

}  // extern "C"

#include <string>

// The text of a fixed-width field of a record, which need not end in a NUL when it fills
// its room.
template <size_t N>
std::string WcText(const char (&field)[N]) {
    size_t n = 0;
    while (n < N && field[n] != '\0') ++n;
    return std::string(field, n);
}

static_assert(sizeof(WcMakewild) == 512);
static_assert(offsetof(WcMakewild, szBbsName) == 4);
static_assert(offsetof(WcMakewild, szSysopName) == 56);
static_assert(offsetof(WcConfDesc, szName) == 8);
static_assert(offsetof(WcFileArea, szName) == 8);
static_assert(offsetof(WcFileArea, szFtpDir) == 48);
static_assert(offsetof(WcLanguage, szName) == 0);
static_assert(offsetof(WcUserRecord, szName) == 8);
static_assert(sizeof(WcFileRecord) == 332);
static_assert(offsetof(WcFileRecord, dwArea) == 4);
static_assert(offsetof(WcFileRecord, szName) == 8);
static_assert(offsetof(WcFileRecord, szDescription) == 24);
static_assert(offsetof(WcFileRecord, szPassword) == 100);
static_assert(offsetof(WcFileRecord, dwFileSize) == 136);
static_assert(offsetof(WcFileRecord, ftUploaded) == 140);
static_assert(offsetof(WcFileRecord, ftLastDownload) == 148);
static_assert(offsetof(WcFileRecord, dwFree) == 164);
static_assert(offsetof(WcFileRecord, dwFailedScan) == 176);
static_assert(offsetof(WcFileRecord, dwDownloads) == 184);
static_assert(offsetof(WcFileRecord, dwUploaderId) == 192);
static_assert(offsetof(WcFileRecord, szUploader) == 196);
static_assert(offsetof(WcFileRecord, dwHasLongDesc) == 284);
static_assert(sizeof(WcFullFileRecord) == 1792);
static_assert(offsetof(WcFullFileRecord, szLongDesc) == 592);
static_assert(sizeof(WcExtFileRecord) == 1600);
static_assert(offsetof(WcExtFileRecord, szLongName) == 332);
static_assert(sizeof(WcMessageHeader) == 512);
static_assert(offsetof(WcMessageHeader, nConference) == 4);
static_assert(offsetof(WcMessageHeader, szFrom) == 20);
static_assert(offsetof(WcMessageHeader, szTo) == 108);
static_assert(offsetof(WcMessageHeader, szSubject) == 192);
// The uploader block: user record bytes 4..91 into file record bytes 192..279.
static_assert(offsetof(WcFileRecord, szUploader) - offsetof(WcFileRecord, dwUploaderId) ==
              offsetof(WcUserRecord, szName) - offsetof(WcUserRecord, dwUserId));
static_assert(offsetof(WcFileRecord, reserved280) - offsetof(WcFileRecord, dwUploaderId) == 88);
