#pragma once
// The command line: plain arguments are files; an argument that starts with '-' is a switch, and a
// switch containing "sendto=" names the target device the files go to (everything after the first
// "sendto="; a later one replaces an earlier one). A leading '/' is a path, not a switch.
//   vidlume -sendto="Apple iPad" a.mp4 b.avi

#include <QString>
#include <QStringList>

namespace vidlume {

class CExCommandLineInfo {
public:
    void Parse(const QStringList& arguments); // without the program's own name

    QStringList m_files;
    QString m_sendTo;
    QStringList m_otherSwitches;
};

} // namespace vidlume
