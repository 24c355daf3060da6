// One compressed-file definition inside a list definition.
#pragma once

#include <span>
#include <string>

#include "config/StoredField.h"

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

    // The rows of the stored fields, in the order of the configuration file.
    static std::span<const StoredField<ZipRec>> Fields();
    // Equal stored fields; m_fZipVersion is not stored and only says how the record was read.
    bool operator==(const ZipRec& other) const;
};
