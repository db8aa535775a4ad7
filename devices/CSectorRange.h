#pragma once

#include <cstdint>

namespace vidlume {

// One run of 2048-byte sectors of a title set's VOB files, both ends included, as the title
// set's cell table gives them.
struct CSectorRange {
    uint32_t m_firstSector = 0;
    uint32_t m_lastSector = 0;

    friend bool operator==(const CSectorRange&, const CSectorRange&) = default;
};

} // namespace vidlume
