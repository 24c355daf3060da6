// Every place where the dialogs wait for a person (message boxes, choosers, modal
// sub-dialogs, the shell) goes through these hooks, so that tests can answer instead.
#pragma once

#include <QColor>
#include <QMessageBox>
#include <QString>
#include <QUrl>
#include <functional>
#include <optional>

class QDialog;
class QWidget;

class CDialogHooks {
public:
    using MessageBoxFn = std::function<QMessageBox::StandardButton(
        QWidget* parent, const QString& caption, const QString& text,
        QMessageBox::StandardButtons buttons, QMessageBox::Icon icon)>;
    // Returns the chosen folder, or an empty text when the chooser was cancelled. The chooser
    // starts in `start` (or the nearest folder above it that exists).
    using FolderFn =
        std::function<QString(QWidget* parent, const QString& title, const QString& start)>;
    // Returns the chosen colour, or nothing when the chooser was cancelled.
    using ColourFn = std::function<std::optional<QColor>(QWidget* parent, const QColor& initial)>;
    // Returns the chosen existing file, or an empty text when cancelled; starts as FolderFn.
    using FileFn = std::function<QString(QWidget* parent, const QString& filter,
                                         const QString& defaultSuffix, const QString& start)>;
    // Runs a modal dialog and returns its result code.
    using ExecFn = std::function<int(QDialog& dialog)>;
    // Opens a target with the desktop; false when nothing could open it.
    using OpenUrlFn = std::function<bool(const QUrl& url)>;

    static MessageBoxFn messageBox;
    static FolderFn chooseFolder;
    static ColourFn chooseColour;
    static FileFn chooseFile;
    static ExecFn exec;
    static OpenUrlFn openUrl;

    // Puts back the interactive defaults.
    static void Reset();

    // Shorthand for the common message box calls.
    static QMessageBox::StandardButton Ask(QWidget* parent, const QString& caption,
                                           const QString& text);  // OK / Cancel
    static void Tell(QWidget* parent, const QString& caption, const QString& text,
                     QMessageBox::Icon icon = QMessageBox::Warning);
};
