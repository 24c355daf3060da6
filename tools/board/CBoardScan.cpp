#include "tools/board/CBoardScan.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sqlite3.h>
#include <strings.h>
#include <zlib.h>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <set>
#include <unordered_map>

#include "config/CCodePage.h"
#include "server/WcServer.h"
#include "server/wcsrv/BoardSchema.h"
#include "server/wcsrv/CSqlDatabase.h"
#include "server/wcsrv/CSqlStatement.h"
#include "server/wcsrv/CSqlTransaction.h"
#include "tools/board/CBoardError.h"
#include "tools/board/CBoardText.h"
#include "tools/board/CIsoTime.h"
#include "tools/board/CShortNames.h"
#include "tools/board/CWebRoot.h"
#include "tools/board/CZipDiz.h"

namespace {

constexpr size_t kAreaNameMax = sizeof(WcFileArea::szName) - 1;
constexpr size_t kFtpDirMax = sizeof(WcFileArea::szFtpDir) - 1;
constexpr size_t kLongNameMax = sizeof(WcExtFileRecord::szLongName) - 1;
constexpr size_t kUploaderMax = sizeof(WcFileRecord::szUploader) - 1;
constexpr int64_t kSizeMax = 0xffffffffll;
constexpr off_t kListMax = 16 << 20;  // a "FILES.BBS" larger than this is not a list

// Closes a descriptor at the end of a scope.
class CFd {
public:
    explicit CFd(int fd) : m_fd(fd) {}
    ~CFd() {
        if (m_fd >= 0) close(m_fd);
    }
    CFd(const CFd&) = delete;
    CFd& operator=(const CFd&) = delete;
    int Get() const { return m_fd; }

private:
    int m_fd;
};

// The entries of an open folder, sorted by name bytes; false when it cannot be read.
bool ReadNames(int dirFd, std::vector<std::string>* names) {
    int fd = dup(dirFd);
    DIR* d = fd < 0 ? nullptr : fdopendir(fd);
    if (!d) {
        if (fd >= 0) close(fd);
        return false;
    }
    errno = 0;
    while (const dirent* e = readdir(d)) {
        std::string_view n = e->d_name;
        if (n != "." && n != "..") names->emplace_back(n);
    }
    const bool ok = errno == 0;
    closedir(d);
    std::sort(names->begin(), names->end());
    return ok;
}

// File names on disk are UTF-8; the board holds Windows-1252 and no control characters.
bool NameToCp1252(const std::string& raw, std::string* out) {
    bool ascii = true;
    for (char c : raw) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F) return false;
        ascii = ascii && b < 0x80;
    }
    if (!ascii) return CCodePage::FromUtf8(raw, out);
    *out = raw;  // the same bytes in both, without a converter per file
    return true;
}

// Read permission from the mode bits we already have: a second path look-up per file
// (access) would cost as much as the walk itself. Access control lists are not consulted.
bool Readable(const struct stat& st) {
    static const uid_t uid = geteuid();
    static const std::vector<gid_t> groups = [] {
        std::vector<gid_t> g(static_cast<size_t>(std::max(getgroups(0, nullptr), 0)) + 1);
        g.resize(
            static_cast<size_t>(std::max(getgroups(static_cast<int>(g.size() - 1), g.data()), 0)));
        g.push_back(getegid());
        return g;
    }();
    if (uid == 0) return true;
    if (st.st_uid == uid) return st.st_mode & S_IRUSR;
    if (std::find(groups.begin(), groups.end(), st.st_gid) != groups.end())
        return st.st_mode & S_IRGRP;
    return st.st_mode & S_IROTH;
}

std::string Errno() {
    return std::strerror(errno);
}

// Ties a remembered archive to the description the record still holds, so that a record
// edited since (by an import) is read from its archive again.
int64_t DescriptionSum(std::string_view text, std::string_view longDesc) {
    uLong sum = crc32(0L, Z_NULL, 0);
    sum = crc32(sum, reinterpret_cast<const Bytef*>(text.data()), static_cast<uInt>(text.size()));
    sum = crc32(sum, reinterpret_cast<const Bytef*>("\0"), 1);
    return static_cast<int64_t>(crc32(sum, reinterpret_cast<const Bytef*>(longDesc.data()),
                                      static_cast<uInt>(longDesc.size())));
}

}  // namespace

CBoardScan::CBoardScan(CSqlDatabase& db, const CScanOptions& options, std::ostream& notes)
    : m_db(db), m_options(options), m_notes(notes) {}

CScanSummary CBoardScan::Run() {
    char* real = realpath(m_options.dir.c_str(), nullptr);
    struct stat st {};
    if (!real || stat(real, &st) != 0 || !S_ISDIR(st.st_mode)) {
        std::string why = real ? "not a folder" : Errno();
        std::free(real);
        throw CBoardError("cannot scan " + m_options.dir + ": " + why +
                          " (give the folder that holds one folder per file area)");
    }
    m_root = real;
    std::free(real);
    m_uploader = CBoardText::ToCp1252(m_options.uploader, "--uploader");
    if (m_uploader.size() > kUploaderMax)
        throw CBoardError("--uploader is longer than " + std::to_string(kUploaderMax) +
                          " characters");

    CSqlTransaction txn(m_db);
    if (!m_uploader.empty()) {
        CSqlStatement user(m_db.Handle(), "SELECT id FROM users WHERE name = ?1 COLLATE NOCASE");
        user.Bind(1, m_uploader);
        if (user.Step()) m_uploaderId = user.Int(0);
    }
    Prepare();
    CWebRoot web(m_options.webRoot);
    const bool linking = !m_options.dryRun && !m_options.webRoot.empty();
    for (const Area& area : PlanAreas()) {
        std::vector<Found> files;
        if (!ScanArea(area, &files) || !linking) continue;
        std::vector<std::pair<std::string, std::string>> links;
        links.reserve(files.size());
        for (const Found& f : files)
            links.emplace_back(f.diskName, f.linked ? f.path : area.path + "/" + f.diskName);
        web.Stage(area.number, links);
    }
    if (m_options.dryRun) return m_summary;
    txn.Commit();
    web.Publish();
    return m_summary;
}

void CBoardScan::Prepare() {
    // Each record is read or written once, in area order: a page cache of a fixed size keeps
    // the scan's memory the same whatever the tree's size.
    m_db.Exec("PRAGMA cache_size = -512");
    // Records whose description came from their own archive, with the archive's size and
    // status-change time then: an archive unchanged since need not be opened again. Kept
    // beside the board's tables, which it does not change.
    m_db.Exec(
        "CREATE TABLE IF NOT EXISTS scan_archives (id INTEGER PRIMARY KEY, size INTEGER NOT "
        "NULL, changed INTEGER NOT NULL, cut INTEGER NOT NULL, sum INTEGER NOT NULL)");
    sqlite3* h = m_db.Handle();
    m_read = CSqlStatement(h,
                           "SELECT f.id, f.name, f.long_name, f.description, f.long_desc, f.size, "
                           "f.uploaded, a.changed, a.cut, a.sum, a.size FROM files f LEFT JOIN "
                           "scan_archives a ON a.id = f.id WHERE f.area = ?1");
    m_insert = CSqlStatement(
        h,
        "INSERT INTO files (area, name, description, size, uploaded, downloads, uploader_id, "
        "uploader, has_long_desc, long_name, long_desc) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, "
        "?9, ?10, ?11)");
    m_update = CSqlStatement(h,
                             "UPDATE files SET description = ?2, size = ?3, uploaded = ?4, "
                             "has_long_desc = ?5, long_name = ?6, long_desc = ?7 WHERE id = ?1");
    m_remove = CSqlStatement(h, "DELETE FROM files WHERE id = ?1");
    m_keepArchive =
        CSqlStatement(h, "INSERT OR REPLACE INTO scan_archives VALUES (?1, ?2, ?3, ?4, ?5)");
    m_dropArchive = CSqlStatement(h, "DELETE FROM scan_archives WHERE id = ?1");
}

std::map<std::string, CBoardScan::Area> CBoardScan::ReadAreasMap() const {
    std::map<std::string, Area> byDir;
    const std::string& path = m_options.areasMap;
    if (path.empty()) return byDir;
    std::ifstream in(path, std::ios::binary);
    if (!in) throw CBoardError("cannot read the areas map " + path + " (check the file name)");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto fail = [&](const std::string& problem) -> void {
        throw CBoardError(path + ": " + problem +
                          " (expected [{\"number\": 3, \"name\": \"Utilities\", \"dir\": "
                          "\"utils\"}, ...])");
    };
    nlohmann::json doc = nlohmann::json::parse(text, nullptr, false);
    if (!doc.is_array()) fail("not a JSON array");
    std::set<int64_t> numbers;
    for (const auto& e : doc) {
        if (!e.is_object() || !e.contains("number") || !e["number"].is_number_integer() ||
            !e.contains("dir") || !e["dir"].is_string() ||
            (e.contains("name") && !e["name"].is_string()))
            fail("each area needs a whole \"number\", a \"dir\" and a text \"name\"");
        const int64_t number = e["number"].get<int64_t>();
        const std::string dir = e["dir"].get<std::string>();
        if (number < 0 || number > 0x7fffffff) fail("area number out of range");
        if (dir.empty() || dir == "." || dir == ".." || dir.find('/') != std::string::npos)
            fail("\"" + dir + "\" is not the name of a folder directly in the tree");
        if (!numbers.insert(number).second || byDir.count(dir))
            fail("area " + std::to_string(number) + " or folder \"" + dir + "\" given twice");
        Area& a = byDir[dir];
        a.number = number;
        a.name = CBoardText::ToCp1252(e.value("name", dir), path + ": area name");
        if (a.name.size() > kAreaNameMax)
            fail("area name \"" + e.value("name", dir) + "\" is longer than " +
                 std::to_string(kAreaNameMax) + " characters");
    }
    return byDir;
}

std::vector<CBoardScan::Area> CBoardScan::PlanAreas() {
    std::map<std::string, Area> fixed = ReadAreasMap();
    std::set<int64_t> claimed;
    int64_t next = 1;
    for (const auto& [dir, a] : fixed) {
        claimed.insert(a.number);
        next = std::max(next, a.number + 1);
    }
    // The board's areas by folder: a later scan keeps the numbers it gave.
    std::map<std::string, Area> known;
    CSqlStatement stmt(m_db.Handle(), "SELECT number, name, ftp_dir FROM areas ORDER BY number");
    while (stmt.Step()) {
        Area a;
        a.number = stmt.Int(0);
        a.name = stmt.Text(1);
        known.try_emplace(stmt.Text(2), a);
        next = std::max(next, a.number + 1);
    }

    CFd rootFd(open(m_root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    std::vector<std::string> names;
    if (rootFd.Get() < 0 || !ReadNames(rootFd.Get(), &names))
        throw CBoardError("cannot read the folder " + m_root + ": " + Errno());
    std::vector<Area> areas;
    for (const std::string& name : names) {
        std::string path = m_root + "/" + name;
        struct stat st {};
        if (name[0] == '.') {
            ++m_summary.ignored;
            continue;
        }
        if (fstatat(rootFd.Get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            Skip(path, Errno());
            continue;
        }
        std::string real = path;
        if (S_ISLNK(st.st_mode)) {
            real = Resolve(path);
            if (real.empty()) continue;
            if (stat(real.c_str(), &st) != 0) {
                Skip(path, Errno());
                continue;
            }
        }
        if (!S_ISDIR(st.st_mode)) {
            ++m_summary.ignored;  // a file directly in the tree belongs to no area
            continue;
        }
        Area a;
        if (!NameToCp1252(name, &a.ftpDir)) {
            Skip(path, "the folder's name cannot be written in Windows-1252 (rename it)");
            continue;
        }
        if (a.ftpDir.size() > kFtpDirMax) {
            Skip(path, "the folder's name is longer than " + std::to_string(kFtpDirMax) +
                           " characters, more than an area's FTP directory can hold");
            continue;
        }
        a.path = real;
        auto old = known.find(a.ftpDir);
        if (auto f = fixed.find(name); f != fixed.end()) {
            a.number = f->second.number;
            a.name = f->second.name;
            a.known =
                old != known.end() && old->second.number == a.number && old->second.name == a.name;
            fixed.erase(f);
        } else if (old != known.end() && !claimed.count(old->second.number)) {
            a.number = old->second.number;
            a.name = old->second.name;
            a.known = true;
        } else {
            a.number = next++;
            a.name = a.ftpDir.substr(0, kAreaNameMax);
            if (a.ftpDir.size() > kAreaNameMax) ++m_summary.cut;
        }
        claimed.insert(a.number);
        areas.push_back(std::move(a));
    }
    if (!fixed.empty())
        throw CBoardError(m_options.areasMap + ": the folder \"" + fixed.begin()->first +
                          "\" is not in " + m_options.dir);
    return areas;
}

bool CBoardScan::ScanArea(const Area& area, std::vector<Found>* found) {
    std::vector<Found>& files = *found;
    CScanText::ByName bbs, ion;
    CFd dirFd(open(area.path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!ListArea(area, dirFd.Get(), &files, &bbs, &ion)) return false;
    sqlite3* h = m_db.Handle();
    if (!area.known) {
        CSqlStatement put(h,
                          "INSERT INTO areas VALUES (?1, ?2, ?3) ON CONFLICT (number) DO UPDATE "
                          "SET name = ?2, ftp_dir = ?3");
        put.Bind(1, area.number).Bind(2, area.name).Bind(3, area.ftpDir).Step();
    }
    ++m_summary.areas;

    struct Old {
        int64_t id;
        std::string shortName, longName, description, longDesc;
        int64_t size, uploaded;
        bool remembered;         // has a row in scan_archives
        int64_t archiveChanged;  // -1 = the description is not the one its archive gave
        bool archiveCut;
        bool seen = false;
    };
    std::unordered_map<std::string, Old> old;  // by the name on disk
    CShortNames shortNames;
    m_read.Reset();
    m_read.Bind(1, area.number);
    while (m_read.Step()) {
        Old o{m_read.Int(0),  m_read.Text(1),    m_read.Text(2),
              m_read.Text(3), m_read.Text(4),    m_read.Int(5),
              m_read.Int(6),  !m_read.IsNull(7), -1,
              false};
        if (o.remembered && m_read.Int(10) == o.size &&
            m_read.Int(9) == DescriptionSum(o.description, o.longDesc)) {
            o.archiveChanged = m_read.Int(7);
            o.archiveCut = m_read.Int(8) != 0;
        }
        shortNames.Take(o.shortName);
        std::string key = o.longName.empty() ? o.shortName : o.longName;
        old.emplace(std::move(key), std::move(o));
    }
    m_read.Reset();
    // Records keep their short names; new valid 8.3 names go before the made-up ones, so
    // that "FOO.ZIP" is never pushed to "FOO~1.ZIP" by "foo.zip".
    for (int pass = 0; pass < 2; ++pass) {
        for (Found& f : files) {
            if (!f.shortName.empty()) continue;
            auto o = old.find(f.name);  // already cut to the key's size
            if (o != old.end())
                f.shortName = o->second.shortName;
            else if (pass == 1 || CShortNames::IsValid83(f.name))
                f.shortName = shortNames.Assign(f.name);
        }
    }

    std::string joined;
    for (Found& f : files) {
        auto o = old.find(f.name);
        Old* r = o == old.end() ? nullptr : &o->second;
        if (r) r->seen = true;
        const std::string longName = f.shortName == f.name ? "" : f.name;
        Source source = Source::None;
        if (const CScanDescription* listed = Listed(f, bbs, ion)) {
            f.desc = *listed;
            source = Source::List;
        } else if (IsArchive(f.name)) {
            // An archive unchanged since its description was taken from it says the same.
            if (r && r->archiveChanged == f.changed && r->size == f.size &&
                r->uploaded == f.uploaded && r->longName == longName) {
                if (f.cut || r->archiveCut) ++m_summary.cut;
                continue;
            }
            if (ReadArchive(&f, dirFd.Get())) source = Source::Archive;
        }
        if (f.cut || f.desc.cut) ++m_summary.cut;
        joined.clear();
        for (size_t i = 0; i < f.desc.lines.size(); ++i) {
            if (i) joined += BoardSchema::kLineSeparator;
            joined += f.desc.lines[i];
        }
        const int64_t hasLong = f.desc.lines.empty() ? 0 : 1;
        int64_t id = 0;
        if (r) {
            id = r->id;
            if (r->size != f.size || r->uploaded != f.uploaded || r->description != f.desc.text ||
                r->longDesc != joined || r->longName != longName) {
                m_update.Reset();
                m_update.Bind(1, r->id)
                    .Bind(2, f.desc.text)
                    .Bind(3, f.size)
                    .Bind(4, f.uploaded)
                    .Bind(5, hasLong)
                    .Bind(6, longName)
                    .Bind(7, joined)
                    .Step();
                ++m_summary.updated;
            }
        } else {
            m_insert.Reset();
            m_insert.Bind(1, area.number)
                .Bind(2, f.shortName)
                .Bind(3, f.desc.text)
                .Bind(4, f.size)
                .Bind(5, f.uploaded)
                .Bind(6, std::max<int64_t>(f.desc.downloads, 0))
                .Bind(7, m_uploaderId)
                .Bind(8, m_uploader)
                .Bind(9, hasLong)
                .Bind(10, longName)
                .Bind(11, joined)
                .Step();
            id = sqlite3_last_insert_rowid(h);
            ++m_summary.added;
        }
        if (source == Source::Archive) {
            m_keepArchive.Reset();
            m_keepArchive.Bind(1, id)
                .Bind(2, f.size)
                .Bind(3, f.changed)
                .Bind(4, f.desc.cut ? 1 : 0)
                .Bind(5, DescriptionSum(f.desc.text, joined))
                .Step();
        } else if (r && r->remembered) {
            m_dropArchive.Reset();
            m_dropArchive.Bind(1, id).Step();
        }
    }
    if (m_options.removeMissing) {
        for (const auto& [name, r] : old) {
            if (r.seen) continue;
            m_remove.Reset();
            m_remove.Bind(1, r.id).Step();
            if (r.remembered) {
                m_dropArchive.Reset();
                m_dropArchive.Bind(1, r.id).Step();
            }
            ++m_summary.removed;
        }
    }
    return true;
}

bool CBoardScan::ListArea(const Area& area, int dirFd, std::vector<Found>* files,
                          CScanText::ByName* bbs, CScanText::ByName* ion) {
    std::vector<std::string> names;
    if (dirFd < 0 || !ReadNames(dirFd, &names)) {
        Skip(area.path, Errno() + "; the area's records are left as they are");
        return false;
    }
    for (const std::string& name : names) {
        // Built only where needed: most files never need their whole path.
        auto path = [&] { return area.path + "/" + name; };
        if (name[0] == '.') {
            ++m_summary.ignored;
            continue;
        }
        if (strcasecmp(name.c_str(), "FILES.BBS") == 0) {
            *bbs = CScanText::ParseFilesBbs(ReadList(dirFd, path(), name.c_str()));
            continue;
        }
        if (strcasecmp(name.c_str(), "DESCRIPT.ION") == 0) {
            *ion = CScanText::ParseDescriptIon(ReadList(dirFd, path(), name.c_str()));
            continue;
        }
        struct stat st {};
        if (fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            Skip(path(), Errno());
            continue;
        }
        std::string real;  // only for a link: the file it reaches
        if (S_ISLNK(st.st_mode)) {
            real = Resolve(path());
            if (real.empty()) continue;
            if (stat(real.c_str(), &st) != 0) {
                Skip(path(), Errno());
                continue;
            }
        }
        if (S_ISDIR(st.st_mode)) {
            ++m_summary.ignored;  // deeper folders are not part of an area
            continue;
        }
        if (!S_ISREG(st.st_mode)) {
            Skip(path(), "not a regular file (a pipe, socket or device)");
            continue;
        }
        if (!Readable(st)) {
            Skip(path(), "cannot be read (permission denied)");
            continue;
        }
        if (st.st_size > kSizeMax) {
            Skip(path(), "larger than 4 GiB, more than a file record can hold");
            continue;
        }
        Found f;
        if (!NameToCp1252(name, &f.name)) {
            Skip(path(), "the name cannot be written in Windows-1252 (rename the file)");
            continue;
        }
        if (f.name.size() > kLongNameMax) {  // the long-name field's size, and so the key's
            f.name.resize(kLongNameMax);
            f.cut = true;
        }
        f.diskName = name;
        f.linked = !real.empty();
        f.path = std::move(real);
        f.size = st.st_size;
        f.uploaded = CIsoTime::FromUnix(st.st_mtim.tv_sec);
        f.changed = static_cast<int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
        files->push_back(std::move(f));
    }
    return true;
}

std::string CBoardScan::Resolve(const std::string& link) {
    char* r = realpath(link.c_str(), nullptr);
    if (!r) {
        Skip(link, errno == ELOOP ? "a symbolic link that loops"
                                  : "a symbolic link to nothing (" + Errno() + ")");
        return {};
    }
    std::string real = r;
    std::free(r);
    if (m_root != "/" && real != m_root && real.rfind(m_root + "/", 0) != 0) {
        Skip(link, "a symbolic link out of the tree (to " + real + "), not followed");
        return {};
    }
    return real;
}

std::string CBoardScan::ReadList(int dirFd, const std::string& path, const char* name) {
    int raw = openat(dirFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (raw < 0 && errno == ELOOP) {
        std::string real = Resolve(path);
        if (real.empty()) return {};
        raw = open(real.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    }
    CFd fd(raw);
    struct stat st {};
    if (fd.Get() < 0 || fstat(fd.Get(), &st) != 0) {
        Skip(path, "cannot be read: " + Errno());
        return {};
    }
    if (!S_ISREG(st.st_mode) || st.st_size > kListMax) {
        Skip(path, "not a regular file of at most 16 MiB; its descriptions are not used");
        return {};
    }
    std::string text(static_cast<size_t>(st.st_size), '\0');
    size_t have = 0;
    while (have < text.size()) {
        ssize_t n = read(fd.Get(), text.data() + have, text.size() - have);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            Skip(path, "cannot be read: " + Errno());
            return {};
        }
        if (n == 0) break;
        have += static_cast<size_t>(n);
    }
    text.resize(have);
    return text;
}

const CScanDescription* CBoardScan::Listed(const Found& f, const CScanText::ByName& bbs,
                                           const CScanText::ByName& ion) {
    if (bbs.empty() && ion.empty()) return nullptr;
    const std::string key = CScanText::Upper(f.name);
    for (const CScanText::ByName* list : {&bbs, &ion})
        if (auto it = list->find(key); it != list->end()) return &it->second;
    return nullptr;
}

bool CBoardScan::IsArchive(const std::string& name) {
    return name.size() >= 4 && strcasecmp(name.c_str() + name.size() - 4, ".ZIP") == 0;
}

bool CBoardScan::ReadArchive(Found* f, int dirFd) {
    const int flags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    int fd = f->linked ? open(f->path.c_str(), flags) : openat(dirFd, f->diskName.c_str(), flags);
    if (fd < 0) return false;
    std::string diz = CZipDiz::Read(fd);
    if (!diz.empty()) f->desc = CScanText::ParseDiz(diz);
    return true;
}

void CBoardScan::Skip(const std::string& path, const std::string& why) {
    ++m_summary.skipped;
    m_notes << "quorvane-board: skipped " << path << ": " << why << "\n";
}
