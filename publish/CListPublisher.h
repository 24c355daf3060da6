// The publisher a run hands its finished lists to: by list type, a File list's compressed
// files and the list file into its file area, a message, a bulletin, or HTML pages.
#pragma once

#include "generate/IListPublisher.h"

class CListPublisher : public IListPublisher {
public:
    bool Publish(const FinishedList& list) override;

    // A File list: its compressed files, then the list file itself (unless OPT_DISCARD),
    // each registered in the list's file area, and the list file deleted. False when
    // anything was reported or left out by the stop.
    static bool PublishFileList(const FinishedList& list);
};
