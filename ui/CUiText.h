// The boundary between Qt's Unicode text and the Windows-1252 text of the configuration.
// A character Windows-1252 cannot hold is refused with a message, never stored as
// something else.
#pragma once

#include <QString>
#include <string>

class QLineEdit;
class QPlainTextEdit;
class QWidget;

class CUiText {
public:
    static QString ToQt(const std::string& cp1252);
    static bool FromQt(const QString& text, std::string* cp1252);
    // Multi-line texts: CR LF in the configuration, plain line feeds in the edit.
    static QString ToQtLines(const std::string& cp1252);
    static bool FromQtLines(const QString& text, std::string* cp1252);

    // The first character of `text` that Windows-1252 cannot hold (empty when none).
    static QString FirstUnstorable(const QString& text);

    // Stores the edit's text into `field`. On a character Windows-1252 cannot hold, says so
    // (naming `what`), puts the stored text back into the edit and returns false.
    static bool Store(QLineEdit* edit, std::string* field, const QString& what);
    static bool Store(QPlainTextEdit* edit, std::string* field, const QString& what);
    // As Store, for a text that comes from elsewhere (a chooser); nothing to put back.
    static bool Check(QWidget* parent, const QString& text, const QString& what);
};
