#include "tests/ui/CUiTest.h"
#include "ui/CCompressedFilesDlg.h"
#include "ui/CCompressedNameDlg.h"
#include "ui/CNewListDlg.h"
#include "ui/CWaitDlg.h"

namespace {

using AuxDialogsTest = CUiTest;

TEST_F(AuxDialogsTest, CompressedNamesEndAtTheFirstCharacterNotAllowed) {
    for (const auto& [text, name] : std::initializer_list<std::pair<const char*, const char*>>{
             {"allfiles.zip", "ALLFILES.ZIP"},
             {"my list.zip", "MY"},
             {"new_$~#!.z+p", "NEW_$~#!.Z+P"},
             {" lead", ""},
             {"caf\u00e9.zip", "CAF"}})
        EXPECT_EQ(CCompressedFilesDlg::ZipNameFromText(QString::fromUtf8(text)), name) << text;
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
    auto shown = [&] { return std::pair(command->isVisible(), comment->isVisible()); };
    EXPECT_EQ(names->currentRow(), 0);
    EXPECT_EQ(shown(), std::pair(true, false));
    EXPECT_EQ(command->text(), "zip -q A.ZIP A.TXT");
    internal->click();
    EXPECT_EQ(shown(), std::pair(false, true));
    comment->setPlainText("made by us");
    internal->click();
    EXPECT_EQ(shown(), std::pair(true, false));
    const ZipRec& first = dlg.List().m_zipFiles[0];
    EXPECT_EQ(std::tuple(first.m_strCommand, first.m_strZipComment, first.m_nZipFlags),
              std::tuple("zip -q A.ZIP A.TXT", "made by us", 0));
    names->setCurrentRow(1);
    EXPECT_EQ(shown(), std::pair(false, true));
    EXPECT_EQ(comment->toPlainText(), "hello\nworld");
    dlg.findChild<QLineEdit*>("descriptionEdit")->setText("Packed list");
    EXPECT_EQ(dlg.List().m_zipFiles[1].m_strZipDesc + dlg.List().m_zipFiles[1].m_strZipComment,
              "Packed listhello\r\nworld");
}

// With no entry (none yet, or the last one deleted) its controls are disabled and empty.
TEST_F(AuxDialogsTest, DeleteAsksAndTheEmptyDialogDisablesItsFields) {
    COutRec three;
    for (const char* name : {"FIRST.ZIP", "SECOND.ZIP", "THIRD.ZIP"})
        three.m_zipFiles.emplace_back().m_strZipName = name;
    CCompressedFilesDlg deleted, empty;
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
    for (QDialog* d : {&deleted, &empty}) {
        for (const char* name :
             {"descriptionEdit", "commandEdit", "internalZipCheck", "commentEdit", "deleteButton"})
            EXPECT_FALSE(d->findChild<QWidget*>(name)->isEnabled()) << name;
        EXPECT_EQ(d->findChild<QLineEdit*>("descriptionEdit")->text() +
                      d->findChild<QPlainTextEdit*>("commentEdit")->toPlainText(),
                  "");
    }
    remove->click();
    EXPECT_EQ(m_messages.size(), 4);  // a disabled Delete asks nothing
}

TEST_F(AuxDialogsTest, UniqueMnemonicsAndTheNewListDialogRefusesUnstorableNames) {
    CCompressedFilesDlg files;
    CCompressedNameDlg name;
    CNewListDlg dlg;
    CWaitDlg wait;
    for (const QWidget* window : std::initializer_list<const QWidget*>{&files, &name, &dlg, &wait})
        EXPECT_EQ(MnemonicClashes({window}), "") << window->objectName().toStdString();
    EXPECT_EQ(wait.findChild<QLabel*>("waitText")->text(),
              "Reading Wildcat! information\n\nPlease Wait ...");
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

}  // namespace
