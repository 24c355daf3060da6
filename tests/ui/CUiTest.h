// Base fixture of the dialog tests: one QApplication for the whole binary (offscreen), and
// hooks that fail the test whenever a dialog would wait for a person unasked.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QString>
#include <QStringList>
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
        CDialogHooks::chooseFolder = [](QWidget*, const QString&) { return QString(); };
        CDialogHooks::chooseColour = [](QWidget*, const QColor&) -> std::optional<QColor> {
            return std::nullopt;
        };
        CDialogHooks::chooseFile = [](QWidget*, const QString&, const QString&) {
            return QString();
        };
        CDialogHooks::openUrl = [](const QUrl&) { return false; };
    }

    void TearDown() override { CDialogHooks::Reset(); }

    QMessageBox::StandardButton m_answer = QMessageBox::Ok;
    QStringList m_messages;
    std::function<int(QDialog&)> m_dialogAnswer;
};
