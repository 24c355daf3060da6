// Programs a test runs on what the lists produced: their output and how they ended.
#pragma once

#include <stdio.h>
#include <sys/wait.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

// The standard output of `command` run by the shell; *status as from pclose (-1: not run).
inline std::string CommandOutput(const std::string& command, int* status = nullptr) {
    int ignored;
    if (!status) status = &ignored;
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    *status = -1;
    if (!pipe) return out;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    *status = ::pclose(pipe);
    return out;
}

// tidy's report on the page at `path`, less the lines holding one of `allowed` (warnings that
// the fixed HTML 3.2 texts cause themselves); "" when the page is sound.
inline std::string TidyProblems(const std::string& path, const std::vector<std::string>& allowed,
                                const std::string& options = "") {
    int status = 0;
    std::istringstream report(
        CommandOutput("tidy -e -q " + options + " '" + path + "' 2>&1", &status));
    std::string problems;
    if (!WIFEXITED(status) || WEXITSTATUS(status) >= 2) problems = "tidy found errors\n";
    for (std::string line; std::getline(report, line);)
        if (std::none_of(allowed.begin(), allowed.end(),
                         [&](const std::string& t) { return line.find(t) != std::string::npos; }))
            problems += line + "\n";
    return problems;
}
