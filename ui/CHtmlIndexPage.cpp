#include "ui/CHtmlIndexPage.h"

CHtmlIndexPage::CHtmlIndexPage(const COutRec& list, QWidget* parent) : CHtmlTemplatePage(parent) {
    setObjectName(QStringLiteral("indexPage"));
    Build({{QStringLiteral("Index &header template (HTML)"), "indexHeaderEdit",
            "defaultIndexHeaderCheck", list.m_strIndexHeader, list.m_bDefIndexHeader},
           {QStringLiteral("Index &footer template (HTML)"), "indexFooterEdit",
            "defaultIndexFooterCheck", list.m_strIndexFooter, list.m_bDefIndexFooter}});
}

void CHtmlIndexPage::Save(COutRec& list) const {
    list.m_strIndexHeader = At(0).text;
    list.m_bDefIndexHeader = At(0).bDefault;
    list.m_strIndexFooter = At(1).text;
    list.m_bDefIndexFooter = At(1).bDefault;
}
