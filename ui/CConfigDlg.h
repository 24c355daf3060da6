// The configuration dialog ("/C"): defines the file lists on a copy of the configuration
// and saves that copy when the operator confirms. Every change of a control is written
// into the selected list at once, so switching lists never loses an edit.
#pragma once

#include <QDialog>
#include <map>
#include <string>
#include <vector>

#include "config/CConfig.h"

class CStaticLink;
class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

class CConfigDlg : public QDialog {
    Q_OBJECT
public:
    // `configPath` is where OK saves; empty means CConfigFile::DefaultPath().
    CConfigDlg(QWidget* parent, CConfig* source, std::string configPath = {});
    ~CConfigDlg() override;

    // The dialog's own copy, as edited so far.
    const CConfig& Config() const { return m_config; }
    // The definition of the first selected list-view item, or none.
    COutRec* GetCurrentList();

    // The list popup menu for the current list (none without one); the caller owns it.
    QMenu* CreateListMenu();
    // The icon the desktop shows for ".html" files, or our own when it has none.
    static QIcon HtmlIcon();

    void accept() override;

private:
    void BuildControls();
    void ReadServerInfo();
    void FillListView();
    void SelectItem(int row);
    int CurrentIndex() const;
    // The controls shown only for some list types or selections.
    std::vector<QWidget*> SpecificControls() const;
    void ShowListControls();
    // With no current list: no control shows a value of the list selected before.
    void ClearValues();
    void LoadListValues();
    void StoreAreaSelection();
    void LoadAreaSelection();
    void ConnectEvents();
    // Binds a text edit to a text field of the current list.
    void BindText(QLineEdit* edit, std::string COutRec::*field, const QString& what);
    void SetOption(int bit, bool on);

    void OnNew();
    void OnDelete();
    void OnCopy();
    void OnRename();
    void OnItemRenamed(QListWidgetItem* item);
    void OnCustomise();
    // Fills `edit` with a chosen folder; `title` holds %1 for the list's name.
    void OnBrowse(QLineEdit* edit, const QString& title);
    void OnContextMenu(const QPoint& pos);

    CConfig* m_pSourceConfig;
    CConfig m_config;
    std::string m_strConfigPath;
    std::string m_operatorName;  // the sender of a new list
    bool m_loading = true;
    std::map<int, int> m_areaRows;  // area number -> row of the areas list box

    QListWidget* m_listView;
    QPushButton* m_new;
    QPushButton* m_customise;
    QPushButton* m_delete;
    QListWidget* m_areasList;
    QPushButton* m_selectAll;
    QPushButton* m_clearAll;
    QCheckBox* m_free;
    QCheckBox* m_passworded;
    QCheckBox* m_scanFailed;
    QCheckBox* m_skipList;
    QRadioButton* m_single;
    QRadioButton* m_double;
    QRadioButton* m_full;
    QButtonGroup* m_layoutGroup;
    QRadioButton* m_all;
    QRadioButton* m_lastDays;
    QRadioButton* m_popular;
    QButtonGroup* m_selectionGroup;
    QLineEdit* m_days;
    QLineEdit* m_topCount;
    QLabel* m_areaLabel;
    QComboBox* m_areaCombo;
    QLabel* m_conferenceLabel;
    QComboBox* m_conferenceCombo;
    QComboBox* m_bulletinConferenceCombo;
    QLabel* m_languageLabel;
    QComboBox* m_languageCombo;
    QLabel* m_fromLabel;
    QLineEdit* m_from;
    QLabel* m_toLabel;
    QLineEdit* m_to;
    QLabel* m_subjectLabel;
    QLineEdit* m_subject;
    QLabel* m_descLabel;
    QLineEdit* m_desc;
    QLabel* m_dirLabel;
    QLineEdit* m_dir;
    QPushButton* m_browse;
    QCheckBox* m_discard;
    QCheckBox* m_ascii;
    QLabel* m_copyDirLabel;
    QLineEdit* m_copyDir;
    QPushButton* m_copyBrowse;
    QCheckBox* m_newOnly;
    QPlainTextEdit* m_headerLines;
    QComboBox* m_typeCombo;
    CStaticLink* m_webLink;
    CStaticLink* m_mailLink;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};
