// The OK / Cancel row of the dialogs, its buttons named for the tests.
#pragma once

class QDialog;
class QDialogButtonBox;

class CDialogButtons {
public:
    // OK accepts and Cancel rejects `dialog`; the caller places the row in its layout.
    static QDialogButtonBox* OkCancel(QDialog* dialog);
};
