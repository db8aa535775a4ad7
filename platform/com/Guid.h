#pragma once
// Globally unique identifiers: the names of interfaces (IID), component classes (CLSID),
// media types and parameters. A Guid is a plain 16-byte value; it can be written in source
// as "8670C736-F614-427B-8ADA-BBADC587194B" and checked at compile time.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vidlume {

struct Guid {
    uint32_t data1 = 0;
    uint16_t data2 = 0;
    uint16_t data3 = 0;
    std::array<uint8_t, 8> data4 {};

    // Parses "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX", with or without surrounding braces,
    // hex digits in either case. Anything else gives nullopt.
    static constexpr std::optional<Guid> Parse(std::string_view text);

    // The canonical upper-case form without braces.
    std::string ToString() const;

    // The standard FourCC-based media subtype: XXXXXXXX-0000-0010-8000-00AA00389B71 with the
    // four characters' codes, first character in the lowest byte.
    static constexpr Guid FromFourCC(std::string_view fourcc);
    static constexpr Guid FromFourCC(uint32_t code);

    bool IsNull() const { return *this == Guid {}; }
    friend constexpr bool operator==(const Guid&, const Guid&) = default;
    friend constexpr auto operator<=>(const Guid&, const Guid&) = default;
};

using IID = Guid;
using CLSID = Guid;
using REFIID = const Guid&;
using REFCLSID = const Guid&;

// Compile-time GUID from its text form; a malformed text fails to compile.
consteval Guid MakeGuid(std::string_view text)
{
    auto g = Guid::Parse(text);
    if (!g)
        throw "malformed GUID literal";
    return *g;
}

constexpr std::optional<Guid> Guid::Parse(std::string_view text)
{
    if (text.size() == 38 && text.front() == '{' && text.back() == '}')
        text = text.substr(1, 36);
    if (text.size() != 36)
        return std::nullopt;
    auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    uint8_t bytes[16] {};
    int n = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (text[i] != '-')
                return std::nullopt;
            continue;
        }
        int hi = hex(text[i]);
        int lo = i + 1 < text.size() ? hex(text[i + 1]) : -1;
        if (hi < 0 || lo < 0)
            return std::nullopt;
        bytes[n++] = static_cast<uint8_t>(hi * 16 + lo);
        ++i;
    }
    Guid g;
    g.data1 = uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 | bytes[3];
    g.data2 = static_cast<uint16_t>(bytes[4] << 8 | bytes[5]);
    g.data3 = static_cast<uint16_t>(bytes[6] << 8 | bytes[7]);
    for (int i = 0; i < 8; ++i)
        g.data4[i] = bytes[8 + i];
    return g;
}

constexpr Guid Guid::FromFourCC(uint32_t code)
{
    return Guid { code, 0x0000, 0x0010, { 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71 } };
}

constexpr Guid Guid::FromFourCC(std::string_view fourcc)
{
    uint32_t code = 0;
    for (size_t i = 0; i < 4 && i < fourcc.size(); ++i)
        code |= uint32_t(static_cast<uint8_t>(fourcc[i])) << (8 * i);
    return FromFourCC(code);
}

} // namespace vidlume

template <>
struct std::hash<vidlume::Guid> {
    size_t operator()(const vidlume::Guid& g) const noexcept
    {
        uint64_t a = uint64_t(g.data1) << 32 | uint32_t(g.data2) << 16 | g.data3;
        uint64_t b = 0;
        for (uint8_t v : g.data4)
            b = b << 8 | v;
        return std::hash<uint64_t> {}(a * 0x9E3779B97F4A7C15ull ^ b);
    }
};
