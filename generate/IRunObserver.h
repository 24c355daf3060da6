// How a generation run talks to its front end: the Qt progress dialog or the console
// reporter. Texts are Windows-1252 bytes; the front end converts them for display.
// Calls come from the worker thread and return once the front end has taken them.
#pragma once

#include <string>

enum class MessageIcon { None, Information, Exclamation, Stop };

class IRunObserver {
public:
    virtual ~IRunObserver() = default;
    virtual void SetCaption(const std::string& text) = 0;
    virtual void SetStatus(const std::string& text) = 0;
    virtual void SetProgressRange(int low, int high, int step) = 0;
    virtual void StepProgress() = 0;
    virtual void SetButtonLabel(const std::string& text) = 0;
    // A message box: blocks the worker until the operator has dismissed it.
    virtual void ShowMessage(const std::string& text, const std::string& caption,
                             MessageIcon icon) = 0;
    // The run is over; the front end closes.
    virtual void Close() = 0;
};
