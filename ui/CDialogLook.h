// The common look of our windows: the program's icon, the list icons at 16 and 32 pixels,
// and widths that show a window's title and a name field's whole text.
#pragma once

#include <QChar>
#include <QIcon>

class QLineEdit;
class QWidget;

class CDialogLook {
public:
    // The program's own icon (16 to 64 pixels), for the title bar and the window list.
    static QIcon AppIcon();
    // One of "list_file", "list_message", "list_bulletin", "list_html", at 16 and 32 pixels.
    static QIcon ListIcon(const char* name);
    // Makes `window` at least wide enough for its title beside the title bar's buttons;
    // call again after the title changes.
    static void FitTitle(QWidget* window);
    // Makes `edit` wide enough for `chars` characters as wide as `sample`.
    static void FitChars(QLineEdit* edit, int chars, QChar sample);
};
