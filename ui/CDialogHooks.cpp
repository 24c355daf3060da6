#include "ui/CDialogHooks.h"

#include <QColorDialog>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include "ui/CDialogLook.h"

namespace {

QMessageBox::StandardButton DefaultMessageBox(QWidget* parent, const QString& caption,
                                              const QString& text,
                                              QMessageBox::StandardButtons buttons,
                                              QMessageBox::Icon icon) {
    QMessageBox box(icon, caption, text, buttons, parent);
    CDialogLook::FitTitle(&box);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

// A folder typed but not made yet still says where the operator is working.
QString ExistingFolder(const QString& start) {
    if (start.trimmed().isEmpty()) return {};
    QString path = QDir::cleanPath(QDir::current().absoluteFilePath(start.trimmed()));
    while (!QFileInfo(path).isDir() && path != QFileInfo(path).path())
        path = QFileInfo(path).path();
    return path;
}

QString DefaultFolder(QWidget* parent, const QString& title, const QString& start) {
    return QFileDialog::getExistingDirectory(parent, title, ExistingFolder(start),
                                             QFileDialog::ShowDirsOnly);
}

std::optional<QColor> DefaultColour(QWidget* parent, const QColor& initial) {
    const QColor colour = QColorDialog::getColor(initial, parent);
    if (!colour.isValid()) return std::nullopt;
    return colour;
}

QString DefaultFile(QWidget* parent, const QString& filter, const QString& defaultSuffix,
                    const QString& start) {
    QFileDialog dialog(parent, QString(), ExistingFolder(start));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (!filter.isEmpty()) dialog.setNameFilter(filter);
    if (!defaultSuffix.isEmpty()) dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

int DefaultExec(QDialog& dialog) {
    return dialog.exec();
}

bool DefaultOpenUrl(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

}  // namespace

CDialogHooks::MessageBoxFn CDialogHooks::messageBox = DefaultMessageBox;
CDialogHooks::FolderFn CDialogHooks::chooseFolder = DefaultFolder;
CDialogHooks::ColourFn CDialogHooks::chooseColour = DefaultColour;
CDialogHooks::FileFn CDialogHooks::chooseFile = DefaultFile;
CDialogHooks::ExecFn CDialogHooks::exec = DefaultExec;
CDialogHooks::OpenUrlFn CDialogHooks::openUrl = DefaultOpenUrl;

void CDialogHooks::Reset() {
    messageBox = DefaultMessageBox;
    chooseFolder = DefaultFolder;
    chooseColour = DefaultColour;
    chooseFile = DefaultFile;
    exec = DefaultExec;
    openUrl = DefaultOpenUrl;
}

QMessageBox::StandardButton CDialogHooks::Ask(QWidget* parent, const QString& caption,
                                              const QString& text) {
    return messageBox(parent, caption, text, QMessageBox::Ok | QMessageBox::Cancel,
                      QMessageBox::NoIcon);
}

void CDialogHooks::Tell(QWidget* parent, const QString& caption, const QString& text,
                        QMessageBox::Icon icon) {
    messageBox(parent, caption, text, QMessageBox::Ok, icon);
}
