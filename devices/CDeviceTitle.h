#pragma once

#include <QString>

namespace vidlume {

// What a target's medium holds, one entry per title, for the disc information document.
struct CDeviceTitle {
    QString m_title;
    QString m_artist;
    QString m_playtime;
};

} // namespace vidlume
