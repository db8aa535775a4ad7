#include "CStringTable.h"

#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace vidlume {

namespace {

    constexpr unsigned kAppNameId = 57344;

    struct Tables {
        QHash<unsigned, QString> strings;
        QHash<quint64, QString> dialogs; // dialog << 32 | control
        QHash<quint64, QString> menus;   // menu << 32 | command
        QHash<quint64, QString> labels;  // dialog << 32 | position
    };

    quint64 Key(unsigned a, unsigned b) { return quint64(a) << 32 | b; }

    Tables Load()
    {
        Tables t;
        QFile file(QStringLiteral(":/res/strings.json"));
        if (!file.open(QIODevice::ReadOnly))
            qFatal("the string table is missing from the program's resources");
        const QJsonObject root = QJsonDocument::fromJson(file.readAll()).object();
        const QJsonObject strings = root.value(QLatin1String("strings")).toObject();
        for (auto it = strings.begin(); it != strings.end(); ++it)
            t.strings.insert(it.key().toUInt(), it.value().toString());
        const QJsonObject dialogs = root.value(QLatin1String("dialogs")).toObject();
        for (auto it = dialogs.begin(); it != dialogs.end(); ++it) {
            unsigned id = it.key().toUInt();
            const QJsonObject dialog = it.value().toObject();
            if (dialog.contains(QLatin1String("title")))
                t.dialogs.insert(Key(id, 0), dialog.value(QLatin1String("title")).toString());
            const QJsonObject controls = dialog.value(QLatin1String("controls")).toObject();
            for (auto c = controls.begin(); c != controls.end(); ++c)
                t.dialogs.insert(Key(id, c.key().toUInt()), c.value().toString());
            const QJsonArray unnamed = dialog.value(QLatin1String("unnamed")).toArray();
            for (int i = 0; i < unnamed.size(); ++i)
                t.labels.insert(Key(id, unsigned(i)), unnamed[i].toString());
        }
        const QJsonObject menus = root.value(QLatin1String("menus")).toObject();
        for (auto it = menus.begin(); it != menus.end(); ++it) {
            const QJsonObject items = it.value().toObject().value(QLatin1String("items")).toObject();
            for (auto c = items.begin(); c != items.end(); ++c)
                t.menus.insert(Key(it.key().toUInt(), c.key().toUInt()), c.value().toString());
        }
        return t;
    }

    const Tables& TheTables()
    {
        static const Tables tables = Load();
        return tables;
    }

} // namespace

QString CStringTable::LoadString(unsigned id)
{
    return TheTables().strings.value(id);
}

bool CStringTable::HasString(unsigned id)
{
    return TheTables().strings.contains(id);
}

QString CStringTable::DialogText(unsigned dialogId, unsigned controlId)
{
    return TheTables().dialogs.value(Key(dialogId, controlId));
}

QString CStringTable::DialogLabel(unsigned dialogId, int index)
{
    return index < 0 ? QString() : TheTables().labels.value(Key(dialogId, unsigned(index)));
}

QString CStringTable::MenuText(unsigned menuId, unsigned commandId)
{
    return TheTables().menus.value(Key(menuId, commandId));
}

QString CStringTable::AppName()
{
    return LoadString(kAppNameId);
}

QString CStringTable::ReplaceAppName(QString text)
{
    return text.replace(QStringLiteral("§APPNAME§"), AppName());
}

} // namespace vidlume
