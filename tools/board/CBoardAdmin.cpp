#include "tools/board/CBoardAdmin.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "server/wcsrv/BoardSchema.h"
#include "server/wcsrv/CSqlDatabase.h"
#include "server/wcsrv/CSqlError.h"
#include "server/wcsrv/CSqlStatement.h"
#include "server/wcsrv/CSqlTransaction.h"
#include "server/wcsrv/CStoragePath.h"
#include "tools/board/CBoardError.h"
#include "tools/board/CBoardImport.h"
#include "tools/board/CBoardScan.h"
#include "tools/board/CBoardText.h"
#include "tools/board/CDemoBoard.h"
#include "tools/board/CIsoTime.h"

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

namespace {

bool Exists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
}

Json TimeOrNull(int64_t fileTime) {
    return fileTime == 0 ? Json(nullptr) : Json(CIsoTime::Format(fileTime));
}

std::string U(std::string_view cp1252) {
    return CBoardText::ToUtf8(std::string(cp1252));
}

}  // namespace

CBoardAdmin::CBoardAdmin(std::string boardDir) : m_dir(std::move(boardDir)) {
    while (m_dir.size() > 1 && m_dir.back() == '/') m_dir.pop_back();
}

std::unique_ptr<CSqlDatabase> CBoardAdmin::Open() const {
    std::string dbPath = m_dir + "/board.db";
    if (!Exists(dbPath))
        throw CBoardError("no board at " + m_dir + " (make one with: quorvane-board init " + m_dir +
                          ")");
    try {
        auto db = std::make_unique<CSqlDatabase>(dbPath, false);
        if (db->UserVersion() != BoardSchema::kVersion)
            throw CBoardError(dbPath + " is not a board database of this version");
        return db;
    } catch (const CSqlError& e) {
        throw CBoardError(std::string("cannot open the board: ") + e.what());
    }
}

std::unique_ptr<CSqlDatabase> CBoardAdmin::Create(const std::string& name,
                                                  const std::string& sysop) const {
    std::string dbPath = m_dir + "/board.db";
    if (Exists(dbPath))
        throw CBoardError("a board already exists at " + m_dir +
                          " (remove it first, or import into it)");
    std::string nameBytes = CBoardText::ToCp1252(name, "board name");
    std::string sysopBytes = CBoardText::ToCp1252(sysop, "sysop name");
    std::error_code ec;
    fs::create_directories(Storage(), ec);
    if (ec) throw CBoardError("cannot create the board directory " + m_dir + ": " + ec.message());
    try {
        auto db = std::make_unique<CSqlDatabase>(dbPath, true);
        CSqlTransaction txn(*db);
        db->Exec(BoardSchema::kCreateSql);
        db->Exec(("PRAGMA user_version = " + std::to_string(BoardSchema::kVersion)).c_str());
        CSqlStatement stmt(db->Handle(), "UPDATE settings SET name = ?1, sysop = ?2");
        stmt.Bind(1, nameBytes).Bind(2, sysopBytes).Step();
        stmt = CSqlStatement();
        txn.Commit();
        return db;
    } catch (const CSqlError& e) {
        fs::remove(dbPath, ec);
        throw CBoardError(std::string("cannot create the board: ") + e.what());
    }
}

void CBoardAdmin::Init(const std::string& name, const std::string& sysop) const {
    Create(name, sysop);
}

void CBoardAdmin::Import(const std::string& jsonText, const std::string& source) const {
    auto db = Open();
    try {
        CBoardImport(*db, source).Run(jsonText);
    } catch (const CSqlError& e) {
        throw CBoardError(source + ": cannot import: " + e.what());
    }
}

std::string CBoardAdmin::Export() const {
    auto db = Open();
    Json out;
    try {
        CSqlTransaction snapshot(*db);  // one consistent view of the board
        sqlite3* h = db->Handle();
        CSqlStatement s(h, "SELECT name, sysop, version, build FROM settings");
        Json settings = Json::object();
        if (s.Step())
            settings = {{"name", U(s.View(0))},
                        {"sysop", U(s.View(1))},
                        {"version", s.Int(2)},
                        {"build", s.Int(3)}};
        out["settings"] = settings;

        auto numbered = [&](const char* sql, const char* key) {
            Json list = Json::array();
            CSqlStatement st(h, sql);
            while (st.Step()) list.push_back({{"number", st.Int(0)}, {"name", U(st.View(1))}});
            out[key] = list;
        };
        numbered("SELECT number, name FROM conferences ORDER BY number", "conferences");
        Json areas = Json::array();
        CSqlStatement a(h, "SELECT number, name, ftp_dir FROM areas ORDER BY number");
        while (a.Step())
            areas.push_back(
                {{"number", a.Int(0)}, {"name", U(a.View(1))}, {"ftp_dir", U(a.View(2))}});
        out["areas"] = areas;
        numbered("SELECT number, name FROM languages ORDER BY number", "languages");
        Json users = Json::array();
        CSqlStatement u(h, "SELECT name FROM users ORDER BY id");
        while (u.Step()) users.push_back({{"name", U(u.View(0))}});
        out["users"] = users;

        Json files = Json::array();
        CSqlStatement f(h,
                        "SELECT area, name, long_name, description, long_desc, has_long_desc, "
                        "password, size, uploaded, last_download, free, failed_scan, downloads, "
                        "uploader FROM files ORDER BY area, name");
        while (f.Step()) {
            Json lines = Json::array();
            if (f.Int(5) != 0 || !f.View(4).empty()) {
                std::string joined(f.View(4));
                size_t start = 0;
                for (;;) {
                    size_t end = joined.find(BoardSchema::kLineSeparator, start);
                    lines.push_back(U(joined.substr(start, end - start)));
                    if (end == std::string::npos) break;
                    start = end + 1;
                }
            }
            files.push_back({{"area", f.Int(0)},
                             {"name", U(f.View(1))},
                             {"long_name", U(f.View(2))},
                             {"description", U(f.View(3))},
                             {"long_description", lines},
                             {"password", U(f.View(6))},
                             {"size", f.Int(7)},
                             {"uploaded", TimeOrNull(f.Int(8))},
                             {"last_download", TimeOrNull(f.Int(9))},
                             {"second_time", TimeOrNull(f.Int(9))},
                             {"free", f.Int(10) != 0},
                             {"failed_scan", f.Int(11) != 0},
                             {"downloads", f.Int(12)},
                             {"uploader", U(f.View(13))}});
        }
        out["files"] = files;

        Json messages = Json::array();
        CSqlStatement m(h,
                        "SELECT conference, sender, recipient, subject, length(body) FROM "
                        "messages ORDER BY id");
        while (m.Step())
            messages.push_back({{"conference", m.Int(0)},
                                {"from", U(m.View(1))},
                                {"to", U(m.View(2))},
                                {"subject", U(m.View(3))},
                                {"body_size", m.Int(4)}});
        out["messages"] = messages;
    } catch (const CSqlError& e) {
        throw CBoardError(std::string("cannot read the board: ") + e.what());
    }
    return out.dump(2) + "\n";
}

std::vector<std::pair<std::string, uint64_t>> CBoardAdmin::List(
    const std::string& serverDir) const {
    Open();
    std::string root = Storage();
    std::string dir = root;
    if (!serverDir.empty()) {
        try {
            dir = CStoragePath::ToLocal(root, serverDir, true);
        } catch (const CStoragePathError& e) {
            throw CBoardError(e.what());
        }
    }
    std::vector<std::pair<std::string, uint64_t>> result;
    std::error_code ec;
    if (!fs::exists(dir, ec)) {
        if (serverDir.empty()) return result;
        throw CBoardError("no server directory " + serverDir + " in the board at " + m_dir);
    }
    for (auto it = fs::recursive_directory_iterator(dir, ec); !ec && it != fs::end(it);
         it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        std::string name = it->path().filename().string();
        if (name.rfind(CStoragePath::kTempPrefix, 0) == 0) continue;  // a copy in progress
        std::string rel = fs::relative(it->path(), root, ec).string();
        result.emplace_back(CStoragePath::ToServer(rel), it->file_size(ec));
    }
    if (ec) throw CBoardError("cannot list " + dir + ": " + ec.message());
    std::sort(result.begin(), result.end());
    return result;
}

std::string CBoardAdmin::Cat(const std::string& serverPath) const {
    Open();
    std::string local;
    try {
        local = CStoragePath::ToLocal(Storage(), serverPath);
    } catch (const CStoragePathError& e) {
        throw CBoardError(e.what());
    }
    std::ifstream in(local, std::ios::binary);
    std::error_code ec;
    if (!in || !fs::is_regular_file(local, ec))
        throw CBoardError("no server file " + serverPath + " in the board at " + m_dir);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::string CBoardAdmin::Message(int64_t n) const {
    auto db = Open();
    try {
        CSqlStatement count(db->Handle(), "SELECT count(*) FROM messages");
        count.Step();
        int64_t total = count.Int(0);
        if (n < 0 || n >= total)
            throw CBoardError("the board at " + m_dir + " has no message " + std::to_string(n) +
                              " (it holds " + std::to_string(total) +
                              " messages, numbered from 0)");
        CSqlStatement m(db->Handle(), "SELECT body FROM messages ORDER BY id LIMIT 1 OFFSET ?1");
        m.Bind(1, n);
        if (!m.Step()) throw CBoardError("message " + std::to_string(n) + " vanished");
        return m.Text(0);
    } catch (const CSqlError& e) {
        throw CBoardError(std::string("cannot read the board: ") + e.what());
    }
}

void CBoardAdmin::Demo(const CDemoOptions& options) const {
    auto db = Create("Harbour Light BBS", "Morgan Reyes");
    try {
        CDemoBoard(*db, options).Fill();
    } catch (const CSqlError& e) {
        throw CBoardError(std::string("cannot fill the demo board: ") + e.what());
    }
}

CScanSummary CBoardAdmin::Scan(const CScanOptions& options, std::ostream& notes) const {
    auto db = Open();
    try {
        return CBoardScan(*db, options, notes).Run();
    } catch (const CSqlError& e) {
        throw CBoardError(std::string("cannot scan into the board: ") + e.what());
    }
}
