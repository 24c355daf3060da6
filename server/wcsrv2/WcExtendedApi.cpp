// libwcsrv2: the extended search and next calls, which add the file's long name. The next call
// is handed the basic library's position and describes that same (current) file.
#include <cstring>
#include <type_traits>

#include "server/WcServer.h"
#include "server/wcsrv/WcsrvInternal.h"

namespace {

int Deliver(int found, WcExtFileRecord* rec) {
    if (!found) {
        return 0;
    }
    // Non-zero only when the record really carries a long name.
    return rec->szLongName[0] != '\0' ? 1 : 0;
}

}  // namespace

// The exported names are those of the basic library, whose declarations (with the basic
// record) this file also sees; assembler labels give the extended versions those names.
extern "C" {
int WcExtSearchFileRecByAreaName(uint32_t area, const char* name, WcExtFileRecord* rec,
                                 uint32_t* tid) __asm__("SearchFileRecByAreaName");
int WcExtGetNextFileRec(int keynum, WcExtFileRecord* rec, uint32_t* tid) __asm__("GetNextFileRec");

// Keep the pointer types of libwcsrv2's callers honest.
static_assert(std::is_same_v<decltype(&WcExtSearchFileRecByAreaName), WcSearchExtFn>);
static_assert(std::is_same_v<decltype(&WcExtGetNextFileRec), WcNextExtFn>);

int WcExtSearchFileRecByAreaName(uint32_t area, const char* name, WcExtFileRecord* rec,
                                 uint32_t* tid) {
    if (!rec || !tid) return 0;
    std::memset(rec, 0, sizeof *rec);
    int found = WcsrvInternalFindFileRec(area, name, &rec->basic, rec->szLongName,
                                         sizeof rec->szLongName, tid);
    return Deliver(found, rec);
}

int WcExtGetNextFileRec(int keynum, WcExtFileRecord* rec, uint32_t* tid) {
    if (keynum != 1 || !rec || !tid) return 0;
    std::memset(rec, 0, sizeof *rec);
    int found = WcsrvInternalFileRecAt(*tid, &rec->basic, rec->szLongName, sizeof rec->szLongName);
    return Deliver(found, rec);
}

}  // extern "C"
