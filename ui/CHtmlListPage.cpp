#include "ui/CHtmlListPage.h"

CHtmlListPage::CHtmlListPage(const COutRec& list, QWidget* parent) : CHtmlTemplatePage(parent) {
    setObjectName(QStringLiteral("listPage"));
    Build({{QStringLiteral("List &entry template (HTML)"), "entryTemplateEdit", "defaultEntryCheck",
            list.m_strEntryTemplate, list.m_bDefEntry}});
}

void CHtmlListPage::Save(COutRec& list) const {
    list.m_strEntryTemplate = At(0).text;
    list.m_bDefEntry = At(0).bDefault;
}
