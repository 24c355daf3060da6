#include "ui/CProgressDlg.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include "config/CCodePage.h"
#include "config/CConfig.h"
#include "ui/CDialogLook.h"

namespace {
QString FromAnsi(const std::string& text) {
    return QString::fromStdString(CCodePage::ToUtf8(text));
}
}  // namespace

CProgressDlg::CProgressDlg(QWidget* parent, const CConfig* config)
    : QDialog(parent), m_config(config) {
    setWindowTitle(QStringLiteral("Quorvane"));
    setObjectName(QStringLiteral("progressDialog"));
    setWindowIcon(CDialogLook::AppIcon());
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("statusText"));
    m_status->setMinimumWidth(420);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("progressBar"));
    m_progress->setTextVisible(false);
    // A button row like that of the other dialogs, so Cancel looks the same everywhere.
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    m_cancel = buttons->button(QDialogButtonBox::Cancel);
    m_cancel->setObjectName(QStringLiteral("cancelButton"));
    connect(buttons, &QDialogButtonBox::rejected, this, &CProgressDlg::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_status);
    layout->addWidget(m_progress);
    layout->addWidget(buttons);
}

CProgressDlg::~CProgressDlg() {
    // The worker must be done with this dialog before it goes.
    if (m_thread) m_thread->Join();
}

int CProgressDlg::exec() {
    const int result = QDialog::exec();
    m_dismissed = true;
    // Cancel ends the dialog at once; the worker still finishes its current step and may
    // be waiting on this thread, so keep serving it until it has said its last word.
    while (m_thread && !m_workerClosed.load())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    if (m_thread) m_thread->Join();
    return result;
}

void CProgressDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_thread) return;
    m_thread = std::make_unique<CMakeListThread>(*m_config, *this, m_options, m_publisher);
    // Without a thread to spare, the run goes on this one once the dialog is up.
    if (!m_thread->Start()) QTimer::singleShot(0, this, [this] { m_thread->InitInstance(); });
}

void CProgressDlg::reject() {
    if (m_thread) m_thread->Cancel();
    QDialog::reject();
}

CMakeListThread::Outcome CProgressDlg::GetOutcome() const {
    return m_thread ? m_thread->GetOutcome() : CMakeListThread::Outcome::NotConnected;
}

const std::vector<std::string>& CProgressDlg::FailedLists() const {
    static const std::vector<std::string> none;
    return m_thread ? m_thread->FailedLists() : none;
}

template <typename Fn>
void CProgressDlg::OnGuiThread(Fn fn) {
    if (m_dismissed.load()) return;
    if (QThread::currentThread() == thread())
        fn();
    else
        QMetaObject::invokeMethod(this, fn, Qt::BlockingQueuedConnection);
}

void CProgressDlg::SetCaption(const std::string& text) {
    OnGuiThread([this, t = FromAnsi(text)] { setWindowTitle(t); });
}

void CProgressDlg::SetStatus(const std::string& text) {
    OnGuiThread([this, t = FromAnsi(text)] { m_status->setText(t); });
}

void CProgressDlg::SetProgressRange(int low, int high, int step) {
    OnGuiThread([this, low, high, step] {
        m_progress->setRange(low, high);
        m_progress->setValue(low);
        m_step = step;
    });
}

void CProgressDlg::StepProgress() {
    OnGuiThread([this] {
        int value = m_progress->value() + m_step;
        if (value > m_progress->maximum()) value = m_progress->minimum();
        m_progress->setValue(value);
    });
}

void CProgressDlg::SetButtonLabel(const std::string& text) {
    OnGuiThread([this, t = FromAnsi(text)] { m_cancel->setText(t); });
}

void CProgressDlg::ShowMessage(const std::string& text, const std::string& caption,
                               MessageIcon icon) {
    OnGuiThread([this, t = FromAnsi(text), c = FromAnsi(caption), icon] {
        QMessageBox box(this);
        box.setWindowTitle(c);
        box.setText(t);
        switch (icon) {
            case MessageIcon::Stop:
                box.setIcon(QMessageBox::Critical);
                break;
            case MessageIcon::Exclamation:
                box.setIcon(QMessageBox::Warning);
                break;
            case MessageIcon::Information:
                box.setIcon(QMessageBox::Information);
                break;
            case MessageIcon::None:
                break;
        }
        box.exec();
    });
}

void CProgressDlg::Close() {
    OnGuiThread([this] { done(QDialog::Accepted); });
    m_workerClosed = true;
}
