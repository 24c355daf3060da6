#include "tools/board/CBoardAdmin.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <system_error>

#include "server/wcsrv/BoardSchema.h"
#include "server/wcsrv/CSqlDatabase.h"
#include "server/wcsrv/CSqlError.h"
#include "server/wcsrv/CSqlStatement.h"
#include "server/wcsrv/CSqlTransaction.h"
#include "server/wcsrv/CStorageDir.h"
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

// Runs `body` on the board's storage/, its refusals and failures turned into CBoardError;
// `missing` says that the server path names nothing.
template <class F>
auto InStorage(F&& body, const std::string& missing, const std::string& doing) {
    try {
        return body();
    } catch (const CStoragePathError& e) {
        throw CBoardError(e.what());
    } catch (const std::system_error& e) {
        if (e.code() == std::errc::no_such_file_or_directory) throw CBoardError(missing);
        throw CBoardError(doing + ": " + e.what());
    }
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
        db->UseWal();
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
        db->UseWal();
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
    std::vector<std::pair<std::string, uint64_t>> result;
    if (serverDir.empty() && !Exists(Storage())) return result;
    InStorage(
        [&] {
            std::vector<std::string> parts;
            if (!serverDir.empty()) parts = CStoragePath::Parts(serverDir, true);
            std::string prefix;
            for (const std::string& p : parts) prefix += p + "/";
            CStorageDir(Storage(), parts, false).List([&](const std::string& rel, uint64_t size) {
                result.emplace_back(CStoragePath::ToServer(prefix + rel), size);
            });
        },
        "no server directory " + serverDir + " in the board at " + m_dir, "cannot list");
    std::sort(result.begin(), result.end());
    return result;
}

std::string CBoardAdmin::Cat(const std::string& serverPath) const {
    Open();
    return InStorage([&] { return CStorageDir::ReadFile(Storage(), serverPath); },
                     "no server file " + serverPath + " in the board at " + m_dir, "cannot read");
}

bool CBoardAdmin::Check(std::string* report) const {
    auto db = Open();
    std::vector<std::string> problems;
    int64_t files = 0;
    try {
        CSqlStatement integrity(db->Handle(), "PRAGMA integrity_check(20)");
        while (integrity.Step()) {
            std::string found(integrity.View(0));
            std::replace(found.begin(), found.end(), '\n', ' ');  // one finding, one line
            if (found != "ok") problems.push_back("SQLite's integrity check: " + found);
        }
    } catch (const CSqlError& e) {
        problems.push_back(std::string("SQLite's integrity check failed: ") + e.what());
    }
    try {
        CSqlStatement orphans(db->Handle(),
                              "SELECT area, count(*) FROM files WHERE area NOT IN "
                              "(SELECT number FROM areas) GROUP BY area ORDER BY area");
        while (orphans.Step())
            problems.push_back(std::to_string(orphans.Int(1)) + " file record(s) in area " +
                               std::to_string(orphans.Int(0)) + ", which the board does not have");
        CSqlStatement count(db->Handle(), "SELECT count(*) FROM files");
        if (count.Step()) files = count.Int(0);
    } catch (const CSqlError& e) {
        problems.push_back(std::string("cannot read the file records: ") + e.what());
    }
    try {
        if (Exists(Storage()))
            for (const std::string& rel :
                 CStorageDir(Storage(), {}, false).DeadStaging(true, false))
                problems.push_back("a staging file of a run that no longer runs: storage/" + rel +
                                   " (the next run writing there removes it)");
    } catch (const std::exception& e) {
        problems.push_back(std::string("cannot look through storage/: ") + e.what());
    }
    report->clear();
    for (const std::string& p : problems) *report += m_dir + ": " + p + "\n";
    if (problems.empty())
        *report = m_dir + ": no damage found (" + std::to_string(files) + " file records)\n";
    else
        *report += m_dir + ": " + std::to_string(problems.size()) +
                   " problem(s) found; restore board.db from a backup, or export what can be "
                   "read and import it into a new board\n";
    return problems.empty();
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
