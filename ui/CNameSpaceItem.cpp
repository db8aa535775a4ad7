#include "CNameSpaceItem.h"

#include <QDir>

namespace vidlume {

const QByteArray CNameSpaceItem::kComputerItem = QByteArrayLiteral("::computer");

void CNameSpaceItem::Set(const ItemIdList* list)
{
    m_list = list ? *list : ItemIdList();
}

void CNameSpaceItem::Append(const ItemIdList& list)
{
    m_list += list;
}

void CNameSpaceItem::RemoveLast()
{
    if (!m_list.isEmpty())
        m_list.removeLast();
}

bool CNameSpaceItem::IsEqual(const ItemIdList* list) const
{
    return list && m_list == *list;
}

QString CNameSpaceItem::GetPath() const
{
    qsizetype first = !m_list.isEmpty() && m_list.front() == kComputerItem ? 1 : 0;
    if (first >= m_list.size())
        return {};
    QString path = QString::fromUtf8(m_list[first]);
    if (!QDir::isAbsolutePath(path))
        return {};
    for (qsizetype i = first + 1; i < m_list.size(); ++i) {
        const QString name = QString::fromUtf8(m_list[i]);
        if (name.isEmpty() || name.contains(QLatin1Char('/')) || name == QLatin1String(".") || name == QLatin1String(".."))
            return {};
        path += QLatin1Char('/') + name;
    }
    return QDir::cleanPath(path);
}

} // namespace vidlume
