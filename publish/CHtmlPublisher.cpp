#include "publish/CHtmlPublisher.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

#include "config/CCodePage.h"
#include "config/COutRec.h"
#include "generate/CLogoResource.h"
#include "generate/CTempDir.h"
#include "generate/FinishedList.h"
#include "generate/IListReport.h"
#include "io/CFileDescriptor.h"

namespace {

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A name beside `finalPath` that no reader takes for a page; the process id lets a later run
// remove what a dead one left.
std::string StagingName(const std::string& finalPath) {
    static std::atomic<unsigned> counter{0};
    const size_t slash = finalPath.find_last_of('/');
    const std::string dir =
        slash == std::string::npos ? std::string() : finalPath.substr(0, slash + 1);
    static const std::string pid = std::to_string(::getpid());  // one system call, not one a page
    return dir + ".qvn-" + pid + "-" + std::to_string(++counter) + ".tmp";
}

// The mode of the page at `finalPath`, which its replacement keeps so that the web server can
// still read it; none when there is no page yet.
std::optional<mode_t> PageMode(const std::string& finalPath) {
    struct stat old {};
    if (::stat(finalPath.c_str(), &old) == 0 && S_ISREG(old.st_mode)) return old.st_mode & 07777;
    return std::nullopt;
}

// A new, exclusively created file beside `finalPath`: mode 0666 less the umask, as for any new
// page, or `mode`, that of the page it replaces.
CFileDescriptor CreateStaging(const std::string& finalPath, std::optional<mode_t> mode,
                              std::string* stagingPath) {
    for (int attempt = 0; attempt < 1000; ++attempt) {
        *stagingPath = StagingName(finalPath);
        CFileDescriptor fd(*stagingPath, O_WRONLY | O_CREAT | O_EXCL, 0666);
        if (fd.IsOpen() && mode) ::fchmod(fd.Get(), *mode);
        if (fd.IsOpen() || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return CFileDescriptor();
}

// Removes the staging files that runs no longer running left in `dir` (their names carry the
// process id); a live run's are kept.
void RemoveDeadStaging(const std::string& dir) {
    DIR* d = ::opendir(dir.c_str());
    if (!d) return;
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".tmp") == 0 &&
            CTempDir::LeftByDeadRun(name, ".qvn-", '-'))
            ::unlinkat(::dirfd(d), name.c_str(), 0);
    }
    ::closedir(d);
}

// Moves `source` to a staging name for `finalPath` when both lie on one file system, with the
// mode CreateStaging would give (`mode`: that of the page it replaces, if any); the staging path on
// success, empty with `error` set or with nothing done (then the page is copied). `newMode` is the
// mode of a new file in the directory, learned from the first probe: one probe file per list, not
// one per page, since on ext4 every file deleted during the run makes the next ones slower to
// create.
std::string StageMove(const std::string& source, const std::string& finalPath,
                      std::optional<mode_t> mode, std::optional<mode_t>* newMode,
                      std::string* error) {
    std::string staging;
    int moved = -1;
    for (int attempt = 0; attempt < 1000 && moved != 0; ++attempt) {
        staging = StagingName(finalPath);
        moved = ::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, staging.c_str(), RENAME_NOREPLACE);
        if (moved != 0 && errno != EEXIST) return {};
    }
    if (moved != 0) return {};
    if (!mode) {
        if (!*newMode) {
            std::string probe;
            CFileDescriptor fd = CreateStaging(finalPath, std::nullopt, &probe);
            struct stat made {};
            if (fd.IsOpen() && ::fstat(fd.Get(), &made) == 0) *newMode = made.st_mode & 07777;
            if (fd.IsOpen()) ::unlink(probe.c_str());
        }
        mode = newMode->value_or(0644);
    }
    if (::chmod(staging.c_str(), *mode) == 0) return staging;
    *error = "cannot set the mode of " + finalPath + ": " + std::strerror(errno);
    ::unlink(staging.c_str());
    return {};
}

// Copies `source` to a staging file for `finalPath` (another file system) with the mode
// CreateStaging gives; the staging path on success, empty with `error` set otherwise (nothing
// is left behind).
std::string StageCopy(const std::string& source, const std::string& finalPath,
                      std::optional<mode_t> mode, std::string* error) {
    const CFileDescriptor in(source, O_RDONLY);
    if (!in.IsOpen()) {
        *error = "cannot read " + source + ": " + std::strerror(errno);
        return {};
    }
    std::string staging;
    CFileDescriptor out = CreateStaging(finalPath, mode, &staging);
    if (!out.IsOpen()) {
        *error =
            "cannot create a file in the directory of " + finalPath + ": " + std::strerror(errno);
        return {};
    }
    bool ok = true;
    // The kernel copies the bytes itself where it can (the pages are most of a run's output);
    // otherwise, or from where it stopped, they go through a buffer.
    for (;;) {
        const ssize_t n = ::copy_file_range(in.Get(), nullptr, out.Get(), nullptr, 1 << 30, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
    }
    char buffer[64 * 1024];
    for (;;) {
        const long n = in.Read(buffer, sizeof buffer);
        if (n < 0) {
            *error = "cannot read " + source + ": " + std::strerror(errno);
            ok = false;
            break;
        }
        if (n == 0) break;
        if (!out.WriteAll(buffer, static_cast<size_t>(n))) {
            *error = "cannot write " + finalPath + ": " + std::strerror(errno);
            ok = false;
            break;
        }
    }
    if (!out.Close() && ok) {
        *error = "cannot write " + finalPath + ": " + std::strerror(errno);
        ok = false;
    }
    if (!ok) {
        ::unlink(staging.c_str());
        return {};
    }
    return staging;
}

struct Placement {
    std::string tempName;                       // in the list's working directory
    std::string finalPath;                      // in the HTML directory
    std::optional<mode_t> mode = std::nullopt;  // of the page it replaces
    bool moved = false;                         // the temporary file is gone
};

// Copies every page beside its final name, then renames them all into place; on any failure
// the staged copies are removed and the pages of the previous run stay.
bool Install(const FinishedList& list, std::vector<Placement>& plan) {
    const std::string& listName = list.def.m_strListName;
    IListReport& report = list.report;
    std::vector<std::string> staged;
    auto discard = [&staged](size_t from) {
        for (size_t i = from; i < staged.size(); ++i) ::unlink(staged[i].c_str());
    };
    // Something other than a file in a page's place would make a rename fail half-way.
    for (Placement& p : plan) {
        struct stat st {};
        if (::stat(p.finalPath.c_str(), &st) != 0) continue;
        if (S_ISREG(st.st_mode)) {
            p.mode = st.st_mode & 07777;
        } else {
            report.Fail("HTML list \"" + listName + "\" was not published: " + p.finalPath +
                        " is not a file. Remove it or choose another Directory for the list in "
                        "the configuration dialog (quorvane /C).");
            return false;
        }
    }
    if (report.StopRequested()) return false;
    std::optional<mode_t> newMode;
    for (Placement& p : plan) {
        std::string error;
        std::string staging =
            StageMove(list.dir + p.tempName, p.finalPath, p.mode, &newMode, &error);
        p.moved = !staging.empty();
        if (staging.empty() && error.empty())
            staging = StageCopy(list.dir + p.tempName, p.finalPath, p.mode, &error);
        if (staging.empty()) {
            discard(0);
            report.Fail("HTML list \"" + listName + "\" was not published: " + error +
                        ". The pages already in the directory were left as they were; check "
                        "that the directory is writable and has room.");
            return false;
        }
        staged.push_back(std::move(staging));
    }
    const CStopRequest::Gate gate = report.PublishGate();
    if (!gate) {
        discard(0);
        return false;
    }
    for (size_t i = 0; i < plan.size(); ++i) {
        if (::rename(staged[i].c_str(), plan[i].finalPath.c_str()) != 0) {
            const std::string why = std::strerror(errno);
            discard(i);
            report.Fail("HTML list \"" + listName + "\": cannot replace " + plan[i].finalPath +
                        ": " + why + ". Check the permissions of the HTML directory.");
            return false;
        }
    }
    return true;
}

}  // namespace

bool CHtmlPublisher::ExtractResource(const std::string& name, const std::string& type,
                                     const std::string& path) {
    const std::string_view bytes = CLogoResource::Find(name, type);
    if (bytes.empty()) return false;
    // Written beside the old file and renamed over it, so a reader never sees half an image.
    std::string staging;
    CFileDescriptor fd = CreateStaging(path, PageMode(path), &staging);
    if (!fd.IsOpen()) return false;
    const bool written = fd.WriteAll(bytes.data(), bytes.size());
    const bool closed = fd.Close();
    if (!written || !closed || ::rename(staging.c_str(), path.c_str()) != 0) {
        ::unlink(staging.c_str());
        return false;
    }
    return true;
}

bool CHtmlPublisher::PublishHtml(const FinishedList& list) {
    const COutRec& def = list.def;
    IListReport& report = list.report;
    // The configuration's Windows-1252 names meet the file system as UTF-8; the links
    // written into the pages encode the same UTF-8 names. A preview's directory is UTF-8
    // already.
    const std::string dir =
        list.previewDir.empty() ? CCodePage::ToUtf8(def.m_strHtmlDir) : list.previewDir;

    // A page that lost bytes is not published over a good one of an earlier run.
    bool ok = !report.Failed();
    if (ok && !IsDirectory(dir)) {
        report.Fail("HTML list \"" + def.m_strListName + "\" was not published: the directory \"" +
                    dir +
                    "\" does not exist. Create it or choose another Directory in the list's HTML "
                    "settings.");
        ok = false;
    }
    if (ok) RemoveDeadStaging(dir);
    if (ok) {
        const CStopRequest::Gate gate = report.PublishGate();
        ok = static_cast<bool>(gate);
        if (ok) ExtractResource("mf_logo_small", "GIF_RESOURCE", dir + "/" + "mflogo.gif");
    }
    if (ok && list.file.empty()) {
        report.Fail("HTML list \"" + def.m_strListName +
                    "\" was not published: no page was produced. Check that the temporary "
                    "directory is writable.");
        ok = false;
    }
    // One placement a page, in the order of list.pages, then the index.
    std::vector<Placement> plan;
    if (ok) {
        for (const FinishedList::Page& page : list.pages)
            plan.push_back({page.tempName, dir + "/" + CCodePage::ToUtf8(page.name)});
        // The index (or single page) goes last, once every page it links to is in place.
        plan.push_back({list.file, dir + "/" + CCodePage::ToUtf8(def.m_strListName)});
        ok = Install(list, plan);
    }

    // Every page of the list still in the temporary directory is removed whatever happened.
    for (size_t i = 0; i < list.pages.size(); ++i)
        if (i >= plan.size() || !plan[i].moved)
            ::unlink((list.dir + list.pages[i].tempName).c_str());
    if (!list.file.empty() && (plan.empty() || !plan.back().moved))
        ::unlink((list.dir + list.file).c_str());
    return ok;
}
