// The stored fields of one list definition, with their defaults, and the table that says how
// each is stored. Copy and comparison are the compiler's, so a new field is copied and
// compared as soon as it is declared; one row in Fields() stores it, reads it and gives it
// its quorvane-config key (CListFields.cpp refuses to compile while a field has no row).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "config/StoredField.h"
#include "config/ZipRec.h"

enum { LIST_FILE = 0, LIST_MESSAGE = 1, LIST_BULLETIN = 2, LIST_HTML = 3 };
enum { SEL_ALL = 0, SEL_DAYS = 1, SEL_POPULAR = 2 };
enum { LAYOUT_DOUBLE = 0, LAYOUT_SINGLE = 1, LAYOUT_FULL = 2 };
enum { LINK_NONE = 0, LINK_HTTP = 1, LINK_FTP = 2 };
enum { OPT_SKIPLIST = 1, OPT_DISCARD = 2, OPT_ASCII = 4 };
enum { FEED_ATOM = 1, FEED_JSON = 2 };
enum { THEME_CLASSIC = 0, THEME_MODERN = 1 };

// Format versions of a list definition record, as single-precision floats. A record is
// written as 2.1 unless it uses a field that only 2.2 stores, so that older versions of the
// program can still read it.
inline constexpr float kCurrentListVersion = 2.1f;
inline constexpr float kListVersion22 = 2.2f;

struct CListFields {
    // The rows of every stored field, in the order of the configuration file.
    static std::span<const StoredField<CListFields>> Fields();

    // The version this record is written in: kListVersion22 when any field of 2.2 differs
    // from its default, otherwise kCurrentListVersion.
    float WrittenVersion() const;

    bool operator==(const CListFields&) const = default;

    // In declaration order.
    std::string m_strListDesc;
    float m_fVersion = kCurrentListVersion;
    int m_nListType = LIST_FILE;
    int m_nSelection = SEL_ALL;
    std::string m_strListName;
    std::vector<ZipRec> m_zipFiles;
    int m_nFileArea = 1;
    int m_nDays = 30;
    int m_nConference = -1;
    std::string m_strFrom;
    std::string m_strTo = "ALL";
    std::string m_strSubject = "New Files";
    std::string m_strLanguage = "DEFAULT";
    std::vector<int32_t> m_areas;
    int m_nLayout = LAYOUT_DOUBLE;
    int m_bPassworded = 0;
    int m_bScanFailed = 0;
    int m_bFree = 1;
    int m_nOptions = 0;
    int m_nTopCount = 10;
    int m_bDefFooter = 1;
    int m_bDefHeader = 1;
    int m_bDefTitle = 1;
    int m_bDefAreaHeader = 1;
    int m_bDefAreaFooter = 1;
    int m_bDefIndexHeader = 1;
    int m_bDefIndexFooter = 1;
    int m_bDefEntry = 1;
    int m_bIndexed = 0;
    int m_nLinkKind = LINK_NONE;
    int m_bLocalLinks = 1;
    std::string m_strHtmlDir;
    std::string m_strFooter;
    std::string m_strHeader;
    std::string m_strTitle;
    std::string m_strBgColour;
    std::string m_strBgImage;
    std::string m_strALinkColour;
    std::string m_strLinkColour;
    std::string m_strTextColour;
    std::string m_strVLinkColour;
    std::string m_strAreaHeader = m_strDefAreaHeader;
    std::string m_strAreaFooter = m_strDefAreaFooter;
    std::string m_strEntryTemplate = m_strDefEntryDouble;
    std::string m_strIndexHeader;
    std::string m_strIndexFooter;
    std::string m_strServer;
    std::string m_strStyleSheet;
    // Since 2.2; a record that leaves all of them at their defaults is still written as 2.1.
    int m_nFeeds = 0;          // FEED_ATOM | FEED_JSON (HTML lists)
    int m_nFeedCount = 50;     // entries in the Atom feed
    std::string m_strCopyDir;  // UTF-8 copy of a text list; empty: none
    int m_bNewOnly = 0;        // Message and Bulletin lists: only files since the last post
    int m_nTheme = THEME_CLASSIC;

    // Built-in texts, the same in every definition.
    static const std::string m_strLineSingle;    // 80 x 0xC4
    static const std::string m_strLineDouble;    // 80 x 0xCD
    static const std::string m_strLineDouble2;   // 80 x 0xCD
    static const std::string m_strAsciiSingle;   // 80 x '-'
    static const std::string m_strAsciiDouble;   // 80 x '='
    static const std::string m_strAsciiSingle2;  // 80 x '-'
    static const std::string m_strSpaces;        // 80 blanks
    static const std::string m_strNoText;        // ""
    static const std::string m_strDefAreaHeader;
    static const std::string m_strDefAreaFooter;
    static const std::string m_strDefEntrySingle;
    static const std::string m_strDefEntryDouble;
    static const std::string m_strDefEntryFull;
};
