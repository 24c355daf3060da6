#include "ui/CStaticLink.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyleOptionFocusRect>
#include <QStylePainter>
#include <QUrl>

#include "ui/CDialogHooks.h"

CStaticLink::CStaticLink(const QString& text, QWidget* parent) : QLabel(text, parent) {
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
    setCursor(Qt::PointingHandCursor);
    // Reachable with Tab as well, and opened with Space or Return.
    setFocusPolicy(Qt::StrongFocus);
    // Room for the focus mark around the text.
    setContentsMargins(2, 1, 2, 1);
    // As wide as the text: the blank beside it is no part of the link.
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    ApplyColour();
}

void CStaticLink::Open() {
    const QString target = m_strURL.isEmpty() ? text() : m_strURL;
    if (!CDialogHooks::openUrl(QUrl(target))) {
        QApplication::beep();
        return;
    }
    m_bVisited = true;
    ApplyColour();
}

void CStaticLink::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        Open();
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

void CStaticLink::keyPressEvent(QKeyEvent* event) {
    // Return and Enter open the link; passed on, they would press the dialog's OK button.
    switch (event->key()) {
        case Qt::Key_Space:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            event->accept();
            Open();
            return;
        default:
            QLabel::keyPressEvent(event);
    }
}

void CStaticLink::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    if (!hasFocus()) return;
    QStylePainter painter(this);
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.backgroundColor = palette().color(backgroundRole());
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
}

void CStaticLink::ApplyColour() {
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, m_bVisited ? m_crVisited : m_crUnvisited);
    setPalette(pal);
    update();
}
