#include "generate/CMakeListThread.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <memory>
#include <system_error>
#include <unordered_set>

#include "config/CCodePage.h"
#include "generate/CFileEntry.h"
#include "generate/CListRun.h"
#include "generate/CPostMarks.h"
#include "generate/CTempDir.h"
#include "generate/Strings.h"
#include "server/CServerSession.h"
#include "server/WcServer.h"

namespace {

// A file is registered under its name cut to the record's name field, and "Skip List Files"
// compares the board's names with the names as published.
std::string AsPublished(const std::string& name) {
    return name.substr(0, sizeof(WcFileRecord::szName) - 1);
}

std::string ListLabel(const COutRec& def) {
    return def.m_strListName.empty() ? std::string("(unnamed list)")
                                     : "\"" + def.m_strListName + "\"";
}

// An unexpected error in one list's step fails that list alone; the run goes on.
template <typename Step>
void ForList(CListRun& run, Step&& step) {
    try {
        step();
    } catch (const std::exception& e) {
        run.Fail(std::string("unexpected error: ") + e.what());
    } catch (...) {
        run.Fail("unexpected error");
    }
}

}  // namespace

CMakeListThread::CMakeListThread(const CConfig& config, IRunObserver& observer, RunOptions options,
                                 IListPublisher& publisher)
    : m_config(config),
      m_observer(observer),
      m_options(std::move(options)),
      m_publisher(publisher) {}

bool CMakeListThread::Selected(const COutRec& def) const {
    const std::vector<std::string>& names = m_options.lists;
    return names.empty() || std::find(names.begin(), names.end(), def.m_strListName) != names.end();
}

std::string CMakeListThread::PreviewDir(size_t index, std::unordered_set<std::string>& used) const {
    std::string name = CCodePage::ToUtf8(m_config.m_lists[index].m_strListName);
    for (char& c : name)
        if (c == '/' || static_cast<unsigned char>(c) < 0x20) c = '_';
    if (name.empty() || name == "." || name == "..") name = "_";
    // Two lists of the same name each keep their own output.
    if (!used.insert(name).second) used.insert(name += "-" + std::to_string(index + 1));
    return m_options.previewDir + "/" + name;
}

CMakeListThread::~CMakeListThread() {
    Join();
}

bool CMakeListThread::Start() {
    try {
        m_thread = std::thread([this] { InitInstance(); });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void CMakeListThread::Join() {
    if (m_thread.joinable()) m_thread.join();
}

void CMakeListThread::Cancel() {
    m_stop.Request();
}

void CMakeListThread::InitInstance() {
    m_observer.SetStatus(qvstr::kConnecting);
    try {
        Run();
    } catch (const std::exception& e) {
        // Whatever was begun has been cleaned up on the way out of Run.
        m_failedLists.push_back(std::string("the run stopped on an unexpected error (") + e.what() +
                                "); lists not yet published were left as they were");
    } catch (...) {
        m_failedLists.push_back(
            "the run stopped on an unexpected error; lists not yet published were left as they "
            "were");
    }
    if (m_outcome == Outcome::Cancelled) {
        char status[96];
        std::snprintf(status, sizeof status, qvstr::kCancelled, m_cancelledCount,
                      static_cast<int>(m_config.m_lists.size()));
        m_observer.SetStatus(status);
    } else {
        m_observer.SetStatus(qvstr::kFinished);
    }
    m_observer.SetButtonLabel("OK");
    m_observer.Close();
}

void CMakeListThread::Run() {
    m_observer.SetCaption(qvstr::kProductVersion);

    CServerSession session;
    if (!session.LoggedIn()) {
        m_outcome = Outcome::NotConnected;
        return;
    }

    // A board that cannot be read is not a board without files: every list the walk feeds
    // fails by name, and the versions published before stay as they are.
    WcMakewild settings{};
    std::string readError = GetMakewild(&settings) ? "" : CServerSession::ReadError();
    m_observer.SetCaption(std::string(qvstr::kProductVersion) + " - " + WcText(settings.szBbsName));

    // One private directory for the run; each list works in its own subdirectory, so two
    // File lists of the same name never write over each other.
    CTempDir tempDir;
    std::string tempError;
    const bool haveTemp = tempDir.Create(&tempError);

    const std::vector<COutRec>& defs = m_config.m_lists;
    std::vector<std::unique_ptr<CListRun>> lists;
    std::unordered_set<std::string> listFileNames, previewNames;
    // Read once, when the first list that posts only new files needs it.
    CPostMarks marks(m_options.statePath);
    bool marksRead = false;
    for (size_t i = 0; i < defs.size(); ++i) {
        // Every list's files count as list files, also those of lists left out of this run.
        if (defs[i].m_nFileArea != 0 && !defs[i].m_strListName.empty())
            listFileNames.insert(AsPublished(defs[i].m_strListName));
        for (const ZipRec& zip : defs[i].m_zipFiles)
            listFileNames.insert(AsPublished(zip.m_strZipName));
        if (!Selected(defs[i])) {
            lists.push_back(nullptr);
            continue;
        }
        std::string dir;
        if (haveTemp) {
            dir = tempDir.Path() + std::to_string(i) + "/";
            if (::mkdir(dir.c_str(), 0700) != 0) dir.clear();
        }
        auto run = std::make_unique<CListRun>(defs[i], dir, &m_observer, m_options);
        run->SetStopRequest(&m_stop);
        run->SetPublisher(&m_publisher);
        if (run->NewOnly() && !m_options.statePath.empty()) {
            if (!marksRead) marks.Load();
            marksRead = true;
            run->SetPostMarks(&marks);
        }
        if (m_listSetup) m_listSetup(i, *run);
        std::error_code ec;
        if (!m_options.previewDir.empty()) {
            run->m_strPreviewDir = PreviewDir(i, previewNames);
            std::filesystem::create_directories(run->m_strPreviewDir, ec);
        }
        if (ec)
            run->Fail("cannot create the preview directory " + run->m_strPreviewDir + ": " +
                      ec.message());
        else if (dir.empty())
            run->Fail(haveTemp ? "cannot create its working directory in " + tempDir.Path()
                               : tempError);
        else
            ForList(*run, [&] { run->BeginList(m_config.m_strHeaderLines); });
        lists.push_back(std::move(run));
    }

    // Covered areas in first-seen order; the walk jumps over every other area.
    std::vector<int> covered;
    for (const COutRec& def : defs) {
        if (!Selected(def)) continue;
        for (int area : def.m_areas)
            if (std::find(covered.begin(), covered.end(), area) == covered.end())
                covered.push_back(area);
    }
    const std::unordered_set<int> coveredSet(covered.begin(), covered.end());

    const uint32_t total = readError.empty() ? GetTotalFiles() : 0;
    if (readError.empty()) readError = CServerSession::ReadError();
    m_observer.SetProgressRange(0, 25, 1);
    // Whether the walk goes on: false at the end of the records or when one could not be read.
    auto advanced = [&readError](int rc) {
        if (rc == 0) readError = CServerSession::ReadError();
        return rc != 0;
    };

    if (total != 0) {
        CFileEntry cursor;
        if (!advanced(cursor.Search(0, ""))) {
            if (readError.empty())
                m_observer.ShowMessage("Cannot retrieve first file record", "Error",
                                       MessageIcon::Stop);
        } else {
            int currentArea = -1;
            bool areaCovered = false;
            uint64_t counter = 0;
            int64_t lastPercent = -1;
            bool more = true;
            while (more && !m_stop.Requested()) {
                counter += 100;
                if (cursor.GetArea() != currentArea) {
                    currentArea = cursor.GetArea();
                    areaCovered = coveredSet.count(currentArea) != 0;
                    if (!areaCovered) {
                        // Jump to the first record of the next area instead of reading on.
                        more = advanced(cursor.Search(static_cast<uint32_t>(currentArea) + 1, ""));
                        continue;
                    }
                    WcFileArea area{};
                    if (!GetFileArea(currentArea, &area) &&
                        !(readError = CServerSession::ReadError()).empty())
                        break;
                    char status[160];
                    std::snprintf(status, sizeof status, qvstr::kArea, currentArea,
                                  WcText(area.szName).c_str());
                    m_observer.SetStatus(status);
                }
                if (areaCovered) {
                    const bool inSet = listFileNames.count(cursor.GetName()) != 0;
                    for (auto& run : lists)
                        if (run) ForList(*run, [&] { run->OfferFile(cursor, inSet); });
                    if (m_options.slowMs > 0)
                        std::this_thread::sleep_for(std::chrono::milliseconds(m_options.slowMs));
                }
                const int64_t percent = static_cast<int64_t>(counter / total);
                if (percent > lastPercent + 3) {
                    m_observer.StepProgress();
                    lastPercent = percent;
                }
                more = advanced(cursor.Next());
            }
        }
    }

    if (!readError.empty())
        for (auto& run : lists)
            if (run) run->Fail(readError);
    // Every list is finished before any is published, so that what the publisher starts as a
    // list is written (a compression command) runs beside the rest.
    if (readError.empty() && !m_stop.Requested())
        for (auto& run : lists)
            if (run && !run->Failed()) ForList(*run, [&] { run->FinishOutput(); });
    for (size_t i = 0; i < lists.size(); ++i) {
        if (!lists[i]) continue;
        CListRun& run = *lists[i];
        // After a stop request a list is neither finished nor published.
        if (run.Failed() || !run.StopRequested()) {
            m_observer.SetStatus(qvstr::kGeneratingCompressed);
            if (defs[i].m_nSelection == SEL_POPULAR)
                m_observer.SetStatus(qvstr::kGeneratingPopular);
            if (!run.Failed()) ForList(run, [&] { run.EndList(); });
        }
        if (run.Failed()) m_failedLists.push_back(ListLabel(defs[i]) + ": " + run.FailureText());
        if (run.Cancelled()) ++m_cancelledCount;
    }
    if (m_cancelledCount > 0) m_outcome = Outcome::Cancelled;
}
