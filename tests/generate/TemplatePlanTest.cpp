// Templates worked out once give exactly the text of replacing token after token, also where
// values carry tokens or complete them with the text around.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "generate/CListRun.h"
#include "generate/CTemplateExpander.h"
#include "tests/support/CFixedClock.h"
#include "tests/support/TestEntry.h"

namespace {

// Every token, pieces of tokens and of their names, and text around them.
const std::vector<std::string> kPieces = [] {
    std::vector<std::string> pieces = {
        "~",   "~SUB", "JECT~",  "~DA",   "TE~",  "NA",      "ME",      "A",  "Z",
        " ",   "<TD>", "~name~", "~FOO~", "\x01", "\x05",    "T",       "S",  "B",
        "~BB", "S~",   "~N",     "AME~",  "~S",   "UBJECT~", "SUBJECT", "~~", "\n"};
    for (const char* token : {"NAME", "SIZE", "FLAG", "DESC", "DATE", "DWNLDS", "TIME", "LASTDATE",
                              "LASTTIME", "UPLOADER", "LONGDESC", "AREANUM", "AREANAME", "SUBJECT",
                              "BBS", "SYSOP", "CURRENTDATE", "CURRENTTIME"})
        pieces.push_back(std::string("~") + token + "~");
    return pieces;
}();

std::string Random(std::mt19937& rng, int maxPieces) {
    std::uniform_int_distribution<int> count(0, maxPieces);
    std::uniform_int_distribution<size_t> pick(0, kPieces.size() - 1);
    std::string s;
    for (int n = count(rng); n > 0; --n) s += kPieces[pick(rng)];
    return s;
}

}  // namespace

TEST(TemplatePlan, GivesTheTextOfTheStepByStepReplacement) {
    std::mt19937 rng(20261206);
    RunOptions stepwise = AtTestClock();
    stepwise.templatePlans = false;
    for (int round = 0; round < 20000; ++round) {
        COutRec def;
        def.m_nLinkKind = static_cast<int>(rng() % 3);
        def.m_bLocalLinks = static_cast<int>(rng() % 2);
        def.m_strServer = Random(rng, 1);
        CListRun run(def, "", nullptr, AtTestClock()), plain(def, "", nullptr, stepwise);
        run.m_strListTitle = plain.m_strListTitle = Random(rng, 2);
        run.m_strFtpRoot = plain.m_strFtpRoot = rng() % 2 ? "/All_Files" : "";

        CFileEntry entry = TestEntry(rng() % 4 ? Random(rng, 2) : "");
        entry.m_strDescription = Random(rng, 3);
        entry.m_strFlag = rng() % 2 ? " " : "F";
        entry.m_strDate = Random(rng, 1);
        entry.m_strLastTime = Random(rng, 1);
        entry.m_strUploader = Random(rng, 2);
        entry.m_nArea = static_cast<int>(rng() % 3);
        entry.m_strArea = std::to_string(entry.m_nArea);
        entry.m_bLongDesc = rng() % 2;
        entry.m_strDescLine[0] = Random(rng, 2);
        entry.m_strDescLine[3] = Random(rng, 1);

        const std::string tmpl = Random(rng, 8);
        const std::string expected = CTemplateExpander::ExpandTemplate(plain, tmpl, entry);
        ASSERT_EQ(CTemplateExpander::ExpandTemplate(run, tmpl, entry), expected)
            << "template: " << tmpl << "\nname: " << entry.m_strName
            << "\ndescription: " << entry.m_strDescription << "\ntitle: " << run.m_strListTitle;
    }
}
