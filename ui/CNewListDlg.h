// Asks for the type and name of a new file list.
#pragma once

#include <QDialog>
#include <string>

class QComboBox;
class QLineEdit;

class CNewListDlg : public QDialog {
    Q_OBJECT
public:
    explicit CNewListDlg(QWidget* parent = nullptr);

    int ListType() const;      // LIST_FILE .. LIST_HTML
    std::string Name() const;  // Windows-1252, as typed (filtering is the caller's)

    void accept() override;

private:
    QComboBox* m_type;
    QLineEdit* m_name;
    std::string m_strName;
};
