// File records through the record calls: fields, key-1 walk, exact look-ups, adds, updates.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "server/WcServer.h"
#include "tests/support/CTestBoard.h"

namespace {

// Areas 1, 2 and 5 hold files; 3 and 4 exist but are empty. Names test byte order:
// "B.ZIP" < "a.zip" < "\xC9T\xC9.TXT" (E acute, written as UTF-8 in the JSON).
const char* const kBoard = R"({
 "settings": {"name": "Harbour", "sysop": "Morgan Reyes"},
 "areas": [{"number": 1, "name": "One"}, {"number": 2, "name": "Two"},
           {"number": 3, "name": "Three"}, {"number": 4, "name": "Four"},
           {"number": 5, "name": "Five"}],
 "users": [{"name": "Morgan Reyes"}, {"name": "Dana Whitfield"}],
 "files": [
  {"area": 5, "name": "LAST.ZIP", "description": "The last one"},
  {"area": 1, "name": "a.zip", "description": "lower case"},
  {"area": 1, "name": "B.ZIP",
   "description": "0123456789012345678901234567890123456789012345678901234567890123456789012345",
   "long_description": ["line 0", "line 1", "line 2", "", "line 4"],
   "password": "SECRET", "size": 4000000000,
   "uploaded": "2026-12-01T10:00:00Z", "last_download": "2026-12-02T11:30:15Z",
   "free": true, "failed_scan": true, "downloads": 77, "uploader": "Dana Whitfield"},
  {"area": 1, "name": "ÉTÉ.TXT", "description": "Caf\u00e9 cr\u00e8me"},
  {"area": 2, "name": "MID.ZIP"}]})";

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
    CTestBoard board(kBoard);
    EXPECT_EQ(5u, GetTotalFiles());
    WcFileRecord rec;
    uint32_t tid = 0;
    ASSERT_EQ(1, GetFileRecByAreaName(1, "B.ZIP", &rec, &tid));
    EXPECT_EQ(1u, rec.dwArea);
    EXPECT_STREQ("B.ZIP", rec.szName);
    // 76 characters fill the field: no terminator; the next field starts right after.
    EXPECT_EQ(0, std::memcmp(rec.szDescription,
                             "012345678901234567890123456789012345678901234567890123456789"
                             "0123456789012345",
                             76));
    EXPECT_STREQ("SECRET", rec.szPassword);
    EXPECT_EQ(4000000000u, rec.dwFileSize);
    // 2026-12-01T10:00:00Z = 1796119200 Unix seconds; + 11644473600 = 13440592800.
    EXPECT_EQ(134405928000000000ull, Ft(rec.ftUploaded));
    // One day, 1 h 30 min 15 s later: + 91815 s.
    EXPECT_EQ(134406846150000000ull, Ft(rec.ftLastDownload));
    EXPECT_EQ(1u, rec.dwFree);
    EXPECT_EQ(1u, rec.dwFailedScan);
    EXPECT_EQ(77u, rec.dwDownloads);
    EXPECT_STREQ("Dana Whitfield", rec.szUploader);
    EXPECT_EQ(2u, rec.dwUploaderId);
    EXPECT_EQ(1u, rec.dwHasLongDesc);

    WcFullFileRecord full;
    std::memset(&full, 'x', sizeof full);
    ASSERT_EQ(1, GetFullFileRec(&rec, &full));
    EXPECT_EQ(0, std::memcmp(&full.basic, &rec, sizeof rec));
    EXPECT_STREQ("line 2", full.szLongDesc[2]);
    EXPECT_STREQ("", full.szLongDesc[3]);
    EXPECT_STREQ("line 4", full.szLongDesc[4]);
    EXPECT_STREQ("", full.szLongDesc[14]);

    // Windows-1252 bytes in the board: e acute = 0xE9, e grave = 0xE8.
    ASSERT_EQ(1, GetFileRecByAreaName(1, "\xC9T\xC9.TXT", &rec, &tid));
    EXPECT_STREQ("Caf\xE9 cr\xE8me", rec.szDescription);
    EXPECT_EQ(0u, Ft(rec.ftLastDownload));
    EXPECT_EQ(0u, rec.dwHasLongDesc);
    EXPECT_EQ(0, GetFileRecByAreaName(1, "b.zip", &rec, &tid));
}

TEST(FileRecords, WalkFollowsKeyOneAndJumpsLandOnTheNextArea) {
    CTestBoard board(kBoard);
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
}

TEST(FileRecords, AnOldTokenContinuesFromItsOwnRecord) {
    CTestBoard board(kBoard);
    WcFileRecord rec;
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

TEST(FileRecords, AddAndUpdateAreSeenByTheWalk) {
    CTestBoard board(kBoard);
    WcFileRecord rec{};
    rec.dwSize = sizeof rec;
    rec.dwArea = 2;
    std::strcpy(rec.szName, "AAA.ZIP");
    std::strcpy(rec.szDescription, "added");
    rec.dwFileSize = 12;
    ASSERT_EQ(1, AddFileRec(&rec));
    EXPECT_EQ(0, AddFileRec(&rec));  // the key exists already
    std::strcpy(rec.szDescription, "updated");
    rec.dwDownloads = 3;
    ASSERT_EQ(1, UpdateFileRec(&rec));
    std::strcpy(rec.szName, "NONE.ZIP");
    EXPECT_EQ(0, UpdateFileRec(&rec));
    EXPECT_EQ(6u, GetTotalFiles());
    WcFileRecord got;
    uint32_t tid = 0;
    ASSERT_EQ(1, SearchFileRecByAreaName(2, "", &got, &tid));
    EXPECT_STREQ("AAA.ZIP", got.szName);
    EXPECT_STREQ("updated", got.szDescription);
    EXPECT_EQ(3u, got.dwDownloads);
    ASSERT_EQ(1, GetNextFileRec(1, &got, &tid));
    EXPECT_STREQ("MID.ZIP", got.szName);
}

TEST(FileRecords, UserRecordFeedsTheUploaderBlock) {
    CTestBoard board(kBoard);
    WcUserRecord user;
    uint32_t tid = 0;
    ASSERT_EQ(1, GetUserByName("morgan reyes", &user, &tid));
    EXPECT_EQ(1u, user.dwUserId);
    EXPECT_STREQ("Morgan Reyes", user.szName);
    // The 88-byte block lands in the file record with the name at byte 196.
    WcFileRecord rec{};
    std::memcpy(reinterpret_cast<char*>(&rec) + 192, reinterpret_cast<char*>(&user) + 4, 88);
    EXPECT_STREQ("Morgan Reyes", rec.szUploader);
    EXPECT_EQ(0, GetUserByName("Nobody", &user, &tid));
    EXPECT_EQ(0u, user.dwUserId);
    EXPECT_STREQ("", user.szName);
}
