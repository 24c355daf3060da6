// How one generation run goes, as start-up worked it out from the command line.
#pragma once

#include <chrono>
#include <ctime>
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
    // "/I": HTML pages leave out the counter image.
    bool noCounterImage = false;
    // How long an external compression command may run before it is stopped.
    std::chrono::milliseconds commandTimeout = std::chrono::minutes(10);
    // The run's clock; 0 reads the real time. Tests fix it, so that dates come out the same.
    time_t now = 0;
    // Templates are expanded through their parsed plans; tests turn this off to compare the
    // plans with plain expansion.
    bool templatePlans = true;
    // The file where lists that post only new files keep their marks (CPostMarks); empty:
    // none kept, so such a list posts its whole selection every run.
    std::string statePath;
};
