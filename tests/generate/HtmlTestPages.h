// The set-up shared by the page, publishing and template tests.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "config/COutRec.h"
#include "generate/CListRun.h"
#include "tests/support/CFixedClock.h"
#include "tests/support/CScratchDir.h"
#include "tests/support/CTestBoard.h"
#include "tests/support/TestEntry.h"
#include "tests/support/TextBytes.h"

namespace htmltest {

// A board whose names need escaping, as server `version` and `build`.
inline std::string BoardJson(int version = 6, int build = 500) {
    return R"({"settings":{"name":"Test BBS","sysop":"Jo & Sysop","version":)" +
           std::to_string(version) + R"(,"build":)" + std::to_string(build) +
           R"(},"areas":[{"number":3,"name":"Utilities <1>","ftp_dir":"utils"},)"
           R"({"number":12,"name":"Games","ftp_dir":"games"},)"
           R"({"number":13,"name":"<I>Utils</I>","ftp_dir":"dir x onmouseover=alert(2)/<b>"}]})";
}

// An HTML list "LIST.HTM" over areas 3 and 12 of that board, at the tests' clock: its pages
// are made in m_temp and published to m_html.
class HtmlListTest : public ::testing::Test {
protected:
    HtmlListTest() {
        std::filesystem::create_directory(m_temp);
        std::filesystem::create_directory(m_html);
        m_def.m_nListType = LIST_HTML;
        m_def.m_strListName = "LIST.HTM";
        m_def.m_strHtmlDir = m_html;
        m_def.m_areas = {3, 12};
    }

    RunOptions m_options = AtTestClock();
    CTestBoard m_board{BoardJson()};
    CScratchDir m_scratch;
    std::string m_temp = m_scratch.File("tmp");
    std::string m_html = m_scratch.File("html");
    COutRec m_def;
    std::unique_ptr<CListRun> m_run;
};

// A free file, as the page and template tests list them.
inline CFileEntry File(const std::string& name = "FOO.ZIP", int area = 3, int size = 12345) {
    return Free(TestEntry(name, area, size));
}

}  // namespace htmltest
