// The progress dialog of a generation run: caption, status text, progress bar and a Cancel
// button that becomes "OK". The worker's calls reach it synchronously on the GUI thread.
#pragma once

#include <QDialog>
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "generate/CMakeListThread.h"
#include "generate/IRunObserver.h"
#include "publish/CListPublisher.h"

class CConfig;
class QLabel;
class QProgressBar;
class QPushButton;

class CProgressDlg : public QDialog, public IRunObserver {
    Q_OBJECT

public:
    CProgressDlg(QWidget* parent, const CConfig* config);
    ~CProgressDlg() override;

    // How the worker runs ("/S", --list, --preview).
    RunOptions m_options;

    // Runs the dialog and the worker; returns when the worker has finished.
    int exec() override;
    CMakeListThread::Outcome GetOutcome() const;
    const std::vector<std::string>& FailedLists() const;

    void SetCaption(const std::string& text) override;
    void SetStatus(const std::string& text) override;
    void SetProgressRange(int low, int high, int step) override;
    void StepProgress() override;
    void SetButtonLabel(const std::string& text) override;
    void ShowMessage(const std::string& text, const std::string& caption,
                     MessageIcon icon) override;
    void Close() override;

protected:
    void showEvent(QShowEvent* event) override;
    void reject() override;

private:
    // Runs `fn` on the GUI thread and waits for it, unless the dialog is already gone.
    template <typename Fn>
    void OnGuiThread(Fn fn);

    const CConfig* m_config;
    CListPublisher m_publisher;
    std::unique_ptr<CMakeListThread> m_thread;
    QLabel* m_status;
    QProgressBar* m_progress;
    QPushButton* m_cancel;
    int m_step = 1;
    std::atomic<bool> m_dismissed{false};
    std::atomic<bool> m_workerClosed{false};
};
