// Edits the compressed-file definitions of one File list, on a copy of the definition that
// the caller takes back only after OK.
#pragma once

#include <QDialog>
#include <string>

#include "config/COutRec.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

class CCompressedFilesDlg : public QDialog {
    Q_OBJECT
public:
    explicit CCompressedFilesDlg(QWidget* parent = nullptr);

    // The definition edited; set it before running the dialog.
    void SetList(const COutRec& list);
    const COutRec& List() const { return m_list; }

    // Upper case, and the longest beginning made only of the allowed name characters.
    static std::string ZipNameFromText(const QString& typed);

private:
    ZipRec* Selected();
    // Refills the list box and selects `row` (the nearest row there is).
    void FillList(int row = 0);
    void ShowFields();
    void ApplyCheck();
    void OnNew();
    void OnDelete();

    COutRec m_list;
    bool m_loading = false;
    QListWidget* m_names;
    QPushButton* m_new;
    QPushButton* m_delete;
    QLineEdit* m_desc;
    QLabel* m_commandLabel;
    QLineEdit* m_command;
    QCheckBox* m_internal;
    QLabel* m_commentLabel;
    QPlainTextEdit* m_comment;
};
