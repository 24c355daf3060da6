#include "ui/CHtmlFeedsPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QSpinBox>

CHtmlFeedsPage::CHtmlFeedsPage(const COutRec& list, QWidget* parent)
    : QWidget(parent),
      m_nFeeds(list.m_nFeeds),
      m_nFeedCount(list.m_nFeedCount),
      m_nTheme(list.m_nTheme) {
    setObjectName(QStringLiteral("feedsPage"));

    m_atom = new QCheckBox(QStringLiteral("&Atom feed of the newest files"));
    m_atom->setObjectName(QStringLiteral("atomFeedCheck"));
    m_atom->setChecked((m_nFeeds & FEED_ATOM) != 0);
    m_count = new QSpinBox;
    m_count->setObjectName(QStringLiteral("feedCountSpin"));
    m_count->setRange(1, 100000);
    m_count->setValue(m_nFeedCount);
    m_count->setEnabled(m_atom->isChecked());
    m_json = new QCheckBox(QStringLiteral("&JSON catalogue of every file, beside the pages"));
    m_json->setObjectName(QStringLiteral("jsonCatalogueCheck"));
    m_json->setChecked((m_nFeeds & FEED_JSON) != 0);
    m_theme = new QComboBox;
    m_theme->setObjectName(QStringLiteral("themeCombo"));
    m_theme->addItems({QStringLiteral("Classic"),
                       QStringLiteral("Modern: sorts, filters, follows light and dark mode")});
    // A theme this version does not know shows no choice and stays until one is made.
    m_theme->setCurrentIndex(m_nTheme >= THEME_CLASSIC && m_nTheme <= THEME_MODERN ? m_nTheme : -1);

    connect(m_atom, &QCheckBox::toggled, this, [this](bool on) {
        SetFeed(FEED_ATOM, on);
        m_count->setEnabled(on);
    });
    // Only a change by the operator is stored, so a count outside the box's range stays.
    connect(m_count, &QSpinBox::valueChanged, this, [this](int value) { m_nFeedCount = value; });
    connect(m_json, &QCheckBox::toggled, this, [this](bool on) { SetFeed(FEED_JSON, on); });
    connect(m_theme, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0) m_nTheme = index;
    });

    auto* countLabel = new QLabel(QStringLiteral("&Entries in the feed"));
    countLabel->setBuddy(m_count);
    auto* themeLabel = new QLabel(QStringLiteral("Page &theme"));
    themeLabel->setBuddy(m_theme);
    auto* grid = new QGridLayout(this);
    grid->addWidget(m_atom, 0, 0, 1, 2);
    grid->addWidget(countLabel, 1, 0);
    grid->addWidget(m_count, 1, 1, Qt::AlignLeft);
    grid->addWidget(m_json, 2, 0, 1, 2);
    grid->addWidget(themeLabel, 3, 0);
    grid->addWidget(m_theme, 3, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(4, 1);
}

void CHtmlFeedsPage::SetFeed(int bit, bool on) {
    m_nFeeds = on ? (m_nFeeds | bit) : (m_nFeeds & ~bit);
}

void CHtmlFeedsPage::Save(COutRec& list) const {
    list.m_nFeeds = m_nFeeds;
    list.m_nFeedCount = m_nFeedCount;
    list.m_nTheme = m_nTheme;
}
