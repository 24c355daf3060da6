// Arguments of quorvane-board scan, and what a scan did.
#pragma once

#include <cstdint>
#include <string>

struct CScanOptions {
    std::string dir;       // the tree: one folder per file area
    std::string areasMap;  // JSON map of fixed area numbers and names, "" = none
    std::string uploader;  // UTF-8
    std::string webRoot;   // "" = no links
    bool removeMissing = false;
    bool dryRun = false;
};

struct CScanSummary {
    int64_t areas = 0;
    int64_t added = 0;
    int64_t updated = 0;
    int64_t removed = 0;
    int64_t skipped = 0;  // could not be read safely; each named on stderr
    int64_t ignored = 0;  // outside the area rule: directly in the tree, deeper, hidden
    int64_t cut = 0;      // a name or description that did not fit its field

    std::string Line(bool dryRun) const {
        return std::to_string(areas) + " areas, " + std::to_string(added) + " added, " +
               std::to_string(updated) + " updated, " + std::to_string(removed) + " removed, " +
               std::to_string(skipped) + " skipped, " + std::to_string(ignored) + " ignored, " +
               std::to_string(cut) + " cut" + (dryRun ? " (dry run: nothing written)" : "");
    }
};
