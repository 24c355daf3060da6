#include "app/CFileListApp.h"

#include <unistd.h>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/CConsoleReporter.h"
#include "app/CLocaleScope.h"
#include "app/CStopSignals.h"
#include "app/IFrontEnd.h"
#include "config/CCodePage.h"
#include "config/CConfigFile.h"
#include "generate/CListRun.h"
#include "generate/CMakeListThread.h"
#include "generate/CPostMarks.h"
#include "publish/CListPublisher.h"
#include "server/CServerSession.h"
#include "server/WcServer.h"
#include "server/wcsrv/CWcSession.h"

CFileListApp::CFileListApp(int argc, char** argv, IFrontEnd* frontEnd)
    : m_commandLine(argc, argv), m_frontEnd(frontEnd) {}

CFileListApp::~CFileListApp() = default;

bool CFileListApp::HasDisplay() {
    for (const char* var : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(var);
        if (value && *value) return true;
    }
    return false;
}

void CFileListApp::Report(const std::string& text, MessageIcon icon) {
    if (m_frontEnd)
        m_frontEnd->ShowMessage(text, icon);
    else
        std::fprintf(stderr, "quorvane: %s\n", CCodePage::ToUtf8(text).c_str());
}

int CFileListApp::InitInstance() {
    switch (m_commandLine.GetAction()) {
        case CCommandLine::Action::Help:
        case CCommandLine::Action::Version:
            std::printf("%s\n", m_commandLine.Text().c_str());
            return kFinished;
        case CCommandLine::Action::UsageError:
            std::fprintf(stderr, "quorvane: %s\nRun quorvane --help for the options.\n",
                         m_commandLine.Text().c_str());
            return kUsage;
        case CCommandLine::Action::Run:
            break;
    }
    CLocaleScope timeLocale(LC_TIME);

    // The server library takes its board from the environment, like a database client's
    // host variable; nothing else runs yet, so setting it here is safe.
    if (!m_commandLine.BoardDir().empty())
        setenv("QUORVANE_BOARD", m_commandLine.BoardDir().c_str(), 1);

    const std::string path = m_commandLine.ConfigPath().empty() ? CConfigFile::DefaultPath()
                                                                : m_commandLine.ConfigPath();
    std::string error;
    switch (CConfigFile::Load(path, m_config, &error)) {
        case CConfigFile::LoadResult::Loaded:
        case CConfigFile::LoadResult::Missing:
            break;
        case CConfigFile::LoadResult::UnknownVersion:
            Report(CConfigFile::kNewerVersionMessage, MessageIcon::Stop);
            return kUnknownVersion;
        case CConfigFile::LoadResult::Damaged:
            Report(error +
                       "\nThe file was left as it is; restore it from a backup or "
                       "remove it to start afresh.",
                   MessageIcon::Stop);
            return kDamagedConfig;
    }
    RunOptions options = m_commandLine.GetRunOptions();
    options.statePath = CPostMarks::PathFor(path);
    if (!m_commandLine.Configure() && !FindLists(options)) return kUsage;

    CServerSession session;
    if (!session.LoggedIn()) {
        const std::string where = CWcSession::BoardDir();
        // Silent with a display, as a scheduled run has nobody to click a message away; an
        // operator who typed "/C" at a terminal waits for a window and is told why none comes.
        if (!m_frontEnd)
            std::fprintf(stderr,
                         "quorvane: cannot reach the board or log in (board directory: %s)\n",
                         where.c_str());
        else if (m_commandLine.Configure() && ::isatty(STDIN_FILENO))
            m_frontEnd->ShowNoBoard(where);
        return kNoServer;
    }

    return m_commandLine.Configure() ? RunConfiguration(path) : RunGeneration(options);
}

bool CFileListApp::FindLists(RunOptions& options) const {
    for (std::string& name : options.lists) {
        const auto it = std::find_if(
            m_config.m_lists.begin(), m_config.m_lists.end(),
            [&](const COutRec& def) { return CCodePage::ToUtf8(def.m_strListName) == name; });
        if (it != m_config.m_lists.end()) {
            name = it->m_strListName;
            continue;
        }
        std::string known;
        for (const COutRec& def : m_config.m_lists)
            known += "\n  " + CCodePage::ToUtf8(def.m_strListName);
        std::fprintf(stderr, "quorvane: --list %s: the configuration has no such list; %s\n",
                     name.c_str(),
                     known.empty() ? "it has no lists at all" : ("its lists are:" + known).c_str());
        return false;
    }
    return true;
}

int CFileListApp::RunConfiguration(const std::string& configPath) {
    if (!m_frontEnd) {
        std::fprintf(stderr,
                     "quorvane: /C needs a display (set DISPLAY); to edit the configuration "
                     "without one, use quorvane-config dump / build\n");
        return kNoServer;
    }
    // OK saves to the file that was read (or creates it there).
    m_frontEnd->EditConfiguration(m_config, configPath);
    return kFinished;
}

int CFileListApp::RunGeneration(const RunOptions& options) {
    CMakeListThread::Outcome outcome;
    std::vector<std::string> failed;
    if (m_frontEnd) {
        IFrontEnd::RunResult result = m_frontEnd->RunWithProgress(m_config, options);
        outcome = result.outcome;
        failed = std::move(result.failed);
        if (!failed.empty() && outcome == CMakeListThread::Outcome::Finished) {
            std::string text = "These lists could not be produced or published:\n";
            for (const std::string& f : failed) text += "\n" + f;
            Report(text, MessageIcon::Exclamation);
        }
    } else {
        CConsoleReporter reporter;
        CListPublisher publisher;
        CMakeListThread worker(m_config, reporter, options, publisher);
        {
            const CStopSignals stopSignals([&worker] { worker.Cancel(); });
            // Without a thread to spare, the run goes on this one.
            if (!worker.Start()) worker.InitInstance();
            worker.Join();
        }
        outcome = worker.GetOutcome();
        failed = worker.FailedLists();
        for (const std::string& f : failed)
            std::fprintf(stderr, "quorvane: list %s\n", CCodePage::ToUtf8(f).c_str());
    }

    switch (outcome) {
        case CMakeListThread::Outcome::NotConnected:
            return kNoServer;
        case CMakeListThread::Outcome::Cancelled:
            return kCancelled;
        case CMakeListThread::Outcome::Finished:
            break;
    }
    return failed.empty() ? kFinished : kListsFailed;
}
