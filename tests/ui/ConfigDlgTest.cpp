#include <cstdlib>
#include <map>

#include "config/CConfigFile.h"
#include "tests/support/CScratchDir.h"
#include "tests/support/CTestBoard.h"
#include "tests/ui/CUiTest.h"
#include "ui/CCompressedFilesDlg.h"
#include "ui/CConfigDlg.h"
#include "ui/CNewListDlg.h"

namespace {

class ConfigDlgTest : public CUiTest {
protected:
    COutRec& Add(int type, const std::string& name) {
        m_config.AddNew(type, name, "");
        return m_config.m_lists.back();
    }
    template <typename W>
    static W* Get(QWidget& dlg, const char* name) {
        W* w = dlg.findChild<W*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    static void Select(QWidget& dlg, int row) {
        Get<QListWidget>(dlg, "namesList")->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
    }
    // Renames the selected list through the in-place editor, as the operator does.
    static void Rename(QWidget& dlg, const QString& typed) {
        auto* view = Get<QListWidget>(dlg, "namesList");
        view->editItem(view->currentItem());
        auto* editor = view->viewport()->findChild<QLineEdit*>();
        ASSERT_NE(editor, nullptr);
        editor->setText(typed);
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::processEvents();  // the delegate commits through a queued call
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // Two conferences, areas 1 to 3, the languages DEFAULT and FRENCH.
    CTestBoard m_board{CScratchDir::ReadFile(std::string(std::getenv("QV_SOURCE_DIR")) +
                                             "/tests/ui/data/catalogue.json")};
    CScratchDir m_scratch;
    std::string m_path = m_scratch.File("Quorvane.cfg");
    CConfig m_config;
};

TEST_F(ConfigDlgTest, RenamingFiltersFileAndBulletinNamesOnly) {
    Add(LIST_FILE, "OLD.TXT");
    Add(LIST_MESSAGE, "Old news");
    Add(LIST_BULLETIN, "BULL");
    Add(LIST_HTML, "index.html");
    CConfigDlg dlg(nullptr, &m_config, m_path);
    dlg.show();
    auto* view = Get<QListWidget>(dlg, "namesList");
    Rename(dlg, " my list.txt ");
    EXPECT_EQ(dlg.Config().m_lists[0].m_strListName, "MYLIST.TXT");
    EXPECT_EQ(view->item(0)->text(), "MYLIST.TXT");
    Rename(dlg, "   ");  // nothing left: the old name stays
    EXPECT_EQ(dlg.Config().m_lists[0].m_strListName, "MYLIST.TXT");
    Select(dlg, 2);
    Rename(dlg, "a-very-long-file-name.txt");
    EXPECT_EQ(dlg.Config().m_lists[2].m_strListName, "A-VERY-LONG-");
    Select(dlg, 1);
    Rename(dlg, "  Fresh uploads, this week ");
    EXPECT_EQ(dlg.Config().m_lists[1].m_strListName, "Fresh uploads, this week");
    EXPECT_EQ(view->item(1)->text(), "Fresh uploads, this week");
    // An HTML list's pages may not land outside its directory; the old name stays.
    Select(dlg, 3);
    Rename(dlg, "../escape.html");
    EXPECT_EQ(dlg.Config().m_lists[3].m_strListName, "index.html");
    ASSERT_EQ(m_messages.size(), 1);
    EXPECT_TRUE(m_messages[0].contains("../escape.html")) << m_messages[0].toStdString();
}

// The board's catalogue fills the combos and areas; values the dialog cannot show are
// corrected in its copy (the areas at the next change) and saved so.
TEST_F(ConfigDlgTest, ReadsTheCatalogueAndCorrectsStoredValuesItCannotShow) {
    COutRec& list = Add(LIST_FILE, "A.TXT");
    list.m_nLayout = 7;
    list.m_nFileArea = 0;
    list.m_areas = {9, 2};
    Add(LIST_BULLETIN, "BULL");
    CConfigDlg dlg(nullptr, &m_config, m_path);
    auto* areas = Get<QListWidget>(dlg, "areasList");
    ASSERT_EQ(areas->count(), 3);
    EXPECT_EQ(areas->item(0)->text(), "1  -  Utilities");
    EXPECT_EQ(areas->item(2)->text(), "3  -  Text");
    EXPECT_TRUE(Get<QRadioButton>(dlg, "singleLineRadio")->isChecked());  // Single Line
    EXPECT_EQ(Get<QComboBox>(dlg, "areaCombo")->currentText(), "1  -  Utilities");
    EXPECT_EQ(dlg.Config().m_lists[0].m_nLayout, LAYOUT_SINGLE);
    EXPECT_EQ(dlg.Config().m_lists[0].m_nFileArea, 1);
    EXPECT_EQ(m_config.m_lists[0].m_nLayout, 7);  // the application's copy is not touched
    EXPECT_FALSE(areas->item(0)->isSelected());
    EXPECT_TRUE(areas->item(1)->isSelected());
    EXPECT_EQ(dlg.Config().m_lists[0].m_areas, (std::vector<int32_t>{9, 2}));
    areas->item(2)->setSelected(true);
    EXPECT_EQ(dlg.Config().m_lists[0].m_areas, (std::vector<int32_t>{2, 3}));
    Get<QPushButton>(dlg, "clearAllButton")->click();
    EXPECT_TRUE(dlg.Config().m_lists[0].m_areas.empty());
    Get<QPushButton>(dlg, "selectAllButton")->click();
    EXPECT_EQ(dlg.Config().m_lists[0].m_areas, (std::vector<int32_t>{1, 2, 3}));

    Select(dlg, 1);
    auto* bulletinConf = Get<QComboBox>(dlg, "bulletinConferenceCombo");
    ASSERT_EQ(bulletinConf->count(), 3);
    EXPECT_EQ(bulletinConf->itemText(0), "ALL");
    EXPECT_EQ(bulletinConf->itemText(2), "1  -  Sysop");
    EXPECT_EQ(Get<QComboBox>(dlg, "conferenceCombo")->count(), 2);
    auto* language = Get<QComboBox>(dlg, "languageCombo");
    EXPECT_EQ(language->count(), 3);
    EXPECT_EQ(language->currentText(), "DEFAULT");
    // A bulletin for conference -1 shows "ALL"; choosing a conference stores its number.
    EXPECT_EQ(bulletinConf->currentText(), "ALL");
    bulletinConf->setCurrentIndex(2);
    language->setCurrentIndex(2);
    Get<QPushButton>(dlg, "okButton")->click();
    CConfig saved;
    ASSERT_EQ(CConfigFile::Load(m_path, saved, nullptr), CConfigFile::LoadResult::Loaded);
    EXPECT_EQ(saved.m_lists[0].m_nLayout, LAYOUT_SINGLE);
    EXPECT_EQ(saved.m_lists[0].m_nFileArea, 1);
    EXPECT_EQ(saved.m_lists[1].m_nConference, 1);
    EXPECT_EQ(saved.m_lists[1].m_strLanguage, "FRENCH");
}

TEST_F(ConfigDlgTest, CancelLeavesTheFileUntouchedAndAFailedSaveKeepsTheDialogOpen) {
    Add(LIST_FILE, "A.TXT");
    CScratchDir::WriteFile(m_path, "not touched");
    {
        CConfigDlg dlg(nullptr, &m_config, m_path);
        Get<QLineEdit>(dlg, "descriptionEdit")->setText("Every file");
        Get<QPlainTextEdit>(dlg, "headerEdit")->setPlainText("My board");
        dlg.findChild<QPushButton*>("cancelButton")->click();
        EXPECT_EQ(dlg.result(), QDialog::Rejected);
    }
    EXPECT_EQ(CScratchDir::ReadFile(m_path), "not touched");
    EXPECT_TRUE(m_config.m_lists[0].m_strListDesc.empty());

    const std::string badPath = m_scratch.File("missing-folder/Quorvane.cfg");
    CConfigDlg dlg(nullptr, &m_config, badPath);
    dlg.show();
    dlg.findChild<QPushButton*>("okButton")->click();
    EXPECT_TRUE(dlg.isVisible());
    ASSERT_EQ(m_messages.size(), 1);
    EXPECT_TRUE(m_messages[0].contains(QString::fromStdString(badPath)))
        << m_messages[0].toStdString();
}

TEST_F(ConfigDlgTest, PopupMenuCopyAndDelete) {
    Add(LIST_FILE, "ALLFILES.TXT");
    Add(LIST_MESSAGE, "News");
    Add(LIST_HTML, "Web");
    CConfigDlg dlg(nullptr, &m_config, m_path);
    auto texts = [&](QMenu* menu) {
        QStringList t;
        for (QAction* a : menu->actions()) t << a->text();
        delete menu;
        return t;
    };
    EXPECT_EQ(texts(dlg.CreateListMenu()),
              (QStringList{"&Copy", "&Delete", "Rena&me", "Com&press"}));
    Select(dlg, 1);
    EXPECT_EQ(texts(dlg.CreateListMenu()), (QStringList{"&Copy", "&Delete", "Rena&me"}));
    Select(dlg, 2);
    EXPECT_EQ(texts(dlg.CreateListMenu()),
              (QStringList{"&Copy", "&Delete", "Rena&me", "C&ustomise"}));
    // The sheet opens on the page it was left on, which must survive the moves below.
    QString title;
    int startPage = -1;
    m_dialogAnswer = [&](QDialog& sheet) {
        title = sheet.windowTitle();
        auto* tabs = sheet.findChild<QTabWidget*>("sheetTabs");
        startPage = tabs->currentIndex();
        tabs->setCurrentIndex(3);
        return int(QDialog::Rejected);
    };
    Get<QPushButton>(dlg, "customiseButton")->click();
    EXPECT_EQ(title, "Customise Web");
    EXPECT_EQ(startPage, 0);
    Get<QPushButton>(dlg, "customiseButton")->click();
    EXPECT_EQ(startPage, 3);

    Select(dlg, 0);
    QMenu* menu = dlg.CreateListMenu();
    menu->findChild<QAction*>("copyAction")->trigger();
    delete menu;
    ASSERT_EQ(dlg.Config().m_lists.size(), 4u);
    EXPECT_EQ(dlg.Config().m_lists[3].m_strListName, "Copy of ALLFILES.TXT");
    EXPECT_EQ(dlg.GetCurrentList(), &dlg.Config().m_lists[3]);

    // A cancelled Delete keeps the list selected, so a second Delete falls on it again.
    m_answer = QMessageBox::Cancel;
    Get<QPushButton>(dlg, "deleteButton")->click();
    EXPECT_EQ(dlg.Config().m_lists.size(), 4u);
    EXPECT_EQ(m_messages.value(0), "Delete file list: Delete Copy of ALLFILES.TXT?");
    EXPECT_EQ(dlg.GetCurrentList(), &dlg.Config().m_lists[3]);
    m_answer = QMessageBox::Ok;
    Select(dlg, 1);
    Get<QPushButton>(dlg, "deleteButton")->click();
    ASSERT_EQ(dlg.Config().m_lists.size(), 3u);
    EXPECT_EQ(dlg.Config().m_lists[1].m_strListName, "Web");
    EXPECT_EQ(dlg.Config().m_lists[2].m_strListName, "Copy of ALLFILES.TXT");
    EXPECT_EQ(dlg.GetCurrentList(), nullptr);
    EXPECT_EQ(dlg.Config().m_lists[1].m_nSheetPage, 3);
    // Nothing of the deleted list stays in the disabled controls.
    EXPECT_FALSE(Get<QRadioButton>(dlg, "singleLineRadio")->isChecked());
    EXPECT_TRUE(Get<QLineEdit>(dlg, "daysEdit")->text().isEmpty());
}

// Controls follow the list type; whatever the type and count shown, no control moves or
// changes size, and every mnemonic is unique.
TEST_F(ConfigDlgTest, ControlsFollowTheListTypeAndNothingMoves) {
    for (int type : {LIST_FILE, LIST_MESSAGE, LIST_BULLETIN, LIST_HTML}) Add(type, "L");
    CConfigDlg dlg(nullptr, &m_config, m_path);
    dlg.show();
    auto geometry = [&] {
        QCoreApplication::processEvents();
        std::map<QString, QRect> places{{"dialog", dlg.geometry()}};
        for (const QWidget* w : dlg.findChildren<const QWidget*>())
            if (!w->objectName().isEmpty() && !w->objectName().startsWith("qt_"))
                places[w->objectName()] = QRect(w->mapTo(&dlg, QPoint()), w->size());
        return places;
    };
    const auto first = geometry();
    auto visible = [&](const char* name) { return Get<QWidget>(dlg, name)->isVisible(); };
    auto* button = Get<QPushButton>(dlg, "customiseButton");
    EXPECT_TRUE(visible("areaCombo") && visible("descriptionEdit") && visible("discardCheck"));
    EXPECT_FALSE(visible("fromEdit") || visible("htmlDirEdit") || visible("newOnlyCheck"));
    EXPECT_TRUE(visible("copyDirEdit"));
    EXPECT_EQ(button->text().remove('&'), "Compressed");
    Select(dlg, 1);
    EXPECT_TRUE(visible("conferenceCombo") && visible("fromEdit") && visible("subjectEdit"));
    EXPECT_TRUE(visible("copyDirBrowseButton") && visible("newOnlyCheck"));
    EXPECT_FALSE(visible("areaCombo") || visible("asciiCheck") || button->isVisible());
    EXPECT_EQ(Get<QLineEdit>(dlg, "subjectEdit")->text(), "New Files");
    Select(dlg, 3);
    EXPECT_TRUE(visible("htmlDirEdit") && visible("htmlDirBrowseButton"));
    EXPECT_FALSE(visible("copyDirEdit") || visible("newOnlyCheck"));
    EXPECT_EQ(button->text().remove('&'), "Customise");

    // Discarding the uncompressed file disables its description.
    Select(dlg, 0);
    Get<QCheckBox>(dlg, "discardCheck")->click();
    EXPECT_FALSE(Get<QWidget>(dlg, "descriptionEdit")->isEnabled());
    EXPECT_EQ(dlg.Config().m_lists[0].m_nOptions, OPT_DISCARD);
    // The selection radios show only the count that belongs to them.
    Get<QRadioButton>(dlg, "lastDaysRadio")->click();
    EXPECT_TRUE(visible("daysEdit"));
    EXPECT_FALSE(visible("topCountEdit"));
    Get<QLineEdit>(dlg, "daysEdit")->setText("");
    EXPECT_EQ(dlg.Config().m_lists[0].m_nDays, 0);
    Get<QLineEdit>(dlg, "daysEdit")->setText("7");
    EXPECT_EQ(dlg.Config().m_lists[0].m_nSelection, SEL_DAYS);
    EXPECT_EQ(dlg.Config().m_lists[0].m_nDays, 7);

    for (int row = 0; row < 4; ++row) {
        for (const char* count : {"lastDaysRadio", "popularRadio", "allFilesRadio"}) {
            Select(dlg, row);
            Get<QRadioButton>(dlg, count)->click();
            for (const auto& [name, place] : geometry())
                EXPECT_EQ(place, first.at(name)) << name.toStdString() << " row " << row << count;
            EXPECT_EQ(MnemonicClashes({&dlg}), "") << row;
        }
    }
}

// In the active window: Return or Space on a focused link opens it and never presses OK; an
// emptied popular count says so and shows the kept value.
TEST_F(ConfigDlgTest, KeysOnLinksAndAnEmptiedPopularCount) {
    Add(LIST_BULLETIN, "TOP").m_nSelection = SEL_POPULAR;
    CConfigDlg dlg(nullptr, &m_config, m_path);
    dlg.show();
    dlg.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    QStringList opened;
    CDialogHooks::openUrl = [&](const QUrl& url) {
        opened << url.toString();
        return true;
    };
    for (const char* name : {"webLink", "mailLink"}) {
        auto* link = Get<QWidget>(dlg, name);
        link->setFocus(Qt::TabFocusReason);
        QTest::keyClick(link, Qt::Key_Return);
        QTest::keyClick(link, Qt::Key_Space);
    }
    EXPECT_EQ(opened.size(), 4);
    EXPECT_TRUE(opened.last().startsWith("mailto:")) << opened.join(" ").toStdString();
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_FALSE(QFile::exists(QString::fromStdString(m_path)));

    auto* count = Get<QLineEdit>(dlg, "topCountEdit");
    count->setFocus();
    count->clear();
    Get<QWidget>(dlg, "namesList")->setFocus();
    EXPECT_EQ(count->text(), "10");
    EXPECT_EQ(dlg.Config().m_lists[0].m_nTopCount, 10);
    ASSERT_EQ(m_messages.size(), 1);
    EXPECT_TRUE(m_messages[0].contains("enter an integer")) << m_messages[0].toStdString();
}

TEST_F(ConfigDlgTest, CompressedFilesAreTakenBackOnlyOnOk) {
    Add(LIST_FILE, "A.TXT").m_zipFiles.emplace_back().m_strZipName = "A.ZIP";
    CConfigDlg dlg(nullptr, &m_config, m_path);
    auto addTwo = [](QDialog& d, int result) {
        auto* zips = dynamic_cast<CCompressedFilesDlg*>(&d);
        EXPECT_NE(zips, nullptr);
        if (!zips) return int(QDialog::Rejected);
        EXPECT_EQ(zips->windowTitle(), "Compressed files for A.TXT");
        CDialogHooks::exec = [](QDialog& name) {
            name.findChild<QLineEdit*>("nameEdit")->setText("more.zip");
            return int(QDialog::Accepted);
        };
        zips->findChild<QPushButton*>("newButton")->click();
        zips->findChild<QPushButton*>("newButton")->click();
        return result;
    };
    m_dialogAnswer = [&](QDialog& d) { return addTwo(d, QDialog::Rejected); };
    Get<QPushButton>(dlg, "customiseButton")->click();
    EXPECT_EQ(dlg.Config().m_lists[0].m_zipFiles.size(), 1u);

    SetUp();  // the name dialog hook was replaced inside the answer
    m_dialogAnswer = [&](QDialog& d) { return addTwo(d, QDialog::Accepted); };
    Get<QPushButton>(dlg, "customiseButton")->click();
    ASSERT_EQ(dlg.Config().m_lists[0].m_zipFiles.size(), 3u);
    EXPECT_EQ(dlg.Config().m_lists[0].m_zipFiles[2].m_strZipName, "MORE.ZIP");
}

// Without lists everything list-specific is hidden or disabled; then one list of each type
// is made through the widgets, saved with OK and read back.
TEST_F(ConfigDlgTest, EndToEndNewListsOfEveryTypeAreSaved) {
    CConfigDlg dlg(nullptr, &m_config, m_path);
    dlg.show();
    EXPECT_EQ(dlg.windowTitle(), "Quorvane V2.2 Configuration");
    EXPECT_EQ(dlg.GetCurrentList(), nullptr);
    for (const char* name :
         {"areaCombo", "conferenceCombo", "bulletinConferenceCombo", "languageCombo", "fromEdit",
          "descriptionEdit", "htmlDirEdit", "htmlDirBrowseButton", "discardCheck", "asciiCheck",
          "daysEdit", "topCountEdit", "copyDirEdit", "newOnlyCheck"})
        EXPECT_FALSE(Get<QWidget>(dlg, name)->isVisible()) << name;
    for (const char* name : {"areasList", "selectAllButton", "deleteButton", "customiseButton",
                             "freeCheck", "singleLineRadio"})
        EXPECT_FALSE(Get<QWidget>(dlg, name)->isEnabled()) << name;
    EXPECT_TRUE(Get<QWidget>(dlg, "newButton")->isEnabled());
    EXPECT_EQ(dlg.CreateListMenu(), nullptr);
    auto newList = [&](int type, const QString& name) {
        m_dialogAnswer = [&, type, name](QDialog& d) {
            EXPECT_EQ(d.windowTitle(), "New File List");
            d.findChild<QComboBox*>("typeCombo")->setCurrentIndex(type);
            d.findChild<QLineEdit*>("nameEdit")->setText(name);
            d.accept();
            return d.result();
        };
        Get<QPushButton>(dlg, "newButton")->click();
    };
    newList(LIST_FILE, "all files.txt");
    Get<QListWidget>(dlg, "areasList")->item(1)->setSelected(true);
    Get<QRadioButton>(dlg, "fullListRadio")->click();
    Get<QLineEdit>(dlg, "descriptionEdit")->setText(QString::fromUtf8("Every file – sorted"));
    Get<QComboBox>(dlg, "areaCombo")->setCurrentIndex(2);
    newList(LIST_MESSAGE, "Weekly news");
    Get<QLineEdit>(dlg, "subjectEdit")->setText("This week");
    Get<QComboBox>(dlg, "conferenceCombo")->setCurrentIndex(1);
    CDialogHooks::chooseFolder = [](QWidget*, const QString& title, const QString&) {
        EXPECT_EQ(title, "Choose the directory for UTF-8 copies of Weekly news");
        return QStringLiteral("/srv/utf8");
    };
    Get<QPushButton>(dlg, "copyDirBrowseButton")->click();
    Get<QCheckBox>(dlg, "newOnlyCheck")->click();
    newList(LIST_BULLETIN, "bull1");
    Get<QCheckBox>(dlg, "asciiCheck")->click();
    Get<QRadioButton>(dlg, "popularRadio")->click();
    Get<QLineEdit>(dlg, "topCountEdit")->setText("25");
    newList(LIST_HTML, "Web pages");
    QString start;
    CDialogHooks::chooseFolder = [&](QWidget*, const QString& title, const QString& from) {
        EXPECT_EQ(title, "Choose directory for Web pages");
        start = from;
        return QStringLiteral("/srv/www/files");
    };
    Get<QPushButton>(dlg, "htmlDirBrowseButton")->click();
    Get<QPushButton>(dlg, "htmlDirBrowseButton")->click();
    EXPECT_EQ(start, "/srv/www/files");  // the chooser starts where the field points
    Get<QPlainTextEdit>(dlg, "headerEdit")->setPlainText("Line one\nLine two");
    dlg.findChild<QPushButton*>("okButton")->click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_TRUE(m_messages.isEmpty()) << m_messages.join("\n").toStdString();

    CConfig saved;
    std::string error;
    ASSERT_EQ(CConfigFile::Load(m_path, saved, &error), CConfigFile::LoadResult::Loaded) << error;
    EXPECT_EQ(saved.m_strHeaderLines, "Line one\r\nLine two");
    ASSERT_EQ(saved.m_lists.size(), 4u);
    const COutRec& file = saved.m_lists[0];
    EXPECT_EQ(file.m_nListType, LIST_FILE);
    EXPECT_EQ(file.m_strListName, "ALLFILES.TXT");
    EXPECT_EQ(file.m_areas, (std::vector<int32_t>{2}));
    EXPECT_EQ(file.m_nLayout, LAYOUT_FULL);
    EXPECT_EQ(file.m_strListDesc, "Every file \x96 sorted");  // en dash in Windows-1252
    EXPECT_EQ(file.m_nFileArea, 3);
    EXPECT_EQ(file.m_fVersion, 2.1f);
    const COutRec& message = saved.m_lists[1];
    EXPECT_EQ(message.m_strListName, "Weekly news");
    EXPECT_EQ(message.m_strSubject, "This week");
    EXPECT_EQ(message.m_nConference, 1);
    EXPECT_EQ(message.m_strFrom, "Sysop");
    EXPECT_EQ(message.m_strCopyDir, "/srv/utf8");
    EXPECT_EQ(message.m_bNewOnly, 1);
    EXPECT_EQ(message.m_fVersion, 2.2f);
    const COutRec& bulletin = saved.m_lists[2];
    EXPECT_EQ(bulletin.m_strListName, "BULL1");
    EXPECT_EQ(bulletin.m_nOptions, OPT_ASCII);
    EXPECT_EQ(bulletin.m_nSelection, SEL_POPULAR);
    EXPECT_EQ(bulletin.m_nTopCount, 25);
    const COutRec& html = saved.m_lists[3];
    EXPECT_EQ(html.m_nListType, LIST_HTML);
    EXPECT_EQ(html.m_strListName, "Web pages");
    EXPECT_EQ(html.m_strHtmlDir, "/srv/www/files");
}

}  // namespace
