// The configuration file "Quorvane.cfg": read once at start-up, written by the dialog.
#pragma once

#include <string>

#include "config/CConfig.h"

class CArchiveReader;
class IByteSink;

class CConfigFile {
public:
    enum class LoadResult {
        Loaded,          // definitions appended to the configuration
        Missing,         // no file: configuration unchanged
        UnknownVersion,  // a list record of a version this program cannot read
        Damaged          // truncated or impossible data, not a regular file, or a file that
                         // exists but cannot be opened; configuration unchanged
    };

    // Message 104, shown when a record of an unknown version is met.
    static constexpr const char* kNewerVersionMessage =
        "Error - The configuration file was written by a newer version\n"
        "of Quorvane which is not compatible with this version.\n"
        "To avoid losing this configuration, Quorvane will not overwrite it.\n\n"
        "Please rename or remove the file QUORVANE.CFG";

    // The file to use without --config: $QUORVANE_CONFIG, else the build's default
    // (/etc/quorvane/Quorvane.cfg once installed, "Quorvane.cfg" beside the program otherwise).
    static std::string DefaultPath();

    // Reads the file and appends its definitions and header text to `config`; on any result
    // but Loaded, `config` is unchanged and `error` (if given) says what is wrong, naming
    // the file.
    static LoadResult Load(const std::string& path, CConfig& config, std::string* error);
    // Writes the configuration in the current format: to a temporary file in the same
    // directory, flushed to disk, then renamed over the old file. On failure the old file
    // is untouched and `error` says why.
    static bool Save(const std::string& path, const CConfig& config, std::string* error);

    // The reading of Load from any reader (bytes in memory for tests and the fuzzer);
    // `name` stands for the file in messages.
    static LoadResult Read(CArchiveReader& ar, const std::string& name, CConfig& config,
                           std::string* error);
    // The bytes of Save, in the current format, to any sink (not closed); false with `error`
    // when the sink fails.
    static bool Write(IByteSink& sink, const CConfig& config, std::string* error);
};
