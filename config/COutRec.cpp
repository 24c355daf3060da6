#include "config/COutRec.h"

#include "server/WcServer.h"

const std::string COutRec::m_strLineSingle(80, '\xC4');
const std::string COutRec::m_strLineDouble(80, '\xCD');
const std::string COutRec::m_strLineDouble2(80, '\xCD');
const std::string COutRec::m_strAsciiSingle(80, '-');
const std::string COutRec::m_strAsciiDouble(80, '=');
const std::string COutRec::m_strAsciiSingle2(80, '-');
const std::string COutRec::m_strSpaces(80, ' ');
const std::string COutRec::m_strNoText;
const std::string COutRec::m_strDefAreaHeader =
    "<H3><BR>~AREANUM~ - ~AREANAME~</H3><TABLE BORDER=0 ALIGN=CENTER>\n";
const std::string COutRec::m_strDefAreaFooter = "</TABLE>\n";
const std::string COutRec::m_strDefEntrySingle =
    "<TR><TD WIDTH=120>~NAME~</TD><TD ALIGN=CENTER WIDTH=20>~FLAG~</TD><TD "
    "WIDTH=550>~DESC~</TD></TR>\n";
const std::string COutRec::m_strDefEntryDouble =
    "<TR><TD WIDTH=120><B>~NAME~</B></TD><TD WIDTH=50>Size:</TD><TD WIDTH=60 "
    "ALIGN=RIGHT>~SIZE~</TD><TD WIDTH=21 ALIGN=CENTER>~FLAG~</TD><TD WIDTH=370 ROWSPAN=2 "
    "VALIGN=TOP>~DESC~</TD></TR>\n<TR>\n<TD WIDTH=130>Date: ~DATE~</TD><TD "
    "WIDTH=50>Dwnlds:</TD><TD WIDTH=50 ALIGN=RIGHT>~DWNLDS~</TD></TR>\n";
const std::string COutRec::m_strDefEntryFull =
    "<TR><TD WIDTH=120><B>~NAME~</B></TD><TD WIDTH=50>Size:</TD><TD WIDTH=60 "
    "ALIGN=RIGHT>~SIZE~</TD><TD WIDTH=21 ALIGN=CENTER>~FLAG~</TD><TD WIDTH=370 ROWSPAN=2 "
    "VALIGN=TOP>~DESC~</TD></TR>\n<TR><TD WIDTH=130>Date: ~DATE~</TD><TD "
    "WIDTH=50>Dwnlds:</TD><TD WIDTH=50 ALIGN=RIGHT>~DWNLDS~</TD></TR>\n<TR><TD "
    "WIDTH=130></TD><TD WIDTH=50></TD><TD WIDTH=60></TD><TD WIDTH=21></TD><TD WIDTH=370 "
    "VALIGN=TOP>~LONGDESC~</TD></TR>\n";

namespace {

// The operator's name when this thread holds a server session; empty otherwise.
std::string OperatorName() {
    WcMakewild settings{};
    if (!GetMakewild(&settings)) return {};
    settings.szSysopName[sizeof settings.szSysopName - 1] = '\0';
    return settings.szSysopName;
}

}  // namespace

COutRec::COutRec() {
    ResetDefaults();
}

COutRec::COutRec(const COutRec& other) {
    *this = other;
}

COutRec& COutRec::operator=(const COutRec& other) {
    if (this == &other) return *this;
    m_strListDesc = other.m_strListDesc;
    m_fVersion = other.m_fVersion;
    m_nListType = other.m_nListType;
    m_nSelection = other.m_nSelection;
    m_strListName = other.m_strListName;
    m_zipFiles = other.m_zipFiles;
    m_nFileArea = other.m_nFileArea;
    m_nDays = other.m_nDays;
    m_nConference = other.m_nConference;
    m_strFrom = other.m_strFrom;
    m_strTo = other.m_strTo;
    m_strSubject = other.m_strSubject;
    m_strLanguage = other.m_strLanguage;
    m_areas = other.m_areas;
    m_nLayout = other.m_nLayout;
    m_bPassworded = other.m_bPassworded;
    m_bScanFailed = other.m_bScanFailed;
    m_bFree = other.m_bFree;
    m_nOptions = other.m_nOptions;
    m_nTopCount = other.m_nTopCount;
    m_bDefFooter = other.m_bDefFooter;
    m_bDefHeader = other.m_bDefHeader;
    m_bDefTitle = other.m_bDefTitle;
    m_bDefAreaHeader = other.m_bDefAreaHeader;
    m_bDefAreaFooter = other.m_bDefAreaFooter;
    m_bDefIndexHeader = other.m_bDefIndexHeader;
    m_bDefIndexFooter = other.m_bDefIndexFooter;
    m_bDefEntry = other.m_bDefEntry;
    m_bIndexed = other.m_bIndexed;
    m_nLinkKind = other.m_nLinkKind;
    m_bLocalLinks = other.m_bLocalLinks;
    m_strHtmlDir = other.m_strHtmlDir;
    m_strFooter = other.m_strFooter;
    m_strHeader = other.m_strHeader;
    m_strTitle = other.m_strTitle;
    m_strBgColour = other.m_strBgColour;
    m_strBgImage = other.m_strBgImage;
    m_strALinkColour = other.m_strALinkColour;
    m_strLinkColour = other.m_strLinkColour;
    m_strTextColour = other.m_strTextColour;
    m_strVLinkColour = other.m_strVLinkColour;
    m_strAreaHeader = other.m_strAreaHeader;
    m_strAreaFooter = other.m_strAreaFooter;
    m_strEntryTemplate = other.m_strEntryTemplate;
    m_strIndexHeader = other.m_strIndexHeader;
    m_strIndexFooter = other.m_strIndexFooter;
    m_strServer = other.m_strServer;
    m_strStyleSheet = other.m_strStyleSheet;
    m_nFeeds = other.m_nFeeds;
    m_nFeedCount = other.m_nFeedCount;
    m_strCopyDir = other.m_strCopyDir;
    m_bNewOnly = other.m_bNewOnly;
    m_nTheme = other.m_nTheme;
    return *this;
}

void COutRec::ResetDefaults() {
    const int sheetPage = m_nSheetPage;
    *this = COutRec(DefaultsTag{});
    m_nSheetPage = sheetPage;
    m_strFrom = OperatorName();
}

bool COutRec::SameStoredFields(const COutRec& o) const {
    return m_strListDesc == o.m_strListDesc && m_fVersion == o.m_fVersion &&
           m_nListType == o.m_nListType && m_nSelection == o.m_nSelection &&
           m_strListName == o.m_strListName && m_zipFiles == o.m_zipFiles &&
           m_nFileArea == o.m_nFileArea && m_nDays == o.m_nDays &&
           m_nConference == o.m_nConference && m_strFrom == o.m_strFrom && m_strTo == o.m_strTo &&
           m_strSubject == o.m_strSubject && m_strLanguage == o.m_strLanguage &&
           m_areas == o.m_areas && m_nLayout == o.m_nLayout && m_bPassworded == o.m_bPassworded &&
           m_bScanFailed == o.m_bScanFailed && m_bFree == o.m_bFree && m_nOptions == o.m_nOptions &&
           m_nTopCount == o.m_nTopCount && m_bDefFooter == o.m_bDefFooter &&
           m_bDefHeader == o.m_bDefHeader && m_bDefTitle == o.m_bDefTitle &&
           m_bDefAreaHeader == o.m_bDefAreaHeader && m_bDefAreaFooter == o.m_bDefAreaFooter &&
           m_bDefIndexHeader == o.m_bDefIndexHeader && m_bDefIndexFooter == o.m_bDefIndexFooter &&
           m_bDefEntry == o.m_bDefEntry && m_bIndexed == o.m_bIndexed &&
           m_nLinkKind == o.m_nLinkKind && m_bLocalLinks == o.m_bLocalLinks &&
           m_strHtmlDir == o.m_strHtmlDir && m_strFooter == o.m_strFooter &&
           m_strHeader == o.m_strHeader && m_strTitle == o.m_strTitle &&
           m_strBgColour == o.m_strBgColour && m_strBgImage == o.m_strBgImage &&
           m_strALinkColour == o.m_strALinkColour && m_strLinkColour == o.m_strLinkColour &&
           m_strTextColour == o.m_strTextColour && m_strVLinkColour == o.m_strVLinkColour &&
           m_strAreaHeader == o.m_strAreaHeader && m_strAreaFooter == o.m_strAreaFooter &&
           m_strEntryTemplate == o.m_strEntryTemplate && m_strIndexHeader == o.m_strIndexHeader &&
           m_strIndexFooter == o.m_strIndexFooter && m_strServer == o.m_strServer &&
           m_strStyleSheet == o.m_strStyleSheet && m_nFeeds == o.m_nFeeds &&
           m_nFeedCount == o.m_nFeedCount && m_strCopyDir == o.m_strCopyDir &&
           m_bNewOnly == o.m_bNewOnly && m_nTheme == o.m_nTheme;
}

float COutRec::WrittenVersion() const {
    static const COutRec d(DefaultsTag{});
    const bool uses22 = m_nFeeds != d.m_nFeeds || m_nFeedCount != d.m_nFeedCount ||
                        m_strCopyDir != d.m_strCopyDir || m_bNewOnly != d.m_bNewOnly ||
                        m_nTheme != d.m_nTheme;
    return uses22 ? kListVersion22 : kCurrentListVersion;
}
