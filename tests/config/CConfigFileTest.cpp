#include "config/CConfigFile.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "config/CArchiveReader.h"
#include "io/CMemorySink.h"
#include "tests/support/CFailingSink.h"
#include "tests/support/CScratchDir.h"
#include "tools/config/CConfigJson.h"

using namespace std::string_literals;

namespace {

std::string Int(uint32_t v) {
    return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
            static_cast<char>(v >> 24)};
}
std::string Str(const std::string& s) {
    return static_cast<char>(s.size()) + s;
}  // < 255

// The version bytes of each record form: 1.0, 2.0, 2.1 and 2.2.
std::string V(int form) {
    return form == 1    ? "\x00\x00\x80\x3F"s
           : form == 2  ? "\x00\x00\x00\x40"s
           : form == 21 ? "\x66\x66\x06\x40"s
                        : "\xCD\xCC\x0C\x40"s;
}

// Items 2 to 18 of a list definition, with values unlike the defaults.
std::string CommonItems(const std::string& name) {
    return Int(LIST_MESSAGE) + Int(SEL_POPULAR) + Str(name) + Int(4) + Str("desc") + Int(9) +
           Int(2) + Str("Me") + Str("You") + Str("Subj") + Str("ALL") + Int(LAYOUT_FULL) + Int(1) +
           Int(1) + Int(0) + Int(7) + Int(25);
}

// A record of format `form` (1, 2, 21 or 22) under the version bytes `version`.
std::string Record(int form, const std::string& version, const std::string& name) {
    const std::string zip = Int(1) + Str("A.ZIP") + Str("sp") + Str("zip a") + Int(3) + Str("zd");
    if (form == 1) return version + CommonItems(name) + zip + Int(2) + Int(5) + Int(6);
    const std::string html = Str("/www") + Int(0) + Int(0) + Int(0) + Int(0) + Int(0) +
                             Str("foot") + Str("head") + Str("title") + Str("#000000") +
                             Str("bg.gif") + Str("ah") + Str("af") + Str("#1") + Str("#2") +
                             Str("#3") + Str("#4");
    const std::string templates = Str("entry") + Int(0) + Int(1) + Str("ih") + Str("if") + Int(0) +
                                  Int(0) + Int(LINK_FTP) + Str("ftp.example.org") + Int(0);
    if (form == 2) return version + CommonItems(name) + html + zip + Int(1) + Int(8) + templates;
    const std::string v21 = version + CommonItems(name) + html + zip + Str("zc") + Int(1) + Int(1) +
                            Int(8) + templates + Str("style.css");
    if (form == 21) return v21;
    // Feeds, feed count, copy directory, new only, theme.
    return v21 + Int(FEED_ATOM | FEED_JSON) + Int(20) + Str("/srv/utf8") + Int(1) +
           Int(THEME_MODERN);
}
std::string Record(int form, const std::string& name) {
    return Record(form, V(form), name);
}

std::string Data(const std::string& name) {
    return CScratchDir::ReadFile(std::string(std::getenv("QV_SOURCE_DIR")) + "/tests/config/data/" +
                                 name);
}

// The bytes of data/`name`: two hex digits a byte, "quoted" text as it stands, '#' to the end
// of the line a comment.
std::string HexData(const std::string& name) {
    const std::string text = Data(name);
    std::string bytes;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '"') {
            const size_t end = text.find('"', i + 1);
            bytes += text.substr(i + 1, end - i - 1);
            i = end;
        } else if (text[i] == '#') {
            i = std::min(text.find('\n', i), text.size());
        } else if (std::isxdigit(static_cast<unsigned char>(text[i]))) {
            bytes += static_cast<char>(std::stoi(text.substr(i++, 2), nullptr, 16));
        }
    }
    return bytes;
}

CConfigFile::LoadResult ReadBytes(const std::string& bytes, CConfig& config,
                                  std::string* error = nullptr) {
    CArchiveReader ar(bytes);
    return CConfigFile::Read(ar, "test.cfg", config, error);
}

std::string WriteBytes(const CConfig& config) {
    std::string bytes;
    CMemorySink sink(&bytes);
    std::string error;
    EXPECT_TRUE(CConfigFile::Write(sink, config, &error)) << error;
    return bytes;
}

// The list definition Record(form, name) stores, worked out by hand in data/record-forms.json.
COutRec Expected(const std::string& form, const std::string& name) {
    const nlohmann::json forms = nlohmann::json::parse(Data("record-forms.json"));
    nlohmann::json list = {{"listName", name}};
    for (const char* key : {"1", "2", "21", "22", "changed"}) {
        list.merge_patch(forms[key]);
        if (key == form) break;
    }
    CConfig config;
    std::string error;
    EXPECT_TRUE(CConfigJson::FromJson({{"lists", nlohmann::json::array({list})}}, &config, &error))
        << error;
    return config.m_lists.at(0);
}

// A definition that differs from the defaults in every stored field, with texts that hold every
// byte but NUL, line breaks or cross the writer's buffer, and areas of every sign and size.
COutRec FullyChanged() {
    COutRec r = Expected("changed", "ALLFILES.TXT");
    r.m_strTitle.clear();
    for (int b = 1; b < 256; ++b) r.m_strTitle += static_cast<char>(b);
    r.m_strEntryTemplate = std::string(5000, 'e');  // crosses buffer boundaries
    return r;
}

CConfig Sample() {
    CConfig config;
    config.m_strHeaderLines = "Line one\r\nLine two";
    config.m_lists.push_back(FullyChanged());
    COutRec bare;  // empty name, empty area list, no compressed files
    bare.m_strFrom = "x";
    config.m_lists.push_back(bare);
    return config;
}

}  // namespace

// Hand-worked bytes read and written again come out the same; a field of 2.2 in use makes the
// record 2.2, with its five items after the style sheet.
TEST(CConfigFile, OneListFileByteForByte) {
    const std::string v21 = HexData("one-list.hex");
    const std::string headerLines = "\x0CLine1\r\nLine2";
    const std::pair<void (*)(COutRec&), std::string> cases[] = {
        {[](COutRec&) {}, ""},
        {[](COutRec& c) { c.m_nFeeds = 3; }, Int(3) + Int(50) + Str("") + Int(0) + Int(0)},
        {[](COutRec& c) { c.m_nFeedCount = 300; }, Int(0) + Int(300) + Str("") + Int(0) + Int(0)},
        {[](COutRec& c) { c.m_strCopyDir = "/u"; }, Int(0) + Int(50) + Str("/u") + Int(0) + Int(0)},
        {[](COutRec& c) { c.m_bNewOnly = 1; }, Int(0) + Int(50) + Str("") + Int(1) + Int(0)},
        {[](COutRec& c) { c.m_nTheme = 1; }, Int(0) + Int(50) + Str("") + Int(0) + Int(1)},
    };
    for (const auto& [use, items] : cases) {
        CConfig config;
        ASSERT_EQ(ReadBytes(v21, config), CConfigFile::LoadResult::Loaded);
        ASSERT_EQ(config.m_lists.size(), 1u);
        EXPECT_EQ(config.m_lists[0].m_strServer, "files.example.org");
        EXPECT_EQ(config.m_strHeaderLines, "Line1\r\nLine2");
        use(config.m_lists[0]);
        std::string expected = v21;
        if (!items.empty()) {
            expected.replace(4, 4, V(22));
            expected.insert(expected.size() - headerLines.size(), items);
        }
        EXPECT_EQ(WriteBytes(config), expected) << items.size();

        CConfig back;
        ASSERT_EQ(ReadBytes(expected, back), CConfigFile::LoadResult::Loaded);
        ASSERT_EQ(back.m_lists.size(), 1u);
        COutRec& want = config.m_lists[0];
        want.m_fVersion = items.empty() ? 2.1f : 2.2f;
        EXPECT_TRUE(back.m_lists[0] == want);
        EXPECT_EQ(back.m_lists[0].m_zipFiles[0].m_fZipVersion, want.m_fVersion);
    }
}

// Version bytes as single-precision values; the form is decided in double precision on them.
TEST(CConfigFile, ReadsEachFormatVersionAndRefusesOthers) {
    // What, version bytes, the form of the record (1, 2, 21 or 22; 0: refused).
    const std::tuple<std::string, std::string, int> cases[] = {
        {"1.0", V(1), 1},
        {"2.2", V(22), 22},
        {"2.1", V(21), 21},
        {"1.0 again", V(1), 1},
        {"2.11 (2.10999990)", "\x3D\x0A\x07\x40"s, 21},
        {"2.0", V(2), 2},
        {"2.005", "\xEC\x51\x00\x40"s, 2},
        {"1.99 (1.99000001 as a float)", "\x52\xB8\xFE\x3F"s, 2},
        {"2.01 (2.00999999)", "\xD7\xA3\x00\x40"s, 2},
        {"2.09 (2.08999991)", "\x8F\xC2\x05\x40"s, 0},
        {"2.21 (2.21000004)", "\xA4\x70\x0D\x40"s, 0},
        {"2.3", "\x33\x33\x13\x40"s, 0},
        {"1.989", "\x8D\x97\xFE\x3F"s, 0},
        {"1.5", "\x00\x00\xC0\x3F"s, 0},
        {"3.0", "\x00\x00\x40\x40"s, 0},
        {"0.0", "\x00\x00\x00\x00"s, 0},
        {"NaN", "\x00\x00\xC0\x7F"s, 0},
        {"infinity", "\x00\x00\x80\x7F"s, 0},
    };
    // The accepted records one after the other: none inherits an item from the one before.
    std::string file;
    std::vector<COutRec> expected;
    for (const auto& [what, bytes, form] : cases) {
        if (form == 0) continue;
        file += Record(form, bytes, what);
        expected.push_back(Expected(std::to_string(form), what));
        std::memcpy(&expected.back().m_fVersion, bytes.data(), 4);
    }
    CConfig config;
    std::string error;
    ASSERT_EQ(
        ReadBytes(Int(expected.size()) + file + Str("hdr") + "trailing bytes", config, &error),
        CConfigFile::LoadResult::Loaded)
        << error;
    ASSERT_EQ(config.m_lists.size(), expected.size());
    EXPECT_EQ(config.m_strHeaderLines, "hdr");
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_TRUE(config.m_lists[i] == expected[i]) << expected[i].m_strListName;
        EXPECT_EQ(config.m_lists[i].m_zipFiles[0].m_fZipVersion, expected[i].m_fVersion);
    }
    for (const auto& [what, bytes, form] : cases) {
        if (form != 0) continue;
        CConfig refused;
        refused.m_lists.emplace_back();
        EXPECT_EQ(
            ReadBytes(Int(2) + Record(1, "A") + Record(2, bytes, "X") + Str(""), refused, &error),
            CConfigFile::LoadResult::UnknownVersion)
            << what;
        EXPECT_EQ(refused.m_lists.size(), 1u) << "nothing appended for " << what;
        EXPECT_NE(error.find("test.cfg"), std::string::npos) << error;
        EXPECT_NE(error.find("list definition 2 of 2"), std::string::npos) << error;
    }
}

// A file cut at any byte, or announcing absurd counts, is damage (not an allocation), and the
// configuration in memory stays as it was.
TEST(CConfigFile, CutOrAbsurdFilesAreDamaged) {
    CScratchDir dir;
    const std::string path = dir.File("Quorvane.cfg");
    const std::string whole = WriteBytes(Sample());
    const std::string mixed = Int(2) + Record(1, "OLD") + Record(2, "TWO") + Str("h");
    std::vector<std::string> damaged = {
        Int(0xFFFFFFFF) + Str(""),
        // A version 1 record that announces 2^32-1 compressed files, or areas.
        Int(1) + V(1) + CommonItems("N") + Int(0xFFFFFFFF) + Int(0) + Str(""),
        Int(1) + V(1) + CommonItems("N") + Int(0) + Int(0x40000000) + Str(""),
    };
    for (const std::string& full : {whole, mixed}) {
        for (size_t cut = 0; cut < full.size(); ++cut) damaged.push_back(full.substr(0, cut));
        CConfig config;
        EXPECT_EQ(ReadBytes(full, config), CConfigFile::LoadResult::Loaded);
    }
    for (const std::string& bytes : damaged) {
        unlink(path.c_str());  // a new file each time: rewriting one in place is slow
        CScratchDir::WriteFile(path, bytes);
        CConfig config;
        config.m_lists.emplace_back();
        config.m_lists[0].m_strListName = "KEEP";
        config.m_strHeaderLines = "unchanged";
        std::string error;
        ASSERT_EQ(CConfigFile::Load(path, config, &error), CConfigFile::LoadResult::Damaged)
            << bytes.size() << " bytes";
        ASSERT_EQ(config.m_lists.size(), 1u);
        EXPECT_EQ(config.m_lists[0].m_strListName, "KEEP");
        EXPECT_EQ(config.m_strHeaderLines, "unchanged");
        EXPECT_NE(error.find(path + " is damaged"), std::string::npos) << error;
    }
}

// The file and quorvane-config's JSON carry every field: the first list differs in each one.
TEST(CConfigFile, SaveAndLoadReproduceEveryStoredField) {
    CScratchDir dir;
    const std::string path = dir.File("Quorvane.cfg");
    const CConfig config = Sample();
    const CListFields defaults;
    for (const auto& field : CListFields::Fields()) {
        const CListFields& rec = config.m_lists[0];
        EXPECT_FALSE(field.number ? rec.*field.number == defaults.*field.number
                                  : field.text && rec.*field.text == defaults.*field.text)
            << field.key;
    }
    std::string error;
    CConfig viaJson;
    ASSERT_TRUE(CConfigJson::FromJson(nlohmann::json::parse(CConfigJson::ToJson(config).dump()),
                                      &viaJson, &error))
        << error;
    ASSERT_EQ(viaJson.m_lists.size(), 2u);
    EXPECT_TRUE(viaJson.m_lists[0] == config.m_lists[0]);
    ASSERT_TRUE(CConfigFile::Save(path, config, &error)) << error;

    CConfig back;
    back.m_lists.emplace_back();  // loading appends
    back.m_lists[0].m_strListName = "FIRST";
    ASSERT_EQ(CConfigFile::Load(path, back, &error), CConfigFile::LoadResult::Loaded) << error;
    ASSERT_EQ(back.m_lists.size(), 3u);
    EXPECT_EQ(back.m_lists[0].m_strListName, "FIRST");
    EXPECT_TRUE(back.m_lists[1] == config.m_lists[0]);
    EXPECT_TRUE(back.m_lists[2] == config.m_lists[1]);
    EXPECT_EQ(back.m_strHeaderLines, config.m_strHeaderLines);

    // A definition read as version 1 is written as 2.1.
    CConfig old;
    ASSERT_EQ(ReadBytes(Int(1) + Record(1, "OLD") + Str(""), old), CConfigFile::LoadResult::Loaded);
    ASSERT_TRUE(CConfigFile::Save(path, old, &error)) << error;
    EXPECT_EQ(CScratchDir::ReadFile(path).substr(4, 4), V(21));
}

TEST(CConfigFile, MissingFileLeavesTheConfigurationAlone) {
    CScratchDir dir;
    CConfig config;
    config.m_strHeaderLines = "kept";
    EXPECT_EQ(CConfigFile::Load(dir.File("none.cfg"), config, nullptr),
              CConfigFile::LoadResult::Missing);
    EXPECT_EQ(config.m_strHeaderLines, "kept");

    // A file that cannot be read (a FIFO must not stall the load) is named with the reason.
    const std::string fifo = dir.File("fifo.cfg");
    const std::string loop = dir.File("loop.cfg");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(symlink(loop.c_str(), loop.c_str()), 0);
    const std::pair<std::string, std::string> cases[] = {{fifo, "not a regular file"},
                                                         {loop, std::strerror(ELOOP)}};
    for (const auto& [path, reason] : cases) {
        std::string error;
        EXPECT_EQ(CConfigFile::Load(path, config, &error), CConfigFile::LoadResult::Damaged);
        EXPECT_NE(error.find(path), std::string::npos) << error;
        EXPECT_NE(error.find(reason), std::string::npos) << error;
        EXPECT_EQ(config.m_strHeaderLines, "kept");
    }
}

TEST(CConfigFile, FailedSaveKeepsTheOldFile) {
    CScratchDir dir;
    const std::string path = dir.File("Quorvane.cfg");
    CScratchDir::WriteFile(path, "\x00\x00\x00\x00\x03old"s);
    chmod(path.c_str(), 0640);
    std::string error;

    // A write that fails part-way: the file size limit stops it with EFBIG.
    {
        struct rlimit saved;
        getrlimit(RLIMIT_FSIZE, &saved);
        const struct rlimit small = {1000, saved.rlim_max};
        auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &small);
        const bool saved_ok = CConfigFile::Save(path, Sample(), &error);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);
        EXPECT_FALSE(saved_ok);
    }
    EXPECT_NE(error.find(path), std::string::npos) << error;
    EXPECT_NE(error.find("too large"), std::string::npos) << error;
    EXPECT_EQ(CScratchDir::ReadFile(path), "\x00\x00\x00\x00\x03old"s);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1)
        << "the temporary file is removed";

    // A directory that does not exist.
    EXPECT_FALSE(CConfigFile::Save(dir.File("no/such/Quorvane.cfg"), Sample(), &error));
    EXPECT_NE(error.find("no/such"), std::string::npos) << error;

    // A sink that fails.
    CFailingSink sink(10);
    EXPECT_FALSE(CConfigFile::Write(sink, Sample(), &error));
    EXPECT_EQ(error, "No space left on device (test)");

    // A save that works keeps the file's permissions; an empty configuration is five zero bytes.
    ASSERT_TRUE(CConfigFile::Save(path, CConfig{}, &error)) << error;
    EXPECT_EQ(CScratchDir::ReadFile(path), "\x00\x00\x00\x00\x00"s);
    CConfig empty;
    empty.m_strHeaderLines = "old";
    EXPECT_EQ(CConfigFile::Load(path, empty, &error), CConfigFile::LoadResult::Loaded);
    EXPECT_TRUE(empty.m_lists.empty());
    EXPECT_EQ(empty.m_strHeaderLines, "");
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    // A new file follows the umask.
    const mode_t mask = umask(077);
    const bool saved = CConfigFile::Save(dir.File("new.cfg"), CConfig{}, &error);
    umask(mask);
    ASSERT_TRUE(saved) << error;
    ASSERT_EQ(stat(dir.File("new.cfg").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(CConfigFile, DefaultPathIsBesideTheProgram) {
    const std::string exe = std::filesystem::read_symlink("/proc/self/exe").string();
    EXPECT_EQ(CConfigFile::DefaultPath(), exe.substr(0, exe.rfind('/') + 1) + "Quorvane.cfg");
}
