#pragma once
// The program's texts, keyed by resource id: the string table, dialog captions and control
// texts, and menu items (res/strings.json, compiled in). Loaded once, on first use; safe to
// call from any thread.

#include <QString>

namespace vidlume {

class CStringTable {
public:
    // The text of a string-table entry; empty when the id is unknown.
    static QString LoadString(unsigned id);
    static bool HasString(unsigned id);
    // A dialog's caption (controlId 0) or a control's text; empty when unknown.
    static QString DialogText(unsigned dialogId, unsigned controlId);
    // A menu item's text by command id; empty when unknown.
    static QString MenuText(unsigned menuId, unsigned commandId);

    // The application's name (string 57344), put in place of the "§APPNAME§" placeholder.
    static QString AppName();
    static QString ReplaceAppName(QString text);
    // LoadString with the placeholder replaced: what a window shows.
    static QString Text(unsigned id) { return ReplaceAppName(LoadString(id)); }
};

} // namespace vidlume
