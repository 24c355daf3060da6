#include "tests/ui/CUiTest.h"
#include "ui/CCompressedFilesDlg.h"
#include "ui/CCompressedNameDlg.h"
#include "ui/CNewListDlg.h"
#include "ui/CStaticLink.h"
#include "ui/CWaitDlg.h"

namespace {

using AuxDialogsTest = CUiTest;

TEST_F(AuxDialogsTest, CompressedNamesEndAtTheFirstCharacterNotAllowed) {
    EXPECT_EQ(CCompressedFilesDlg::ZipNameFromText("allfiles.zip"), "ALLFILES.ZIP");
    EXPECT_EQ(CCompressedFilesDlg::ZipNameFromText("my list.zip"), "MY");
    EXPECT_EQ(CCompressedFilesDlg::ZipNameFromText("new_$~#!.z+p"), "NEW_$~#!.Z+P");
    EXPECT_EQ(CCompressedFilesDlg::ZipNameFromText(" lead"), "");
    EXPECT_EQ(CCompressedFilesDlg::ZipNameFromText(QString::fromUtf8("caf\u00e9.zip")), "CAF");
}

TEST_F(AuxDialogsTest, InternalZipSwapsCommandForCommentKeepingBothTexts) {
    COutRec list;
    list.m_strListName = "A.TXT";
    // Description, name, spare, command, area, comment, flags, version.
    list.m_zipFiles = {{"", "A.ZIP", "", "zip -q A.ZIP A.TXT", 0, "", 0, 0.f},
                       {"", "B.ZIP", "", "", 0, "hello\r\nworld", ZIP_INTERNAL, 0.f}};
    CCompressedFilesDlg dlg;
    dlg.SetList(list);
    dlg.show();
    auto* names = dlg.findChild<QListWidget*>("namesList");
    auto* command = dlg.findChild<QLineEdit*>("commandEdit");
    auto* comment = dlg.findChild<QPlainTextEdit*>("commentEdit");
    auto* internal = dlg.findChild<QCheckBox*>("internalZipCheck");
    EXPECT_EQ(dlg.windowTitle(), "Compressed files for A.TXT");
    EXPECT_EQ(names->currentRow(), 0);
    EXPECT_TRUE(command->isVisible());
    EXPECT_FALSE(comment->isVisible());
    EXPECT_EQ(command->text(), "zip -q A.ZIP A.TXT");

    internal->click();
    EXPECT_FALSE(command->isVisible());
    EXPECT_TRUE(comment->isVisible());
    comment->setPlainText("made by us");
    internal->click();
    EXPECT_TRUE(command->isVisible());
    EXPECT_EQ(dlg.List().m_zipFiles[0].m_strCommand, "zip -q A.ZIP A.TXT");
    EXPECT_EQ(dlg.List().m_zipFiles[0].m_strZipComment, "made by us");
    EXPECT_EQ(dlg.List().m_zipFiles[0].m_nZipFlags, 0);

    names->setCurrentRow(1);
    EXPECT_TRUE(comment->isVisible());
    EXPECT_EQ(comment->toPlainText(), "hello\nworld");
    dlg.findChild<QLineEdit*>("descriptionEdit")->setText("Packed list");
    EXPECT_EQ(dlg.List().m_zipFiles[1].m_strZipDesc, "Packed list");
    EXPECT_EQ(dlg.List().m_zipFiles[1].m_strZipComment, "hello\r\nworld");
}

// A cancelled Delete keeps the entry. With no entry (none yet, or the last one deleted) the
// entry controls are disabled, empty and placed as usual.
TEST_F(AuxDialogsTest, DeleteAsksAndTheEmptyDialogDisablesItsFieldsInTheirUsualPlaces) {
    COutRec three, one;
    for (const char* name : {"FIRST.ZIP", "SECOND.ZIP", "THIRD.ZIP"})
        three.m_zipFiles.emplace_back().m_strZipName = name;
    one.m_zipFiles = {{"desc", "A.ZIP", "", "cmd", 0, "comment", 0, 0.f}};
    CCompressedFilesDlg usual, deleted, empty;
    usual.SetList(one);
    deleted.SetList(three);
    empty.SetList(COutRec());
    auto* names = deleted.findChild<QListWidget*>("namesList");
    auto* remove = deleted.findChild<QPushButton*>("deleteButton");
    names->setCurrentRow(1);
    m_answer = QMessageBox::Cancel;
    remove->click();
    EXPECT_EQ(names->currentRow(), 1);
    m_answer = QMessageBox::Ok;
    remove->click();
    EXPECT_EQ(m_messages, QStringList(2, "Delete Compressed File: Delete SECOND.ZIP?"));
    ASSERT_EQ(deleted.List().m_zipFiles.size(), 2u);
    EXPECT_EQ(deleted.List().m_zipFiles[1].m_strZipName, "THIRD.ZIP");
    EXPECT_EQ(names->currentItem()->text(), "THIRD.ZIP");
    remove->click();
    remove->click();
    EXPECT_TRUE(deleted.List().m_zipFiles.empty());
    for (QDialog* d : {&usual, &deleted, &empty}) {
        d->resize(600, 400);
        d->show();
    }
    QCoreApplication::processEvents();
    for (QDialog* d : {&deleted, &empty}) {
        for (const char* name : {"descriptionEdit", "commandEdit", "internalZipCheck",
                                 "commentEdit", "deleteButton"}) {
            auto* w = d->findChild<QWidget*>(name);
            EXPECT_FALSE(w->isEnabled()) << name;
            EXPECT_EQ(w->isVisible(), usual.findChild<QWidget*>(name)->isVisible()) << name;
            EXPECT_EQ(w->geometry(), usual.findChild<QWidget*>(name)->geometry()) << name;
        }
        EXPECT_TRUE(d->findChild<QLineEdit*>("descriptionEdit")->text().isEmpty());
        EXPECT_TRUE(d->findChild<QPlainTextEdit*>("commentEdit")->toPlainText().isEmpty());
    }
    remove->click();
    EXPECT_EQ(m_messages.size(), 4);  // a disabled Delete asks nothing
}

TEST_F(AuxDialogsTest, EveryMnemonicIsUniqueInItsWindowAndTheWaitNoticeReads) {
    CCompressedFilesDlg files;
    CCompressedNameDlg name;
    CNewListDlg newList;
    CWaitDlg wait;
    for (const QWidget* window :
         std::initializer_list<const QWidget*>{&files, &name, &newList, &wait})
        EXPECT_EQ(MnemonicClashes({window}), "") << window->objectName().toStdString();
    EXPECT_EQ(wait.findChild<QLabel*>("waitText")->text(),
              "Reading Wildcat! information\n\nPlease Wait ...");
}

TEST_F(AuxDialogsTest, NewListDialogStartsOnFileAndRefusesUnstorableNames) {
    CNewListDlg dlg;
    auto* type = dlg.findChild<QComboBox*>("typeCombo");
    EXPECT_EQ(type->currentText(), "File");
    EXPECT_EQ(type->count(), 4);
    EXPECT_EQ(dlg.findChild<QLineEdit*>("nameEdit")->maxLength(), 32);
    dlg.findChild<QLineEdit*>("nameEdit")->setText(QString::fromUtf8("\u65b0\u95fb"));
    dlg.accept();
    EXPECT_NE(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(m_messages.size(), 1);
    dlg.findChild<QLineEdit*>("nameEdit")->setText(QString::fromUtf8("Caf\u00e9"));
    dlg.accept();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.Name(), "Caf\xE9");
}

TEST_F(AuxDialogsTest, StaticLinkTurnsVisitedOnlyAfterASuccessfulOpen) {
    CStaticLink link("https://quorvane.example.org/");
    EXPECT_TRUE(link.font().underline());
    EXPECT_EQ(link.cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(link.palette().color(QPalette::WindowText), QColor(0, 0, 255));
    QUrl opened;
    bool opens = false;
    CDialogHooks::openUrl = [&](const QUrl& url) {
        opened = url;
        return opens;
    };
    QTest::mouseClick(&link, Qt::LeftButton);
    EXPECT_EQ(opened, QUrl("https://quorvane.example.org/"));
    EXPECT_FALSE(link.m_bVisited);
    link.m_strURL = "mailto:someone@example.org";
    opens = true;
    QTest::mouseClick(&link, Qt::LeftButton);
    EXPECT_EQ(opened, QUrl("mailto:someone@example.org"));
    EXPECT_TRUE(link.m_bVisited);
    EXPECT_EQ(link.palette().color(QPalette::WindowText), QColor(128, 0, 128));
}

}  // namespace
