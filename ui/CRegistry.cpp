#include "CRegistry.h"

#include "platform/settings/CSettingsStore.h"

#include <QSettings>

namespace vidlume {

namespace {
    // QSettings has no unnamed value; the key's default value gets this name.
    QString ValueKey(const QString& name) { return name.isEmpty() ? QStringLiteral("(Default)") : name; }
}

CRegistry::CRegistry() = default;
CRegistry::~CRegistry() = default;

long CRegistry::Open(const QString& subKey, bool readOnly)
{
    m_key.reset();
    auto location = CSettingsStore::Resolve(subKey);
    if (!location)
        return ERROR_INVALID_PARAMETER;
    auto key = CSettingsStore::Open(*location);
    if (key->status() == QSettings::FormatError)
        return ERROR_INVALID_DATA;
    if (key->status() == QSettings::AccessError || (!readOnly && !key->isWritable()))
        return ERROR_ACCESS_DENIED;
    m_key = std::move(key);
    m_readOnly = readOnly;
    return ERROR_SUCCESS;
}

QString CRegistry::ReadString(const QString& valueName, const QString& defaultValue) const
{
    if (!m_key)
        return defaultValue;
    const QVariant v = m_key->value(ValueKey(valueName));
    // Lists and binary values are not strings; numbers read back from the file as text anyway.
    if (!v.isValid() || v.typeId() == QMetaType::QStringList || v.typeId() == QMetaType::QByteArray || !v.canConvert<QString>())
        return defaultValue;
    const QString text = v.toString();
    return text.size() > kMaxValueLength ? defaultValue : text;
}

long CRegistry::WriteString(const QString& valueName, const QString& text)
{
    if (!m_key)
        return ERROR_INVALID_HANDLE;
    if (m_readOnly)
        return ERROR_ACCESS_DENIED;
    m_key->setValue(ValueKey(valueName), text);
    m_key->sync();
    return m_key->status() == QSettings::NoError ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

} // namespace vidlume
