// How one generation run goes, as start-up worked it out from the command line.
#pragma once

#include <string>
#include <vector>

struct RunOptions {
    // Pause after each processed record, in milliseconds (1 with "/S").
    int slowMs = 0;
    // Names of the lists to make; empty makes every list.
    std::vector<std::string> lists;
    // When set, nothing goes into the board: each list's output is written under
    // previewDir/<list name>/ instead.
    std::string previewDir;
    // The file where lists that post only new files keep their marks (CPostMarks); empty:
    // none kept, so such a list posts its whole selection every run.
    std::string statePath;
};
