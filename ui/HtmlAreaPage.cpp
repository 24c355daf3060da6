#include "ui/HtmlAreaPage.h"

HtmlAreaPage::HtmlAreaPage(const COutRec& list, QWidget* parent) : CHtmlTemplatePage(parent) {
    setObjectName(QStringLiteral("areaPage"));
    Build({{QStringLiteral("Area &header template (HTML)"), 1097, 1095, list.m_strAreaHeader,
            list.m_bDefAreaHeader},
           {QStringLiteral("Area &footer template (HTML)"), 1093, 1096, list.m_strAreaFooter,
            list.m_bDefAreaFooter}});
}

void HtmlAreaPage::Save(COutRec& list) const {
    list.m_strAreaHeader = At(0).text;
    list.m_bDefAreaHeader = At(0).bDefault;
    list.m_strAreaFooter = At(1).text;
    list.m_bDefAreaFooter = At(1).bDefault;
}
