#include "support/Noise.h"

namespace lumexa::test {

std::string Noise(std::size_t length, std::uint32_t seed)
{
    std::string text(length, '\0');
    std::uint32_t x = 2463534242u ^ seed;
    for (char& c : text) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = static_cast<char>(x & 0xFF);
    }
    return text;
}

} // namespace lumexa::test
