// Dialog tests: one offscreen QApplication; hooks fail a test whose dialog would wait unasked.
#pragma once

#include <gtest/gtest.h>

#include <QtTest>
#include <QtWidgets>
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
                                          auto...) {
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
        CDialogHooks::chooseFolder = [](auto...) { return QString(); };
        CDialogHooks::chooseColour = [](auto...) { return std::optional<QColor>(); };
        CDialogHooks::chooseFile = [](auto...) { return QString(); };
        CDialogHooks::openUrl = [](auto...) { return false; };
    }

    void TearDown() override { CDialogHooks::Reset(); }

    // "Alt+C: &Clear All / &Conference" per mnemonic shared by labels or buttons under `roots`.
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
