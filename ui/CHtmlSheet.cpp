#include "ui/CHtmlSheet.h"

#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/CDialogButtons.h"
#include "ui/CDialogLook.h"
#include "ui/CHtmlFeedsPage.h"
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
    m_feeds = new CHtmlFeedsPage(list);
    m_index = new CHtmlIndexPage(list);
    m_tabs->addTab(m_property, QStringLiteral("Properties"));
    m_tabs->addTab(m_header, QStringLiteral("Page layout"));
    m_tabs->addTab(m_area, QStringLiteral("Area layout"));
    m_tabs->addTab(m_list, QStringLiteral("List layout"));
    m_tabs->addTab(m_feeds, QStringLiteral("Feeds"));
    m_property->Initialise();
    const int page = list.m_nSheetPage;
    m_tabs->setCurrentIndex(page >= 0 && page < m_tabs->count() ? page : 0);

    auto* buttons = CDialogButtons::OkCancel(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addWidget(buttons);
    CDialogLook::FitTitle(this);
    resize(std::max(sizeHint().width(), 560), std::max(sizeHint().height(), 480));
    FocusFirstField();
}

void CHtmlSheet::keyPressEvent(QKeyEvent* event) {
    // Ctrl+PgDn and Ctrl+PgUp turn the pages as Ctrl+Tab and Ctrl+Shift+Tab do.
    const int key = event->key();
    if (event->modifiers() == Qt::ControlModifier &&
        (key == Qt::Key_PageDown || key == Qt::Key_PageUp)) {
        const int count = m_tabs->count();
        m_tabs->setCurrentIndex(
            (m_tabs->currentIndex() + (key == Qt::Key_PageDown ? 1 : count - 1)) % count);
        return;
    }
    QDialog::keyPressEvent(event);
}

void CHtmlSheet::FocusFirstField() {
    // The first control of the page that takes the focus, so that Ctrl+Tab and Ctrl+PgDn
    // turn pages at once and a stray Space presses no dialog button.
    QWidget* page = m_tabs->currentWidget();
    for (QWidget* w = page->nextInFocusChain(); w != page && page->isAncestorOf(w);
         w = w->nextInFocusChain()) {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabledTo(this) && !w->isHidden()) {
            w->setFocus(Qt::TabFocusReason);
            return;
        }
    }
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
    m_feeds->Save(list);
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
