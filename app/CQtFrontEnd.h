// The front end with a display: message boxes, the configuration dialog and the progress
// dialog. QApplication is made on first use.
#pragma once

#include <memory>

#include "app/IFrontEnd.h"

class QApplication;

class CQtFrontEnd : public IFrontEnd {
public:
    // argc must outlive the front end (QApplication keeps a reference).
    CQtFrontEnd(int& argc, char** argv);
    ~CQtFrontEnd() override;

    void ShowMessage(const std::string& text, MessageIcon icon) override;
    void ShowNoBoard(const std::string& where) override;
    void EditConfiguration(CConfig& config, const std::string& configPath) override;
    RunResult RunWithProgress(const CConfig& config, const RunOptions& options) override;

private:
    void EnsureApplication();

    int& m_argc;
    char** m_argv;
    std::unique_ptr<QApplication> m_application;
};
