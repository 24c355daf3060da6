// The configuration root: the additional header lines and the ordered list definitions.
#pragma once

#include <string>
#include <vector>

#include "config/COutRec.h"

class CConfig {
public:
    std::string m_strHeaderLines;  // lines separated by CR LF
    std::vector<COutRec> m_lists;

    // "Copy of " + name, appended at the end; returns the new definition's index.
    size_t Duplicate(size_t index);
    // A default definition of the given type and (filtered) name, appended at the end.
    size_t AddNew(int listType, const std::string& name);

    // Names of File and Bulletin lists and of compressed files: upper case, only the
    // characters "ABCDEFGHIJKLMNOPQRSTUVWXYZ1234567890.+-_!$%~#", at most `maxLength`.
    static std::string FilterListName(const std::string& name, size_t maxLength = 12);
    // A name that stays inside the directory it is joined to: not empty, not "." or "..",
    // no "/" and no NUL. List files, pages and compressed files are named this way.
    static bool IsPlainFileName(const std::string& name);
};
