#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lumexa::test {

// Bytes of a hexadecimal text; spaces are skipped so vectors can be copied as printed.
inline std::vector<std::uint8_t> FromHex(std::string_view hex)
{
    std::vector<std::uint8_t> bytes;
    int high = -1;
    for (const char c : hex) {
        int v;
        if (c >= '0' && c <= '9')
            v = c - '0';
        else if (c >= 'a' && c <= 'f')
            v = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            v = c - 'A' + 10;
        else
            continue;
        if (high < 0) {
            high = v;
        } else {
            bytes.push_back(std::uint8_t(high << 4 | v));
            high = -1;
        }
    }
    return bytes;
}

template <class TBytes> std::string ToHex(const TBytes& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (const auto b : bytes) {
        hex += digits[std::uint8_t(b) >> 4];
        hex += digits[std::uint8_t(b) & 0xf];
    }
    return hex;
}

// Lower-case hex of a vector printed in either case, spaces removed.
inline std::string NormalHex(std::string_view hex)
{
    return ToHex(FromHex(hex));
}

} // namespace lumexa::test
