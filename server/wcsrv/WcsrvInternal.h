// Helpers that libwcsrv exports for libwcsrv2. They carry their own names so that libwcsrv2's
// entry points, which share the public names, never bind to themselves.
#pragma once

#include <cstddef>
#include <cstdint>

#include "server/WcServer.h"

extern "C" {

// First record at or after (area, name) and its long name, without moving the session's walk.
// Returns 1 when a record was delivered; *tid becomes its position.
int WcsrvInternalFindFileRec(uint32_t area, const char* name, WcFileRecord* rec, char* longName,
                             size_t longNameSize, uint32_t* tid);
// The record at position `tid` (as delivered by the basic library) and its long name.
int WcsrvInternalFileRecAt(uint32_t tid, WcFileRecord* rec, char* longName, size_t longNameSize);

// How often the walk's calls of libwcsrv were made in this process since the last reset
// ("SearchFileRecByAreaName", "GetNextFileRec"); for tests.
uint32_t WcsrvInternalCallCount(const char* function);
void WcsrvInternalResetCallCounts(void);

}  // extern "C"
