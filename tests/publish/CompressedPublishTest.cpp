// The whole publishing path of a File list against a throw-away board.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>

#include "generate/CListRun.h"
#include "publish/CListPublisher.h"
#include "tests/publish/ZipTestHelpers.h"
#include "tests/support/CRecordingObserver.h"
#include "tests/support/CScratchDir.h"
#include "tests/support/CTestBoard.h"

namespace {

const char* kBoard = R"({"areas": [{"number": 1, "name": "Lists"}, {"number": 4, "name": "New"}]})";
const std::string kList = "All files of the board\r\nFOO.ZIP  1k  A file\r\n";

struct CPublishFixture {
    CTestBoard board{kBoard};
    CScratchDir temp;
    COutRec def;
    CPublishFixture() {
        def.m_nListType = LIST_FILE;
        def.m_strListName = "LIST.TXT";
        def.m_strListDesc = "List of all files";
        def.m_nFileArea = 4;
        CScratchDir::WriteFile(temp.File("LIST.TXT"), kList);
        CScratchDir::WriteFile(temp.File("arc.sh"), "cat \"$2\" \"$2\" > \"$1\"\n");
    }
    void AddZip(const std::string& name, const std::string& desc, const std::string& command) {
        ZipRec zip = Zip(name, command.empty() ? "Board comment" : "", command);
        zip.m_strZipDesc = desc;
        zip.m_nZipArea = 99;  // replaced by the list's area
        def.m_zipFiles.push_back(zip);
    }
    // name -> description of the records in area 4
    std::map<std::string, std::string> Area4() const {
        std::map<std::string, std::string> out;
        const nlohmann::json exported = nlohmann::json::parse(board.Export());
        for (const auto& f : exported["files"]) {
            EXPECT_EQ(f["area"], 4);
            out[f["name"]] = f["description"];
        }
        return out;
    }
    std::vector<std::string> TempFiles() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(temp.Path()))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

}  // namespace

TEST(CompressedPublish, CompressedFilesThenTheListAreRegisteredAndDeleted) {
    CPublishFixture f;
    f.AddZip("LIST.ZIP", "Zipped list", "");
    f.AddZip("LIST.ARC", "Packed list", "sh arc.sh LIST.ARC LIST.TXT");
    CListRun run(f.def, f.temp.Path() + "/", nullptr);
    EXPECT_TRUE(CListPublisher::PublishFileList(run.Finished("LIST.TXT")));
    EXPECT_FALSE(run.Failed()) << run.FailureText();

    EXPECT_EQ(f.Area4(), (std::map<std::string, std::string>{{"LIST.ARC", "Packed list"},
                                                             {"LIST.TXT", "List of all files"},
                                                             {"LIST.ZIP", "Zipped list"}}));
    EXPECT_EQ(f.board.ReadServerFile("wc:\\file\\area(4)\\LIST.TXT"), kList);
    EXPECT_EQ(f.board.ReadServerFile("wc:\\file\\area(4)\\LIST.ARC"), kList + kList);
    EXPECT_EQ(f.TempFiles(), (std::vector<std::string>{"arc.sh"}));
    const std::string zip = f.board.ReadServerFile("wc:\\file\\area(4)\\LIST.ZIP");
    EXPECT_EQ(Le16(zip, 6), 0x0002u);  // level 9
    EXPECT_EQ(zip.substr(zip.size() - 15), std::string("\x0D\x00", 2) + "Board comment");
    CScratchDir::WriteFile(f.temp.File("COPY.ZIP"), zip);
    ExpectUnzips(f.temp.File("COPY.ZIP"), {{"LIST.TXT", kList}});
}

TEST(CompressedPublish, FailedDefinitionsAreReportedAndTheOthersGoOn) {
    CPublishFixture f;
    f.AddZip("FIRST.ZIP", "Missing packer", "no-such-packer-qv -a 50%% FIRST.ZIP");
    f.AddZip("NONE.ZIP", "Makes nothing", "true");
    f.AddZip("../ESCAPE.ZIP", "Bad name", "");
    f.AddZip("LAST.ZIP", "Zipped list", "");
    f.def.m_nOptions = OPT_DISCARD;
    CRecordingObserver observer;
    CListRun run(f.def, f.temp.Path() + "/", &observer);
    EXPECT_FALSE(CListPublisher::PublishFileList(run.Finished("LIST.TXT")));

    // The command as configured, not as run.
    EXPECT_EQ(
        observer.messages,
        std::vector<std::string>{"Quorvane: Could not run:\nno-such-packer-qv -a 50%% FIRST.ZIP"});
    EXPECT_EQ(observer.icon, MessageIcon::Stop);
    ASSERT_TRUE(run.Failed());
    EXPECT_NE(run.FailureText().find("FIRST.ZIP"), std::string::npos);
    EXPECT_EQ(f.Area4(), (std::map<std::string, std::string>{{"LAST.ZIP", "Zipped list"}}));
    EXPECT_FALSE(std::filesystem::exists(f.temp.Path() + "/../ESCAPE.ZIP"));
    EXPECT_EQ(f.TempFiles(), (std::vector<std::string>{"arc.sh"}));
}

// A compressed file named as the list or another one (cut to 15) is refused beforehand.
TEST(CompressedPublish, NameClashesOrADiscardedListPublishNothing) {
    // The compressed files, the list's options, the name the failure gives.
    using Case = std::tuple<std::vector<std::string>, int, std::string>;
    for (const auto& [zips, options, named] : std::initializer_list<Case>{
             {{}, OPT_DISCARD, ""},
             {{"LIST.TXT"}, 0, "LIST.TXT"},
             {{"LIST.TXT"}, OPT_DISCARD, "LIST.TXT"},
             {{"A.ZIP", "B.ZIP", "A.ZIP"}, 0, "A.ZIP"},
             {{"LONGNAME-12345.ZIP", "LONGNAME-12345.ARC"}, OPT_DISCARD, "LONGNAME-12345.ARC"}}) {
        CPublishFixture f;
        for (const std::string& zip : zips) f.AddZip(zip, "Zipped", "");
        f.def.m_nOptions = options;
        CListRun run(f.def, f.temp.Path() + "/", nullptr);
        EXPECT_EQ(CListPublisher::PublishFileList(run.Finished("LIST.TXT")), named.empty());
        EXPECT_TRUE(named.empty() ||
                    run.FailureText().find("compressed file " + named + " ") != std::string::npos)
            << run.FailureText();
        EXPECT_TRUE(f.Area4().empty());
        EXPECT_EQ(f.TempFiles(), (std::vector<std::string>{"arc.sh"}));
    }
}
