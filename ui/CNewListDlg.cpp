#include "ui/CNewListDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/CDialogButtons.h"
#include "ui/CDialogLook.h"
#include "ui/CUiText.h"

CNewListDlg::CNewListDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("newListDlg"));
    setWindowTitle(QStringLiteral("New File List"));

    m_type = new QComboBox;
    m_type->setObjectName(QStringLiteral("typeCombo"));
    m_type->addItems({QStringLiteral("File"), QStringLiteral("Message"), QStringLiteral("Bulletin"),
                      QStringLiteral("HTML")});
    m_type->setCurrentIndex(0);
    m_name = new QLineEdit;
    m_name->setObjectName(QStringLiteral("nameEdit"));
    m_name->setMaxLength(32);
    CDialogLook::FitChars(m_name, 32, QLatin1Char('n'));

    auto* typeLabel = new QLabel(QStringLiteral("List &type"));
    typeLabel->setBuddy(m_type);
    auto* nameLabel = new QLabel(QStringLiteral("File &Name"));
    nameLabel->setBuddy(m_name);
    auto* form = new QFormLayout;
    form->addRow(typeLabel, m_type);
    form->addRow(nameLabel, m_name);

    auto* buttons = CDialogButtons::OkCancel(this);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    CDialogLook::FitTitle(this);
    setTabOrder(m_type, m_name);
    m_name->setFocus();
}

int CNewListDlg::ListType() const {
    return m_type->currentIndex();
}

std::string CNewListDlg::Name() const {
    return m_strName;
}

void CNewListDlg::accept() {
    // A name the configuration cannot hold keeps the dialog open.
    if (!CUiText::FromQt(m_name->text(), &m_strName)) {
        CUiText::Check(this, m_name->text(), QStringLiteral("The list name"));
        m_name->setFocus();
        return;
    }
    QDialog::accept();
}
