#pragma once
// The program's texts, keyed by resource id: the string table, dialog captions and control
// texts, and menu items (res/strings.json, compiled in). Loaded once, on first use; safe to
// call from any thread.

#include <QByteArray>
#include <QString>

#include <tuple>

namespace vidlume {

class CStringTable {
public:
    // The text of a string-table entry; empty when the id is unknown.
    static QString LoadString(unsigned id);
    static bool HasString(unsigned id);
    // A dialog's caption (controlId 0) or a control's text; empty when unknown.
    static QString DialogText(unsigned dialogId, unsigned controlId);
    // The index-th text of a dialog's controls that have no id of their own (labels), in order.
    static QString DialogLabel(unsigned dialogId, int index);
    // A menu item's text by command id; empty when unknown.
    static QString MenuText(unsigned menuId, unsigned commandId);

    // The application's name (string 57344), put in place of the "§APPNAME§" placeholder.
    static QString AppName();
    static QString ReplaceAppName(QString text);
    // LoadString with the placeholder replaced: what a window shows.
    static QString Text(unsigned id) { return ReplaceAppName(LoadString(id)); }

    // The string filled in the C way: its texts use printf conversions ("%d transfer(s) left\n%s").
    // QString arguments go in as UTF-8 for %s; numbers as they are.
    template <class... Args>
    static QString Format(unsigned id, const Args&... args)
    {
        return FormatText(LoadString(id), args...);
    }
    template <class... Args>
    static QString FormatText(const QString& format, const Args&... args)
    {
        auto converted = std::make_tuple(Prepare(args)...);
        const QByteArray f = format.toUtf8();
        return std::apply([&](const auto&... a) { return QString::asprintf(f.constData(), Pass(a)...); }, converted);
    }

private:
    static QByteArray Prepare(const QString& s) { return s.toUtf8(); }
    template <class T>
    static T Prepare(const T& v) { return v; }
    static const char* Pass(const QByteArray& b) { return b.constData(); }
    template <class T>
    static T Pass(const T& v) { return v; }
};

} // namespace vidlume
