#include "CExCommandLineInfo.h"

namespace vidlume {

void CExCommandLineInfo::Parse(const QStringList& arguments)
{
    for (const QString& argument : arguments) {
        if (!argument.startsWith(QLatin1Char('-'))) {
            m_files.append(argument);
            continue;
        }
        const qsizetype at = argument.indexOf(QLatin1String("sendto="));
        if (at >= 0)
            m_sendTo = argument.mid(at + 7);
        else
            m_otherSwitches.append(argument);
    }
}

} // namespace vidlume
