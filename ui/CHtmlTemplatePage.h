// A page of the HTML settings sheet made of template edits, each with its "Default" box.
// The page keeps its own copies of the texts and flags; the sheet writes them back on OK.
#pragma once

#include <QWidget>
#include <string>
#include <vector>

#include "config/COutRec.h"

class QCheckBox;
class QPlainTextEdit;

class CHtmlTemplatePage : public QWidget {
    Q_OBJECT
public:
    virtual void Save(COutRec& list) const = 0;

protected:
    explicit CHtmlTemplatePage(QWidget* parent = nullptr);

    struct Template {
        QString caption;
        const char* editName;
        const char* checkName;
        std::string text;
        int bDefault;
    };
    // Builds the controls for the templates; call once from the derived constructor.
    void Build(std::vector<Template> templates);
    const Template& At(size_t i) const { return m_templates[i]; }

private:
    struct Controls {
        QPlainTextEdit* edit;
        QCheckBox* check;
    };
    std::vector<Template> m_templates;
    std::vector<Controls> m_controls;
};
