#pragma once
// Reads from a block of memory it holds: for data that is already in memory, and for feeding a
// parser arbitrary bytes in tests and fuzzing.

#include "components/sources/CByteReader.h"

#include <vector>

namespace vidlume {

class CMemoryReader final : public CByteReader {
public:
    explicit CMemoryReader(std::vector<uint8_t> data) : m_data(std::move(data)) { }

    HRESULT Length(int64_t* total, int64_t* available) override;

private:
    HRESULT ReadAt(int64_t position, int32_t length, uint8_t* buffer, int32_t* read) override;

    const std::vector<uint8_t> m_data;
};

} // namespace vidlume
