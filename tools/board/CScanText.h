// The description texts a file tree carries: a folder's FILES.BBS and DESCRIPT.ION, and an
// archive's FILE_ID.DIZ. Text in code page 437 or UTF-8 comes out as Windows-1252, cut to the
// file record's fields.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// One file's description, already in Windows-1252 and fitted to the record.
struct CScanDescription {
    std::string text;                // at most the record's 76 bytes
    std::vector<std::string> lines;  // the long description: at most 15 lines of 79 bytes
    int64_t downloads = -1;          // a FILES.BBS download counter, -1 = none
    bool cut = false;                // something did not fit and was cut off
};

class CScanText {
public:
    // Descriptions by file name, upper-cased (ASCII letters), as the folder's list names them.
    using ByName = std::map<std::string, CScanDescription>;

    // FILES.BBS: "NAME.EXT description" or "NAME.EXT size date description", an optional
    // "[05]" download counter before the text, continuation lines that start with blanks,
    // '|' or '+', comment lines that start with ';'.
    static ByName ParseFilesBbs(std::string_view bytes);
    // DESCRIPT.ION: "name description" or "\"long name\" description".
    static ByName ParseDescriptIon(std::string_view bytes);
    // FILE_ID.DIZ / DESC.SDI: the first line is the description, the next ones the long
    // description; leading and trailing empty lines and ANSI colour codes are dropped.
    static CScanDescription ParseDiz(std::string_view bytes);

    // Valid UTF-8 is taken as UTF-8, anything else as code page 437; characters Windows-1252
    // lacks become the closest letter, or '?'.
    static std::string ToCp1252(std::string_view bytes);
    static std::string Upper(std::string_view cp1252);
    static bool IsUtf8(std::string_view bytes);
};
