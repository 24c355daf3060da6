#include "ui/CUiText.h"

#include <QLineEdit>
#include <QPlainTextEdit>

#include "config/CCodePage.h"
#include "ui/CDialogHooks.h"

QString CUiText::ToQt(const std::string& cp1252) {
    return QString::fromStdString(CCodePage::ToUtf8(cp1252));
}

bool CUiText::FromQt(const QString& text, std::string* cp1252) {
    return CCodePage::FromUtf8(text.toStdString(), cp1252);
}

QString CUiText::ToQtLines(const std::string& cp1252) {
    QString text = ToQt(cp1252);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

bool CUiText::FromQtLines(const QString& text, std::string* cp1252) {
    QString crlf = text;
    crlf.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    crlf.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return FromQt(crlf, cp1252);
}

QString CUiText::FirstUnstorable(const QString& text) {
    std::string scratch;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype n = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString ch = text.mid(i, n);
        if (!FromQt(ch, &scratch)) return ch;
        i += n - 1;
    }
    return {};
}

bool CUiText::Check(QWidget* parent, const QString& text, const QString& what) {
    const QString bad = FirstUnstorable(text);
    if (bad.isEmpty()) return true;
    const QString code =
        QStringLiteral("%1").arg(bad.toUcs4().value(0), 4, 16, QLatin1Char('0')).toUpper();
    CDialogHooks::Tell(parent, QStringLiteral("Character not allowed"),
                       QStringLiteral("%1 cannot hold the character \"%2\" (U+%3): the "
                                      "configuration keeps text in Windows-1252 only.\n\n"
                                      "Please use another character.")
                           .arg(what, bad, code));
    return false;
}

bool CUiText::Store(QLineEdit* edit, std::string* field, const QString& what) {
    if (FromQt(edit->text(), field)) return true;
    Check(edit->window(), edit->text(), what);
    edit->setText(ToQt(*field));
    return false;
}

bool CUiText::Store(QPlainTextEdit* edit, std::string* field, const QString& what) {
    if (FromQtLines(edit->toPlainText(), field)) return true;
    Check(edit->window(), edit->toPlainText(), what);
    edit->setPlainText(ToQtLines(*field));
    edit->moveCursor(QTextCursor::End);
    return false;
}
