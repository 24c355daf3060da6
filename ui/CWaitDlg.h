// The notice shown while the configuration dialog reads the board's catalogue.
#pragma once

#include <QDialog>

class CWaitDlg : public QDialog {
    Q_OBJECT
public:
    explicit CWaitDlg(QWidget* parent = nullptr);
    // Shows the notice at once, without waiting for the event loop.
    void ShowNow();
};
