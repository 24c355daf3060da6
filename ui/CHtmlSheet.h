// The HTML settings of one list, as a sheet of pages: Properties, Page layout, Area layout,
// List layout, Feeds, and Index layout while "Indexed set" is on.
#pragma once

#include <QDialog>

#include "config/COutRec.h"

class CHtmlFeedsPage;
class CHtmlHeaderPage;
class CHtmlIndexPage;
class CHtmlListPage;
class CHtmlPropertyPage;
class HtmlAreaPage;
class QTabWidget;

class CHtmlSheet : public QDialog {
    Q_OBJECT
public:
    // Opens on page `list.m_nSheetPage` (the first page when that page is not there).
    explicit CHtmlSheet(const COutRec& list, QWidget* parent = nullptr);
    ~CHtmlSheet() override;

    // The index of the page active now.
    int CurrentPage() const;
    // Every edited field back into `list` (after OK).
    void Apply(COutRec& list) const;

    void AddIndexPage();
    void RemoveIndexPage();
    QTabWidget* Tabs() const { return m_tabs; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FocusFirstField();

    QTabWidget* m_tabs;
    CHtmlPropertyPage* m_property;
    CHtmlHeaderPage* m_header;
    HtmlAreaPage* m_area;
    CHtmlListPage* m_list;
    CHtmlFeedsPage* m_feeds;
    CHtmlIndexPage* m_index;  // owned here while not in the sheet
};
