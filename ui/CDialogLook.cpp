#include "ui/CDialogLook.h"

#include <QApplication>
#include <QBoxLayout>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionFrame>

namespace {

// Icon, close, maximise and minimise buttons and the frame of a window manager's title
// bar, at the default font; window managers draw their titles bold.
constexpr int kTitleBarExtras = 140;

}  // namespace

// Resources of a static library are registered by hand; outside any namespace by rule.
static void InitQuorvaneResources() {
    Q_INIT_RESOURCE(quorvane);
}

QIcon CDialogLook::AppIcon() {
    InitQuorvaneResources();
    QIcon icon(QStringLiteral(":/icons/app.png"));
    for (const char* size : {"32", "48", "64"})
        icon.addFile(QStringLiteral(":/icons/app_%1.png").arg(QLatin1String(size)));
    return icon;
}

QIcon CDialogLook::ListIcon(const char* name) {
    InitQuorvaneResources();
    QIcon icon(QStringLiteral(":/icons/%1.png").arg(QLatin1String(name)));
    icon.addFile(QStringLiteral(":/icons/%1_32.png").arg(QLatin1String(name)));
    return icon;
}

void CDialogLook::FitTitle(QWidget* window) {
    QFont bold = window->font();
    bold.setBold(true);
    const int width = QFontMetrics(bold).horizontalAdvance(window->windowTitle()) + kTitleBarExtras;
    // A strut of no height in the window's own layout: the layout keeps managing the size.
    auto* strut =
        window->findChild<QWidget*>(QStringLiteral("titleStrut"), Qt::FindDirectChildrenOnly);
    if (!strut) {
        strut = new QWidget(window);
        strut->setObjectName(QStringLiteral("titleStrut"));
        strut->setFixedHeight(0);
        if (auto* grid = qobject_cast<QGridLayout*>(window->layout()))
            grid->addWidget(strut, grid->rowCount(), 0, 1, grid->columnCount());
        else if (auto* box = qobject_cast<QBoxLayout*>(window->layout()))
            box->addWidget(strut);
    }
    const QMargins margins = window->layout() ? window->layout()->contentsMargins() : QMargins();
    strut->setMinimumWidth(width - margins.left() - margins.right());
}

void CDialogLook::FitChars(QLineEdit* edit, int chars, QChar sample) {
    QStyleOptionFrame option;
    option.initFrom(edit);
    const QSize text(edit->fontMetrics().horizontalAdvance(QString(chars, sample)),
                     edit->fontMetrics().height());
    // The frame and the text margins around the text, as the style draws them.
    const QSize size =
        edit->style()->sizeFromContents(QStyle::CT_LineEdit, &option, text + QSize(8, 0), edit);
    edit->setMinimumWidth(size.width());
}
