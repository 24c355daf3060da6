// Pages of whole generation runs opened in headless Chromium: what is checked is the document
// the browser built (after its scripts ran), not our bytes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>
#include <vector>

#include "generate/CListRun.h"
#include "tests/support/CBoardRunFixture.h"
#include "tests/support/Commands.h"

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

// The shared test board with an area of markup, quotes and "../" added.
std::string Board() {
    auto board = nlohmann::json::parse(CTestBoard::Data("board.json"));
    const auto markup = nlohmann::json::parse(CTestBoard::Data("markup.json"));
    for (const char* key : {"areas", "files"})
        board[key].insert(board[key].end(), markup[key].begin(), markup[key].end());
    return board.dump();
}

// Every match of the first group of `pattern` in `text`, in order.
std::vector<std::string> All(const std::string& text, const std::string& pattern) {
    std::vector<std::string> found;
    const std::regex re(pattern);
    for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator();
         ++it)
        found.push_back((*it)[1]);
    return found;
}

// A link followed from a page in `dir`: our pages link only plain relative names.
std::string Follow(const std::string& dir, const std::string& href) {
    EXPECT_EQ(href.find_first_of(":/?#\\"), std::string::npos) << href;
    return dir + "/" + href;
}

class HtmlBrowser : public CBoardRunFixture {
protected:
    HtmlBrowser() : CBoardRunFixture(Board()) {}
    void SetUp() override {
        int status = 0;
        const char* given = std::getenv("QV_CHROMIUM");
        m_chromium = given ? given : CommandOutput("command -v chromium chromium-browser", &status);
        m_chromium = m_chromium.substr(0, m_chromium.find('\n'));
        if (m_chromium.empty())
            GTEST_SKIP() << "chromium is not installed (apt-get install chromium, or set "
                            "QV_CHROMIUM to the browser to use)";
        // The counter image is the one thing on a page fetched from the network.
        m_options.noCounterImage = true;
    }

    // Makes the HTML lists with the real worker on the test board.
    void Generate(const std::vector<COutRec>& lists, const std::string& headerLines = "") {
        CConfig config;
        config.m_lists = lists;
        config.m_strHeaderLines = headerLines;
        for (const COutRec& list : lists) fs::create_directories(list.m_strHtmlDir);
        ASSERT_EQ(Run(config), CMakeListThread::Outcome::Finished);
        ASSERT_TRUE(m_failed.empty());
    }

    static COutRec HtmlList(const std::string& name, const std::string& dir) {
        COutRec rec;
        rec.m_nListType = LIST_HTML;
        rec.m_strListName = name;
        rec.m_strHtmlDir = dir;
        rec.m_nLayout = LAYOUT_SINGLE;
        rec.m_areas = {1, 2, 5};
        return rec;
    }

    // The document a fresh browser built from `file` + `fragment`; a hung browser is killed.
    std::string Load(const std::string& file, const std::string& fragment = "",
                     bool scripts = true) {
        EXPECT_TRUE(fs::is_regular_file(file)) << file;
        const std::string profile = m_dir.File("profile" + std::to_string(++m_loads));
        // The reader's setting, not a switch: the browser itself still reads the document.
        fs::create_directories(profile + "/Default");
        if (!scripts)
            CScratchDir::WriteFile(
                profile + "/Default/Preferences",
                R"({"profile":{"default_content_setting_values":{"javascript":2}}})");
        const std::string log = m_dir.File("chromium.log");
        int status = 0;
        const std::string dom = CommandOutput(
            "HOME='" + m_dir.Path() + "' timeout -k 5 60 '" + m_chromium +
                "' --headless --no-sandbox --disable-gpu --disable-quic --no-first-run "
                "--disable-background-networking --disable-component-update --disable-sync "
                "--user-data-dir='" +
                profile + "' --dump-dom 'file://" + file + fragment + "' 2>'" + log + "'",
            &status);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << "chromium failed on " << file << " (status " << status << "):\n"
            << CScratchDir::ReadFile(log).substr(0, 4000);
        return dom;
    }

    // The credits below every list: the contact link its script writes, the page's own logo.
    void ExpectCredits(const std::string& dom, const std::string& dir) {
        EXPECT_THAT(dom, HasSubstr("<a href=\"mailto:quorvane@morrowfen.example\">Morrowfen</a>"));
        const auto logos = All(dom, "<img src=\"([^\"]*)\" alt=\"Morrowfen logo\"");
        ASSERT_EQ(logos.size(), 1u) << dom;
        EXPECT_EQ(CScratchDir::ReadFile(Follow(dir, logos[0])).substr(0, 6), "GIF89a");
        EXPECT_THAT(dom, Not(HasSubstr("counter.")));
    }

    std::string m_chromium;
    int m_loads = 0;
};

// Board and operator text full of markup, quotes and "../", on a default page and on one with
// FTP links and a description in an attribute, makes no element and no attribute.
TEST_F(HtmlBrowser, NothingFromTheBoardBecomesAnElementOrAnAttribute) {
    const std::string dir = m_dir.File("hostile");
    COutRec plain = HtmlList("plain.html", dir);
    plain.m_nLayout = LAYOUT_FULL;
    plain.m_areas = {9};
    COutRec linked = plain;
    linked.m_strListName = "linked.html";
    linked.m_nLinkKind = LINK_FTP;
    linked.m_strServer = "h x onmouseover=pwn(3)";
    linked.m_bDefEntry = 0;
    linked.m_strEntryTemplate =
        "<TR><TD TITLE=\"~DESC~\">~NAME~</TD><TD>~UPLOADER~ ~LONGDESC~ ~AREANAME~</TD></TR>\n";
    ASSERT_NO_FATAL_FAILURE(
        Generate({plain, linked}, "<b pwn>Hi</b>\r\n http://x\" onclick=\"pwn()"));
    for (const char* name : {"plain.html", "linked.html"}) {
        SCOPED_TRACE(name);
        const std::string dom = Load(dir + "/" + name);
        // Tags less their quoted values: the names of elements and attributes.
        for (const std::string& tag : All(dom, "(<[^>]*>)"))
            EXPECT_FALSE(std::regex_search(std::regex_replace(tag, std::regex("\"[^\"]*\""), ""),
                                           std::regex("pwn", std::regex::icase)))
                << tag;
        EXPECT_EQ(All(dom, "(<script)").size(), 1u);  // the credit block's own
        EXPECT_THAT(dom, HasSubstr("&lt;script&gt;document.title='pwn'&lt;/script&gt;.zip"));
        EXPECT_THAT(dom, HasSubstr("&lt;i class=pwn&gt;Evil&lt;/i&gt;"));
        EXPECT_THAT(dom, HasSubstr("&lt;b pwn&gt;Hi&lt;/b&gt;"));
        ExpectCredits(dom, dir);
    }
}

}  // namespace

// A modern page sorted and filtered after its address, and whole with scripts off.
TEST_F(HtmlBrowser, ModernPageSortsAndFiltersAfterItsAddress) {
    const std::string dir = m_dir.File("modern");
    COutRec list = HtmlList("modern.html", dir);
    list.m_nTheme = THEME_MODERN;
    ASSERT_NO_FATAL_FAILURE(Generate({list}));
    const struct {
        std::string fragment;
        bool scripts;
        std::vector<std::string> names;  // the groups shown, in order
    } cases[] = {
        {"", true, {"BAR.TXT", "FOO.ZIP", "GAME.ZIP", "DOC.TXT"}},
        {"#sort=size", true, {"FOO.ZIP", "BAR.TXT", "GAME.ZIP", "DOC.TXT"}},
        {"#sort=-date", true, {"BAR.TXT", "FOO.ZIP", "GAME.ZIP", "DOC.TXT"}},
        {"#q=GAME&sort=name", true, {"GAME.ZIP"}},
        {"#q=readme", true, {"BAR.TXT"}},
        {"#q=readme", false, {"BAR.TXT", "FOO.ZIP", "GAME.ZIP", "DOC.TXT"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fragment + (c.scripts ? "" : " without scripts"));
        const std::string dom = Load(dir + "/modern.html", c.fragment, c.scripts);
        EXPECT_EQ(All(dom, "<tbody class=\"qv-f\" data-name=\"([^\"]*)\"[^>]*[0-9]\">"), c.names)
            << dom;
        EXPECT_THAT(dom, HasSubstr("<div id=\"qv-tools\"" +
                                   std::string(c.scripts ? ">" : " hidden=\"\">")));
    }
}
