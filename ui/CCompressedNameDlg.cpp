#include "ui/CCompressedNameDlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/CDialogButtons.h"
#include "ui/CDialogLook.h"

CCompressedNameDlg::CCompressedNameDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("compressedNameDlg"));
    setWindowTitle(QStringLiteral("Compressed File"));
    m_name = new QLineEdit;
    m_name->setObjectName(QStringLiteral("nameEdit"));
    m_name->setMaxLength(16);
    CDialogLook::FitChars(m_name, 16, QLatin1Char('W'));  // names are stored upper case
    auto* label = new QLabel(QStringLiteral("&Name"));
    label->setBuddy(m_name);
    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(m_name);

    auto* buttons = CDialogButtons::OkCancel(this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    CDialogLook::FitTitle(this);
    m_name->setFocus();
}

QString CCompressedNameDlg::Name() const {
    return m_name->text();
}
