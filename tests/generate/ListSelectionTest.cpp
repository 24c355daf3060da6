// Which files a list takes: the selection tests in their order, and the date window.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "generate/CListRun.h"
#include "io/CMemorySink.h"
#include "tests/support/CFixedClock.h"
#include "tests/support/TestEntry.h"

namespace {

CFileEntry Entry(int area, time_t uploaded = kNow) {
    CFileEntry e = TestEntry("FILE.ZIP", area);
    e.m_dtUploaded = uploaded;
    return e;
}

class ListSelection : public ::testing::Test {
protected:
    ListSelection() {
        m_def.m_strListName = "T.TXT";
        m_def.m_nLayout = LAYOUT_SINGLE;
        m_def.m_areas = {3, 7};
    }
    // A run of the current definition, begun with `header` as the header text.
    std::unique_ptr<CListRun> Begin(const std::string& header = "") {
        auto run = std::make_unique<CListRun>(m_def, "", nullptr, AtTestClock());
        run->SetSinkFactory([this](const std::string&, std::string*) {
            return std::make_unique<CMemorySink>(&m_out);
        });
        run->BeginList(header);
        return run;
    }
    // How many of `entries` a run takes; `inSet`: all are in the board's list file set.
    int Taken(const std::vector<CFileEntry>& entries, bool inSet = false) {
        auto run = Begin();
        for (const CFileEntry& entry : entries) run->OfferFile(entry, inSet);
        return run->m_nEntryCount;
    }

    COutRec m_def;
    std::string m_out;
};

}  // namespace

TEST_F(ListSelection, TakesTheChosenAreasAndKindsOfFile) {
    EXPECT_EQ(Taken({Entry(3), Entry(4), Entry(7)}), 2);
    CFileEntry freeAndPassworded = Entry(3), scanFailed = Entry(3);
    freeAndPassworded.m_bIsFree = freeAndPassworded.m_bHasPassword = true;
    scanFailed.m_bFailedScan = true;
    // Free files on, passworded and scan-failed off: only the plain file.
    EXPECT_EQ(Taken({freeAndPassworded, scanFailed, Entry(3)}), 1);
    m_def.m_bPassworded = m_def.m_bScanFailed = 1;
    m_def.m_bFree = 0;
    // Passworded and scan-failed on, free off: the free file stays out.
    EXPECT_EQ(Taken({freeAndPassworded, scanFailed, Entry(3)}), 2);
    // Files in the board's list file set are left out with the skip-list option.
    EXPECT_EQ(Taken({Entry(3)}, true), 1);
    m_def.m_nOptions = OPT_SKIPLIST;
    EXPECT_EQ(Taken({Entry(3)}, true), 0);
    EXPECT_EQ(Taken({Entry(3)}), 1);
}

TEST_F(ListSelection, TheDateWindowIncludesItsStartAndNamesItsDays) {
    m_def.m_nSelection = SEL_DAYS;
    m_def.m_nDays = 7;
    EXPECT_EQ(Taken({Entry(3, kNow - 7 * 86400), Entry(3, kNow - 7 * 86400 - 1)}), 1);
    m_def.m_nDays = 0;  // today: since local midnight
    const time_t midnight = kNow - 12 * 3600;
    EXPECT_EQ(Taken({Entry(3, midnight), Entry(3, kNow - 60), Entry(3, midnight - 1)}), 2);
    // Whole runs show the titles of all files, of the last 7 days and of the most popular.
    EXPECT_EQ(Begin()->m_strListTitle, "Files Uploaded Today");
    m_def.m_nDays = 1;
    EXPECT_EQ(Begin()->m_strListTitle, "Files Uploaded Yesterday");
}

TEST_F(ListSelection, HeaderTextBecomesLinesAfterTheBoardName) {
    // No session: the board name is empty. A final CR LF adds no empty line.
    auto run = Begin("One\r\n\r\nThree\r\n");
    EXPECT_EQ(run->m_headerLines, (std::vector<std::string>{"", "One", "", "Three"}));
    run->BeginList("One\r\nTwo");
    EXPECT_EQ(run->m_headerLines, (std::vector<std::string>{"", "One", "Two"}));
}
