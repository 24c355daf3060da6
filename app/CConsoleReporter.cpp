#include "app/CConsoleReporter.h"

#include <unistd.h>

#include "config/CCodePage.h"

CConsoleReporter::CConsoleReporter(FILE* out) : m_out(out), m_terminal(isatty(fileno(out)) != 0) {}

void CConsoleReporter::ClearBar() {
    if (!m_barShown) return;
    std::fputs("\r\033[K", m_out);
    m_barShown = false;
}

void CConsoleReporter::DrawBar() {
    if (!m_terminal || m_high <= m_low) return;
    constexpr int kWidth = 40;
    const int filled = (m_pos - m_low) * kWidth / (m_high - m_low);
    std::string bar(static_cast<size_t>(filled), '#');
    bar.resize(kWidth, ' ');
    std::fprintf(m_out, "\r[%s] %3d%%", bar.c_str(), (m_pos - m_low) * 100 / (m_high - m_low));
    std::fflush(m_out);
    m_barShown = true;
}

void CConsoleReporter::SetCaption(const std::string&) {}

void CConsoleReporter::SetStatus(const std::string& text) {
    std::lock_guard<std::mutex> lock(m_mutex);
    ClearBar();
    std::fprintf(m_out, "%s\n", CCodePage::ToUtf8(text).c_str());
    DrawBar();
    std::fflush(m_out);
}

void CConsoleReporter::SetProgressRange(int low, int high, int step) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_low = low;
    m_high = high;
    m_step = step;
    m_pos = low;
    DrawBar();
}

void CConsoleReporter::StepProgress() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_pos += m_step;
    // A progress bar wraps round when it passes its end.
    if (m_pos > m_high) m_pos = m_low + (m_pos - m_high);
    DrawBar();
}

void CConsoleReporter::SetButtonLabel(const std::string&) {}

void CConsoleReporter::ShowMessage(const std::string& text, const std::string& caption,
                                   MessageIcon) {
    std::lock_guard<std::mutex> lock(m_mutex);
    ClearBar();
    std::fprintf(m_out, "%s: %s\n", CCodePage::ToUtf8(caption).c_str(),
                 CCodePage::ToUtf8(text).c_str());
    DrawBar();
    std::fflush(m_out);
}

void CConsoleReporter::Close() {
    std::lock_guard<std::mutex> lock(m_mutex);
    ClearBar();
    std::fflush(m_out);
}
