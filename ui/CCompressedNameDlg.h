// Asks for the name of a new compressed file.
#pragma once

#include <QDialog>

class QLineEdit;

class CCompressedNameDlg : public QDialog {
    Q_OBJECT
public:
    explicit CCompressedNameDlg(QWidget* parent = nullptr);
    QString Name() const;

private:
    QLineEdit* m_name;
};
