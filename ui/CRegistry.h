#pragma once
// One open settings key under the user's hive, by its key path ("Software\GNU\ffdshow"); see
// CSettingsStore for where keys live on disk. Results are operating-system error numbers:
// ERROR_SUCCESS (0) or the reason for the failure.

#include "platform/com/HResult.h"

#include <QString>

#include <memory>

class QSettings;

namespace vidlume {

class CRegistry {
public:
    CRegistry();
    ~CRegistry();
    CRegistry(const CRegistry&) = delete;
    CRegistry& operator=(const CRegistry&) = delete;

    // Creates or opens the key, for reading only or for reading and writing.
    // ERROR_INVALID_PARAMETER for a path that names no key, ERROR_INVALID_DATA when the
    // settings file is damaged, ERROR_ACCESS_DENIED when writing was asked for and the file
    // cannot be written.
    long Open(const QString& subKey, bool readOnly);

    // The string value, or the default when the key is not open, the value is missing, is not
    // a string, or is longer than the 16383 characters a value may hold. An empty name reads
    // the key's default value.
    QString ReadString(const QString& valueName, const QString& defaultValue) const;
    // Writes and saves a string value. ERROR_INVALID_HANDLE when the key is not open,
    // ERROR_ACCESS_DENIED when it was opened read-only or cannot be written.
    long WriteString(const QString& valueName, const QString& text);

    static constexpr int kMaxValueLength = 16384 - 1;

private:
    std::unique_ptr<QSettings> m_key;
    bool m_readOnly = true;
};

} // namespace vidlume
