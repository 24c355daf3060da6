#include "app/CFileListApp.h"

#include <unistd.h>

#include <QApplication>
#include <QMessageBox>
#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/CConsoleReporter.h"
#include "app/CLocaleScope.h"
#include "app/CStopSignals.h"
#include "config/CCodePage.h"
#include "config/CConfigFile.h"
#include "generate/CListRun.h"
#include "generate/CMakeListThread.h"
#include "generate/CPostMarks.h"
#include "publish/CListPublisher.h"
#include "server/CServerSession.h"
#include "server/WcServer.h"
#include "server/wcsrv/CWcSession.h"
#include "ui/CConfigDlg.h"
#include "ui/CProgressDlg.h"

CFileListApp::CFileListApp(int argc, char** argv)
    : m_argc(argc), m_argv(argv), m_commandLine(argc, argv), m_display(HasDisplay()) {}

CFileListApp::~CFileListApp() = default;

bool CFileListApp::HasDisplay() {
    for (const char* var : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(var);
        if (value && *value) return true;
    }
    return false;
}

bool CFileListApp::EnsureApplication() {
    if (!m_display) return false;
    if (!m_application) m_application = std::make_unique<QApplication>(m_argc, m_argv);
    return true;
}

void CFileListApp::Report(const std::string& text, MessageIcon icon) {
    if (EnsureApplication()) {
        QMessageBox box;
        box.setWindowTitle(QStringLiteral("Quorvane"));
        box.setText(QString::fromStdString(CCodePage::ToUtf8(text)));
        box.setIcon(icon == MessageIcon::Stop ? QMessageBox::Critical : QMessageBox::Warning);
        box.exec();
    } else {
        std::fprintf(stderr, "quorvane: %s\n", CCodePage::ToUtf8(text).c_str());
    }
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
        if (!m_display)
            std::fprintf(stderr,
                         "quorvane: cannot reach the board or log in (board directory: %s)\n",
                         where.c_str());
        else if (m_commandLine.Configure() && ::isatty(STDIN_FILENO) && EnsureApplication())
            QMessageBox::critical(
                nullptr, QStringLiteral("Quorvane"),
                QStringLiteral("The board directory %1 could not be opened, so the configuration "
                               "cannot be edited.\n\nName the board directory with --board DIR "
                               "or the environment variable QUORVANE_BOARD, then start again.")
                    .arg(QString::fromLocal8Bit(where.c_str())));
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
    if (!EnsureApplication()) {
        std::fprintf(stderr,
                     "quorvane: /C needs a display (set DISPLAY); to edit the configuration "
                     "without one, use quorvane-config dump / build\n");
        return kNoServer;
    }
    // OK saves to the file that was read (or creates it there).
    CConfigDlg dialog(nullptr, &m_config, configPath);
    dialog.exec();
    return kFinished;
}

int CFileListApp::RunGeneration(const RunOptions& options) {
    CMakeListThread::Outcome outcome;
    std::vector<std::string> failed;
    if (EnsureApplication()) {
        CProgressDlg dialog(nullptr, &m_config);
        dialog.m_options = options;
        {
            // A signal presses Cancel, on the dialog's own thread.
            const CStopSignals stopSignals(
                [&dialog] { QMetaObject::invokeMethod(&dialog, "reject", Qt::QueuedConnection); });
            dialog.exec();
        }
        outcome = dialog.GetOutcome();
        failed = dialog.FailedLists();
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
