// quorvane-board scan: mirrors a tree of real files into a board in one transaction. Each
// folder directly in the tree is a file area; each regular file in it a file record, with its
// description from the folder's FILES.BBS or DESCRIPT.ION or the archive's FILE_ID.DIZ. Files
// directly in the tree, deeper folders and hidden names are ignored (counted); anything that
// cannot be read safely is skipped, named on the notes stream and counted.
#pragma once

#include <cstdint>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "server/wcsrv/CSqlStatement.h"
#include "tools/board/CScanOptions.h"
#include "tools/board/CScanText.h"

class CSqlDatabase;
class CBoardScan {
public:
    CBoardScan(CSqlDatabase& db, const CScanOptions& options, std::ostream& notes);
    // Throws CBoardError when the scan cannot be made; the board is then unchanged.
    CScanSummary Run();

private:
    struct Area {
        int64_t number = 0;
        std::string name;    // Windows-1252
        std::string ftpDir;  // Windows-1252: the folder's name
        std::string path;    // the folder, resolved
        bool known = false;  // the board has it, with this name and folder
    };
    struct Found {
        std::string name;      // Windows-1252, as on disk
        bool cut = false;      // the name was cut to fit the long-name field
        std::string diskName;  // the name on disk, for the web root's link
        bool linked = false;   // reached through a symbolic link inside the tree
        std::string path;      // then the file it reaches
        int64_t size = 0;
        int64_t uploaded = 0;
        int64_t changed = 0;  // the status-change time, ns: any write or chmod moves it
        std::string shortName;
        CScanDescription desc;
    };
    // Where a file's description came from.
    enum class Source { None, List, Archive };

    void Prepare();
    std::vector<Area> PlanAreas();
    std::map<std::string, Area> ReadAreasMap() const;
    // False when its folder cannot be read; `files` gets the files the area holds.
    bool ScanArea(const Area& area, std::vector<Found>* files);
    bool ListArea(const Area& area, int dirFd, std::vector<Found>* files, CScanText::ByName* bbs,
                  CScanText::ByName* ion);
    // The real path of a symbolic link when it stays inside the tree, else "" (and skipped).
    std::string Resolve(const std::string& link);
    std::string ReadList(int dirFd, const std::string& path, const char* name);
    // The folder's list entry for the file, or null.
    static const CScanDescription* Listed(const Found& f, const CScanText::ByName& bbs,
                                          const CScanText::ByName& ion);
    static bool IsArchive(const std::string& name);
    // The archive's FILE_ID.DIZ into `f->desc`; false when the archive could not be opened.
    bool ReadArchive(Found* f, int dirFd);
    void Skip(const std::string& path, const std::string& why);

    CSqlDatabase& m_db;
    const CScanOptions& m_options;
    std::ostream& m_notes;
    std::string m_root;
    std::string m_uploader;
    int64_t m_uploaderId = 0;
    CScanSummary m_summary;
    CSqlStatement m_read, m_insert, m_update, m_remove, m_keepArchive, m_dropArchive;
};
