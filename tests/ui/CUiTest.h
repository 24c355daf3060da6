// Base fixture of the dialog tests (with the widgets they drive): one QApplication for the whole
// binary (offscreen), and hooks that fail the test whenever a dialog would wait for a person
// unasked.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QString>
#include <QStringList>
#include <QTest>
#include <functional>

#include "ui/CDialogHooks.h"

class CUiTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (QApplication::instance()) return;
        static int argc = 1;
        static char name[] = "test_ui";
        static char* argv[] = {name, nullptr};
        new QApplication(argc, argv);  // lives for the whole process
    }

    void SetUp() override {
        CDialogHooks::messageBox = [this](QWidget*, const QString& caption, const QString& text,
                                          QMessageBox::StandardButtons, QMessageBox::Icon) {
            m_messages << caption + QStringLiteral(": ") + text;
            return m_answer;
        };
        CDialogHooks::exec = [this](QDialog& dialog) {
            if (!m_dialogAnswer) {
                ADD_FAILURE() << "unexpected dialog " << dialog.objectName().toStdString();
                return int(QDialog::Rejected);
            }
            return m_dialogAnswer(dialog);
        };
        CDialogHooks::chooseFolder = [](QWidget*, const QString&, const QString&) {
            return QString();
        };
        CDialogHooks::chooseColour = [](QWidget*, const QColor&) -> std::optional<QColor> {
            return std::nullopt;
        };
        CDialogHooks::chooseFile = [](QWidget*, const QString&, const QString&, const QString&) {
            return QString();
        };
        CDialogHooks::openUrl = [](const QUrl&) { return false; };
    }

    void TearDown() override { CDialogHooks::Reset(); }

    // "Alt+C: &Clear All / &Conference" for each mnemonic that two labels or buttons under
    // `roots` share; empty when every one is unique.
    static QString MnemonicClashes(std::initializer_list<const QWidget*> roots) {
        QMap<QString, QStringList> owners;
        for (const QWidget* root : roots) {
            for (const QWidget* w : root->findChildren<const QWidget*>()) {
                QString text;
                if (auto* label = qobject_cast<const QLabel*>(w)) text = label->text();
                if (auto* button = qobject_cast<const QAbstractButton*>(w)) text = button->text();
                const QKeySequence key = QKeySequence::mnemonic(text);
                if (!key.isEmpty()) owners[key.toString()] << text;
            }
        }
        QStringList clashes;
        for (auto it = owners.cbegin(); it != owners.cend(); ++it)
            if (it->size() > 1) clashes << it.key() + QStringLiteral(": ") + it->join(" / ");
        return clashes.join(QStringLiteral("; "));
    }

    QMessageBox::StandardButton m_answer = QMessageBox::Ok;
    QStringList m_messages;
    std::function<int(QDialog&)> m_dialogAnswer;
};
