#include "publish/CHtmlPublisher.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>
#include <vector>

#include "config/CCodePage.h"
#include "config/COutRec.h"
#include "generate/CFileEntry.h"
#include "generate/CHtmlListWriter.h"
#include "generate/CListRun.h"
#include "generate/CLogoResource.h"
#include "generate/CTempDir.h"
#include "generate/CTemplateExpander.h"
#include "generate/Strings.h"
#include "server/WcServer.h"

namespace {

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// A new, exclusively created file beside `finalPath`, which no reader takes for a page.
// Mode 0666 less the umask, as for any new page; a page it replaces keeps its own mode, so that
// the web server can still read it.
int CreateStaging(const std::string& finalPath, std::string* stagingPath) {
    static std::atomic<unsigned> counter{0};
    const size_t slash = finalPath.find_last_of('/');
    const std::string dir =
        slash == std::string::npos ? std::string() : finalPath.substr(0, slash + 1);
    for (int attempt = 0; attempt < 1000; ++attempt) {
        *stagingPath =
            dir + ".qvn-" + std::to_string(::getpid()) + "-" + std::to_string(++counter) + ".tmp";
        const int fd = ::open(stagingPath->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        struct stat old {};
        if (fd >= 0 && ::stat(finalPath.c_str(), &old) == 0 && S_ISREG(old.st_mode))
            ::fchmod(fd, old.st_mode & 07777);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
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

// Copies `source` to a staging file for `finalPath`; the staging path on success, empty
// with `error` set otherwise (nothing is left behind).
std::string StageCopy(const std::string& source, const std::string& finalPath, std::string* error) {
    const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        *error = "cannot read " + source + ": " + std::strerror(errno);
        return {};
    }
    std::string staging;
    const int out = CreateStaging(finalPath, &staging);
    if (out < 0) {
        *error =
            "cannot create a file in the directory of " + finalPath + ": " + std::strerror(errno);
        ::close(in);
        return {};
    }
    bool ok = true;
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            *error = "cannot read " + source + ": " + std::strerror(errno);
            ok = false;
            break;
        }
        if (n == 0) break;
        if (!WriteAll(out, buffer, static_cast<size_t>(n))) {
            *error = "cannot write " + finalPath + ": " + std::strerror(errno);
            ok = false;
            break;
        }
    }
    ::close(in);
    if (::close(out) != 0 && ok) {
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
    std::string tempName;   // in the run's temporary directory
    std::string finalPath;  // in the HTML directory
};

// Copies every page beside its final name, then renames them all into place; on any failure
// the staged copies are removed and the pages of the previous run stay.
bool Install(CListRun& run, const std::vector<Placement>& plan) {
    const std::string& listName = run.Def().m_strListName;
    std::vector<std::string> staged;
    auto discard = [&staged](size_t from) {
        for (size_t i = from; i < staged.size(); ++i) ::unlink(staged[i].c_str());
    };
    // Something other than a file in a page's place would make a rename fail half-way.
    for (const Placement& p : plan) {
        struct stat st {};
        if (::stat(p.finalPath.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
            run.Fail("HTML list \"" + listName + "\" was not published: " + p.finalPath +
                     " is not a file. Remove it or choose another Directory for the list in the "
                     "configuration dialog (quorvane /C).");
            return false;
        }
    }
    if (run.StopRequested()) return false;
    for (const Placement& p : plan) {
        std::string error;
        std::string staging = StageCopy(run.m_strTempDir + p.tempName, p.finalPath, &error);
        if (staging.empty()) {
            discard(0);
            run.Fail("HTML list \"" + listName + "\" was not published: " + error +
                     ". The pages already in the directory were left as they were; check that "
                     "the directory is writable and has room.");
            return false;
        }
        staged.push_back(std::move(staging));
    }
    const CStopRequest::Gate gate = run.PublishGate();
    if (!gate) {
        discard(0);
        return false;
    }
    for (size_t i = 0; i < plan.size(); ++i) {
        if (::rename(staged[i].c_str(), plan[i].finalPath.c_str()) != 0) {
            const std::string why = std::strerror(errno);
            discard(i);
            run.Fail("HTML list \"" + listName + "\": cannot replace " + plan[i].finalPath + ": " +
                     why + ". Check the permissions of the HTML directory.");
            return false;
        }
    }
    return true;
}

std::string AreaName(int area) {
    WcFileArea rec{};
    rec.dwSize = sizeof rec;
    if (!GetFileArea(area, &rec)) return {};
    return WcText(rec.szName);
}

void Write(CListRun& run, const std::string& text) {
    if (run.m_pOutFile) run.m_pOutFile->Write(text);
}

}  // namespace

std::string CHtmlPublisher::IndexRow(const std::string& pageName, int area,
                                     const std::string& areaName, int count, int64_t bytes) {
    // Single precision, as the index has always shown these figures.
    const float c = static_cast<float>(count);
    const float b = static_cast<float>(bytes);
    const char* unit = "KB";
    float scaled = b / 1024.0f;
    if (b > 1073741824.0f) {
        unit = "GB";
        scaled = b / 1073741824.0f;
    } else if (b > 1048576.0f) {
        unit = "MB";
        scaled = b / 1048576.0f;
    }
    char figures[128];
    std::snprintf(figures, sizeof figures, "(%.0f file%s, %.2f %s)", static_cast<double>(c),
                  c > 1.0f ? "s" : "", static_cast<double>(scaled), unit);
    return "<TR><TD><H3><A HREF=\"" + CTemplateExpander::EncodeLinkTarget(pageName) + "\">Area " +
           std::to_string(area) + " - " + CTemplateExpander::EscapeHtml(areaName) +
           "</A></H3></TD><TD><H3>" + figures + "</H3></TD></TR>\n";
}

void CHtmlPublisher::WriteIndexHeader(CListRun& run) {
    const COutRec& def = run.Def();
    Write(run, CHtmlListWriter::DocumentHead(run));
    if (def.m_bDefIndexHeader) {
        // The index page has only ever recognised web addresses.
        CHtmlListWriter::WriteBuiltInHeader(run, false, "");
    } else {
        Write(run, CTemplateExpander::ExpandTemplate(run, def.m_strIndexHeader, CFileEntry()));
    }
    Write(run, "<TABLE BORDER=0 ALIGN=CENTER>\n");
}

void CHtmlPublisher::WriteIndexFooter(CListRun& run) {
    const COutRec& def = run.Def();
    Write(run, "</TABLE>");
    Write(run, CHtmlListWriter::TotalsLine(run.m_nEntryCount, run.m_nTotalBytes));
    CHtmlListWriter::WriteCreditHead(run);
    if (!g_bNoCounterImage) Write(run, qvstr::kCounterImage);
    CHtmlListWriter::WriteCreditTail(run);
    if (!def.m_bDefIndexFooter)
        Write(run, CTemplateExpander::ExpandTemplate(run, def.m_strIndexFooter, run.m_lastEntry));
    Write(run, "</BODY>\n</HTML>\n");
}

bool CHtmlPublisher::ExtractResource(const std::string& name, const std::string& type,
                                     const std::string& path) {
    const std::string_view bytes = CLogoResource::Find(name, type);
    if (bytes.empty()) return false;
    // Written beside the old file and renamed over it, so a reader never sees half an image.
    std::string staging;
    const int fd = CreateStaging(path, &staging);
    if (fd < 0) return false;
    const bool written = WriteAll(fd, bytes.data(), bytes.size());
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || ::rename(staging.c_str(), path.c_str()) != 0) {
        ::unlink(staging.c_str());
        return false;
    }
    return true;
}

bool CHtmlPublisher::PublishHtml(CListRun& run, const std::string& lastPageName) {
    const COutRec& def = run.Def();
    // The configuration's Windows-1252 names meet the file system as UTF-8; the links
    // written into the pages encode the same UTF-8 names. A preview's directory is UTF-8
    // already.
    const std::string dir =
        run.m_strPreviewDir.empty() ? CCodePage::ToUtf8(def.m_strHtmlDir) : run.m_strPreviewDir;
    const std::string pageName = CCodePage::ToUtf8(def.m_strListName);
    const bool split = CHtmlListWriter::SplitsIntoAreas(run);

    // Every page of the list in the temporary directory, removed whatever happens.
    std::set<std::string> tempPages(run.m_indexPages.begin(), run.m_indexPages.end());
    if (!lastPageName.empty()) tempPages.insert(lastPageName);

    // A page that lost bytes is not published over a good one of an earlier run.
    bool ok = !run.Failed();
    if (ok && !IsDirectory(dir)) {
        run.Fail("HTML list \"" + def.m_strListName + "\" was not published: the directory \"" +
                 dir +
                 "\" does not exist. Create it or choose another Directory in the list's HTML "
                 "settings.");
        ok = false;
    }
    if (ok) RemoveDeadStaging(dir);
    if (ok) {
        const CStopRequest::Gate gate = run.PublishGate();
        ok = static_cast<bool>(gate);
        if (ok) ExtractResource("mf_logo_small", "GIF_RESOURCE", dir + "/" + "mflogo.gif");
    }

    std::vector<Placement> plan;
    std::string page = lastPageName;
    if (ok && split) {
        page.clear();
        if (run.OpenOutput(false)) {
            page = run.m_pOutFile->FileName();
            tempPages.insert(page);
            WriteIndexHeader(run);
            for (size_t i = 0; i < run.m_indexPages.size(); ++i) {
                char number[16];
                std::snprintf(number, sizeof number, "%05d", run.m_indexAreas[i]);
                const std::string numbered = number + def.m_strListName;
                plan.push_back({run.m_indexPages[i], dir + "/" + CCodePage::ToUtf8(numbered)});
                Write(run, IndexRow(numbered, run.m_indexAreas[i], AreaName(run.m_indexAreas[i]),
                                    run.m_indexCounts[i], run.m_indexBytes[i]));
            }
            WriteIndexFooter(run);
            if (!run.CloseOutput()) ok = false;
        } else {
            ok = false;
        }
    }
    if (ok && page.empty()) {
        run.Fail("HTML list \"" + def.m_strListName +
                 "\" was not published: no page was produced. Check that the temporary "
                 "directory is writable.");
        ok = false;
    }
    if (ok) {
        // The index (or single page) goes last, once every page it links to is in place.
        plan.push_back({page, dir + "/" + pageName});
        ok = Install(run, plan);
    }

    if (run.m_pOutFile) run.CloseOutput();
    for (const std::string& name : tempPages) ::unlink((run.m_strTempDir + name).c_str());
    run.m_indexAreas.clear();
    run.m_indexPages.clear();
    run.m_indexCounts.clear();
    run.m_indexBytes.clear();
    return ok;
}
