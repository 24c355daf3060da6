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
    CTestBoard m_board{CTestBoard::Data("ui-catalogue.json")};
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
    // A name with nothing left, or HTML pages outside their directory: the old name stays.
    for (const auto& [row, typed, name] : std::initializer_list<std::tuple<int, QString, QString>>{
             {0, " my list.txt ", "MYLIST.TXT"},
             {0, "   ", "MYLIST.TXT"},
             {2, "a-very-long-file-name.txt", "A-VERY-LONG-"},
             {1, "  Fresh uploads, this week ", "Fresh uploads, this week"},
             {3, "../escape.html", "index.html"}}) {
        Select(dlg, row);
        Rename(dlg, typed);
        EXPECT_EQ(dlg.Config().m_lists[row].m_strListName, name.toStdString()) << row;
        EXPECT_EQ(Get<QListWidget>(dlg, "namesList")->item(row)->text(), name) << row;
    }
    ASSERT_EQ(m_messages.size(), 1);
    EXPECT_TRUE(m_messages[0].contains("../escape.html")) << m_messages[0].toStdString();
}

// Values the dialog cannot show are corrected in its copy (areas at the next change), saved so.
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
    EXPECT_EQ(std::tuple(dlg.Config().m_lists[0].m_nLayout, dlg.Config().m_lists[0].m_nFileArea),
              std::tuple(LAYOUT_SINGLE, 1));
    EXPECT_EQ(m_config.m_lists[0].m_nLayout, 7);  // the application's copy is not touched
    EXPECT_EQ(areas->selectedItems(), QList{areas->item(1)});
    EXPECT_EQ(dlg.Config().m_lists[0].m_areas, (std::vector<int32_t>{9, 2}));
    areas->item(2)->setSelected(true);
    EXPECT_EQ(dlg.Config().m_lists[0].m_areas, (std::vector<int32_t>{2, 3}));
    Get<QPushButton>(dlg, "clearAllButton")->click();
    EXPECT_TRUE(dlg.Config().m_lists[0].m_areas.empty());
    Get<QPushButton>(dlg, "selectAllButton")->click();
    EXPECT_EQ(dlg.Config().m_lists[0].m_areas, (std::vector<int32_t>{1, 2, 3}));

    Select(dlg, 1);
    auto* bulletinConf = Get<QComboBox>(dlg, "bulletinConferenceCombo");
    auto* language = Get<QComboBox>(dlg, "languageCombo");
    // A bulletin for conference -1 shows "ALL"; choosing a conference stores its number.
    EXPECT_EQ(bulletinConf->currentText() + " " + language->currentText(), "ALL DEFAULT");
    EXPECT_EQ(bulletinConf->itemText(2), "1  -  Sysop");
    bulletinConf->setCurrentIndex(2);
    language->setCurrentIndex(2);
    Get<QPushButton>(dlg, "okButton")->click();
    CConfig saved;
    ASSERT_EQ(CConfigFile::Load(m_path, saved, nullptr), CConfigFile::LoadResult::Loaded);
    EXPECT_EQ(std::tuple(saved.m_lists[0].m_nLayout, saved.m_lists[0].m_nFileArea,
                         saved.m_lists[1].m_nConference, saved.m_lists[1].m_strLanguage),
              std::tuple(LAYOUT_SINGLE, 1, 1, "FRENCH"));
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
    QStringList opened;
    m_dialogAnswer = [&](QDialog& sheet) {
        auto* tabs = sheet.findChild<QTabWidget*>("sheetTabs");
        opened << sheet.windowTitle() + " " + QString::number(tabs->currentIndex());
        tabs->setCurrentIndex(3);
        return int(QDialog::Rejected);
    };
    Get<QPushButton>(dlg, "customiseButton")->click();
    Get<QPushButton>(dlg, "customiseButton")->click();
    EXPECT_EQ(opened, QStringList({"Customise Web 0", "Customise Web 3"}));

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

// Whatever the type and count shown, no control moves or resizes; every mnemonic is unique.
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
    EXPECT_TRUE(visible("daysEdit") && !visible("topCountEdit"));
    Get<QLineEdit>(dlg, "daysEdit")->setText("");
    EXPECT_EQ(dlg.Config().m_lists[0].m_nDays, 0);
    Get<QLineEdit>(dlg, "daysEdit")->setText("7");
    EXPECT_EQ(std::tuple(dlg.Config().m_lists[0].m_nSelection, dlg.Config().m_lists[0].m_nDays),
              std::tuple(SEL_DAYS, 7));

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

// Cancel writes nothing; Return or Space on a link never presses OK; an emptied count keeps
// its value; a failed save keeps the dialog open.
TEST_F(ConfigDlgTest, CancelKeysOnLinksAnEmptiedCountAndAFailedSave) {
    Add(LIST_FILE, "A.TXT");
    Add(LIST_BULLETIN, "TOP").m_nSelection = SEL_POPULAR;
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
    EXPECT_TRUE(dlg.isVisible() && m_messages.isEmpty());  // OK would fail to save

    Select(dlg, 1);
    auto* count = Get<QLineEdit>(dlg, "topCountEdit");
    count->setFocus();
    count->clear();
    Get<QWidget>(dlg, "namesList")->setFocus();
    EXPECT_EQ(count->text(), "10");
    EXPECT_EQ(dlg.Config().m_lists[1].m_nTopCount, 10);
    dlg.findChild<QPushButton*>("okButton")->click();
    EXPECT_TRUE(dlg.isVisible());
    ASSERT_EQ(m_messages.size(), 2);
    EXPECT_TRUE(m_messages[0].contains("enter an integer")) << m_messages[0].toStdString();
    EXPECT_TRUE(m_messages[1].contains(QString::fromStdString(badPath)))
        << m_messages[1].toStdString();
}

TEST_F(ConfigDlgTest, CompressedFilesAreTakenBackOnlyOnOk) {
    Add(LIST_FILE, "A.TXT").m_zipFiles.emplace_back().m_strZipName = "A.ZIP";
    CConfigDlg dlg(nullptr, &m_config, m_path);
    for (const int result : {QDialog::Rejected, QDialog::Accepted}) {
        SetUp();  // the answer below replaces the name dialog's hook
        m_dialogAnswer = [result](QDialog& zips) {
            CDialogHooks::exec = [](QDialog& name) {
                name.findChild<QLineEdit*>("nameEdit")->setText("more.zip");
                return int(QDialog::Accepted);
            };
            zips.findChild<QPushButton*>("newButton")->click();
            return result;
        };
        Get<QPushButton>(dlg, "customiseButton")->click();
    }
    ASSERT_EQ(dlg.Config().m_lists[0].m_zipFiles.size(), 2u);
    EXPECT_EQ(dlg.Config().m_lists[0].m_zipFiles[1].m_strZipName, "MORE.ZIP");
}

// No list: list-specific controls hidden or disabled; then one list of each type, saved.
TEST_F(ConfigDlgTest, EndToEndNewListsOfEveryTypeAreSaved) {
    CConfigDlg dlg(nullptr, &m_config, m_path);
    dlg.show();
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
    CDialogHooks::chooseFolder = [](auto...) { return QStringLiteral("/srv/utf8"); };
    Get<QPushButton>(dlg, "copyDirBrowseButton")->click();
    Get<QCheckBox>(dlg, "newOnlyCheck")->click();
    newList(LIST_BULLETIN, "bull1");
    Get<QCheckBox>(dlg, "asciiCheck")->click();
    Get<QRadioButton>(dlg, "popularRadio")->click();
    Get<QLineEdit>(dlg, "topCountEdit")->setText("25");
    newList(LIST_HTML, "Web pages");
    QString asked;
    CDialogHooks::chooseFolder = [&](QWidget*, const QString& title, const QString& from) {
        asked = title + " " + from;
        return QStringLiteral("/srv/www/files");
    };
    Get<QPushButton>(dlg, "htmlDirBrowseButton")->click();
    Get<QPushButton>(dlg, "htmlDirBrowseButton")->click();  // starts where the field points
    EXPECT_EQ(asked, "Choose directory for Web pages /srv/www/files");
    Get<QPlainTextEdit>(dlg, "headerEdit")->setPlainText("Line one\nLine two");
    dlg.findChild<QPushButton*>("okButton")->click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_TRUE(m_messages.isEmpty()) << m_messages.join("\n").toStdString();

    CConfig saved;
    std::string error;
    ASSERT_EQ(CConfigFile::Load(m_path, saved, &error), CConfigFile::LoadResult::Loaded) << error;
    EXPECT_EQ(saved.m_strHeaderLines, "Line one\r\nLine two");
    ASSERT_EQ(saved.m_lists.size(), 4u);
    const COutRec &file = saved.m_lists[0], &message = saved.m_lists[1];
    const COutRec &bulletin = saved.m_lists[2], &html = saved.m_lists[3];
    EXPECT_EQ(std::tuple(file.m_nListType, file.m_strListName, file.m_areas, file.m_nLayout,
                         file.m_strListDesc, file.m_nFileArea, file.m_fVersion),
              std::tuple(LIST_FILE, "ALLFILES.TXT", std::vector<int32_t>{2}, LAYOUT_FULL,
                         "Every file \x96 sorted", 3, 2.1f));  // en dash in Windows-1252
    EXPECT_EQ(
        std::tuple(message.m_strListName, message.m_strSubject, message.m_nConference,
                   message.m_strFrom, message.m_strCopyDir, message.m_bNewOnly, message.m_fVersion),
        std::tuple("Weekly news", "This week", 1, "Sysop", "/srv/utf8", 1, 2.2f));
    EXPECT_EQ(std::tuple(bulletin.m_strListName, bulletin.m_nOptions, bulletin.m_nSelection,
                         bulletin.m_nTopCount),
              std::tuple("BULL1", OPT_ASCII, SEL_POPULAR, 25));
    EXPECT_EQ(std::tuple(html.m_nListType, html.m_strListName, html.m_strHtmlDir),
              std::tuple(LIST_HTML, "Web pages", "/srv/www/files"));
}

}  // namespace
