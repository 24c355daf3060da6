#include "ui/CConfigDlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeDatabase>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>
#include <algorithm>
#include <cstring>

#include "config/CConfigFile.h"
#include "server/CBoardCatalogue.h"
#include "ui/CCompressedFilesDlg.h"
#include "ui/CDialogButtons.h"
#include "ui/CDialogHooks.h"
#include "ui/CDialogLook.h"
#include "ui/CHtmlSheet.h"
#include "ui/CNewListDlg.h"
#include "ui/CStaticLink.h"
#include "ui/CUiText.h"
#include "ui/CWaitDlg.h"

namespace {

const QString kTitle = QStringLiteral("Quorvane V2.2 Configuration");
const QString kWebAddress = QStringLiteral("https://quorvane.example.org/");
const QString kMailAddress = QStringLiteral("mailto:quorvane@example.org");
const QString kCredit = QStringLiteral("Quorvane V2.2 - write to the Quorvane developers");

template <typename W>
W* Named(W* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QString NumberedName(int number, const std::string& name) {
    return QString::number(number) + QStringLiteral("  -  ") + CUiText::ToQt(name);
}

// An HTML list's pages are named after it inside its directory; a name that would put them
// elsewhere is refused, with the reason.
bool RefusedHtmlName(QWidget* parent, int type, const std::string& name) {
    if (type != LIST_HTML || name.empty() || CConfig::IsPlainFileName(name)) return false;
    CDialogHooks::Tell(parent, QStringLiteral("List name"),
                       QStringLiteral("The name \"%1\" would put the pages outside the list's "
                                      "directory. Type a file name without \"/\".")
                           .arg(CUiText::ToQt(name)));
    return true;
}

void UncheckAll(QButtonGroup* group) {
    group->setExclusive(false);
    for (QAbstractButton* b : group->buttons()) b->setChecked(false);
    group->setExclusive(true);
}

// A long text is read from its beginning.
void SetLine(QLineEdit* edit, const QString& text) {
    edit->setText(text);
    edit->home(false);
}

}  // namespace

CConfigDlg::CConfigDlg(QWidget* parent, CConfig* source, std::string configPath)
    : QDialog(parent),
      m_pSourceConfig(source),
      m_strConfigPath(configPath.empty() ? CConfigFile::DefaultPath() : std::move(configPath)) {
    setObjectName(QStringLiteral("configDlg"));

    CWaitDlg wait;
    wait.setWindowTitle(kTitle);
    wait.ShowNow();

    m_config.m_strHeaderLines = m_pSourceConfig->m_strHeaderLines;
    m_config.m_lists = m_pSourceConfig->m_lists;

    BuildControls();
    m_webLink->m_strURL = kWebAddress;
    m_mailLink->m_strURL = kMailAddress;
    setWindowIcon(CDialogLook::AppIcon());
    setWindowTitle(kTitle);
    CDialogLook::FitTitle(this);

    FillListView();
    ReadServerInfo();
    m_headerLines->setPlainText(CUiText::ToQtLines(m_config.m_strHeaderLines));
    ConnectEvents();
    m_loading = false;

    SelectItem(0);
    ShowListControls();
    LoadAreaSelection();
    m_listView->setFocus();
}

CConfigDlg::~CConfigDlg() = default;

void CConfigDlg::BuildControls() {
    // File List Names
    m_listView = Named(new QListWidget, "namesList");
    m_listView->setViewMode(QListView::ListMode);
    m_listView->setFlow(QListView::TopToBottom);
    m_listView->setWrapping(true);
    m_listView->setResizeMode(QListView::Adjust);
    m_listView->setIconSize(QSize(16, 16));
    m_listView->setSelectionMode(QAbstractItemView::SingleSelection);
    m_listView->setEditTriggers(QAbstractItemView::EditKeyPressed |
                                QAbstractItemView::SelectedClicked);
    m_listView->setContextMenuPolicy(Qt::CustomContextMenu);
    m_new = Named(new QPushButton(QStringLiteral("&New")), "newButton");
    m_customise = Named(new QPushButton(QStringLiteral("C&ompressed")), "customiseButton");
    m_delete = Named(new QPushButton(QStringLiteral("&Delete")), "deleteButton");
    auto* namesBox = new QGroupBox(QStringLiteral("File List Names"));
    namesBox->setObjectName(QStringLiteral("namesGroup"));
    {
        auto* buttons = new QHBoxLayout;
        buttons->addWidget(m_new);
        buttons->addWidget(m_customise);
        buttons->addWidget(m_delete);
        auto* box = new QVBoxLayout(namesBox);
        box->addWidget(m_listView);
        box->addLayout(buttons);
    }

    // File areas to list
    m_areasList = Named(new QListWidget, "areasList");
    m_areasList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_selectAll = Named(new QPushButton(QStringLiteral("&Select All")), "selectAllButton");
    m_clearAll = Named(new QPushButton(QStringLiteral("Clea&r All")), "clearAllButton");
    auto* areasBox = new QGroupBox(QStringLiteral("File areas to list"));
    areasBox->setObjectName(QStringLiteral("areasGroup"));
    {
        auto* buttons = new QHBoxLayout;
        buttons->addWidget(m_selectAll);
        buttons->addWidget(m_clearAll);
        auto* box = new QVBoxLayout(areasBox);
        box->addWidget(m_areasList);
        box->addLayout(buttons);
    }

    // Include file types
    m_free = Named(new QCheckBox(QStringLiteral("Free Files")), "freeCheck");
    m_passworded = Named(new QCheckBox(QStringLiteral("Passworded Files")), "passwordedCheck");
    m_scanFailed = Named(new QCheckBox(QStringLiteral("Scan-Failed Files")), "scanFailedCheck");
    m_skipList = Named(new QCheckBox(QStringLiteral("Skip List Files")), "skipListCheck");
    auto* typesBox = new QGroupBox(QStringLiteral("Include file types"));
    {
        auto* box = new QVBoxLayout(typesBox);
        for (QWidget* w : {m_free, m_passworded, m_scanFailed, m_skipList}) box->addWidget(w);
    }

    // List type (the layout)
    m_single = Named(new QRadioButton(QStringLiteral("Single Line")), "singleLineRadio");
    m_double = Named(new QRadioButton(QStringLiteral("Double Line")), "doubleLineRadio");
    m_full = Named(new QRadioButton(QStringLiteral("Full list")), "fullListRadio");
    m_layoutGroup = new QButtonGroup(this);
    m_layoutGroup->addButton(m_single, LAYOUT_SINGLE);
    m_layoutGroup->addButton(m_double, LAYOUT_DOUBLE);
    m_layoutGroup->addButton(m_full, LAYOUT_FULL);
    auto* layoutBox = new QGroupBox(QStringLiteral("List type"));
    {
        auto* box = new QVBoxLayout(layoutBox);
        for (QWidget* w : {m_single, m_double, m_full}) box->addWidget(w);
    }

    // Files to List
    m_all = Named(new QRadioButton(QStringLiteral("All Files")), "allFilesRadio");
    m_lastDays = Named(new QRadioButton(QStringLiteral("Last n Days")), "lastDaysRadio");
    m_popular = Named(new QRadioButton(QStringLiteral("n Most Popular")), "popularRadio");
    m_selectionGroup = new QButtonGroup(this);
    m_selectionGroup->addButton(m_all, SEL_ALL);
    m_selectionGroup->addButton(m_lastDays, SEL_DAYS);
    m_selectionGroup->addButton(m_popular, SEL_POPULAR);
    // Digits only; nine of them always fit the stored 32-bit count.
    auto* digits =
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,9}")), this);
    m_days = Named(new QLineEdit, "daysEdit");
    m_days->setValidator(digits);
    m_days->setMaximumWidth(70);
    m_topCount = Named(new QLineEdit, "topCountEdit");
    m_topCount->setValidator(digits);
    m_topCount->setMaximumWidth(70);
    auto* selectionBox = new QGroupBox(QStringLiteral("Files to List"));
    {
        auto* box = new QGridLayout(selectionBox);
        box->addWidget(m_all, 0, 0);
        box->addWidget(m_lastDays, 1, 0);
        box->addWidget(m_days, 1, 1);
        box->addWidget(m_popular, 2, 0);
        box->addWidget(m_topCount, 2, 1);
        box->setColumnMinimumWidth(1, 70);
    }

    // Destination. Area, conference and bulletin conference share one place.
    m_areaCombo = Named(new QComboBox, "areaCombo");
    m_conferenceCombo = Named(new QComboBox, "conferenceCombo");
    m_bulletinConferenceCombo = Named(new QComboBox, "bulletinConferenceCombo");
    m_languageCombo = Named(new QComboBox, "languageCombo");
    m_areaLabel = Named(new QLabel(QStringLiteral("&Area")), "areaLabel");
    m_areaLabel->setBuddy(m_areaCombo);
    m_conferenceLabel = Named(new QLabel(QStringLiteral("&Conference")), "conferenceLabel");
    m_languageLabel = Named(new QLabel(QStringLiteral("&Language")), "languageLabel");
    m_languageLabel->setBuddy(m_languageCombo);
    m_from = Named(new QLineEdit, "fromEdit");
    m_to = Named(new QLineEdit, "toEdit");
    m_subject = Named(new QLineEdit, "subjectEdit");
    m_fromLabel = Named(new QLabel(QStringLiteral("&From:")), "fromLabel");
    m_fromLabel->setBuddy(m_from);
    m_toLabel = Named(new QLabel(QStringLiteral("&To:")), "toLabel");
    m_toLabel->setBuddy(m_to);
    m_subjectLabel = Named(new QLabel(QStringLiteral("Sub&ject:")), "subjectLabel");
    m_subjectLabel->setBuddy(m_subject);
    m_desc = Named(new QLineEdit, "descriptionEdit");
    m_desc->setMaxLength(76);
    m_descLabel = Named(new QLabel(QStringLiteral("File d&escription")), "descriptionLabel");
    m_descLabel->setBuddy(m_desc);
    m_dir = Named(new QLineEdit, "htmlDirEdit");
    m_dirLabel = Named(new QLabel(QStringLiteral("D&irectory")), "htmlDirLabel");
    m_dirLabel->setBuddy(m_dir);
    m_browse = Named(new QPushButton(QStringLiteral("&Browse")), "htmlDirBrowseButton");
    m_discard = Named(new QCheckBox(QStringLiteral("Discard uncompressed file once compressed")),
                      "discardCheck");
    m_ascii = Named(new QCheckBox(QStringLiteral("ASCII characters only")), "asciiCheck");
    // Text lists: a UTF-8 copy in a local directory; messages and bulletins: only what is new.
    m_copyDir = Named(new QLineEdit, "copyDirEdit");
    m_copyDirLabel = Named(new QLabel(QStringLiteral("UTF-8 cop&y to")), "copyDirLabel");
    m_copyDirLabel->setBuddy(m_copyDir);
    m_copyBrowse = Named(new QPushButton(QStringLiteral("Bro&wse")), "copyDirBrowseButton");
    m_newOnly =
        Named(new QCheckBox(QStringLiteral("Only files new since the last &post")), "newOnlyCheck");
    m_typeCombo = Named(new QComboBox, "typeCombo");
    m_typeCombo->addItems(
        {QStringLiteral("File"), QStringLiteral("Message"), QStringLiteral("Bulletin")});
    m_typeCombo->setVisible(false);
    auto* unused = Named(new QLabel, "unusedLabel");

    // The controls of the four list types share four rows; hidden, every control keeps its
    // place, so the space is that of the widest type and nothing moves when the type changes.
    auto* dest = new QGridLayout;
    for (QWidget* label : {m_areaLabel, m_conferenceLabel, m_dirLabel})
        dest->addWidget(label, 0, 0);
    for (QWidget* combo : {m_areaCombo, m_conferenceCombo, m_bulletinConferenceCombo})
        dest->addWidget(combo, 0, 1, 1, 2);
    dest->addWidget(m_dir, 0, 1);
    dest->addWidget(m_browse, 0, 2);
    for (QWidget* label : {m_languageLabel, m_fromLabel, m_descLabel}) dest->addWidget(label, 1, 0);
    for (QWidget* field : {static_cast<QWidget*>(m_languageCombo), static_cast<QWidget*>(m_from),
                           static_cast<QWidget*>(m_desc)})
        dest->addWidget(field, 1, 1, 1, 2);
    dest->addWidget(m_toLabel, 2, 0);
    dest->addWidget(m_to, 2, 1, 1, 2);
    dest->addWidget(m_ascii, 2, 0, 1, 3);
    dest->addWidget(m_subjectLabel, 3, 0);
    dest->addWidget(m_subject, 3, 1, 1, 2);
    dest->addWidget(m_discard, 3, 0, 1, 3);
    dest->addWidget(m_typeCombo, 4, 0);
    dest->addWidget(unused, 4, 1);
    dest->addWidget(m_copyDirLabel, 5, 0);
    dest->addWidget(m_copyDir, 5, 1);
    dest->addWidget(m_copyBrowse, 5, 2);
    dest->addWidget(m_newOnly, 6, 0, 1, 3);
    dest->setColumnStretch(1, 1);
    dest->setRowStretch(7, 1);

    m_headerLines = Named(new QPlainTextEdit, "headerEdit");
    m_headerLines->setTabChangesFocus(true);
    m_headerLines->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* headerLabel = new QLabel(QStringLiteral("Additional &header lines"));
    headerLabel->setObjectName(QStringLiteral("headerLinesLabel"));
    headerLabel->setBuddy(m_headerLines);
    auto* headerBox = new QVBoxLayout;
    headerBox->addWidget(headerLabel);
    headerBox->addWidget(m_headerLines);

    m_webLink = Named(new CStaticLink(kWebAddress), "webLink");
    m_mailLink = Named(new CStaticLink(kCredit), "mailLink");
    // The same OK / Cancel row as every other dialog of ours.
    auto* buttons = CDialogButtons::OkCancel(this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    m_cancel = buttons->button(QDialogButtonBox::Cancel);
    m_ok->setDefault(true);

    auto* right = new QVBoxLayout;
    right->addWidget(typesBox);
    right->addWidget(layoutBox);
    right->addWidget(selectionBox);
    right->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(namesBox, 3);
    top->addWidget(areasBox, 4);
    top->addLayout(right, 2);
    auto* middle = new QHBoxLayout;
    middle->addLayout(dest, 3);
    middle->addLayout(headerBox, 2);
    auto* links = new QVBoxLayout;
    links->addWidget(m_webLink);
    links->addWidget(m_mailLink);
    auto* bottom = new QHBoxLayout;
    bottom->addLayout(links);
    bottom->addStretch();
    bottom->addWidget(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 3);
    layout->addLayout(middle, 2);
    layout->addLayout(bottom);
    // Hidden controls keep their place (see above); the customise button is as wide as its wider
    // caption.
    for (QWidget* w : SpecificControls()) {
        QSizePolicy policy = w->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        w->setSizePolicy(policy);
    }
    m_customise->setText(QStringLiteral("C&ustomise"));
    int width = m_customise->sizeHint().width();
    m_customise->setText(QStringLiteral("C&ompressed"));
    m_customise->setMinimumWidth(std::max(width, m_customise->sizeHint().width()));
    resize(std::max(sizeHint().width(), 820), std::max(sizeHint().height(), 600));

    // Tab order follows the arrangement: lists, areas, kinds, layout, selection, destination.
    const std::vector<QWidget*> order = {m_listView,
                                         m_new,
                                         m_customise,
                                         m_delete,
                                         m_areasList,
                                         m_selectAll,
                                         m_clearAll,
                                         m_free,
                                         m_passworded,
                                         m_scanFailed,
                                         m_skipList,
                                         m_single,
                                         m_double,
                                         m_full,
                                         m_all,
                                         m_lastDays,
                                         m_days,
                                         m_popular,
                                         m_topCount,
                                         m_areaCombo,
                                         m_conferenceCombo,
                                         m_bulletinConferenceCombo,
                                         m_languageCombo,
                                         m_from,
                                         m_to,
                                         m_subject,
                                         m_desc,
                                         m_dir,
                                         m_browse,
                                         m_discard,
                                         m_ascii,
                                         m_copyDir,
                                         m_copyBrowse,
                                         m_newOnly,
                                         m_headerLines,
                                         m_webLink,
                                         m_mailLink,
                                         m_ok,
                                         m_cancel};
    for (size_t i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
}

QIcon CConfigDlg::HtmlIcon() {
    const QMimeType mime =
        QMimeDatabase().mimeTypeForFile(QStringLiteral("temp.html"), QMimeDatabase::MatchExtension);
    QIcon icon = QIcon::fromTheme(mime.iconName());
    if (icon.isNull()) icon = QIcon::fromTheme(mime.genericIconName());
    if (icon.isNull()) icon = CDialogLook::ListIcon("list_html");
    return icon;
}

void CConfigDlg::ReadServerInfo() {
    const CBoardCatalogue board = CBoardCatalogue::Read();
    m_operatorName = CBoardCatalogue::OperatorName();
    m_bulletinConferenceCombo->addItem(QStringLiteral("ALL"), -1);
    for (const CBoardCatalogue::Entry& conf : board.Conferences()) {
        m_conferenceCombo->addItem(NumberedName(conf.number, conf.name), conf.number);
        m_bulletinConferenceCombo->addItem(NumberedName(conf.number, conf.name), conf.number);
    }
    for (const CBoardCatalogue::Entry& area : board.Areas()) {
        m_areaCombo->addItem(NumberedName(area.number, area.name), area.number);
        auto* row = new QListWidgetItem(NumberedName(area.number, area.name), m_areasList);
        row->setData(Qt::UserRole, area.number);
        m_areaRows[area.number] = m_areasList->count() - 1;
    }
    m_languageCombo->addItem(QStringLiteral("ALL"), -1);
    for (const CBoardCatalogue::Entry& language : board.Languages())
        m_languageCombo->addItem(CUiText::ToQt(language.name), language.number);
}

void CConfigDlg::FillListView() {
    const QIcon icons[] = {CDialogLook::ListIcon("list_file"),
                           CDialogLook::ListIcon("list_message"),
                           CDialogLook::ListIcon("list_bulletin"), HtmlIcon()};
    const bool wasLoading = m_loading;
    m_loading = true;
    m_listView->clear();
    for (const COutRec& list : m_config.m_lists) {
        auto* item = new QListWidgetItem(CUiText::ToQt(list.m_strListName), m_listView);
        if (list.m_nListType >= LIST_FILE && list.m_nListType <= LIST_HTML)
            item->setIcon(icons[list.m_nListType]);
        item->setFlags(item->flags() | Qt::ItemIsEditable);
    }
    m_loading = wasLoading;
}

void CConfigDlg::SelectItem(int row) {
    if (row < 0 || row >= m_listView->count()) return;
    m_listView->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
}

int CConfigDlg::CurrentIndex() const {
    const QList<QListWidgetItem*> selected = m_listView->selectedItems();
    if (selected.isEmpty()) return -1;
    return m_listView->row(selected.constFirst());
}

COutRec* CConfigDlg::GetCurrentList() {
    const int index = CurrentIndex();
    if (index < 0 || index >= static_cast<int>(m_config.m_lists.size())) return nullptr;
    return &m_config.m_lists[static_cast<size_t>(index)];
}

std::vector<QWidget*> CConfigDlg::SpecificControls() const {
    return {m_areaCombo,
            m_conferenceCombo,
            m_languageCombo,
            m_bulletinConferenceCombo,
            m_areaLabel,
            m_conferenceLabel,
            m_languageLabel,
            m_from,
            m_to,
            m_subject,
            m_fromLabel,
            m_toLabel,
            m_subjectLabel,
            m_days,
            m_topCount,
            m_desc,
            m_descLabel,
            m_dir,
            m_dirLabel,
            m_browse,
            m_discard,
            m_ascii,
            m_copyDirLabel,
            m_copyDir,
            m_copyBrowse,
            m_newOnly,
            m_customise};
}

void CConfigDlg::ShowListControls() {
    COutRec* list = GetCurrentList();
    const std::vector<QWidget*> enabled = {
        m_areasList, m_selectAll, m_clearAll,  m_free,      m_passworded, m_scanFailed,
        m_skipList,  m_delete,    m_customise, m_single,    m_double,     m_full,
        m_all,       m_lastDays,  m_popular,   m_typeCombo, m_desc};
    if (!list) {
        for (QWidget* w : SpecificControls()) w->setVisible(false);
        for (QWidget* w : enabled) w->setEnabled(false);
        ClearValues();
        return;
    }
    for (QWidget* w : enabled) w->setEnabled(true);
    m_desc->setEnabled((list->m_nOptions & OPT_DISCARD) == 0);

    const int type = list->m_nListType;
    const bool file = type == LIST_FILE, message = type == LIST_MESSAGE;
    const bool bulletin = type == LIST_BULLETIN, html = type == LIST_HTML;
    m_areaCombo->setVisible(file);
    m_areaLabel->setVisible(file);
    m_conferenceCombo->setVisible(message);
    m_bulletinConferenceCombo->setVisible(bulletin);
    m_conferenceLabel->setVisible(message || bulletin);
    m_conferenceLabel->setBuddy(bulletin ? m_bulletinConferenceCombo : m_conferenceCombo);
    m_languageCombo->setVisible(bulletin);
    m_languageLabel->setVisible(bulletin);
    for (QWidget* w : std::initializer_list<QWidget*>{m_from, m_to, m_subject, m_fromLabel,
                                                      m_toLabel, m_subjectLabel})
        w->setVisible(message);
    m_desc->setVisible(file);
    m_descLabel->setVisible(file);
    m_discard->setVisible(file);
    m_ascii->setVisible(file || bulletin);
    m_dir->setVisible(html);
    m_dirLabel->setVisible(html);
    m_browse->setVisible(html);
    for (QWidget* w : std::initializer_list<QWidget*>{m_copyDirLabel, m_copyDir, m_copyBrowse})
        w->setVisible(!html);
    m_newOnly->setVisible(message || bulletin);
    m_customise->setVisible(file || html);
    m_customise->setText(html ? QStringLiteral("C&ustomise") : QStringLiteral("C&ompressed"));
    LoadListValues();
}

void CConfigDlg::LoadListValues() {
    COutRec* list = GetCurrentList();
    if (!list) return;
    const bool wasLoading = m_loading;
    m_loading = true;

    if (list->m_nFileArea < 1) list->m_nFileArea = 1;
    const int area = m_areaCombo->findData(list->m_nFileArea);
    m_areaCombo->setCurrentIndex(area >= 0 ? area : 0);
    const int conference = m_conferenceCombo->findData(list->m_nConference);
    m_conferenceCombo->setCurrentIndex(conference >= 0 ? conference : 0);
    m_bulletinConferenceCombo->setCurrentIndex(
        m_bulletinConferenceCombo->findData(list->m_nConference));
    const int language = m_languageCombo->findText(CUiText::ToQt(list->m_strLanguage),
                                                   Qt::MatchExactly | Qt::MatchCaseSensitive);
    m_languageCombo->setCurrentIndex(language >= 0 ? language : 0);

    m_days->setText(QString::number(list->m_nDays));
    m_topCount->setText(QString::number(list->m_nTopCount));
    m_free->setChecked(list->m_bFree != 0);
    m_passworded->setChecked(list->m_bPassworded != 0);
    m_scanFailed->setChecked(list->m_bScanFailed != 0);
    m_skipList->setChecked((list->m_nOptions & OPT_SKIPLIST) != 0);
    m_discard->setChecked((list->m_nOptions & OPT_DISCARD) != 0);
    m_ascii->setChecked((list->m_nOptions & OPT_ASCII) != 0);
    SetLine(m_desc, CUiText::ToQt(list->m_strListDesc));
    SetLine(m_from, CUiText::ToQt(list->m_strFrom));
    SetLine(m_to, CUiText::ToQt(list->m_strTo));
    SetLine(m_subject, CUiText::ToQt(list->m_strSubject));
    SetLine(m_dir, CUiText::ToQt(list->m_strHtmlDir));
    SetLine(m_copyDir, CUiText::ToQt(list->m_strCopyDir));
    m_newOnly->setChecked(list->m_bNewOnly != 0);

    if (QAbstractButton* b = m_selectionGroup->button(list->m_nSelection))
        b->setChecked(true);
    else
        UncheckAll(m_selectionGroup);  // no radio for the stored value, which stays
    m_days->setVisible(list->m_nSelection == SEL_DAYS);
    m_topCount->setVisible(list->m_nSelection == SEL_POPULAR);

    if (list->m_nLayout < LAYOUT_DOUBLE || list->m_nLayout > LAYOUT_FULL)
        list->m_nLayout = LAYOUT_SINGLE;
    m_layoutGroup->button(list->m_nLayout)->setChecked(true);
    m_typeCombo->setCurrentIndex(list->m_nListType < m_typeCombo->count() ? list->m_nListType : -1);
    m_loading = wasLoading;
}

void CConfigDlg::ClearValues() {
    const bool wasLoading = m_loading;
    m_loading = true;
    for (QCheckBox* box :
         {m_free, m_passworded, m_scanFailed, m_skipList, m_discard, m_ascii, m_newOnly})
        box->setChecked(false);
    UncheckAll(m_layoutGroup);
    UncheckAll(m_selectionGroup);
    for (QLineEdit* edit : {m_days, m_topCount, m_from, m_to, m_subject, m_desc, m_dir, m_copyDir})
        edit->clear();
    for (QComboBox* combo :
         {m_areaCombo, m_conferenceCombo, m_bulletinConferenceCombo, m_languageCombo, m_typeCombo})
        combo->setCurrentIndex(-1);
    m_areasList->clearSelection();
    m_loading = wasLoading;
}

void CConfigDlg::StoreAreaSelection() {
    COutRec* list = GetCurrentList();
    if (!list) return;
    list->m_areas.clear();
    for (int row = 0; row < m_areasList->count(); ++row) {
        const QListWidgetItem* item = m_areasList->item(row);
        if (item->isSelected()) list->m_areas.push_back(item->data(Qt::UserRole).toInt());
    }
}

void CConfigDlg::LoadAreaSelection() {
    const bool wasLoading = m_loading;
    m_loading = true;
    m_areasList->setUpdatesEnabled(false);
    m_areasList->clearSelection();
    if (const COutRec* list = GetCurrentList()) {
        for (int32_t number : list->m_areas) {
            const auto row = m_areaRows.find(number);
            if (row != m_areaRows.end()) m_areasList->item(row->second)->setSelected(true);
        }
    }
    m_areasList->setUpdatesEnabled(true);
    m_areasList->update();
    m_loading = wasLoading;
}

void CConfigDlg::BindText(QLineEdit* edit, std::string COutRec::*field, const QString& what) {
    connect(edit, &QLineEdit::textChanged, this, [this, edit, field, what] {
        if (m_loading) return;
        if (COutRec* list = GetCurrentList())
            CUiText::Store(edit, &(list->*field),
                           what + QStringLiteral(" of list ") + CUiText::ToQt(list->m_strListName));
    });
}

void CConfigDlg::SetOption(int bit, bool on) {
    COutRec* list = GetCurrentList();
    if (m_loading || !list) return;
    if (on)
        list->m_nOptions |= bit;
    else
        list->m_nOptions &= ~bit;
}

void CConfigDlg::ConnectEvents() {
    auto current = [this]() -> COutRec* { return m_loading ? nullptr : GetCurrentList(); };

    connect(m_areaCombo, &QComboBox::currentIndexChanged, this, [this, current](int index) {
        if (COutRec* list = current(); list && index >= 0)
            list->m_nFileArea = m_areaCombo->itemData(index).toInt();
    });
    connect(m_conferenceCombo, &QComboBox::currentIndexChanged, this, [this, current](int index) {
        if (COutRec* list = current(); list && index >= 0)
            list->m_nConference = m_conferenceCombo->itemData(index).toInt();
    });
    connect(m_bulletinConferenceCombo, &QComboBox::currentIndexChanged, this,
            [this, current](int index) {
                if (COutRec* list = current(); list && index >= 0)
                    list->m_nConference = m_bulletinConferenceCombo->itemData(index).toInt();
            });
    connect(m_languageCombo, &QComboBox::currentIndexChanged, this, [this, current](int index) {
        if (COutRec* list = current(); list && index >= 0)
            CUiText::FromQt(m_languageCombo->itemText(index), &list->m_strLanguage);
    });
    connect(m_days, &QLineEdit::textChanged, this, [current](const QString& text) {
        if (COutRec* list = current()) list->m_nDays = text.toInt();
    });
    // An emptied count keeps the stored value; leaving the field empty says so and shows it.
    connect(m_topCount, &QLineEdit::textChanged, this, [current](const QString& text) {
        if (COutRec* list = current(); list && !text.isEmpty()) list->m_nTopCount = text.toInt();
    });
    connect(m_topCount, &QLineEdit::editingFinished, this, [this, current] {
        COutRec* list = current();
        if (!list || !m_topCount->text().isEmpty()) return;
        SetLine(m_topCount, QString::number(list->m_nTopCount));
        CDialogHooks::Tell(this, kTitle,
                           QStringLiteral("Please enter an integer.\n\nThe count of \"n Most "
                                          "Popular\" stays at %1.")
                               .arg(list->m_nTopCount));
    });
    connect(m_layoutGroup, &QButtonGroup::idClicked, this, [current](int id) {
        if (COutRec* list = current()) list->m_nLayout = id;
    });
    connect(m_selectionGroup, &QButtonGroup::idClicked, this, [this, current](int id) {
        if (COutRec* list = current()) {
            list->m_nSelection = id;
            ShowListControls();
        }
    });
    connect(m_free, &QCheckBox::toggled, this, [current](bool on) {
        if (COutRec* list = current()) list->m_bFree = on ? 1 : 0;
    });
    connect(m_passworded, &QCheckBox::toggled, this, [current](bool on) {
        if (COutRec* list = current()) list->m_bPassworded = on ? 1 : 0;
    });
    connect(m_scanFailed, &QCheckBox::toggled, this, [current](bool on) {
        if (COutRec* list = current()) list->m_bScanFailed = on ? 1 : 0;
    });
    connect(m_skipList, &QCheckBox::toggled, this,
            [this](bool on) { SetOption(OPT_SKIPLIST, on); });
    connect(m_discard, &QCheckBox::toggled, this, [this](bool on) {
        if (m_loading || !GetCurrentList()) return;
        SetOption(OPT_DISCARD, on);
        m_desc->setEnabled(!on);
    });
    connect(m_ascii, &QCheckBox::toggled, this, [this](bool on) { SetOption(OPT_ASCII, on); });
    connect(m_newOnly, &QCheckBox::toggled, this, [current](bool on) {
        if (COutRec* list = current()) list->m_bNewOnly = on ? 1 : 0;
    });
    BindText(m_from, &COutRec::m_strFrom, QStringLiteral("The sender"));
    BindText(m_to, &COutRec::m_strTo, QStringLiteral("The recipient"));
    BindText(m_subject, &COutRec::m_strSubject, QStringLiteral("The subject"));
    BindText(m_desc, &COutRec::m_strListDesc, QStringLiteral("The file description"));
    BindText(m_dir, &COutRec::m_strHtmlDir, QStringLiteral("The HTML directory"));
    BindText(m_copyDir, &COutRec::m_strCopyDir, QStringLiteral("The UTF-8 copy directory"));
    connect(m_headerLines, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_loading)
            CUiText::Store(m_headerLines, &m_config.m_strHeaderLines,
                           QStringLiteral("The additional header lines"));
    });

    connect(m_areasList, &QListWidget::itemSelectionChanged, this, [this] {
        if (!m_loading) StoreAreaSelection();
    });
    connect(m_selectAll, &QPushButton::clicked, this, [this] {
        m_areasList->selectAll();
        StoreAreaSelection();
    });
    connect(m_clearAll, &QPushButton::clicked, this, [this] {
        m_areasList->clearSelection();
        StoreAreaSelection();
    });
    connect(m_typeCombo, &QComboBox::currentIndexChanged, this, [this, current](int index) {
        COutRec* list = current();
        if (!list || m_listView->count() == 0 || index < 0) return;
        list->m_nListType = index;
        ShowListControls();
    });

    connect(m_listView, &QListWidget::itemSelectionChanged, this, [this] {
        if (m_loading) return;
        ShowListControls();
        LoadAreaSelection();
    });
    connect(m_listView, &QListWidget::itemDoubleClicked, this, [this] { OnCustomise(); });
    connect(m_listView, &QListWidget::itemChanged, this, &CConfigDlg::OnItemRenamed);
    connect(m_listView, &QListWidget::customContextMenuRequested, this, &CConfigDlg::OnContextMenu);
    connect(m_new, &QPushButton::clicked, this, &CConfigDlg::OnNew);
    connect(m_delete, &QPushButton::clicked, this, &CConfigDlg::OnDelete);
    connect(m_customise, &QPushButton::clicked, this, &CConfigDlg::OnCustomise);
    connect(m_browse, &QPushButton::clicked, this,
            [this] { OnBrowse(m_dir, QStringLiteral("Choose directory for %1")); });
    connect(m_copyBrowse, &QPushButton::clicked, this, [this] {
        OnBrowse(m_copyDir, QStringLiteral("Choose the directory for UTF-8 copies of %1"));
    });
}

void CConfigDlg::OnNew() {
    CNewListDlg dlg(this);
    if (CDialogHooks::exec(dlg) == QDialog::Accepted &&
        !RefusedHtmlName(this, dlg.ListType(), dlg.Name())) {
        m_config.AddNew(dlg.ListType(), dlg.Name(), m_operatorName);
        FillListView();
        SelectItem(m_listView->count() - 1);
        m_listView->setFocus();
        LoadAreaSelection();
    } else {
        m_listView->setFocus();
        FillListView();
    }
    ShowListControls();
}

void CConfigDlg::OnDelete() {
    const COutRec* list = GetCurrentList();
    if (!list) return;
    // The question names the list; Cancel keeps it selected.
    const int index = CurrentIndex();
    if (CDialogHooks::Ask(this, QStringLiteral("Delete file list"),
                          QStringLiteral("Delete %1?").arg(CUiText::ToQt(list->m_strListName))) ==
        QMessageBox::Ok) {
        m_config.m_lists.erase(m_config.m_lists.begin() + index);
        FillListView();
        ShowListControls();
    }
    m_listView->setFocus();
}

void CConfigDlg::OnCopy() {
    const int index = CurrentIndex();
    if (index < 0) return;
    m_config.Duplicate(static_cast<size_t>(index));
    FillListView();
    SelectItem(m_listView->count() - 1);
    m_listView->setFocus();
    m_listView->scrollToItem(m_listView->item(m_listView->count() - 1));
    ShowListControls();
}

void CConfigDlg::OnRename() {
    const int index = CurrentIndex();
    if (index < 0) return;
    m_listView->setFocus();
    m_listView->editItem(m_listView->item(index));
}

void CConfigDlg::OnItemRenamed(QListWidgetItem* item) {
    if (m_loading) return;
    const int index = m_listView->row(item);
    if (index < 0 || index >= static_cast<int>(m_config.m_lists.size())) return;
    COutRec& list = m_config.m_lists[static_cast<size_t>(index)];
    const QString typed = item->text().trimmed();
    std::string name;
    if (!typed.isEmpty()) {
        if (!CUiText::FromQt(typed, &name)) {
            CUiText::Check(this, typed,
                           QStringLiteral("The name of list ") + CUiText::ToQt(list.m_strListName));
        } else if (!RefusedHtmlName(this, list.m_nListType, name)) {
            const bool fileName =
                list.m_nListType == LIST_FILE || list.m_nListType == LIST_BULLETIN;
            list.m_strListName = fileName ? CConfig::FilterListName(name) : name;
        }
    }
    m_loading = true;
    item->setText(CUiText::ToQt(list.m_strListName));
    m_loading = false;
}

void CConfigDlg::OnCustomise() {
    COutRec* list = GetCurrentList();
    if (!list) return;
    if (list->m_nListType == LIST_FILE) {
        CCompressedFilesDlg dlg(this);
        dlg.SetList(*list);
        if (CDialogHooks::exec(dlg) == QDialog::Accepted) *list = dlg.List();
    } else if (list->m_nListType == LIST_HTML) {
        CHtmlSheet sheet(*list, this);
        const int result = CDialogHooks::exec(sheet);
        list->m_nSheetPage = sheet.CurrentPage();
        if (result == QDialog::Accepted) sheet.Apply(*list);
    }
    ShowListControls();
    m_listView->setFocus();
}

void CConfigDlg::OnBrowse(QLineEdit* edit, const QString& title) {
    COutRec* list = GetCurrentList();
    if (!list) return;
    const QString folder = CDialogHooks::chooseFolder(
        this, title.arg(CUiText::ToQt(list->m_strListName)), edit->text());
    if (!folder.isEmpty()) edit->setText(folder);
}

QMenu* CConfigDlg::CreateListMenu() {
    const COutRec* list = GetCurrentList();
    if (!list) return nullptr;
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("listMenu"));
    auto add = [menu](const QString& text, const char* name, auto handler) {
        QAction* action = menu->addAction(text);
        action->setObjectName(QLatin1String(name));
        QObject::connect(action, &QAction::triggered, menu, handler);
        return action;
    };
    add(QStringLiteral("&Copy"), "copyAction", [this] { OnCopy(); });
    add(QStringLiteral("&Delete"), "deleteAction", [this] { OnDelete(); });
    add(QStringLiteral("Rena&me"), "renameAction", [this] { OnRename(); });
    if (list->m_nListType == LIST_FILE)
        add(QStringLiteral("Com&press"), "customiseAction", [this] { OnCustomise(); });
    else if (list->m_nListType == LIST_HTML)
        add(QStringLiteral("C&ustomise"), "customiseAction", [this] { OnCustomise(); });
    return menu;
}

void CConfigDlg::OnContextMenu(const QPoint& pos) {
    QMenu* menu = CreateListMenu();
    if (!menu) return;
    activateWindow();
    menu->exec(m_listView->viewport()->mapToGlobal(pos));
    menu->deleteLater();
}

void CConfigDlg::accept() {
    if (!CUiText::Store(m_headerLines, &m_config.m_strHeaderLines,
                        QStringLiteral("The additional header lines")))
        return;
    std::string error;
    if (!CConfigFile::Save(m_strConfigPath, m_config, &error)) {
        CDialogHooks::Tell(
            this, QStringLiteral("Configuration not saved"),
            QStringLiteral("The configuration could not be saved to %1:\n%2\n\nCheck that the "
                           "folder exists and can be written to, then press OK again; Cancel "
                           "leaves without saving.")
                .arg(QString::fromStdString(m_strConfigPath), QString::fromStdString(error)),
            QMessageBox::Critical);
        return;
    }
    QDialog::accept();
}
