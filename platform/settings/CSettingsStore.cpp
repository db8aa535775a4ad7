#include "CSettingsStore.h"

#include <QMutex>
#include <QStringList>

namespace vidlume {

namespace {
    QMutex g_rootLock;
    QString g_company = QStringLiteral("Norvex");
    QString g_application = QStringLiteral("Norvex Vidlume");

    std::unique_ptr<QSettings> OpenSection(const QString& section)
    {
        QMutexLocker lock(&g_rootLock);
        return CSettingsStore::Open({ g_company, g_application, section });
    }

    bool Write(const QString& section, const QString& entry, const QVariant& value)
    {
        auto settings = OpenSection(section);
        if (!settings->isWritable())
            return false;
        settings->setValue(entry, value);
        settings->sync();
        return settings->status() == QSettings::NoError;
    }
} // namespace

std::optional<CSettingsStore::Location> CSettingsStore::Resolve(const QString& keyPath)
{
    QString path = keyPath;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QStringList names = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (!names.isEmpty() && names.front().compare(QLatin1String("Software"), Qt::CaseInsensitive) == 0)
        names.pop_front();
    if (names.isEmpty())
        return std::nullopt;
    for (const QString& n : names)
        if (n.trimmed().isEmpty())
            return std::nullopt;
    Location loc;
    loc.organization = names.takeFirst();
    if (!names.isEmpty())
        loc.application = names.takeFirst();
    loc.group = names.join(QLatin1Char('/'));
    return loc;
}

std::unique_ptr<QSettings> CSettingsStore::Open(const Location& location)
{
    auto settings = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
        location.organization, location.application);
    if (!location.group.isEmpty())
        settings->beginGroup(location.group);
    return settings;
}

void CSettingsStore::SetRegistryRoot(const QString& company, const QString& application)
{
    QMutexLocker lock(&g_rootLock);
    g_company = company;
    g_application = application;
}

QString CSettingsStore::RegistryRoot()
{
    QMutexLocker lock(&g_rootLock);
    return QStringLiteral("Software\\%1\\%2").arg(g_company, g_application);
}

int CSettingsStore::GetProfileInt(const QString& section, const QString& entry, int defaultValue)
{
    QVariant v = OpenSection(section)->value(entry);
    bool ok = false;
    int value = v.toString().trimmed().toInt(&ok);
    return ok ? value : defaultValue;
}

QString CSettingsStore::GetProfileString(const QString& section, const QString& entry, const QString& defaultValue)
{
    QVariant v = OpenSection(section)->value(entry);
    return v.isValid() && v.canConvert<QString>() && v.typeId() != QMetaType::QStringList ? v.toString() : defaultValue;
}

bool CSettingsStore::WriteProfileInt(const QString& section, const QString& entry, int value)
{
    return Write(section, entry, value);
}

bool CSettingsStore::WriteProfileString(const QString& section, const QString& entry, const QString& value)
{
    return Write(section, entry, value);
}

} // namespace vidlume
