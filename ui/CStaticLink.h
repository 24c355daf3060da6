// A static text that behaves as a hyperlink: underlined, blue until opened, purple after,
// with the hand cursor; a click, or Space or Return while it has the focus (shown by a
// focus mark), opens the target with the desktop.
#pragma once

#include <QColor>
#include <QLabel>

class CStaticLink : public QLabel {
    Q_OBJECT
public:
    explicit CStaticLink(const QString& text, QWidget* parent = nullptr);

    QString m_strURL;  // empty: the control's own text is the target
    const QColor m_crUnvisited{0, 0, 255};
    const QColor m_crVisited{128, 0, 128};
    bool m_bVisited = false;

    // Opens the target; beeps when nothing could open it.
    void Open();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void ApplyColour();
};
