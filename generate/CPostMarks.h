// What each list that announces only new files has announced: per list, the newest upload
// time among the files of its last post. Kept between runs in a small JSON file,
//
//   {"version": 1, "newestPosted": {"message": {"New files": "2026-12-01T10:00:00Z"},
//                                   "bulletin": {"NEWFILES": "2026-11-30T08:00:00Z"}}}
//
// keyed by list type and list name: the name is what the operator knows a list by and what
// --list selects, and it stays when lists are reordered or others deleted; the type keeps a
// message and a bulletin of the same name apart. A renamed list starts afresh.
#pragma once

#include <ctime>
#include <map>
#include <string>

class COutRec;

class CPostMarks {
public:
    explicit CPostMarks(std::string path) : m_path(std::move(path)) {}

    // The state file that belongs to the configuration file at `configPath`: beside it,
    // named after it ("Quorvane.state.json"); in an installed build, in the state directory.
    static std::string PathFor(const std::string& configPath);

    // Reads the file; a missing file holds no marks. False when it cannot be read or is
    // damaged: Error() names it and says what to do.
    bool Load();
    const std::string& Error() const { return m_error; }
    const std::string& Path() const { return m_path; }

    // The list's mark; false when it has posted nothing yet.
    bool Find(const COutRec& def, time_t* mark) const;
    // Records the list's mark and writes the whole file anew (staged and renamed into place,
    // so a failure keeps the old one). False with `error` naming the file.
    bool Save(const COutRec& def, time_t mark, std::string* error);

private:
    // list type ("message", "bulletin") -> list name in UTF-8 -> mark
    std::map<std::string, std::map<std::string, time_t>> m_marks;
    std::string m_path;
    std::string m_error;
};
