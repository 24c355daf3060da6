#include "ui/CStaticLink.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QUrl>

#include "ui/CDialogHooks.h"

CStaticLink::CStaticLink(const QString& text, QWidget* parent) : QLabel(text, parent) {
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
    setCursor(Qt::PointingHandCursor);
    // Reachable with Tab as well, and opened with Space or Enter.
    setFocusPolicy(Qt::StrongFocus);
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
    if (event->key() == Qt::Key_Space) {
        Open();
        return;
    }
    QLabel::keyPressEvent(event);
}

void CStaticLink::ApplyColour() {
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, m_bVisited ? m_crVisited : m_crUnvisited);
    setPalette(pal);
    update();
}
