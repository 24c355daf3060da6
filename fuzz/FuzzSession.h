// Shared by the fuzzers: scratch directories that go with the process; one small board with
// hostile area names, made once per fuzzer process in /dev/shm (or $TMPDIR) and logged in on
// the fuzzing thread; and a file entry built from fuzz bytes the way the walk builds it from
// the server's record buffers.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "generate/CFileEntry.h"
#include "server/WcServer.h"
#include "tools/board/CBoardAdmin.h"

namespace fuzzsession {

inline const char* kBoardJson = R"({
  "settings": {"name": "Fuzz <BBS> \"&\"", "sysop": "Sy<s>op", "version": 6, "build": 500},
  "areas": [{"number": 1, "name": "Utils <b>", "ftp_dir": "ut ils"},
            {"number": 2, "name": "Caf\u00e9 \"Games\"", "ftp_dir": "g<a>mes"},
            {"number": 3, "name": "", "ftp_dir": ""}]})";

// A private directory in /dev/shm (or $TMPDIR), removed when the process ends normally.
class ScratchDir {
public:
    explicit ScratchDir(const char* prefix) {
        const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : std::getenv("TMPDIR");
        m_path = std::string(base ? base : "/tmp") + "/" + prefix + "-XXXXXX";
        if (!mkdtemp(m_path.data())) std::abort();
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

// Logs in once; aborts when the board cannot be made, since every run would then be
// meaningless.
inline void EnsureBoard() {
    static ScratchDir dir("qvfuzz");
    static bool done = [] {
        const std::string board = dir.Path() + "/board";
        CBoardAdmin admin(board);
        admin.Init("Fuzz BBS", "Sysop");
        admin.Import(kBoardJson, "fuzz board");
        setenv("QUORVANE_BOARD", board.c_str(), 1);
        if (!WildcatServerConnect(nullptr) || !WildcatServerCreateContext() || !LoginSystem())
            std::abort();
        return true;
    }();
    (void)done;
}

// A scratch directory for the output files the run names; the files made in it are
// removed after each input.
inline const std::string& TempDir() {
    static ScratchDir dir("qvfuzz-out");
    static const std::string path = dir.Path() + "/";
    return path;
}

// Text as a server field holds it: cut at the first NUL.
inline std::string FieldText(FuzzedDataProvider& in, size_t room) {
    std::string s = in.ConsumeRandomLengthString(room);
    const size_t nul = s.find('\0');
    if (nul != std::string::npos) s.resize(nul);
    return s;
}

// A file entry from raw record bytes through Fill, so unterminated fields are exercised;
// the area is kept small so that area changes and headings happen, and long-description
// lines (which the board would supply through the full record) come from the input.
inline CFileEntry Entry(FuzzedDataProvider& in) {
    WcFileRecord rec{};
    in.ConsumeData(&rec, sizeof rec);
    rec.dwSize = sizeof rec;
    rec.dwArea = in.ConsumeIntegralInRange<uint32_t>(0, 4);
    const bool extended = in.ConsumeBool();
    static WcExtFileRecord ext;
    std::memset(&ext, 0, sizeof ext);
    if (extended) {
        const std::string longName = in.ConsumeRandomLengthString(sizeof ext.szLongName);
        std::memcpy(ext.szLongName, longName.data(), longName.size());
    }
    CFileEntry entry;
    entry.Fill(rec, extended ? &ext : nullptr);
    if (entry.HasLongDesc()) {
        for (auto& line : entry.m_strDescLine) line = FieldText(in, WC_LONGDESC_WIDTH);
    }
    return entry;
}

}  // namespace fuzzsession
