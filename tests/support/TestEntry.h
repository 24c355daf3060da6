// The file records the writer and template tests feed in, as the walk hands them on.
#pragma once

#include <string>

#include "generate/CFileEntry.h"

// `name` in `area`, uploaded by "Ann <A>" on 11/30/26 at 10:00, downloaded 7 times and not
// since, flag " ".
inline CFileEntry TestEntry(const std::string& name, int area = 1, int32_t size = 1000,
                            const std::string& description = "Handy <tools> & more") {
    CFileEntry e;
    e.m_strName = name;
    e.m_nArea = area;
    e.m_strArea = std::to_string(area);
    e.m_nSize = size;
    e.m_strDescription = description;
    e.m_strFlag = " ";
    e.m_dtUploaded = 1796032800;
    e.m_strDate = "11/30/26";
    e.m_strTime = "10:00";
    e.m_strLastDate = e.m_strLastTime = "N/A";
    e.m_nDownloads = 7;
    e.m_strDownloads = "7";
    e.m_strUploader = "Ann <A>";
    return e;
}

// The same file, free to download.
inline CFileEntry Free(CFileEntry e) {
    e.m_bIsFree = true;
    e.m_strFlag = "F";
    return e;
}
