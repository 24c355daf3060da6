#include "ui/HtmlAreaPage.h"

HtmlAreaPage::HtmlAreaPage(const COutRec& list, QWidget* parent) : CHtmlTemplatePage(parent) {
    setObjectName(QStringLiteral("areaPage"));
    Build({{QStringLiteral("Area &header template (HTML)"), "areaHeaderEdit",
            "defaultAreaHeaderCheck", list.m_strAreaHeader, list.m_bDefAreaHeader},
           {QStringLiteral("Area &footer template (HTML)"), "areaFooterEdit",
            "defaultAreaFooterCheck", list.m_strAreaFooter, list.m_bDefAreaFooter}});
}

void HtmlAreaPage::Save(COutRec& list) const {
    list.m_strAreaHeader = At(0).text;
    list.m_bDefAreaHeader = At(0).bDefault;
    list.m_strAreaFooter = At(1).text;
    list.m_bDefAreaFooter = At(1).bDefault;
}
