// An observer that remembers everything a run told its front end.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "generate/IRunObserver.h"

class CRecordingObserver : public IRunObserver {
public:
    void SetCaption(const std::string& text) override { Add(captions, text); }
    void SetStatus(const std::string& text) override {
        Add(statuses, text);
        if (onStatus) onStatus(text);
    }
    void SetProgressRange(int low, int high, int step) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        range = {low, high, step};
    }
    void StepProgress() override {}
    void SetButtonLabel(const std::string& text) override { Add(buttonLabels, text); }
    void ShowMessage(const std::string& text, const std::string& caption,
                     MessageIcon shown) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        messages.push_back(caption + ": " + text);
        icon = shown;
    }
    void Close() override {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++closes;
    }

    std::vector<std::string> captions, statuses, buttonLabels, messages;
    std::vector<int> range;
    int closes = 0;
    MessageIcon icon = MessageIcon::None;  // of the last message
    // Called on the worker thread for every status text.
    std::function<void(const std::string&)> onStatus;

private:
    void Add(std::vector<std::string>& to, const std::string& text) {
        std::lock_guard<std::mutex> lock(m_mutex);
        to.push_back(text);
    }
    std::mutex m_mutex;
};
