// Puts a finished list where its definition sends it. The publishers implement it and
// start-up hands one to the run, so that making a list never depends on publishing it.
#pragma once

struct FinishedList;

class IListPublisher {
public:
    virtual ~IListPublisher() = default;
    // False when the list was not (wholly) published; the reason went to list.report.
    virtual bool Publish(const FinishedList& list) = 0;
};
