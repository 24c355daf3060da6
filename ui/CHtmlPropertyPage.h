// The "Properties" page of the HTML settings sheet: title, links, index set, style sheet,
// background and colours. It adds and removes the "Index layout" page with "Indexed set".
#pragma once

#include <QColor>
#include <QWidget>
#include <optional>
#include <string>

#include "config/COutRec.h"

class CHtmlSheet;
class QCheckBox;
class QComboBox;
class QLineEdit;

class CHtmlPropertyPage : public QWidget {
    Q_OBJECT
public:
    CHtmlPropertyPage(CHtmlSheet* sheet, const COutRec& list, QWidget* parent = nullptr);

    // Adds the Index layout page when "Indexed set" is on; the sheet calls it once its
    // other pages are in place.
    void Initialise();
    void Save(COutRec& list) const;
    int LinkKind() const { return m_nLinkKind; }

    // "ffcc00" or "#ffcc00": three two-digit hexadecimal numbers, as scanf "%2x%2x%2x".
    static std::optional<QColor> ParseColour(const std::string& text);
    // "#RRGGBB", upper-case digits.
    static std::string FormatColour(const QColor& colour);
    // The chosen file as a reference relative to the HTML directory; with nothing shared,
    // a file:// reference to the absolute path.
    static QString RelativeReference(const QString& path, const QString& htmlDir);
    // Where a file chooser starts for a field holding `reference`: the folder of the file
    // it names, or the HTML directory while it is empty.
    static QString StartFolder(const QString& reference, const QString& htmlDir);

private:
    void ApplyLinkRules();
    void ChooseColour(QLineEdit* edit);
    void ChooseFile(QLineEdit* edit, bool styleSheet);
    QLineEdit* AddTextField(QLineEdit* edit, std::string* field, const QString& what);

    CHtmlSheet* m_sheet;
    int m_nLinkKind;
    QString m_strHtmlDir;

    std::string m_strTitle;
    int m_bDefTitle;
    int m_bLocalLinks;
    std::string m_strServer;
    int m_bIndexed;
    std::string m_strStyleSheet;
    std::string m_strBgImage;
    std::string m_strBgColour;
    std::string m_strTextColour;
    std::string m_strLinkColour;
    std::string m_strVLinkColour;
    std::string m_strALinkColour;

    QLineEdit* m_title;
    QCheckBox* m_defTitle;
    QComboBox* m_linkKind;
    QCheckBox* m_local;
    QLineEdit* m_server;
    QCheckBox* m_indexed;
};
