#include "ui/CHtmlHeaderPage.h"

CHtmlHeaderPage::CHtmlHeaderPage(const COutRec& list, QWidget* parent) : CHtmlTemplatePage(parent) {
    setObjectName(QStringLiteral("headerPage"));
    Build({{QStringLiteral("Custom &header (HTML)"), "headerEdit", "defaultHeaderCheck",
            list.m_strHeader, list.m_bDefHeader},
           {QStringLiteral("Custom &footer (HTML)"), "footerEdit", "defaultFooterCheck",
            list.m_strFooter, list.m_bDefFooter}});
}

void CHtmlHeaderPage::Save(COutRec& list) const {
    list.m_strHeader = At(0).text;
    list.m_bDefHeader = At(0).bDefault;
    list.m_strFooter = At(1).text;
    list.m_bDefFooter = At(1).bDefault;
}
