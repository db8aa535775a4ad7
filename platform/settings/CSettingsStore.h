#pragma once
// Where settings live. Settings are addressed the way the rest of the program names them, by a
// key path under the user's hive ("Software\Norvex\Norvex Vidlume\General"), and stored with
// QSettings in its native format: the first two names after "Software" pick the file
// (~/.config/<organisation>/<application>.conf), the rest is the group inside it.
// Every call opens its own QSettings, so the store may be used from any thread.

#include <QSettings>
#include <QString>

#include <memory>
#include <optional>

namespace vidlume {

class CSettingsStore {
public:
    struct Location {
        QString organization;
        QString application;
        QString group; // '/'-separated, may be empty
    };

    // "Software\Org\App\Group\Sub" (or with '/'); the leading "Software" is optional and matched
    // without regard to case. nullopt when no organisation remains or a name is empty.
    static std::optional<Location> Resolve(const QString& keyPath);
    // The settings file of a location, with its group already entered. Never null.
    static std::unique_ptr<QSettings> Open(const Location& location);

    // The application's own key, set once at start-up before any profile call.
    static void SetRegistryRoot(const QString& company, const QString& application);
    static QString RegistryRoot(); // "Software\<company>\<application>"

    // Values of the application's own key: section is the group ("General", "Devices").
    // A missing value, or one that is not a number, reads as the default.
    static int GetProfileInt(const QString& section, const QString& entry, int defaultValue);
    static QString GetProfileString(const QString& section, const QString& entry, const QString& defaultValue);
    // False when the settings file cannot be written.
    static bool WriteProfileInt(const QString& section, const QString& entry, int value);
    static bool WriteProfileString(const QString& section, const QString& entry, const QString& value);
};

} // namespace vidlume
