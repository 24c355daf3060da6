#include "ui/CCompressedFilesDlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/CCompressedNameDlg.h"
#include "ui/CDialogButtons.h"
#include "ui/CDialogHooks.h"
#include "ui/CDialogLook.h"
#include "ui/CUiText.h"

CCompressedFilesDlg::CCompressedFilesDlg(QWidget* parent) : QDialog(parent), m_list() {
    setObjectName(QStringLiteral("compressedFilesDlg"));
    m_names = new QListWidget;
    m_names->setObjectName(QStringLiteral("namesList"));
    m_names->setSelectionMode(QAbstractItemView::SingleSelection);
    m_new = new QPushButton(QStringLiteral("&New"));
    m_new->setObjectName(QStringLiteral("newButton"));
    m_delete = new QPushButton(QStringLiteral("&Delete"));
    m_delete->setObjectName(QStringLiteral("deleteButton"));
    m_desc = new QLineEdit;
    m_desc->setObjectName(QStringLiteral("descriptionEdit"));
    m_desc->setMaxLength(76);
    CDialogLook::FitChars(m_desc, 60, QLatin1Char('x'));
    auto* descLabel = new QLabel(QStringLiteral("File d&escription"));
    descLabel->setBuddy(m_desc);
    m_command = new QLineEdit;
    m_command->setObjectName(QStringLiteral("commandEdit"));
    m_command->setMaxLength(256);
    CDialogLook::FitChars(m_command, 40, QLatin1Char('x'));
    m_commandLabel = new QLabel(QStringLiteral("Command &line to create compressed file"));
    m_commandLabel->setObjectName(QStringLiteral("commandLabel"));
    m_commandLabel->setBuddy(m_command);
    m_internal = new QCheckBox(QStringLiteral("Use &internal ZIP file generation"));
    m_internal->setObjectName(QStringLiteral("internalZipCheck"));
    m_comment = new QPlainTextEdit;
    m_comment->setObjectName(QStringLiteral("commentEdit"));
    m_comment->setTabChangesFocus(true);
    // Room for a few lines; the list box takes the rest of the height.
    m_comment->setMaximumHeight(m_comment->fontMetrics().lineSpacing() * 6);
    m_commentLabel = new QLabel(QStringLiteral("ZIP file &comment"));
    m_commentLabel->setObjectName(QStringLiteral("commentLabel"));
    m_commentLabel->setBuddy(m_comment);

    auto* buttons = CDialogButtons::OkCancel(this);

    auto* listButtons = new QVBoxLayout;
    listButtons->addWidget(m_new);
    listButtons->addWidget(m_delete);
    listButtons->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(m_names, 1);
    top->addLayout(listButtons);

    // The command line and the comment share one place; only one pair is visible.
    auto* fields = new QGridLayout;
    fields->addWidget(descLabel, 0, 0);
    fields->addWidget(m_desc, 1, 0);
    fields->addWidget(m_internal, 2, 0);
    fields->addWidget(m_commandLabel, 3, 0);
    fields->addWidget(m_command, 4, 0, Qt::AlignTop);
    fields->addWidget(m_commentLabel, 3, 0);
    fields->addWidget(m_comment, 4, 0);

    // Hidden, each pair keeps its place, so the list keeps its height whichever is shown.
    for (QWidget* w :
         std::initializer_list<QWidget*>{m_commandLabel, m_command, m_commentLabel, m_comment}) {
        QSizePolicy policy = w->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        w->setSizePolicy(policy);
    }

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(fields);
    layout->addWidget(buttons);

    connect(m_names, &QListWidget::currentRowChanged, this, [this] {
        if (!m_loading) ShowFields();
    });
    connect(m_new, &QPushButton::clicked, this, &CCompressedFilesDlg::OnNew);
    connect(m_delete, &QPushButton::clicked, this, &CCompressedFilesDlg::OnDelete);
    connect(m_internal, &QCheckBox::clicked, this, &CCompressedFilesDlg::ApplyCheck);
    connect(m_desc, &QLineEdit::textChanged, this, [this] {
        if (ZipRec* zip = Selected(); zip && !m_loading)
            CUiText::Store(m_desc, &zip->m_strZipDesc, QStringLiteral("The file description"));
    });
    connect(m_command, &QLineEdit::textChanged, this, [this] {
        if (ZipRec* zip = Selected(); zip && !m_loading)
            CUiText::Store(m_command, &zip->m_strCommand, QStringLiteral("The command line"));
    });
    connect(m_comment, &QPlainTextEdit::textChanged, this, [this] {
        if (ZipRec* zip = Selected(); zip && !m_loading)
            CUiText::Store(m_comment, &zip->m_strZipComment,
                           QStringLiteral("The ZIP file comment"));
    });
}

void CCompressedFilesDlg::SetList(const COutRec& list) {
    m_list = list;
    setWindowTitle(QStringLiteral("Compressed files for ") + CUiText::ToQt(m_list.m_strListName));
    CDialogLook::FitTitle(this);
    FillList();
}

std::string CCompressedFilesDlg::ZipNameFromText(const QString& typed) {
    static const QString kAllowed = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ1234567890.+-_!$%~#");
    std::string name;
    for (QChar ch : typed) {
        if (ch >= QLatin1Char('a') && ch <= QLatin1Char('z')) ch = QChar(ch.unicode() - 32);
        if (!kAllowed.contains(ch)) break;
        name += static_cast<char>(ch.unicode());
    }
    return name;
}

ZipRec* CCompressedFilesDlg::Selected() {
    const int row = m_names->currentRow();
    if (row < 0 || row >= static_cast<int>(m_list.m_zipFiles.size())) return nullptr;
    return &m_list.m_zipFiles[static_cast<size_t>(row)];
}

void CCompressedFilesDlg::FillList(int row) {
    m_loading = true;
    m_names->clear();
    for (const ZipRec& zip : m_list.m_zipFiles) m_names->addItem(CUiText::ToQt(zip.m_strZipName));
    if (m_names->count() > 0) m_names->setCurrentRow(std::clamp(row, 0, m_names->count() - 1));
    m_loading = false;
    m_names->setFocus();
    ShowFields();
}

void CCompressedFilesDlg::ShowFields() {
    m_loading = true;
    const ZipRec* zip = Selected();
    // With no entry there is nothing to edit or delete: the fields stay, empty and disabled,
    // laid out as for an entry made by an external command.
    for (QWidget* w :
         std::initializer_list<QWidget*>{m_desc, m_command, m_internal, m_comment, m_delete})
        w->setEnabled(zip != nullptr);
    m_desc->setText(zip ? CUiText::ToQt(zip->m_strZipDesc) : QString());
    m_command->setText(zip ? CUiText::ToQt(zip->m_strCommand) : QString());
    // Long texts are read from their beginning.
    m_desc->home(false);
    m_command->home(false);
    m_comment->setPlainText(zip ? CUiText::ToQtLines(zip->m_strZipComment) : QString());
    m_internal->setChecked(zip && (zip->m_nZipFlags & ZIP_INTERNAL) != 0);
    m_loading = false;
    ApplyCheck();
}

void CCompressedFilesDlg::ApplyCheck() {
    ZipRec* zip = Selected();
    const bool internal = zip && m_internal->isChecked();
    if (zip) {
        if (internal)
            zip->m_nZipFlags |= ZIP_INTERNAL;
        else
            zip->m_nZipFlags &= ~ZIP_INTERNAL;
    }
    m_commandLabel->setVisible(!internal);
    m_command->setVisible(!internal);
    m_commentLabel->setVisible(internal);
    m_comment->setVisible(internal);
}

void CCompressedFilesDlg::OnNew() {
    CCompressedNameDlg dlg(this);
    if (CDialogHooks::exec(dlg) != QDialog::Accepted) {
        m_names->setFocus();
        return;
    }
    ZipRec zip;
    zip.m_strZipName = ZipNameFromText(dlg.Name());
    m_list.m_zipFiles.push_back(zip);
    FillList(static_cast<int>(m_list.m_zipFiles.size()) - 1);
}

void CCompressedFilesDlg::OnDelete() {
    const ZipRec* zip = Selected();
    if (!zip) return;
    // The question names the file, and a Cancel keeps it selected: a second Delete must not
    // fall on another file.
    const int row = m_names->currentRow();
    if (CDialogHooks::Ask(this, QStringLiteral("Delete Compressed File"),
                          QStringLiteral("Delete %1?").arg(CUiText::ToQt(zip->m_strZipName))) ==
        QMessageBox::Ok)
        m_list.m_zipFiles.erase(m_list.m_zipFiles.begin() + row);
    FillList(row);
}
