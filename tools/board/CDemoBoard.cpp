#include "tools/board/CDemoBoard.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <vector>

#include "server/wcsrv/CSqlDatabase.h"
#include "server/wcsrv/CSqlStatement.h"
#include "server/wcsrv/CSqlTransaction.h"
#include "tools/board/CIsoTime.h"

namespace {

// Text is Windows-1252: \xE9 = e acute, \xFC = u umlaut, \xEF = i diaeresis.
const char* const kAreas[] = {
    "Utilities",     "Communications",  "Games",           "Graphics & Paint", "Programming",
    "Windows 3.x",   "OS/2 Software",   "Internet Tools",  "Sound & Music",    "Text Files",
    "Business",      "Education",       "Anti-Virus",      "Amateur Radio",    "DOS Shells",
    "Archivers",     "Fonts",           "Desktop Publish", "Databases",        "Spreadsheets",
    "Hobbies",       "Science",         "Sysop Tools",     "BBS Door Games",   "GIF Images",
    "Windows 95",    "Linux Corner",    "Editors",         "Printer Drivers",  "Network Tools",
    "Home & Garden", "Caf\xE9 Chatter", "Astronomy",       "Genealogy",        "Flight Sims",
    "Religion",      "Humour",          "Health",          "Sports",           "News Letters"};
const char* const kStems[] = {
    "ARC",  "BAK",  "CALC", "DOOM", "EDIT", "FAX",  "GIF",  "HEX",  "INST", "JPEG", "KEYB", "LIST",
    "MODM", "NETW", "ORBI", "PKZ",  "QMOD", "RIPT", "SCAN", "TERM", "UNZ",  "VGA",  "WIN",  "XMOD",
    "YAHT", "ZMOD", "ANSI", "BBSL", "CDRO", "DISK", "EMUL", "FONT", "GAME", "HAMR", "ICON", "JOKE",
    "KERM", "LOGO", "MAIL", "NODE", "OFFL", "PAIN", "QWKR", "RAD",  "SOUN", "TETR", "UTIL", "VIRU"};
const char* const kAdjectives[] = {"Fast",   "Tiny",     "Complete", "Shareware", "Freeware",
                                   "Handy",  "Improved", "Classic",  "Powerful",  "Simple",
                                   "Latest", "Updated",  "Na\xEFve", "Colourful", "Portable"};
const char* const kNouns[] = {
    "file manager", "terminal program", "archive utility",   "text editor", "space shooter",
    "disk cache",   "screen saver",     "font collection",   "mail reader", "virus scanner",
    "door game",    "paint program",    "music tracker",     "QWK reader",  "modem tester",
    "BBS list",     "caf\351 menu kit", "\374ber-calculator"};
const char* const kPlatforms[] = {"DOS", "Windows", "OS/2", "any PC", "Windows 95", "DOS/4GW"};
const char* const kWords[] = {"Harbour", "Lighthouse", "Quantum", "Nebula",  "Turbo",  "Crystal",
                              "Phoenix", "Galaxy",     "Vortex",  "Stellar", "Pixel",  "Echo",
                              "Summit",  "Voyager",    "Matrix",  "Aurora",  "Cobalt", "Falcon"};
const char* const kSentences[] = {"Requires 640K of memory and a hard disk.",
                                  "Registered version removes the start-up nag screen.",
                                  "Includes full documentation and sample files.",
                                  "Tested under DOS 6.22, Windows 3.11 and OS/2 Warp.",
                                  "Supports ZMODEM, YMODEM and Kermit transfers.",
                                  "Unpack into its own directory and run INSTALL.",
                                  "Source code in Turbo Pascal is included.",
                                  "Fixes the date bug of the previous release.",
                                  "Works with Hayes compatible modems up to 28800 bps.",
                                  "Uploaded by the author; please report bugs to the sysop.",
                                  "Over 200 levels, digitised sound and VGA graphics.",
                                  "Czech, German and Fran\347ais translations included.",
                                  "Freeware for non-commercial use.",
                                  "Needs a 386 or better and VGA colour display."};
const char* const kUsers[] = {"Morgan Reyes",
                              "Dana Whitfield",
                              "Piet van Dijk",
                              "Ren\xE9"
                              " Dubois",
                              "Sam Okafor",
                              "Kim Lindqvist",
                              "Alex Moreau",
                              "Jo Brennan",
                              "Lee Castell",
                              "J\xFC"
                              "rgen Maier",
                              "Pat Ollivander",
                              "Chris Nakamura"};
const char* const kExts[] = {"ZIP", "ZIP", "ZIP", "ZIP", "ZIP", "ZIP", "EXE", "EXE",
                             "ARJ", "ARJ", "LZH", "TXT", "TXT", "GIF", "RAR", "ZIP"};

template <class T, size_t N>
constexpr size_t Count(const T (&)[N]) {
    return N;
}

constexpr int64_t kTwoYears = 2 * 365 * 86400;

}  // namespace

CDemoBoard::CDemoBoard(CSqlDatabase& db, const CDemoOptions& options)
    : m_db(db), m_options(options), m_rng(options.seed) {}

int64_t CDemoBoard::ReferenceUnixTime(uint64_t seed) {
    // 2026-01-01 00:00:00 UTC plus a seed-chosen day and second within that year.
    return 1767225600 + static_cast<int64_t>(seed % 365) * 86400 +
           static_cast<int64_t>((seed * 7919) % 86400);
}

void CDemoBoard::Fill() {
    sqlite3* h = m_db.Handle();
    // A new board is filled in one go: a rollback journal on a fresh file is cheaper than
    // writing every page twice through the WAL; the board goes back to WAL afterwards.
    m_db.Exec("PRAGMA journal_mode=DELETE");
    m_db.Exec("PRAGMA cache_size=-262144");
    CSqlTransaction txn(m_db);
    {
        CSqlStatement c(h, "INSERT INTO conferences VALUES (?1, ?2)");
        const char* conferences[] = {"Main Board", "Sysop", "Announcements", "File Talk"};
        for (int i = 0; i < 4; ++i) {
            c.Reset();
            c.Bind(1, i).Bind(2, conferences[i]).Step();
        }
        CSqlStatement l(h, "INSERT INTO languages VALUES (?1, ?2)");
        const char* languages[] = {"DEFAULT", "ENGLISH", "DEUTSCH"};
        for (int i = 0; i < 3; ++i) {
            l.Reset();
            l.Bind(1, i).Bind(2, languages[i]).Step();
        }
        CSqlStatement u(h, "INSERT INTO users (name) VALUES (?1)");
        for (const char* name : kUsers) {
            u.Reset();
            u.Bind(1, name).Step();
        }
    }
    uint32_t areaCount = std::max<uint32_t>(1, m_options.areas);
    std::vector<uint64_t> weights(areaCount);
    uint64_t weightSum = 0;
    CSqlStatement a(h, "INSERT INTO areas VALUES (?1, ?2, ?3)");
    for (uint32_t i = 0; i < areaCount; ++i) {
        std::string name = i < Count(kAreas) ? kAreas[i] : "Collection " + std::to_string(i + 1);
        std::string dir;
        for (char ch : name)
            if (std::isalnum(static_cast<unsigned char>(ch)))
                dir += static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        a.Reset();
        a.Bind(1, i + 1).Bind(2, name).Bind(3, dir).Step();
        weights[i] = 1 + Below(4);
        weightSum += weights[i];
    }

    int64_t reference = m_options.until != 0 ? m_options.until : ReferenceUnixTime(m_options.seed);
    CSqlStatement f(h,
                    "INSERT INTO files (area, name, description, password, size, uploaded, "
                    "last_download, free, failed_scan, downloads, uploader_id, uploader, "
                    "has_long_desc, long_name, long_desc) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, "
                    "?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15)");
    uint64_t placed = 0;
    uint64_t keyIndex = 0;
    for (uint32_t area = 0; area < areaCount; ++area) {
        uint64_t count = (area + 1 == areaCount) ? m_options.files - placed
                                                 : m_options.files * weights[area] / weightSum;
        placed += count;
        std::vector<std::string> names;
        names.reserve(count);
        for (uint64_t j = 0; j < count; ++j) names.push_back(FileName(static_cast<uint32_t>(j)));
        // Inserting in key order keeps the index build cheap and the rows in walk order.
        std::sort(names.begin(), names.end());
        for (const std::string& name : names) {
            std::string ext = name.substr(name.find('.') + 1);
            int64_t uploaded = reference - static_cast<int64_t>(Below(kTwoYears));
            uint32_t downloads =
                m_options.rising ? static_cast<uint32_t>(keyIndex + 1) : Downloads();
            int64_t lastDownload = 0;
            if (downloads > 0)
                lastDownload = uploaded + static_cast<int64_t>(
                                              Below(static_cast<uint64_t>(reference - uploaded)));
            size_t user = Below(Count(kUsers));
            bool longDesc = Chance(25);
            double logSize = 10.0 + static_cast<double>(Below(1000)) / 1000.0 * 14.0;
            f.Reset();
            f.Bind(1, area + 1)
                .Bind(2, name)
                .Bind(3, Description(ext))
                .Bind(4, Chance(3) ? std::string(Chance(50) ? "MEMBERS" : "SECRET") : "")
                .Bind(5, static_cast<int64_t>(std::exp2(logSize)))
                .Bind(6, CIsoTime::FromUnix(uploaded))
                .Bind(7, lastDownload ? CIsoTime::FromUnix(lastDownload) : 0)
                .Bind(8, int64_t{Chance(10)})
                .Bind(9, int64_t{Chance(1)})
                .Bind(10, downloads)
                .Bind(11, static_cast<int64_t>(user + 1))
                .Bind(12, kUsers[user])
                .Bind(13, int64_t{longDesc})
                .Bind(14, Chance(15) ? LongName(ext) : "")
                .Bind(15, longDesc ? LongDescription() : "");
            f.Step();
            ++keyIndex;
        }
    }
    txn.Commit();
    m_db.Exec("PRAGMA journal_mode=WAL");
}

std::string CDemoBoard::FileName(uint32_t index) {
    constexpr uint32_t kStemCount = Count(kStems);
    std::string stem = kStems[index % kStemCount];
    uint32_t counter = index / kStemCount;
    char rest[16];
    // Stems are letters and the counter starts with a digit, so names never collide; beyond
    // the room of a 4-letter stem the 3-letter start (distinct for every stem) takes 5 digits.
    size_t digits = 8 - stem.size();
    uint32_t room = digits == 4 ? 10000 : 100000;
    if (counter < room) {
        std::snprintf(rest, sizeof rest, "%0*u", counter < 100 ? 2 : static_cast<int>(digits),
                      counter);
    } else {
        stem.resize(3);
        std::snprintf(rest, sizeof rest, "%05u", counter % 100000);
    }
    return stem + rest + "." + kExts[Below(Count(kExts))];
}

std::string CDemoBoard::Description(const std::string& ext) {
    std::string text = std::string(kAdjectives[Below(Count(kAdjectives))]) + " " +
                       kNouns[Below(Count(kNouns))] + " for " +
                       kPlatforms[Below(Count(kPlatforms))];
    if (ext == "TXT") text = "Text: " + text;
    if (Chance(40)) text += ", v" + std::to_string(1 + Below(5)) + "." + std::to_string(Below(10));
    if (Chance(3)) {
        // Exactly the 76 bytes of the field, without a terminator.
        while (text.size() < 76) text += " - " + std::string(kWords[Below(Count(kWords))]);
        text.resize(76);
    }
    return text;
}

std::string CDemoBoard::LongName(const std::string& ext) {
    std::string name = std::string(kWords[Below(Count(kWords))]) + " " +
                       kWords[Below(Count(kWords))] + " " + std::to_string(1 + Below(9)) + "." +
                       std::to_string(Below(10)) + ".";
    for (char c : ext) name += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name;
}

std::string CDemoBoard::LongDescription() {
    uint64_t lines = 2 + Below(6);
    std::string joined;
    for (uint64_t i = 0; i < lines; ++i) {
        if (i > 0) joined += '\n';
        if (i == 2 && lines > 3 && Chance(30)) continue;  // an empty line between others
        joined += kSentences[Below(Count(kSentences))];
    }
    return joined;
}

uint32_t CDemoBoard::Downloads() {
    // Most files are fetched a few times, a handful very often.
    double u = static_cast<double>(Below(1000000)) / 1000000.0;
    return static_cast<uint32_t>(std::pow(u, 6.0) * 5000.0);
}
