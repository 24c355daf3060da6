// An external command line: its words, worked out without starting anything, and running
// it in a given folder without a shell.
#pragma once

#include <chrono>
#include <string>
#include <vector>

class CStopRequest;

class CExternalCommand {
public:
    enum class Result { Finished, CouldNotStart, TimedOut, Stopped };

    // After a stop request, how long a command has to end after SIGTERM before SIGKILL.
    static constexpr std::chrono::milliseconds kStopGrace{2000};

    // Formats `command` as a printf format with no arguments, then splits it into words.
    explicit CExternalCommand(const std::string& command);

    // printf with no arguments: "%%" becomes "%"; any other '%' sequence has nothing to
    // take and is left as it stands.
    static std::string Format(const std::string& command);
    // Words separated by blanks or tabs; double quotes group blanks into one word and are
    // themselves dropped ("" alone is an empty word). No other character is special.
    static std::vector<std::string> SplitWords(const std::string& line);

    // Starts the first word (looked up in PATH) with the others as arguments in `workDir`,
    // with no input, and waits for it. A command still running after `timeout` is killed with
    // everything it started. `exitStatus` gets the exit code (128 + signal when killed).
    // When `stop` is requested meanwhile, the command's process group gets SIGTERM, then
    // SIGKILL after kStopGrace, and the result is Stopped.
    Result Run(const std::string& workDir, std::chrono::milliseconds timeout,
               int* exitStatus = nullptr, std::string* error = nullptr,
               const CStopRequest* stop = nullptr) const;

private:
    std::vector<std::string> m_words;
};
