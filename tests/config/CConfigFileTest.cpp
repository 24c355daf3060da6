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

#include "config/CArchiveReader.h"
#include "generate/CMemorySink.h"
#include "tests/support/CFailingSink.h"
#include "tests/support/CScratchDir.h"

using namespace std::string_literals;

namespace {

// Small builders for hand-made input files.
std::string Int(uint32_t v) {
    return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
            static_cast<char>(v >> 24)};
}
std::string Str(const std::string& s) {
    return static_cast<char>(s.size()) + s;
}  // < 255

const std::string kV1 = "\x00\x00\x80\x3F"s;
const std::string kV2 = "\x00\x00\x00\x40"s;
const std::string kV21 = "\x66\x66\x06\x40"s;

// Items 2 to 18 of a list definition, with values unlike the defaults.
std::string CommonItems(const std::string& name) {
    return Int(LIST_MESSAGE) + Int(SEL_POPULAR) + Str(name) + Int(4) + Str("desc") + Int(9) +
           Int(2) + Str("Me") + Str("You") + Str("Subj") + Str("ALL") + Int(LAYOUT_FULL) + Int(1) +
           Int(1) + Int(0) + Int(7) + Int(25);
}
// Items 19 to 35.
std::string HtmlItems() {
    return Str("/www") + Int(0) + Int(0) + Int(0) + Int(0) + Int(0) + Str("foot") + Str("head") +
           Str("title") + Str("#000000") + Str("bg.gif") + Str("ah") + Str("af") + Str("#1") +
           Str("#2") + Str("#3") + Str("#4");
}
// Items 40 to 49.
std::string TemplateItems() {
    return Str("entry") + Int(0) + Int(1) + Str("ih") + Str("if") + Int(0) + Int(0) +
           Int(LINK_FTP) + Str("ftp.example.org") + Int(0);
}
std::string ZipV1() {
    return Str("A.ZIP") + Str("sp") + Str("zip a") + Int(3) + Str("zd");
}

std::string RecordV1(const std::string& name) {
    return kV1 + CommonItems(name) + Int(1) + ZipV1() + Int(2) + Int(5) + Int(6);
}
std::string RecordV2(const std::string& version, const std::string& name) {
    return version + CommonItems(name) + HtmlItems() + Int(1) + ZipV1() + Int(1) + Int(8) +
           TemplateItems();
}
std::string RecordV21(const std::string& version, const std::string& name) {
    return version + CommonItems(name) + HtmlItems() + Int(1) + ZipV1() + Str("zc") + Int(1) +
           Int(1) + Int(8) + TemplateItems() + Str("style.css");
}

// The bytes of tests/config/data/`name`: two hex digits a byte, "quoted" text as it stands,
// '#' to the end of the line a comment.
std::string HexData(const std::string& name) {
    const std::string text = CScratchDir::ReadFile(std::string(std::getenv("QV_SOURCE_DIR")) +
                                                   "/tests/config/data/" + name);
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

// The list definition RecordV1 (version 1), RecordV2 (2) or RecordV21 (21) stores: every item
// an older record lacks stays at its default.
COutRec Expected(int version, const std::string& name) {
    COutRec r;
    r.m_fVersion = version == 1 ? 1.0f : version == 2 ? 2.0f : 2.1f;
    r.m_nListType = LIST_MESSAGE;
    r.m_nSelection = SEL_POPULAR;
    r.m_strListName = name;
    r.m_nFileArea = 4;
    r.m_strListDesc = "desc";
    r.m_nDays = 9;
    r.m_nConference = 2;
    r.m_strFrom = "Me";
    r.m_strTo = "You";
    r.m_strSubject = "Subj";
    r.m_strLanguage = "ALL";
    r.m_nLayout = LAYOUT_FULL;
    r.m_bPassworded = r.m_bScanFailed = 1;
    r.m_bFree = 0;
    r.m_nOptions = 7;
    r.m_nTopCount = 25;
    r.m_zipFiles = {{"zd", "A.ZIP", "sp", "zip a", 3, "", 0, 0.f}};
    r.m_areas = {5, 6};
    if (version == 1) return r;
    r.m_strHtmlDir = "/www";
    r.m_bDefFooter = r.m_bDefHeader = r.m_bDefTitle = r.m_bDefAreaHeader = r.m_bDefAreaFooter = 0;
    r.m_strFooter = "foot";
    r.m_strHeader = "head";
    r.m_strTitle = "title";
    r.m_strBgColour = "#000000";
    r.m_strBgImage = "bg.gif";
    r.m_strAreaHeader = "ah";
    r.m_strAreaFooter = "af";
    r.m_strALinkColour = "#1";
    r.m_strLinkColour = "#2";
    r.m_strTextColour = "#3";
    r.m_strVLinkColour = "#4";
    r.m_areas = {8};
    r.m_strEntryTemplate = "entry";
    r.m_bDefEntry = r.m_bDefIndexHeader = r.m_bDefIndexFooter = 0;
    r.m_bIndexed = 1;
    r.m_strIndexHeader = "ih";
    r.m_strIndexFooter = "if";
    r.m_nLinkKind = LINK_FTP;
    r.m_strServer = "ftp.example.org";
    r.m_bLocalLinks = 0;
    if (version == 2) return r;
    r.m_zipFiles[0].m_strZipComment = "zc";
    r.m_zipFiles[0].m_nZipFlags = 1;
    r.m_strStyleSheet = "style.css";
    return r;
}

// A definition that differs from the defaults in every stored field, with texts that are not
// ASCII, hold line breaks or cross the writer's buffer, and areas of every sign and size.
COutRec FullyChanged() {
    COutRec r = Expected(21, "ALLFILES.TXT");
    r.m_strListDesc = "All files \xE9";
    r.m_nListType = LIST_HTML;
    r.m_nSelection = SEL_DAYS;
    r.m_zipFiles.push_back({"", "ALL2.ZIP", "", "", 0, "", 0, 0.f});
    r.m_areas = {1, 2, -3, 1000000};
    r.m_nLayout = LAYOUT_SINGLE;
    r.m_nOptions = OPT_SKIPLIST | OPT_ASCII | 64;
    r.m_nLinkKind = LINK_HTTP;
    r.m_strFooter = "<P>footer</P>\r\n";
    r.m_strHeader = "<P>header</P>\n";
    r.m_strAreaHeader = "<H1>~AREANAME~</H1>";
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

TEST(CConfigFile, EmptyConfigurationIsFiveZeroBytes) {
    EXPECT_EQ(WriteBytes(CConfig{}), "\x00\x00\x00\x00\x00"s);
    CConfig config;
    config.m_strHeaderLines = "old";
    EXPECT_EQ(ReadBytes("\x00\x00\x00\x00\x00"s, config), CConfigFile::LoadResult::Loaded);
    EXPECT_TRUE(config.m_lists.empty());
    EXPECT_EQ(config.m_strHeaderLines, "");
}

// The bytes of a definition unlike the defaults in most items, worked out by hand: read and
// written again they come out the same (the reader is held to hand-made records below).
TEST(CConfigFile, OneListFileByteForByte) {
    const std::string expected = HexData("one-list.hex");
    CConfig config;
    ASSERT_EQ(ReadBytes(expected, config), CConfigFile::LoadResult::Loaded);
    ASSERT_EQ(config.m_lists.size(), 1u);
    EXPECT_EQ(config.m_lists[0].m_strServer, "files.example.org");
    EXPECT_EQ(config.m_strHeaderLines, "Line1\r\nLine2");
    EXPECT_EQ(WriteBytes(config), expected);
}

// Each format version after each other one: the scratch definition is reused, yet no record
// inherits an item from the one before.
TEST(CConfigFile, ReadsEachFormatVersion) {
    const std::pair<int, std::string> records[] = {{1, "A"}, {2, "B"},  {21, "C"},
                                                   {1, "D"}, {21, "E"}, {2, "F"}};
    std::string file = Int(6);
    for (const auto& [version, name] : records)
        file += version == 1   ? RecordV1(name)
                : version == 2 ? RecordV2(kV2, name)
                               : RecordV21(kV21, name);
    CConfig config;
    std::string error;
    ASSERT_EQ(ReadBytes(file + Str("hdr") + "trailing bytes", config, &error),
              CConfigFile::LoadResult::Loaded)
        << error;
    ASSERT_EQ(config.m_lists.size(), 6u);
    EXPECT_EQ(config.m_strHeaderLines, "hdr");
    for (size_t i = 0; i < 6; ++i)
        EXPECT_TRUE(
            config.m_lists[i].SameStoredFields(Expected(records[i].first, records[i].second)))
            << records[i].second;
    EXPECT_EQ(config.m_lists[0].m_zipFiles[0].m_fZipVersion, 1.0f);
    EXPECT_EQ(config.m_lists[2].m_zipFiles[0].m_fZipVersion, 2.1f);
}

TEST(CConfigFile, VersionFieldBoundaries) {
    // Bytes of single-precision values; the form is decided in double precision on them.
    struct Case {
        const char* what;
        std::string bytes;
        int form;  // 2 = version 2 form, 21 = version 2.1 form, 0 = refused
    } cases[] = {
        {"2.0", kV2, 2},
        {"2.005", "\xEC\x51\x00\x40"s, 2},
        {"1.99 (1.99000001 as a float)", "\x52\xB8\xFE\x3F"s, 2},
        {"2.01 (2.00999999)", "\xD7\xA3\x00\x40"s, 2},
        {"2.1", kV21, 21},
        {"2.11 (2.10999990)", "\x3D\x0A\x07\x40"s, 21},
        {"2.09 (2.08999991)", "\x8F\xC2\x05\x40"s, 0},
        {"1.989", "\x8D\x97\xFE\x3F"s, 0},
        {"1.5", "\x00\x00\xC0\x3F"s, 0},
        {"3.0", "\x00\x00\x40\x40"s, 0},
        {"0.0", "\x00\x00\x00\x00"s, 0},
        {"NaN", "\x00\x00\xC0\x7F"s, 0},
        {"infinity", "\x00\x00\x80\x7F"s, 0},
    };
    for (const Case& c : cases) {
        const std::string record = c.form == 21 ? RecordV21(c.bytes, "X") : RecordV2(c.bytes, "X");
        CConfig config;
        config.m_lists.emplace_back();
        std::string error;
        const auto result = ReadBytes(Int(2) + RecordV1("A") + record + Str(""), config, &error);
        if (c.form == 0) {
            EXPECT_EQ(result, CConfigFile::LoadResult::UnknownVersion) << c.what;
            EXPECT_EQ(config.m_lists.size(), 1u) << "nothing appended for " << c.what;
            EXPECT_NE(error.find("test.cfg"), std::string::npos) << error;
            EXPECT_NE(error.find("list definition 2 of 2"), std::string::npos) << error;
            continue;
        }
        ASSERT_EQ(result, CConfigFile::LoadResult::Loaded) << c.what << ": " << error;
        ASSERT_EQ(config.m_lists.size(), 3u) << c.what;
        COutRec expected = Expected(c.form, "X");
        expected.m_fVersion = config.m_lists[2].m_fVersion;
        EXPECT_TRUE(config.m_lists[2].SameStoredFields(expected)) << c.what;
    }
}

TEST(CConfigFile, AbsurdCountsAreDamageNotAllocations) {
    const std::string cases[] = {
        Int(0xFFFFFFFF) + Str(""),
        Int(1) + Str(""),
        // A version 1 record that announces 2^32-1 compressed files, or areas.
        Int(1) + kV1 + CommonItems("N") + Int(0xFFFFFFFF) + Int(0) + Str(""),
        Int(1) + kV1 + CommonItems("N") + Int(0) + Int(0x40000000) + Str(""),
        // A list name announcing 2 GB.
        Int(1) + kV1 + Int(0) + Int(0) + "\xFF\xFF\xFF\xFF\xFF\xFF\x7F"s + std::string(60, 'a'),
        "\x00\x00\x00"s,
        ""s,
    };
    for (const std::string& bytes : cases) {
        CConfig config;
        config.m_strHeaderLines = "unchanged";
        std::string error;
        EXPECT_EQ(ReadBytes(bytes, config, &error), CConfigFile::LoadResult::Damaged);
        EXPECT_TRUE(config.m_lists.empty());
        EXPECT_EQ(config.m_strHeaderLines, "unchanged");
        EXPECT_NE(error.find("test.cfg is damaged"), std::string::npos) << error;
    }
}

TEST(CConfigFile, CutAtEveryByteIsDamaged) {
    CScratchDir dir;
    const std::string path = dir.File("Quorvane.cfg");
    const std::string whole = WriteBytes(Sample());
    const std::string mixed = Int(2) + RecordV1("OLD") + RecordV2(kV2, "TWO") + Str("h");
    for (const std::string& full : {whole, mixed}) {
        for (size_t cut = 0; cut < full.size(); ++cut) {
            unlink(path.c_str());  // a new file each time: rewriting one in place is slow
            CScratchDir::WriteFile(path, full.substr(0, cut));
            CConfig config;
            config.m_lists.emplace_back();
            config.m_lists[0].m_strListName = "KEEP";
            std::string error;
            ASSERT_EQ(CConfigFile::Load(path, config, &error), CConfigFile::LoadResult::Damaged)
                << "cut at " << cut;
            ASSERT_EQ(config.m_lists.size(), 1u);
            EXPECT_EQ(config.m_lists[0].m_strListName, "KEEP");
            EXPECT_NE(error.find(path), std::string::npos);
        }
        CScratchDir::WriteFile(path, full);
        CConfig config;
        EXPECT_EQ(CConfigFile::Load(path, config, nullptr), CConfigFile::LoadResult::Loaded);
    }
}

TEST(CConfigFile, SaveAndLoadReproduceEveryStoredField) {
    CScratchDir dir;
    const std::string path = dir.File("Quorvane.cfg");
    const CConfig config = Sample();
    std::string error;
    ASSERT_TRUE(CConfigFile::Save(path, config, &error)) << error;

    CConfig back;
    back.m_lists.emplace_back();  // loading appends
    back.m_lists[0].m_strListName = "FIRST";
    ASSERT_EQ(CConfigFile::Load(path, back, &error), CConfigFile::LoadResult::Loaded) << error;
    ASSERT_EQ(back.m_lists.size(), 3u);
    EXPECT_EQ(back.m_lists[0].m_strListName, "FIRST");
    EXPECT_TRUE(back.m_lists[1].SameStoredFields(config.m_lists[0]));
    EXPECT_TRUE(back.m_lists[2].SameStoredFields(config.m_lists[1]));
    EXPECT_EQ(back.m_lists[2].m_strListName, "");
    EXPECT_TRUE(back.m_lists[2].m_areas.empty());
    EXPECT_EQ(back.m_strHeaderLines, config.m_strHeaderLines);

    // A definition read as version 1 is written as 2.1.
    CConfig old;
    ASSERT_EQ(ReadBytes(Int(1) + RecordV1("OLD") + Str(""), old), CConfigFile::LoadResult::Loaded);
    ASSERT_TRUE(CConfigFile::Save(path, old, &error)) << error;
    EXPECT_EQ(CScratchDir::ReadFile(path).substr(4, 4), kV21);
}

TEST(CConfigFile, MissingFileLeavesTheConfigurationAlone) {
    CScratchDir dir;
    CConfig config;
    config.m_strHeaderLines = "kept";
    EXPECT_EQ(CConfigFile::Load(dir.File("none.cfg"), config, nullptr),
              CConfigFile::LoadResult::Missing);
    EXPECT_EQ(config.m_strHeaderLines, "kept");

    // A file that is there but cannot be read is not an empty configuration: a directory,
    // a FIFO (which must not stall the load), a link to itself, and for anyone but root a
    // file without read permission. Each is named with the reason.
    const std::string fifo = dir.File("fifo.cfg");
    const std::string loop = dir.File("loop.cfg");
    const std::string locked = dir.File("locked.cfg");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(symlink(loop.c_str(), loop.c_str()), 0);
    CScratchDir::WriteFile(locked, "\x00\x00\x00\x00\x00"s);
    ASSERT_EQ(chmod(locked.c_str(), 0), 0);
    struct Case {
        std::string path;
        std::string reason;
    } cases[] = {{dir.Path(), "not a regular file"},
                 {fifo, "not a regular file"},
                 {loop, std::strerror(ELOOP)},
                 {locked, geteuid() == 0 ? "" : std::strerror(EACCES)}};
    for (const Case& c : cases) {
        if (c.reason.empty()) continue;  // root reads it all the same
        std::string error;
        EXPECT_EQ(CConfigFile::Load(c.path, config, &error), CConfigFile::LoadResult::Damaged);
        EXPECT_NE(error.find(c.path), std::string::npos) << error;
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
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
        struct rlimit small = saved;
        small.rlim_cur = 1000;
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
    size_t entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.Path()))
        ++entries;
    EXPECT_EQ(entries, 1u) << "the temporary file is removed";

    // A directory that does not exist.
    EXPECT_FALSE(CConfigFile::Save(dir.File("no/such/Quorvane.cfg"), Sample(), &error));
    EXPECT_NE(error.find("no/such"), std::string::npos) << error;

    // A sink that fails.
    CFailingSink sink(10);
    EXPECT_FALSE(CConfigFile::Write(sink, Sample(), &error));
    EXPECT_EQ(error, "No space left on device (test)");

    // A directory we may not write to (root may write anywhere, so only as another user).
    if (geteuid() != 0) {
        chmod(dir.Path().c_str(), 0555);
        EXPECT_FALSE(CConfigFile::Save(path, Sample(), &error));
        chmod(dir.Path().c_str(), 0755);
        EXPECT_EQ(CScratchDir::ReadFile(path), "\x00\x00\x00\x00\x03old"s);
    }

    // A save that works keeps the file's permissions.
    ASSERT_TRUE(CConfigFile::Save(path, CConfig{}, &error)) << error;
    EXPECT_EQ(CScratchDir::ReadFile(path), "\x00\x00\x00\x00\x00"s);
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
