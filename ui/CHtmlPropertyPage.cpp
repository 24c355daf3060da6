#include "ui/CHtmlPropertyPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstdio>

#include "ui/CDialogHooks.h"
#include "ui/CHtmlSheet.h"
#include "ui/CUiText.h"

CHtmlPropertyPage::CHtmlPropertyPage(CHtmlSheet* sheet, const COutRec& list, QWidget* parent)
    : QWidget(parent),
      m_sheet(sheet),
      m_nLinkKind(list.m_nLinkKind),
      m_strHtmlDir(CUiText::ToQt(list.m_strHtmlDir)),
      m_strTitle(list.m_strTitle),
      m_bDefTitle(list.m_bDefTitle),
      m_bLocalLinks(list.m_bLocalLinks),
      m_strServer(list.m_strServer),
      m_bIndexed(list.m_bIndexed),
      m_strStyleSheet(list.m_strStyleSheet),
      m_strBgImage(list.m_strBgImage),
      m_strBgColour(list.m_strBgColour),
      m_strTextColour(list.m_strTextColour),
      m_strLinkColour(list.m_strLinkColour),
      m_strVLinkColour(list.m_strVLinkColour),
      m_strALinkColour(list.m_strALinkColour) {
    setObjectName(QStringLiteral("propertyPage"));

    m_title = AddTextField(new QLineEdit, &m_strTitle, QStringLiteral("The document title"));
    m_title->setObjectName(QStringLiteral("titleEdit"));
    m_defTitle = new QCheckBox(QStringLiteral("Default"));
    m_defTitle->setObjectName(QStringLiteral("defaultTitleCheck"));
    m_defTitle->setChecked(m_bDefTitle != 0);
    m_title->setEnabled(m_bDefTitle == 0);
    connect(m_defTitle, &QCheckBox::toggled, this, [this](bool on) {
        m_bDefTitle = on ? 1 : 0;
        m_title->setEnabled(!on);
    });

    m_linkKind = new QComboBox;
    m_linkKind->setObjectName(QStringLiteral("linkKindCombo"));
    m_linkKind->addItems({QStringLiteral("No"), QStringLiteral("HTTP"), QStringLiteral("FTP")});
    m_linkKind->setCurrentIndex(m_nLinkKind >= LINK_NONE && m_nLinkKind <= LINK_FTP ? m_nLinkKind
                                                                                    : -1);
    m_local = new QCheckBox(QStringLiteral("HTTP links to &local machine"));
    m_local->setObjectName(QStringLiteral("localLinksCheck"));
    m_local->setChecked(m_bLocalLinks != 0);
    m_server = AddTextField(new QLineEdit, &m_strServer, QStringLiteral("The server name"));
    m_server->setObjectName(QStringLiteral("serverEdit"));
    m_indexed = new QCheckBox(QStringLiteral("&Indexed set"));
    m_indexed->setObjectName(QStringLiteral("indexedCheck"));
    m_indexed->setChecked(m_bIndexed != 0);

    connect(m_linkKind, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_nLinkKind = index;
        ApplyLinkRules();
    });
    connect(m_local, &QCheckBox::toggled, this, [this](bool on) {
        m_bLocalLinks = on ? 1 : 0;
        m_server->setEnabled(!on);
    });
    connect(m_indexed, &QCheckBox::toggled, this, [this](bool on) {
        m_bIndexed = on ? 1 : 0;
        if (on)
            m_sheet->AddIndexPage();
        else
            m_sheet->RemoveIndexPage();
    });

    auto* top = new QGridLayout;
    auto* titleLabel = new QLabel(QStringLiteral("Document &title"));
    titleLabel->setBuddy(m_title);
    top->addWidget(titleLabel, 0, 0);
    top->addWidget(m_title, 0, 1);
    top->addWidget(m_defTitle, 0, 2);
    auto* linkLabel = new QLabel(QStringLiteral("&Generate links to files"));
    linkLabel->setBuddy(m_linkKind);
    top->addWidget(linkLabel, 1, 0);
    top->addWidget(m_linkKind, 1, 1);
    top->addWidget(m_local, 2, 1, 1, 2);
    auto* serverLabel =
        new QLabel(QStringLiteral("Se&rver holding the files (no http:// or ftp://)"));
    serverLabel->setBuddy(m_server);
    top->addWidget(serverLabel, 3, 0);
    top->addWidget(m_server, 3, 1, 1, 2);
    top->addWidget(m_indexed, 4, 0, 1, 3);

    struct Row {
        const char* caption;
        const char* editName;
        const char* buttonName;
        std::string* field;
        bool colour;
        bool styleSheet;
    };
    auto addRows = [this](QGroupBox* box, std::initializer_list<Row> rows) {
        auto* grid = new QGridLayout(box);
        int r = 0;
        for (const Row& row : rows) {
            const QString caption = QString::fromLatin1(row.caption);
            QLineEdit* edit = AddTextField(new QLineEdit, row.field, caption);
            edit->setObjectName(QLatin1String(row.editName));
            if (row.colour) edit->setMaxLength(7);
            auto* button =
                new QPushButton(row.colour ? QStringLiteral("...") : QStringLiteral("Choose"));
            button->setObjectName(QLatin1String(row.buttonName));
            auto* label = new QLabel(caption);
            label->setBuddy(edit);
            grid->addWidget(label, r, 0);
            grid->addWidget(edit, r, 1);
            grid->addWidget(button, r, 2);
            ++r;
            const bool colour = row.colour;
            const bool styleSheet = row.styleSheet;
            connect(button, &QPushButton::clicked, this, [this, edit, colour, styleSheet] {
                if (colour)
                    ChooseColour(edit);
                else
                    ChooseFile(edit, styleSheet);
            });
        }
    };
    auto* appearance = new QGroupBox(QStringLiteral("Appearance"));
    addRows(
        appearance,
        {{"&Style sheet:", "styleSheetEdit", "styleSheetButton", &m_strStyleSheet, false, true},
         {"Background i&mage:", "bgImageEdit", "bgImageButton", &m_strBgImage, false, false},
         {"&Background colour:", "bgColourEdit", "bgColourButton", &m_strBgColour, true, false}});
    auto* colours = new QGroupBox(QStringLiteral("Text colours"));
    addRows(
        colours,
        {{"&Normal text:", "textColourEdit", "textColourButton", &m_strTextColour, true, false},
         {"Lin&k:", "linkColourEdit", "linkColourButton", &m_strLinkColour, true, false},
         {"&Visited link:", "vLinkColourEdit", "vLinkColourButton", &m_strVLinkColour, true, false},
         {"&Active link:", "aLinkColourEdit", "aLinkColourButton", &m_strALinkColour, true,
          false}});

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(appearance);
    layout->addWidget(colours);
    layout->addStretch();
    ApplyLinkRules();
}

void CHtmlPropertyPage::Initialise() {
    if (m_bIndexed) m_sheet->AddIndexPage();
}

QLineEdit* CHtmlPropertyPage::AddTextField(QLineEdit* edit, std::string* field,
                                           const QString& what) {
    edit->setText(CUiText::ToQt(*field));
    connect(edit, &QLineEdit::textChanged, this,
            [edit, field, what] { CUiText::Store(edit, field, what); });
    return edit;
}

void CHtmlPropertyPage::ApplyLinkRules() {
    switch (m_nLinkKind) {
        case LINK_HTTP:
            m_local->setEnabled(true);
            m_server->setEnabled(!m_local->isChecked());
            break;
        case LINK_FTP:
            m_local->setEnabled(false);
            m_server->setEnabled(true);
            break;
        default:
            m_local->setEnabled(false);
            m_server->setEnabled(false);
            break;
    }
}

void CHtmlPropertyPage::Save(COutRec& list) const {
    list.m_strTitle = m_strTitle;
    list.m_bDefTitle = m_bDefTitle;
    list.m_nLinkKind = m_nLinkKind;
    list.m_bLocalLinks = m_bLocalLinks;
    list.m_strServer = m_strServer;
    list.m_bIndexed = m_bIndexed;
    list.m_strStyleSheet = m_strStyleSheet;
    list.m_strBgImage = m_strBgImage;
    list.m_strBgColour = m_strBgColour;
    list.m_strTextColour = m_strTextColour;
    list.m_strLinkColour = m_strLinkColour;
    list.m_strVLinkColour = m_strVLinkColour;
    list.m_strALinkColour = m_strALinkColour;
}

std::optional<QColor> CHtmlPropertyPage::ParseColour(const std::string& text) {
    const char* start = text.c_str();
    if (*start == '#') ++start;
    unsigned red = 0, green = 0, blue = 0;
    if (std::sscanf(start, "%2x%2x%2x", &red, &green, &blue) != 3) return std::nullopt;
    // "%2x" also takes a sign ("-1"): such a number is no colour component.
    if (red > 255 || green > 255 || blue > 255) return std::nullopt;
    return QColor(static_cast<int>(red), static_cast<int>(green), static_cast<int>(blue));
}

std::string CHtmlPropertyPage::FormatColour(const QColor& colour) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", colour.red() & 0xFF, colour.green() & 0xFF,
                  colour.blue() & 0xFF);
    return text;
}

QString CHtmlPropertyPage::RelativeReference(const QString& path, const QString& htmlDir) {
    QString p = path;
    QString d = htmlDir;
    while (!d.isEmpty() && d.back().isSpace()) d.chop(1);

    // Strip the leading folders both paths share. Linux names are case-sensitive, so the
    // comparison is too: /Web and /web are different folders.
    bool removed = false;
    while (!p.isEmpty() && !d.isEmpty()) {
        const qsizetype g = p.indexOf(QLatin1Char('/'));
        if (g < 0) break;
        if (p.left(g) != d.left(g)) break;
        if (d.size() != g && d.at(g) != QLatin1Char('/')) break;
        p.remove(0, g + 1);
        d.remove(0, g + 1);
        removed = true;
    }
    if (!removed) return QStringLiteral("file://") + path;
    if (!d.isEmpty()) {
        if (!d.endsWith(QLatin1Char('/'))) d += QLatin1Char('/');
        p.prepend(QStringLiteral("../").repeated(d.count(QLatin1Char('/'))));
    }
    return p;
}

QString CHtmlPropertyPage::StartFolder(const QString& reference, const QString& htmlDir) {
    const QString dir = htmlDir.trimmed();
    QString ref = reference.trimmed();
    if (ref.isEmpty()) return dir;
    if (ref.startsWith(QStringLiteral("file://"))) ref.remove(0, 7);
    // A relative reference (the usual kind) is relative to the HTML directory.
    const QString path = QDir::isAbsolutePath(ref) || dir.isEmpty() ? ref : QDir(dir).filePath(ref);
    return QFileInfo(QDir::cleanPath(path)).path();
}

void CHtmlPropertyPage::ChooseColour(QLineEdit* edit) {
    std::string text;
    CUiText::FromQt(edit->text(), &text);
    const QColor initial = ParseColour(text).value_or(QColor(0, 0, 0));
    if (auto chosen = CDialogHooks::chooseColour(this, initial))
        edit->setText(QString::fromLatin1(FormatColour(*chosen)));
}

void CHtmlPropertyPage::ChooseFile(QLineEdit* edit, bool styleSheet) {
    const QString chosen = CDialogHooks::chooseFile(
        this, styleSheet ? QStringLiteral("Style Sheets (*.css);;All Files (*)") : QString(),
        styleSheet ? QStringLiteral("css") : QString(), StartFolder(edit->text(), m_strHtmlDir));
    if (chosen.isEmpty()) return;
    edit->setText(RelativeReference(chosen, m_strHtmlDir));
}
