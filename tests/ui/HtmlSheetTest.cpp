#include "tests/ui/CUiTest.h"
#include "ui/CHtmlPropertyPage.h"
#include "ui/CHtmlSheet.h"

namespace {

class HtmlSheetTest : public CUiTest {
protected:
    static QStringList TabTitles(const CHtmlSheet& sheet) {
        QStringList titles;
        for (int i = 0; i < sheet.Tabs()->count(); ++i) titles << sheet.Tabs()->tabText(i);
        return titles;
    }
    COutRec m_list;
};

// Colours are three hex pairs. File references: a prefix of a name is no shared folder; names
// are case-sensitive; nothing shared gives an absolute reference.
TEST_F(HtmlSheetTest, ColourTextsAndFileReferences) {
    // Two pairs or a signed number are no colour: the chooser starts on black.
    for (const auto& [text, rgb] : std::initializer_list<std::pair<const char*, const char*>>{
             {"#0A0b0C", "#0a0b0c"}, {"#ffcc", ""}, {"red", ""}, {"", ""}, {"-1ffff", ""}}) {
        const auto colour = CHtmlPropertyPage::ParseColour(text);
        EXPECT_EQ(colour ? colour->name() : QString(), rgb) << text;
    }
    EXPECT_EQ(CHtmlPropertyPage::FormatColour(QColor(1, 2, 171)), "#0102AB");
    const char* cases[][3] = {
        {"/srv/web/logo.gif", "/srv/web", "logo.gif"},
        {"/srv/web/logo.gif", "/srv/web/ \t", "logo.gif"},
        {"/srv/web/img/a.gif", "/srv/web", "img/a.gif"},
        {"/srv/img/a.gif", "/srv/web", "../img/a.gif"},
        {"/img/a.gif", "/srv/web/lists", "../../../img/a.gif"},
        {"/srv/web/a.gif", "/srv/website", "../web/a.gif"},
        {"/srv/Web/a.gif", "/srv/web", "../Web/a.gif"},
        {"/pics/a.gif", "", "file:///pics/a.gif"},
        {"/pics/a.gif", "web", "file:///pics/a.gif"},
    };
    for (const auto& [path, dir, ref] : cases)
        EXPECT_EQ(CHtmlPropertyPage::RelativeReference(path, dir), ref) << path << " " << dir;
}

// The choosers start on what their field holds and fill it; the colour one writes upper case.
TEST_F(HtmlSheetTest, ChooseButtonsStartFromTheirFieldsAndFillThem) {
    m_list.m_strBgColour = "ffcc00";
    m_list.m_strHtmlDir = "/srv/web";
    CHtmlSheet sheet(m_list);
    QColor offered;
    bool accept = true;
    CDialogHooks::chooseColour = [&](QWidget*, const QColor& initial) -> std::optional<QColor> {
        offered = initial;
        return accept ? std::optional(initial) : std::nullopt;
    };
    sheet.findChild<QPushButton*>("bgColourButton")->click();
    EXPECT_EQ(offered, QColor(0xff, 0xcc, 0x00));
    EXPECT_EQ(sheet.findChild<QLineEdit*>("bgColourEdit")->text(), "#FFCC00");

    // A text colour that is no colour opens on black; Cancel leaves the field alone.
    sheet.findChild<QLineEdit*>("textColourEdit")->setText("blue");
    accept = false;
    sheet.findChild<QPushButton*>("textColourButton")->click();
    EXPECT_EQ(offered, QColor(0, 0, 0));
    EXPECT_EQ(sheet.findChild<QLineEdit*>("textColourEdit")->text(), "blue");

    QString asked, chosen = QStringLiteral("/srv/web/css/site.css");
    CDialogHooks::chooseFile = [&](QWidget*, const QString& filter, const QString& suffix,
                                   const QString& from) {
        asked = filter + " " + suffix + " " + from;
        return chosen;
    };
    sheet.findChild<QPushButton*>("styleSheetButton")->click();
    // Filter, suffix, start folder: the HTML directory for an empty field, else the file's.
    EXPECT_EQ(asked, "Style Sheets (*.css);;All Files (*) css /srv/web");
    EXPECT_EQ(sheet.findChild<QLineEdit*>("styleSheetEdit")->text(), "css/site.css");
    chosen.clear();  // cancelled
    sheet.findChild<QPushButton*>("styleSheetButton")->click();
    EXPECT_EQ(asked, "Style Sheets (*.css);;All Files (*) css /srv/web/css");

    sheet.findChild<QLineEdit*>("bgImageEdit")->setText("../img/old.gif");
    sheet.findChild<QPushButton*>("bgImageButton")->click();
    EXPECT_EQ(asked, "  /srv/img");
    EXPECT_EQ(sheet.findChild<QLineEdit*>("bgImageEdit")->text(), "../img/old.gif");
    sheet.findChild<QLineEdit*>("bgImageEdit")->setText("file:///pics/a.gif");
    sheet.findChild<QPushButton*>("bgImageButton")->click();
    EXPECT_EQ(asked, "  /pics");
    sheet.Apply(m_list);
    EXPECT_EQ(m_list.m_strBgColour + m_list.m_strTextColour, "#FFCC00blue");
}

TEST_F(HtmlSheetTest, IndexedSetAddsAndRemovesTheIndexPageAndNoPageSharesAMnemonic) {
    CHtmlSheet sheet(m_list);
    const QStringList five = {"Properties", "Page layout", "Area layout", "List layout", "Feeds"};
    EXPECT_EQ(TabTitles(sheet), five);
    auto* indexed = sheet.findChild<QCheckBox*>("indexedCheck");
    indexed->click();
    EXPECT_EQ(TabTitles(sheet), five + QStringList{"Index layout"});
    sheet.Tabs()->setCurrentIndex(5);
    indexed->click();
    EXPECT_EQ(TabTitles(sheet), five);
    indexed->click();
    EXPECT_EQ(TabTitles(sheet).last(), "Index layout");
    sheet.Apply(m_list);
    EXPECT_EQ(m_list.m_bIndexed, 1);

    // Opened indexed, on that page; no page shares a mnemonic with the OK / Cancel row.
    m_list.m_nSheetPage = 5;
    CHtmlSheet again(m_list);
    ASSERT_EQ(TabTitles(again).size(), 6);
    EXPECT_EQ(again.CurrentPage(), 5);
    for (int i = 0; i < again.Tabs()->count(); ++i) {
        QWidget* page = again.Tabs()->widget(i);
        EXPECT_EQ(MnemonicClashes({page, again.findChild<QDialogButtonBox*>()}), "") << i;
        for (const QLabel* label : page->findChildren<const QLabel*>())
            EXPECT_FALSE(label->text().contains('}')) << label->text().toStdString();
    }
}

// The sheet opens with the focus in its page, so Ctrl+PgDn turns the page at once.
TEST_F(HtmlSheetTest, OpensWithTheFocusOnTheFirstFieldOfItsPage) {
    // Page, the "Default" boxes of the title and the templates, the field with the focus.
    for (const auto& [page, defaults, focus] :
         std::initializer_list<std::tuple<int, int, QString>>{{0, 0, "titleEdit"},
                                                              {0, 1, "defaultTitleCheck"},
                                                              {1, 0, "headerEdit"},
                                                              {1, 1, "defaultHeaderCheck"},
                                                              {3, 0, "entryTemplateEdit"}}) {
        m_list.m_nSheetPage = page;
        m_list.m_bDefTitle = m_list.m_bDefHeader = m_list.m_bDefEntry = defaults;
        CHtmlSheet sheet(m_list);
        sheet.show();
        ASSERT_NE(sheet.focusWidget(), nullptr) << page;
        EXPECT_EQ(sheet.focusWidget()->objectName(), focus) << page;
        if (page != 0) continue;
        QTest::keyClick(sheet.focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
        EXPECT_EQ(sheet.CurrentPage(), 1);
        QTest::keyClick(sheet.focusWidget(), Qt::Key_PageDown, Qt::ControlModifier);
        EXPECT_EQ(sheet.CurrentPage(), 2);
    }
}

TEST_F(HtmlSheetTest, LinkKindEnablesLocalBoxAndServer) {
    CHtmlSheet sheet(m_list);  // LINK_NONE, local links on
    auto* kind = sheet.findChild<QComboBox*>("linkKindCombo");
    auto* local = sheet.findChild<QCheckBox*>("localLinksCheck");
    auto* server = sheet.findChild<QLineEdit*>("serverEdit");
    auto enabled = [&] { return std::pair(local->isEnabled(), server->isEnabled()); };
    EXPECT_EQ(enabled(), std::pair(false, false));
    kind->setCurrentIndex(LINK_HTTP);
    EXPECT_EQ(enabled(), std::pair(true, false));  // local box checked
    local->click();
    EXPECT_EQ(enabled(), std::pair(true, true));
    local->click();
    kind->setCurrentIndex(LINK_FTP);
    EXPECT_EQ(enabled(), std::pair(false, true));  // although the local box stays checked
    server->setText("files.example.org");
    sheet.Apply(m_list);
    EXPECT_EQ(std::tuple(m_list.m_nLinkKind, m_list.m_bLocalLinks, m_list.m_strServer),
              std::tuple(LINK_FTP, 1, "files.example.org"));
}

// Unknown feed bits, a count outside the box's range and an unknown theme stay as stored.
TEST_F(HtmlSheetTest, FeedsPageRoundTrip) {
    const struct {
        int feeds, count, theme;  // stored
        bool atom, json;          // clicked
        int newCount, newTheme;   // typed, chosen (-1: untouched)
        int wantFeeds, wantCount, wantTheme;
    } cases[] = {
        {0, 50, THEME_CLASSIC, true, true, 20, THEME_MODERN, FEED_ATOM | FEED_JSON, 20, 1},
        {FEED_ATOM | 4, 0, 7, true, false, -1, -1, 4, 0, 7},
        {FEED_JSON, 50, THEME_MODERN, false, true, -1, THEME_CLASSIC, 0, 50, THEME_CLASSIC},
    };
    for (const auto& c : cases) {
        m_list.m_nFeeds = c.feeds;
        m_list.m_nFeedCount = c.count;
        m_list.m_nTheme = c.theme;
        CHtmlSheet sheet(m_list);
        auto* count = sheet.findChild<QSpinBox*>("feedCountSpin");
        EXPECT_EQ(count->isEnabled(), (c.feeds & FEED_ATOM) != 0);
        if (c.atom) sheet.findChild<QCheckBox*>("atomFeedCheck")->click();
        if (c.json) sheet.findChild<QCheckBox*>("jsonCatalogueCheck")->click();
        EXPECT_EQ(count->isEnabled(), (c.wantFeeds & FEED_ATOM) != 0);
        if (c.newCount >= 0) count->setValue(c.newCount);
        if (c.newTheme >= 0) sheet.findChild<QComboBox*>("themeCombo")->setCurrentIndex(c.newTheme);
        COutRec out;
        sheet.Apply(out);
        EXPECT_EQ(std::tuple(out.m_nFeeds, out.m_nFeedCount, out.m_nTheme),
                  std::tuple(c.wantFeeds, c.wantCount, c.wantTheme));
    }
}

// A default box keeps the custom text; text Windows-1252 cannot hold is refused.
TEST_F(HtmlSheetTest, DefaultBoxesKeepTheCustomTextAndWindows1252IsEnforced) {
    m_list.m_strHeader = "<P>mine</P>\r\nline 2";
    m_list.m_strTitle = "Caf\xE9";  // Windows-1252 e acute
    m_list.m_bDefHeader = m_list.m_bDefTitle = 0;
    CHtmlSheet sheet(m_list);
    auto* edit = sheet.findChild<QPlainTextEdit*>("headerEdit");
    auto* title = sheet.findChild<QLineEdit*>("titleEdit");
    EXPECT_EQ(edit->toPlainText(), "<P>mine</P>\nline 2");
    EXPECT_TRUE(edit->isEnabled() && title->isEnabled());
    edit->appendPlainText("line 3");
    sheet.findChild<QCheckBox*>("defaultHeaderCheck")->click();
    EXPECT_FALSE(edit->isEnabled());

    EXPECT_EQ(title->text(), QString::fromUtf8("Café"));
    title->setText(QString::fromUtf8("Café €5"));
    title->setText(QString::fromUtf8("Café \u4e2d"));
    ASSERT_EQ(m_messages.size(), 1);
    EXPECT_TRUE(m_messages[0].contains("U+4E2D")) << m_messages[0].toStdString();
    EXPECT_EQ(title->text(), QString::fromUtf8("Café €5"));
    sheet.findChild<QCheckBox*>("defaultTitleCheck")->click();
    EXPECT_FALSE(title->isEnabled());
    sheet.Apply(m_list);
    EXPECT_EQ(
        std::tuple(m_list.m_bDefHeader, m_list.m_strHeader, m_list.m_bDefTitle, m_list.m_strTitle),
        std::tuple(1, "<P>mine</P>\r\nline 2\r\nline 3", 1,
                   "Caf\xE9 \x80"
                   "5"));
}

}  // namespace
