#include "generate/CMakeListThread.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <unordered_set>

#include "config/CCodePage.h"
#include "generate/CFileEntry.h"
#include "generate/CListRun.h"
#include "generate/CTempDir.h"
#include "generate/Strings.h"
#include "server/CServerSession.h"
#include "server/WcServer.h"

namespace {

std::string ListLabel(const COutRec& def) {
    return def.m_strListName.empty() ? std::string("(unnamed list)")
                                     : "\"" + def.m_strListName + "\"";
}

}  // namespace

CMakeListThread::CMakeListThread(const CConfig& config, IRunObserver& observer, RunOptions options)
    : m_config(config), m_observer(observer), m_options(std::move(options)) {}

CMakeListThread::CMakeListThread(const CConfig& config, IRunObserver& observer, int slowMs)
    : CMakeListThread(config, observer, RunOptions{slowMs, {}, {}}) {}

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

void CMakeListThread::Start() {
    m_thread = std::thread([this] { InitInstance(); });
}

void CMakeListThread::Join() {
    if (m_thread.joinable()) m_thread.join();
}

void CMakeListThread::Cancel() {
    m_cancel.store(true);
}

void CMakeListThread::InitInstance() {
    m_observer.SetStatus(qvstr::kConnecting);
    Run();
    m_observer.SetStatus(qvstr::kFinished);
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

    WcMakewild settings{};
    GetMakewild(&settings);
    m_observer.SetCaption(std::string(qvstr::kProductVersion) + " - " + WcText(settings.szBbsName));

    // One private directory for the run; each list works in its own subdirectory, so two
    // File lists of the same name never write over each other.
    CTempDir tempDir;
    std::string tempError;
    const bool haveTemp = tempDir.Create(&tempError);

    const std::vector<COutRec>& defs = m_config.m_lists;
    std::vector<std::unique_ptr<CListRun>> lists;
    std::unordered_set<std::string> listFileNames, previewNames;
    for (size_t i = 0; i < defs.size(); ++i) {
        // Every list's files count as list files, also those of lists left out of this run.
        if (defs[i].m_nFileArea != 0 && !defs[i].m_strListName.empty())
            listFileNames.insert(defs[i].m_strListName);
        for (const ZipRec& zip : defs[i].m_zipFiles) listFileNames.insert(zip.m_strZipName);
        if (!Selected(defs[i])) {
            lists.push_back(nullptr);
            continue;
        }
        std::string dir;
        if (haveTemp) {
            dir = tempDir.Path() + std::to_string(i) + "/";
            if (::mkdir(dir.c_str(), 0700) != 0) dir.clear();
        }
        auto run = std::make_unique<CListRun>(defs[i], dir, &m_observer);
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
            run->BeginList(m_config.m_strHeaderLines);
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

    const uint32_t total = GetTotalFiles();
    m_observer.SetProgressRange(0, 25, 1);

    if (total != 0) {
        CFileEntry cursor;
        if (!cursor.Search(0, "")) {
            m_observer.ShowMessage("Cannot retrieve first file record", "Error", MessageIcon::Stop);
        } else {
            int currentArea = -1;
            bool areaCovered = false;
            uint64_t counter = 0;
            int64_t lastPercent = -1;
            bool more = true;
            while (more && !m_cancel.load(std::memory_order_relaxed)) {
                counter += 100;
                if (cursor.GetArea() != currentArea) {
                    currentArea = cursor.GetArea();
                    areaCovered = coveredSet.count(currentArea) != 0;
                    if (!areaCovered) {
                        // Jump to the first record of the next area instead of reading on.
                        more = cursor.Search(static_cast<uint32_t>(currentArea) + 1, "") != 0;
                        continue;
                    }
                    WcFileArea area{};
                    GetFileArea(currentArea, &area);
                    char status[160];
                    std::snprintf(status, sizeof status, qvstr::kArea, currentArea,
                                  WcText(area.szName).c_str());
                    m_observer.SetStatus(status);
                }
                if (areaCovered) {
                    const bool inSet = listFileNames.count(cursor.GetName()) != 0;
                    for (auto& run : lists)
                        if (run) run->OfferFile(cursor, inSet);
                    if (m_options.slowMs > 0)
                        std::this_thread::sleep_for(std::chrono::milliseconds(m_options.slowMs));
                }
                const int64_t percent = static_cast<int64_t>(counter / total);
                if (percent > lastPercent + 3) {
                    m_observer.StepProgress();
                    lastPercent = percent;
                }
                more = cursor.Next() != 0;
            }
        }
    }

    for (size_t i = 0; i < lists.size(); ++i) {
        if (m_cancel.load()) break;
        if (!lists[i]) continue;
        CListRun& run = *lists[i];
        m_observer.SetStatus(qvstr::kGeneratingCompressed);
        if (defs[i].m_nSelection == SEL_POPULAR) m_observer.SetStatus(qvstr::kGeneratingPopular);
        if (run.Failed() || !run.EndList())
            m_failedLists.push_back(ListLabel(defs[i]) + ": " + run.FailureText());
    }
    if (m_cancel.load()) m_outcome = Outcome::Cancelled;
}
