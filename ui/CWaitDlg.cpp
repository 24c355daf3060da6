#include "ui/CWaitDlg.h"

#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>

#include "ui/CDialogLook.h"

CWaitDlg::CWaitDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("waitDlg"));
    setModal(false);
    // No buttons and no close box: the creator destroys it.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    auto* label = new QLabel(QStringLiteral("Reading Wildcat! information\n\nPlease Wait ..."));
    label->setObjectName(QStringLiteral("waitText"));
    label->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 16, 24, 16);
    layout->addWidget(label);
}

void CWaitDlg::ShowNow() {
    setWindowIcon(CDialogLook::AppIcon());
    CDialogLook::FitTitle(this);
    show();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
