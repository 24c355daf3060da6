#include "ui/CHtmlSheet.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "ui/CDialogButtons.h"
#include "ui/CHtmlHeaderPage.h"
#include "ui/CHtmlIndexPage.h"
#include "ui/CHtmlListPage.h"
#include "ui/CHtmlPropertyPage.h"
#include "ui/CUiText.h"
#include "ui/HtmlAreaPage.h"

CHtmlSheet::CHtmlSheet(const COutRec& list, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("htmlSheet"));
    setWindowTitle(QStringLiteral("Customise ") + CUiText::ToQt(list.m_strListName));
    m_tabs = new QTabWidget;
    m_tabs->setObjectName(QStringLiteral("sheetTabs"));
    m_property = new CHtmlPropertyPage(this, list);
    m_header = new CHtmlHeaderPage(list);
    m_area = new HtmlAreaPage(list);
    m_list = new CHtmlListPage(list);
    m_index = new CHtmlIndexPage(list);
    m_tabs->addTab(m_property, QStringLiteral("Properties"));
    m_tabs->addTab(m_header, QStringLiteral("Page layout"));
    m_tabs->addTab(m_area, QStringLiteral("Area layout"));
    m_tabs->addTab(m_list, QStringLiteral("List layout"));
    m_property->Initialise();
    const int page = list.m_nSheetPage;
    m_tabs->setCurrentIndex(page >= 0 && page < m_tabs->count() ? page : 0);

    auto* buttons = CDialogButtons::OkCancel(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addWidget(buttons);
    resize(560, 480);
}

CHtmlSheet::~CHtmlSheet() {
    // While out of the sheet the index page has no parent, so it is ours to delete.
    if (m_tabs->indexOf(m_index) < 0) delete m_index;
}

int CHtmlSheet::CurrentPage() const {
    return m_tabs->currentIndex();
}

void CHtmlSheet::Apply(COutRec& list) const {
    m_property->Save(list);
    m_header->Save(list);
    m_area->Save(list);
    m_list->Save(list);
    m_index->Save(list);
}

void CHtmlSheet::AddIndexPage() {
    if (m_tabs->indexOf(m_index) < 0) m_tabs->addTab(m_index, QStringLiteral("Index layout"));
}

void CHtmlSheet::RemoveIndexPage() {
    const int at = m_tabs->indexOf(m_index);
    if (at < 0) return;
    m_tabs->removeTab(at);
    m_index->setParent(nullptr);
}
