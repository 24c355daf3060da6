#include "config/CListFields.h"

#include <iterator>

const std::string CListFields::m_strLineSingle(80, '\xC4');
const std::string CListFields::m_strLineDouble(80, '\xCD');
const std::string CListFields::m_strLineDouble2(80, '\xCD');
const std::string CListFields::m_strAsciiSingle(80, '-');
const std::string CListFields::m_strAsciiDouble(80, '=');
const std::string CListFields::m_strAsciiSingle2(80, '-');
const std::string CListFields::m_strSpaces(80, ' ');
const std::string CListFields::m_strNoText;
const std::string CListFields::m_strDefAreaHeader =
    "<H3><BR>~AREANUM~ - ~AREANAME~</H3><TABLE BORDER=0 ALIGN=CENTER>\n";
const std::string CListFields::m_strDefAreaFooter = "</TABLE>\n";
const std::string CListFields::m_strDefEntrySingle =
    "<TR><TD WIDTH=120>~NAME~</TD><TD ALIGN=CENTER WIDTH=20>~FLAG~</TD><TD "
    "WIDTH=550>~DESC~</TD></TR>\n";
const std::string CListFields::m_strDefEntryDouble =
    "<TR><TD WIDTH=120><B>~NAME~</B></TD><TD WIDTH=50>Size:</TD><TD WIDTH=60 "
    "ALIGN=RIGHT>~SIZE~</TD><TD WIDTH=21 ALIGN=CENTER>~FLAG~</TD><TD WIDTH=370 ROWSPAN=2 "
    "VALIGN=TOP>~DESC~</TD></TR>\n<TR>\n<TD WIDTH=130>Date: ~DATE~</TD><TD "
    "WIDTH=50>Dwnlds:</TD><TD WIDTH=50 ALIGN=RIGHT>~DWNLDS~</TD></TR>\n";
const std::string CListFields::m_strDefEntryFull =
    "<TR><TD WIDTH=120><B>~NAME~</B></TD><TD WIDTH=50>Size:</TD><TD WIDTH=60 "
    "ALIGN=RIGHT>~SIZE~</TD><TD WIDTH=21 ALIGN=CENTER>~FLAG~</TD><TD WIDTH=370 ROWSPAN=2 "
    "VALIGN=TOP>~DESC~</TD></TR>\n<TR><TD WIDTH=130>Date: ~DATE~</TD><TD "
    "WIDTH=50>Dwnlds:</TD><TD WIDTH=50 ALIGN=RIGHT>~DWNLDS~</TD></TR>\n<TR><TD "
    "WIDTH=130></TD><TD WIDTH=50></TD><TD WIDTH=60></TD><TD WIDTH=21></TD><TD WIDTH=370 "
    "VALIGN=TOP>~LONGDESC~</TD></TR>\n";

namespace {

using L = CListFields;
using F = StoredField<CListFields>;
using K = FieldKind;

const F kFields[] = {
    F::Special("version", K::Version, FORM_1),
    F::Int("listType", FORM_1, &L::m_nListType),
    F::Int("selection", FORM_1, &L::m_nSelection),
    F::Text("listName", FORM_1, &L::m_strListName, K::Name),
    F::Int("fileArea", FORM_1, &L::m_nFileArea),
    F::Text("listDesc", FORM_1, &L::m_strListDesc),
    F::Int("days", FORM_1, &L::m_nDays),
    F::Int("conference", FORM_1, &L::m_nConference),
    F::Text("from", FORM_1, &L::m_strFrom),
    F::Text("to", FORM_1, &L::m_strTo),
    F::Text("subject", FORM_1, &L::m_strSubject),
    F::Text("language", FORM_1, &L::m_strLanguage),
    F::Int("layout", FORM_1, &L::m_nLayout),
    F::Int("passworded", FORM_1, &L::m_bPassworded),
    F::Int("scanFailed", FORM_1, &L::m_bScanFailed),
    F::Int("free", FORM_1, &L::m_bFree),
    F::Int("options", FORM_1, &L::m_nOptions),
    F::Int("topCount", FORM_1, &L::m_nTopCount),
    F::Text("htmlDir", FORM_2, &L::m_strHtmlDir),
    F::Int("defFooter", FORM_2, &L::m_bDefFooter),
    F::Int("defHeader", FORM_2, &L::m_bDefHeader),
    F::Int("defTitle", FORM_2, &L::m_bDefTitle),
    F::Int("defAreaHeader", FORM_2, &L::m_bDefAreaHeader),
    F::Int("defAreaFooter", FORM_2, &L::m_bDefAreaFooter),
    F::Text("footer", FORM_2, &L::m_strFooter),
    F::Text("header", FORM_2, &L::m_strHeader),
    F::Text("title", FORM_2, &L::m_strTitle),
    F::Text("bgColour", FORM_2, &L::m_strBgColour),
    F::Text("bgImage", FORM_2, &L::m_strBgImage),
    F::Text("areaHeader", FORM_2, &L::m_strAreaHeader),
    F::Text("areaFooter", FORM_2, &L::m_strAreaFooter),
    F::Text("aLinkColour", FORM_2, &L::m_strALinkColour),
    F::Text("linkColour", FORM_2, &L::m_strLinkColour),
    F::Text("textColour", FORM_2, &L::m_strTextColour),
    F::Text("vLinkColour", FORM_2, &L::m_strVLinkColour),
    F::Special("zipFiles", K::Zips, FORM_1),
    F::Special("areas", K::Areas, FORM_1),
    F::Text("entryTemplate", FORM_2, &L::m_strEntryTemplate),
    F::Int("defEntry", FORM_2, &L::m_bDefEntry),
    F::Int("indexed", FORM_2, &L::m_bIndexed),
    F::Text("indexHeader", FORM_2, &L::m_strIndexHeader),
    F::Text("indexFooter", FORM_2, &L::m_strIndexFooter),
    F::Int("defIndexHeader", FORM_2, &L::m_bDefIndexHeader),
    F::Int("defIndexFooter", FORM_2, &L::m_bDefIndexFooter),
    F::Int("linkKind", FORM_2, &L::m_nLinkKind),
    F::Text("server", FORM_2, &L::m_strServer),
    F::Int("localLinks", FORM_2, &L::m_bLocalLinks),
    F::Text("styleSheet", FORM_21, &L::m_strStyleSheet),
    F::Int("feeds", FORM_22, &L::m_nFeeds),
    F::Int("feedCount", FORM_22, &L::m_nFeedCount),
    F::Text("copyDir", FORM_22, &L::m_strCopyDir),
    F::Int("newOnly", FORM_22, &L::m_bNewOnly),
    F::Int("theme", FORM_22, &L::m_nTheme),
};

static_assert(MemberCount<CListFields>() == std::size(kFields),
              "each member of CListFields needs its row in kFields");

}  // namespace

std::span<const StoredField<CListFields>> CListFields::Fields() {
    return kFields;
}

float CListFields::WrittenVersion() const {
    static const CListFields defaults{};
    for (const auto& field : kFields) {
        if (field.since != FORM_22) continue;
        const bool same = field.number ? this->*field.number == defaults.*field.number
                                       : this->*field.text == defaults.*field.text;
        if (!same) return kListVersion22;
    }
    return kCurrentListVersion;
}
