// Puts a finished list where its definition sends it. The publishers implement it and
// start-up hands one to the run, so that making a list never depends on publishing it.
#pragma once

#include <memory>

struct FinishedList;

class IListPublisher {
public:
    // Work a publisher began on a written list ahead of the list's turn (a compression
    // command running beside the rest of the run). The list's run keeps it until the run
    // ends, and the list's FinishedList points to it; its end waits for the work.
    class Started {
    public:
        virtual ~Started() = default;
    };

    virtual ~IListPublisher() = default;
    // Called for each list once every list of the run is written and before any is
    // published; what it returns comes back with the list to Publish. Nothing by default.
    virtual std::unique_ptr<Started> ListWritten(const FinishedList& /*list*/) { return nullptr; }
    // False when the list was not (wholly) published; the reason went to list.report.
    virtual bool Publish(const FinishedList& list) = 0;
};
