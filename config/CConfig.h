// The configuration root: the additional header lines and the ordered list definitions.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "config/COutRec.h"

class CConfig {
public:
    std::string m_strHeaderLines;  // lines separated by CR LF
    std::vector<COutRec> m_lists;

    // "Copy of " + name, appended at the end; returns the new definition's index.
    size_t Duplicate(size_t index);
    // A default definition of the given type and (filtered) name, appended at the end.
    size_t AddNew(int listType, const std::string& name, const std::string& from);

    // Names of File and Bulletin lists and of compressed files: upper case, only the
    // characters "ABCDEFGHIJKLMNOPQRSTUVWXYZ1234567890.+-_!$%~#", at most `maxLength`.
    static std::string FilterListName(const std::string& name, size_t maxLength = 12);
    // A name that stays inside the directory it is joined to: not empty, not "." or "..",
    // no "/" and no control character (a line break would break the board's listings).
    // List files, pages and compressed files are named this way.
    static bool IsPlainFileName(const std::string& name);
    // True when a name holds a control character (below 0x20, or DEL). Names the board
    // stores (list files, bulletins, compressed files) must not: a line break in one would
    // break every listing of the board's files.
    static bool HasControlCharacter(std::string_view name);
};
