// Administration of a board directory (the stand-in server's data): what quorvane-board does,
// as a library so that tests can build and read boards the same way.
#pragma once

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "tools/board/CDemoOptions.h"
#include "tools/board/CScanOptions.h"

class CSqlDatabase;

class CBoardAdmin {
public:
    explicit CBoardAdmin(std::string boardDir);

    // Every operation throws CBoardError with a one-line, user-facing text.

    // A new, empty board; refuses to touch an existing one. Texts are UTF-8.
    void Init(const std::string& name, const std::string& sysop) const;
    // Adds the records of board JSON (UTF-8) in one transaction; `source` names the input in
    // error texts. Existing records with the same number / key are replaced.
    void Import(const std::string& jsonText, const std::string& source) const;
    // The whole board as JSON text (UTF-8), files in key order, messages in posting order.
    std::string Export() const;
    // Server files under a server directory ("" = all): (server path, size), sorted by path.
    std::vector<std::pair<std::string, uint64_t>> List(const std::string& serverDir) const;
    std::string Cat(const std::string& serverPath) const;
    // SQLite's integrity check and the board's own: every file record's area exists, no
    // staging file of a dead run is left in storage/. One line per finding in `report`;
    // false when anything is wrong. A record without a file in storage/ is normal.
    bool Check(std::string* report) const;
    // Raw body of message n, 0 = first posted.
    std::string Message(int64_t n) const;
    // A new board full of believable data; the same options give the same board.
    void Demo(const CDemoOptions& options) const;
    // Mirrors a tree of real files into the board in one transaction (see CBoardScan); each
    // file or folder skipped is named on `notes`.
    CScanSummary Scan(const CScanOptions& options, std::ostream& notes) const;

    const std::string& Dir() const { return m_dir; }

private:
    std::unique_ptr<CSqlDatabase> Open() const;
    std::unique_ptr<CSqlDatabase> Create(const std::string& name, const std::string& sysop) const;
    std::string Storage() const { return m_dir + "/storage"; }

    std::string m_dir;
};
