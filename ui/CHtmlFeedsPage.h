// The "Feeds" page of the HTML settings sheet: an Atom feed of the newest files and its
// length, a JSON catalogue beside the pages, and the theme of the pages.
#pragma once

#include <QWidget>

#include "config/COutRec.h"

class QCheckBox;
class QComboBox;
class QSpinBox;

class CHtmlFeedsPage : public QWidget {
    Q_OBJECT
public:
    explicit CHtmlFeedsPage(const COutRec& list, QWidget* parent = nullptr);
    void Save(COutRec& list) const;

private:
    void SetFeed(int bit, bool on);

    int m_nFeeds;
    int m_nFeedCount;
    int m_nTheme;

    QCheckBox* m_atom;
    QSpinBox* m_count;
    QCheckBox* m_json;
    QComboBox* m_theme;
};
