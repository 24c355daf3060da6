#include "generate/CStopRequest.h"

void CStopRequest::Request() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_requested.store(true);
}

CStopRequest::Gate CStopRequest::Enter() {
    std::unique_lock<std::mutex> lock(m_mutex);
    const bool open = !m_requested.load();
    return Gate(std::move(lock), open);
}
