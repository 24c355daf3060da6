#include "app/CQtFrontEnd.h"

#include <QApplication>
#include <QMessageBox>

#include "app/CStopSignals.h"
#include "config/CCodePage.h"
#include "ui/CConfigDlg.h"
#include "ui/CProgressDlg.h"

CQtFrontEnd::CQtFrontEnd(int& argc, char** argv) : m_argc(argc), m_argv(argv) {}

CQtFrontEnd::~CQtFrontEnd() = default;

void CQtFrontEnd::EnsureApplication() {
    if (!m_application) m_application = std::make_unique<QApplication>(m_argc, m_argv);
}

void CQtFrontEnd::ShowMessage(const std::string& text, MessageIcon icon) {
    EnsureApplication();
    QMessageBox box;
    box.setWindowTitle(QStringLiteral("Quorvane"));
    box.setText(QString::fromStdString(CCodePage::ToUtf8(text)));
    box.setIcon(icon == MessageIcon::Stop ? QMessageBox::Critical : QMessageBox::Warning);
    box.exec();
}

void CQtFrontEnd::ShowNoBoard(const std::string& where) {
    EnsureApplication();
    QMessageBox::critical(
        nullptr, QStringLiteral("Quorvane"),
        QStringLiteral("The board directory %1 could not be opened, so the configuration "
                       "cannot be edited.\n\nName the board directory with --board DIR "
                       "or the environment variable QUORVANE_BOARD, then start again.")
            .arg(QString::fromLocal8Bit(where.c_str())));
}

void CQtFrontEnd::EditConfiguration(CConfig& config, const std::string& configPath) {
    EnsureApplication();
    CConfigDlg dialog(nullptr, &config, configPath);
    dialog.exec();
}

IFrontEnd::RunResult CQtFrontEnd::RunWithProgress(const CConfig& config,
                                                  const RunOptions& options) {
    EnsureApplication();
    CProgressDlg dialog(nullptr, &config);
    dialog.m_options = options;
    {
        // A signal presses Cancel, on the dialog's own thread.
        const CStopSignals stopSignals(
            [&dialog] { QMetaObject::invokeMethod(&dialog, "reject", Qt::QueuedConnection); });
        dialog.exec();
    }
    return {dialog.GetOutcome(), dialog.FailedLists()};
}
