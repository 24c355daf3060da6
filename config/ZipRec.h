// One compressed-file definition inside a list definition.
#pragma once

#include <string>

enum { ZIP_INTERNAL = 1 };

struct ZipRec {
    std::string m_strZipDesc;     // file description of the compressed file (76 in the dialog)
    std::string m_strZipName;     // name of the compressed file, upper case
    std::string m_strZipSpare;    // carried along; nothing sets it
    std::string m_strCommand;     // external command line (256 in the dialog)
    int m_nZipArea = 0;           // replaced by the list's file area before publishing
    std::string m_strZipComment;  // archive comment of the internal ZIP writer (since 2.1)
    int m_nZipFlags = 0;          // ZIP_INTERNAL (since 2.1)
    float m_fZipVersion = 0.0f;   // not stored: the owning record's version while it is read

    // Equal stored fields; m_fZipVersion is not stored and only says how the record was read.
    bool operator==(const ZipRec& o) const {
        return m_strZipDesc == o.m_strZipDesc && m_strZipName == o.m_strZipName &&
               m_strZipSpare == o.m_strZipSpare && m_strCommand == o.m_strCommand &&
               m_nZipArea == o.m_nZipArea && m_strZipComment == o.m_strZipComment &&
               m_nZipFlags == o.m_nZipFlags;
    }
};
