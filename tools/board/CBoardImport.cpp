#include "tools/board/CBoardImport.h"

#include "config/CMessageText.h"
#include "server/WcServer.h"
#include "server/wcsrv/BoardSchema.h"
#include "server/wcsrv/CSqlDatabase.h"
#include "server/wcsrv/CSqlStatement.h"
#include "server/wcsrv/CSqlTransaction.h"
#include "tools/board/CBoardError.h"
#include "tools/board/CBoardText.h"
#include "tools/board/CIsoTime.h"

namespace {

// Room for text in the record buffers, less the terminator.
constexpr size_t kNameMax = sizeof(WcFileRecord::szName) - 1;
constexpr size_t kDescriptionMax = sizeof(WcFileRecord::szDescription);  // may fill the field
constexpr size_t kPasswordMax = sizeof(WcFileRecord::szPassword) - 1;
constexpr size_t kUploaderMax = sizeof(WcFileRecord::szUploader) - 1;
constexpr size_t kLongNameMax = sizeof(WcExtFileRecord::szLongName) - 1;
constexpr size_t kLineMax = WC_LONGDESC_WIDTH - 1;
constexpr int64_t kU32Max = 0xffffffffll;

std::string Item(const char* key, size_t i) {
    return std::string(key) + "[" + std::to_string(i) + "]";
}

}  // namespace

CBoardImport::CBoardImport(CSqlDatabase& db, std::string source)
    : m_db(db), m_source(std::move(source)) {}

void CBoardImport::Run(const std::string& jsonText) {
    Json doc;
    try {
        doc = Json::parse(jsonText);
    } catch (const Json::exception& e) {
        // Not only syntax errors: a number too large for any JSON number type is refused
        // by the parser with out_of_range.
        throw CBoardError(m_source + ": malformed JSON: " + CMessageText::ParserMessage(e.what()));
    }
    if (!doc.is_object()) Fail("the document", "must be a JSON object");
    CSqlTransaction txn(m_db);
    if (doc.contains("settings")) Settings(doc["settings"]);
    if (doc.contains("conferences")) Numbered(doc["conferences"], "conferences");
    if (doc.contains("areas")) Areas(doc["areas"]);
    if (doc.contains("languages")) Numbered(doc["languages"], "languages");
    if (doc.contains("users")) Users(doc["users"]);
    if (doc.contains("files")) Files(doc["files"]);
    // "messages" of an export carry no bodies; they are not imported.
    txn.Commit();
}

void CBoardImport::Settings(const Json& s) {
    if (!s.is_object()) Fail("settings", "must be an object");
    CSqlStatement stmt(m_db.Handle(),
                       "UPDATE settings SET name = coalesce(?1, name), sysop = coalesce(?2, "
                       "sysop), version = coalesce(?3, version), build = coalesce(?4, build)");
    if (s.contains("name"))
        stmt.Bind(1, Text(s, "name", "settings", sizeof(WcMakewild::szBbsName) - 1));
    if (s.contains("sysop"))
        stmt.Bind(2, Text(s, "sysop", "settings", sizeof(WcMakewild::szSysopName) - 1));
    if (s.contains("version")) stmt.Bind(3, Number(s, "version", "settings", 0, kU32Max));
    if (s.contains("build")) stmt.Bind(4, Number(s, "build", "settings", 0, kU32Max));
    stmt.Step();
}

void CBoardImport::Numbered(const Json& list, const char* key) {
    if (!list.is_array()) Fail(key, "must be an array");
    bool conference = std::string(key) == "conferences";
    CSqlStatement stmt(m_db.Handle(), conference
                                          ? "INSERT OR REPLACE INTO conferences VALUES (?1, ?2)"
                                          : "INSERT OR REPLACE INTO languages VALUES (?1, ?2)");
    size_t room = conference ? sizeof(WcConfDesc::szName) - 1 : sizeof(WcLanguage::szName) - 1;
    for (size_t i = 0; i < list.size(); ++i) {
        std::string where = Item(key, i);
        if (!list[i].is_object()) Fail(where, "must be an object");
        stmt.Reset();
        stmt.Bind(1, Number(list[i], "number", where, 0, 0x7fffffff))
            .Bind(2, Text(list[i], "name", where, room));
        stmt.Step();
    }
}

void CBoardImport::Areas(const Json& list) {
    if (!list.is_array()) Fail("areas", "must be an array");
    CSqlStatement stmt(m_db.Handle(), "INSERT OR REPLACE INTO areas VALUES (?1, ?2, ?3)");
    for (size_t i = 0; i < list.size(); ++i) {
        std::string where = Item("areas", i);
        if (!list[i].is_object()) Fail(where, "must be an object");
        stmt.Reset();
        stmt.Bind(1, Number(list[i], "number", where, 0, 0x7fffffff))
            .Bind(2, Text(list[i], "name", where, sizeof(WcFileArea::szName) - 1))
            .Bind(3, Text(list[i], "ftp_dir", where, sizeof(WcFileArea::szFtpDir) - 1));
        stmt.Step();
    }
}

void CBoardImport::Users(const Json& list) {
    if (!list.is_array()) Fail("users", "must be an array");
    CSqlStatement stmt(m_db.Handle(), "INSERT OR IGNORE INTO users (name) VALUES (?1)");
    for (size_t i = 0; i < list.size(); ++i) {
        std::string where = Item("users", i);
        if (!list[i].is_object()) Fail(where, "must be an object");
        std::string name = Text(list[i], "name", where, sizeof(WcUserRecord::szName) - 1);
        if (name.empty()) Fail(where, "has no name");
        stmt.Reset();
        stmt.Bind(1, name).Step();
    }
}

void CBoardImport::Files(const Json& list) {
    if (!list.is_array()) Fail("files", "must be an array");
    CSqlStatement area(m_db.Handle(), "SELECT 1 FROM areas WHERE number = ?1");
    CSqlStatement user(m_db.Handle(), "SELECT id FROM users WHERE name = ?1 COLLATE NOCASE");
    // Upsert on key 1 keeps the row (and so the position token) of a replaced record.
    CSqlStatement insert(
        m_db.Handle(),
        "INSERT INTO files (area, name, description, password, size, uploaded, last_download, "
        "free, failed_scan, downloads, uploader_id, uploader, has_long_desc, long_name, "
        "long_desc) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15) "
        "ON CONFLICT (area, name) DO UPDATE SET description = ?3, password = ?4, size = ?5, "
        "uploaded = ?6, last_download = ?7, free = ?8, failed_scan = ?9, downloads = ?10, "
        "uploader_id = ?11, uploader = ?12, has_long_desc = ?13, long_name = ?14, "
        "long_desc = ?15");
    for (size_t i = 0; i < list.size(); ++i) {
        const Json& f = list[i];
        std::string where = Item("files", i);
        if (!f.is_object()) Fail(where, "must be an object");
        std::string name = Text(f, "name", where, kNameMax);
        if (name.empty()) Fail(where, "has no name");
        where += " (" + CMessageText::Escape(f["name"].get<std::string>()) + ")";
        int64_t areaNo = Number(f, "area", where, 0, 0x7fffffff);
        area.Reset();
        area.Bind(1, areaNo);
        if (!area.Step())
            Fail(where, "is in area " + std::to_string(areaNo) +
                            ", which the board does not have (add it to \"areas\")");
        std::string uploader = Text(f, "uploader", where, kUploaderMax);
        int64_t uploaderId = 0;
        user.Reset();
        user.Bind(1, uploader);
        if (!uploader.empty() && user.Step()) uploaderId = user.Int(0);

        std::string joined;
        bool hasLongDesc = false;
        if (f.contains("long_description") && !f["long_description"].is_null()) {
            const Json& lines = f["long_description"];
            if (!lines.is_array() || lines.size() > WC_LONGDESC_LINES)
                Fail(where, "long_description must be an array of at most 15 lines");
            for (size_t l = 0; l < lines.size(); ++l) {
                std::string lineWhere = where + " long_description[" + std::to_string(l) + "]";
                if (!lines[l].is_string()) Fail(lineWhere, "must be text");
                std::string line =
                    CBoardText::ToCp1252(lines[l].get<std::string>(), m_source + ": " + lineWhere);
                if (line.size() > kLineMax)
                    Fail(lineWhere, "is longer than " + std::to_string(kLineMax) + " characters");
                if (line.find_first_of(std::string("\n\0", 2)) != std::string::npos)
                    Fail(lineWhere, "must not hold line breaks or NUL characters");
                if (l > 0) joined += BoardSchema::kLineSeparator;
                joined += line;
            }
            hasLongDesc = !lines.empty();
        }
        int64_t lastDownload = Time(f, "last_download", where);
        if (!f.contains("last_download") && f.contains("second_time"))
            lastDownload = Time(f, "second_time", where);

        insert.Reset();
        insert.Bind(1, areaNo)
            .Bind(2, name)
            .Bind(3, Text(f, "description", where, kDescriptionMax))
            .Bind(4, Text(f, "password", where, kPasswordMax))
            .Bind(5, Number(f, "size", where, 0, kU32Max))
            .Bind(6, Time(f, "uploaded", where))
            .Bind(7, lastDownload)
            .Bind(8, int64_t{Flag(f, "free", where)})
            .Bind(9, int64_t{Flag(f, "failed_scan", where)})
            .Bind(10, Number(f, "downloads", where, 0, kU32Max))
            .Bind(11, uploaderId)
            .Bind(12, uploader)
            .Bind(13, int64_t{hasLongDesc})
            .Bind(14, Text(f, "long_name", where, kLongNameMax))
            .Bind(15, joined);
        insert.Step();
    }
}

std::string CBoardImport::Text(const Json& obj, const char* key, const std::string& where,
                               size_t maxBytes) {
    if (!obj.contains(key) || obj[key].is_null()) return "";
    if (!obj[key].is_string()) Fail(where, std::string(key) + " must be text");
    std::string bytes =
        CBoardText::ToCp1252(obj[key].get<std::string>(), m_source + ": " + where + " " + key);
    if (bytes.size() > maxBytes)
        Fail(where,
             std::string(key) + " is longer than " + std::to_string(maxBytes) + " characters");
    if (bytes.find('\0') != std::string::npos)
        Fail(where, std::string(key) + " must not hold NUL characters");
    return bytes;
}

int64_t CBoardImport::Number(const Json& obj, const char* key, const std::string& where,
                             int64_t min, int64_t max, int64_t def) {
    if (!obj.contains(key) || obj[key].is_null()) return def;
    const Json& v = obj[key];
    if (!v.is_number_integer()) Fail(where, std::string(key) + " must be a whole number");
    if (v.is_number_unsigned() ? v.get<uint64_t>() > static_cast<uint64_t>(max)
                               : (v.get<int64_t>() < min || v.get<int64_t>() > max))
        Fail(where, std::string(key) + " must be between " + std::to_string(min) + " and " +
                        std::to_string(max));
    return v.get<int64_t>();
}

bool CBoardImport::Flag(const Json& obj, const char* key, const std::string& where) {
    if (!obj.contains(key) || obj[key].is_null()) return false;
    if (!obj[key].is_boolean()) Fail(where, std::string(key) + " must be true or false");
    return obj[key].get<bool>();
}

int64_t CBoardImport::Time(const Json& obj, const char* key, const std::string& where) {
    if (!obj.contains(key) || obj[key].is_null()) return 0;
    if (!obj[key].is_string()) Fail(where, std::string(key) + " must be an ISO 8601 time or null");
    return CIsoTime::Parse(obj[key].get<std::string>(), m_source + ": " + where + " " + key);
}

void CBoardImport::Fail(const std::string& where, const std::string& problem) const {
    throw CBoardError(m_source + ": " + where + " " + problem);
}
