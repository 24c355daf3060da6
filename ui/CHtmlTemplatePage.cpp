#include "ui/CHtmlTemplatePage.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPlainTextEdit>

#include "ui/CUiText.h"

CHtmlTemplatePage::CHtmlTemplatePage(QWidget* parent) : QWidget(parent) {}

void CHtmlTemplatePage::Build(std::vector<Template> templates) {
    m_templates = std::move(templates);
    auto* grid = new QGridLayout(this);
    for (size_t i = 0; i < m_templates.size(); ++i) {
        Template& t = m_templates[i];
        auto* label = new QLabel(t.caption);
        auto* edit = new QPlainTextEdit;
        edit->setObjectName(QLatin1String(t.editName));
        edit->setLineWrapMode(QPlainTextEdit::NoWrap);
        edit->setTabChangesFocus(true);
        edit->setPlainText(CUiText::ToQtLines(t.text));
        label->setBuddy(edit);
        auto* check = new QCheckBox(QStringLiteral("Default"));
        check->setObjectName(QLatin1String(t.checkName));
        check->setChecked(t.bDefault != 0);
        edit->setEnabled(t.bDefault == 0);
        const int row = static_cast<int>(i) * 2;
        // Added in tab order: the text first, then its "Default" box.
        grid->addWidget(label, row, 0);
        grid->addWidget(edit, row + 1, 0, 1, 2);
        grid->addWidget(check, row, 1, Qt::AlignRight);
        m_controls.push_back({edit, check});

        connect(edit, &QPlainTextEdit::textChanged, this, [this, i, edit] {
            CUiText::Store(edit, &m_templates[i].text, m_templates[i].caption);
        });
        connect(check, &QCheckBox::toggled, this, [this, i, edit](bool on) {
            m_templates[i].bDefault = on ? 1 : 0;
            edit->setEnabled(!on);
        });
        // Unchecked by the operator: the custom text is what they want to edit next.
        connect(check, &QCheckBox::clicked, this, [edit](bool on) {
            if (!on) edit->setFocus();
        });
    }
}
