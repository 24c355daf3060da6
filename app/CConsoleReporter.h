// The front end of a run without a display: status texts as lines on stderr, a progress
// bar when stderr is a terminal, message-box texts on stderr.
#pragma once

#include <cstdio>
#include <mutex>
#include <string>

#include "generate/IRunObserver.h"

class CConsoleReporter : public IRunObserver {
public:
    explicit CConsoleReporter(FILE* out = stderr);

    void SetCaption(const std::string& text) override;
    void SetStatus(const std::string& text) override;
    void SetProgressRange(int low, int high, int step) override;
    void StepProgress() override;
    void SetButtonLabel(const std::string& text) override;
    void ShowMessage(const std::string& text, const std::string& caption,
                     MessageIcon icon) override;
    void Close() override;

private:
    void ClearBar();
    void DrawBar();

    FILE* m_out;
    bool m_terminal;
    std::mutex m_mutex;
    int m_low = 0;
    int m_high = 100;
    int m_step = 1;
    int m_pos = 0;
    bool m_barShown = false;
};
