// Where the publishing of a list reports back to the list's run: why it failed, and whether
// the run's stop left it unpublished.
#pragma once

#include <string>

#include "generate/CStopRequest.h"

class IListReport {
public:
    virtual ~IListReport() = default;
    // Records why the list fails; the first reason is kept and reported.
    virtual void Fail(const std::string& why) = 0;
    virtual bool Failed() const = 0;
    // True once the run was asked to stop; the list then counts as left unpublished.
    virtual bool StopRequested() = 0;
    // Held around each step that makes part of the list visible; closed once the run was
    // asked to stop, and the list then counts as left unpublished.
    virtual CStopRequest::Gate PublishGate() = 0;
};
