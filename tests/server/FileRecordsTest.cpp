// File records: fields, the key-1 walk, look-ups, long names (adds and updates: ServerFiles).
// The board of tests/support/data/records.json: areas 1, 2 and 5 hold files, 3 and 4 are empty.
// Names test byte order: "B.ZIP" < "a.zip" < "\xC9T\xC9.TXT" (E acute, UTF-8 in the JSON).
// B.ZIP sets every field; it and MID.ZIP have long names.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "server/WcServer.h"
#include "tests/support/CTestBoard.h"

namespace {

// FILETIME halves of an ISO time, worked out by hand: seconds since 1601 times 10^7.
uint64_t Ft(const WcFileTime& ft) {
    return (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

std::vector<std::string> Walk() {
    std::vector<std::string> names;
    WcFileRecord rec;
    uint32_t tid = 0;
    if (!SearchFileRecByAreaName(0, "", &rec, &tid)) return names;
    do {
        names.push_back(std::to_string(rec.dwArea) + ":" + rec.szName);
    } while (GetNextFileRec(1, &rec, &tid));
    return names;
}

}  // namespace

TEST(FileRecords, EveryFieldOfTheBasicAndFullRecord) {
    CTestBoard board(CTestBoard::Data("records.json"));
    EXPECT_EQ(5u, GetTotalFiles());
    WcFileRecord rec;
    uint32_t tid = 0;
    ASSERT_EQ(1, GetFileRecByAreaName(1, "B.ZIP", &rec, &tid));
    // 76 characters fill the description: no terminator; the next field starts right after.
    EXPECT_EQ(0, std::memcmp(rec.szDescription,
                             "012345678901234567890123456789012345678901234567890123456789"
                             "0123456789012345",
                             76));
    EXPECT_EQ((std::vector<std::string>{rec.szName, rec.szPassword, rec.szUploader}),
              (std::vector<std::string>{"B.ZIP", "SECRET", "Dana Whitfield"}));
    // Uploaded 2026-12-01T10:00:00Z = 1796119200 Unix seconds; + 11644473600 = 13440592800.
    // Last downloaded one day, 1 h 30 min 15 s later: + 91815 s.
    EXPECT_EQ((std::vector<uint64_t>{rec.dwArea, rec.dwFileSize, Ft(rec.ftUploaded),
                                     Ft(rec.ftLastDownload), rec.dwFree, rec.dwFailedScan,
                                     rec.dwDownloads, rec.dwUploaderId, rec.dwHasLongDesc}),
              (std::vector<uint64_t>{1, 4000000000, 134405928000000000, 134406846150000000, 1, 1,
                                     77, 2, 1}));

    WcFullFileRecord full;
    std::memset(&full, 'x', sizeof full);
    ASSERT_EQ(1, GetFullFileRec(&rec, &full));
    EXPECT_EQ(0, std::memcmp(&full.basic, &rec, sizeof rec));
    EXPECT_EQ(std::vector<std::string>(full.szLongDesc + 2, full.szLongDesc + 6),
              (std::vector<std::string>{"line 2", "", "line 4", ""}));
    EXPECT_STREQ("", full.szLongDesc[14]);

    // Windows-1252 bytes in the board: e acute = 0xE9, e grave = 0xE8.
    ASSERT_EQ(1, GetFileRecByAreaName(1, "\xC9T\xC9.TXT", &rec, &tid));
    EXPECT_STREQ("Caf\xE9 cr\xE8me", rec.szDescription);
    EXPECT_EQ((std::vector<uint64_t>{Ft(rec.ftLastDownload), rec.dwHasLongDesc}),
              (std::vector<uint64_t>{0, 0}));
    EXPECT_EQ(0, GetFileRecByAreaName(1, "b.zip", &rec, &tid));
}

TEST(FileRecords, WalkFollowsKeyOneJumpsLandOnTheNextAreaAndTokensKeepTheirPlace) {
    CTestBoard board(CTestBoard::Data("records.json"));
    EXPECT_EQ((std::vector<std::string>{"1:B.ZIP", "1:a.zip", "1:\xC9T\xC9.TXT", "2:MID.ZIP",
                                        "5:LAST.ZIP"}),
              Walk());
    WcFileRecord rec;
    uint32_t tid = 0;
    ASSERT_EQ(1, SearchFileRecByAreaName(3, "", &rec, &tid));
    EXPECT_STREQ("LAST.ZIP", rec.szName);
    EXPECT_EQ(5u, rec.dwArea);
    EXPECT_EQ(0, GetNextFileRec(1, &rec, &tid));
    EXPECT_EQ(0, SearchFileRecByAreaName(6, "", &rec, &tid));
    // At-or-after within an area.
    ASSERT_EQ(1, SearchFileRecByAreaName(1, "C", &rec, &tid));
    EXPECT_STREQ("a.zip", rec.szName);

    // An old token continues from its own record.
    uint32_t first = 0;
    ASSERT_EQ(1, SearchFileRecByAreaName(0, "", &rec, &first));
    uint32_t second = first;
    ASSERT_EQ(1, GetNextFileRec(1, &rec, &second));
    ASSERT_EQ(1, GetNextFileRec(1, &rec, &second));
    EXPECT_STREQ("\xC9T\xC9.TXT", rec.szName);
    // Going back to the first token re-seeks.
    ASSERT_EQ(1, GetNextFileRec(1, &rec, &first));
    EXPECT_STREQ("a.zip", rec.szName);
    EXPECT_EQ(0, GetNextFileRec(2, &rec, &first));  // only key 1 is served
    uint32_t bogus = 999999;
    EXPECT_EQ(0, GetNextFileRec(1, &rec, &bogus));
}

// libwcsrv2 as the program binds it: dlopen by name beside the program, dlsym of the two names.
TEST(FileRecords, ExtendedNextDescribesTheFileTheBasicLibraryJustDelivered) {
    CTestBoard board(CTestBoard::Data("records.json"));
    const std::string lib = std::string(std::getenv("QV_BIN_DIR")) + "/libwcsrv2.so";
    void* handle = dlopen(lib.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(nullptr, handle) << dlerror();
    auto search = reinterpret_cast<WcSearchExtFn>(dlsym(handle, "SearchFileRecByAreaName"));
    auto next = reinterpret_cast<WcNextExtFn>(dlsym(handle, "GetNextFileRec"));
    ASSERT_TRUE(search && next);
    // Not the basic library's functions under the same names.
    EXPECT_NE(reinterpret_cast<void*>(search), reinterpret_cast<void*>(&SearchFileRecByAreaName));

    WcFileRecord rec;
    WcExtFileRecord ext;
    uint32_t tid1 = 0, tid2 = 0;
    ASSERT_EQ(1, SearchFileRecByAreaName(0, "", &rec, &tid1));
    EXPECT_NE(0, search(0, "", &ext, &tid2));
    EXPECT_STREQ("Doom Shareware 1.9.zip", ext.szLongName);
    EXPECT_STREQ("B.ZIP", ext.basic.szName);

    ASSERT_EQ(1, GetNextFileRec(1, &rec, &tid1));
    tid2 = tid1;
    EXPECT_EQ(0, next(1, &ext, &tid2));  // no long name
    EXPECT_STREQ("a.zip", ext.basic.szName);

    ASSERT_EQ(1, GetNextFileRec(1, &rec, &tid1));
    ASSERT_EQ(1, GetNextFileRec(1, &rec, &tid1));
    tid2 = tid1;
    EXPECT_NE(0, next(1, &ext, &tid2));
    EXPECT_STREQ("Windows Tools f\xFCr 3.11.zip", ext.szLongName);
    EXPECT_EQ(2u, ext.basic.dwArea);
    // The extended calls did not move the basic walk.
    ASSERT_EQ(1, GetNextFileRec(1, &rec, &tid1));
    EXPECT_STREQ("LAST.ZIP", rec.szName);
}
