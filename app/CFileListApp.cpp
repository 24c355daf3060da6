#include "app/CFileListApp.h"

#include <unistd.h>

#include <QApplication>
#include <QMessageBox>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/CLocaleScope.h"
#include "app/CStopSignals.h"
#include "config/CCodePage.h"
#include "config/CConfigFile.h"
#include "generate/CConsoleReporter.h"
#include "generate/CListRun.h"
#include "generate/CMakeListThread.h"
#include "server/CServerSession.h"
#include "server/WcServer.h"
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
    CLocaleScope timeLocale(LC_TIME);

    const std::string path = CConfigFile::DefaultPath();
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

    CServerSession session;
    if (!session.LoggedIn()) {
        const char* board = std::getenv("QUORVANE_BOARD");
        const std::string where = board && *board ? board : "board beside the program";
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
                    .arg(board && *board
                             ? QString::fromLocal8Bit(board)
                             : QCoreApplication::applicationDirPath() + QStringLiteral("/board")));
        return kNoServer;
    }

    return m_commandLine.Configure() ? RunConfiguration() : RunGeneration();
}

int CFileListApp::RunConfiguration() {
    if (!EnsureApplication()) {
        std::fprintf(stderr,
                     "quorvane: /C needs a display (set DISPLAY); to edit the configuration "
                     "without one, use quorvane-config dump / build\n");
        return kNoServer;
    }
    CConfigDlg dialog(nullptr, &m_config);
    dialog.exec();
    return kFinished;
}

int CFileListApp::RunGeneration() {
    g_bNoCounterImage = m_commandLine.NoCounterImage();
    const int slow = m_commandLine.Slow() ? 1 : 0;

    CMakeListThread::Outcome outcome;
    std::vector<std::string> failed;
    if (EnsureApplication()) {
        CProgressDlg dialog(nullptr, &m_config);
        dialog.m_bSlow = slow;
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
        CMakeListThread worker(m_config, reporter, slow);
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
