#include "core/Gost.h"

#include <algorithm>

namespace lumexa::core {

namespace {

// The substitution boxes of the GOST R 34.11-94 test parameter set (RFC 5831, section 7.3;
// OID 1.2.643.2.2.30.0). Row i maps the i-th 4-bit group of the word, counted from the least
// significant bits.
constexpr std::uint8_t SBox[8][16] = {
    {4, 10, 9, 2, 13, 8, 0, 14, 6, 11, 1, 12, 7, 15, 5, 3},
    {14, 11, 4, 12, 6, 13, 15, 10, 2, 3, 8, 1, 0, 7, 5, 9},
    {5, 8, 1, 13, 10, 3, 4, 2, 14, 15, 12, 7, 6, 0, 9, 11},
    {7, 13, 10, 1, 0, 8, 9, 15, 14, 4, 6, 12, 11, 2, 5, 3},
    {6, 12, 7, 1, 5, 15, 13, 8, 4, 10, 9, 14, 0, 3, 11, 2},
    {4, 11, 10, 0, 7, 2, 1, 13, 3, 6, 8, 5, 9, 12, 15, 14},
    {13, 11, 4, 1, 3, 15, 5, 9, 0, 10, 14, 7, 6, 8, 2, 12},
    {1, 15, 13, 0, 5, 7, 10, 4, 9, 2, 3, 14, 6, 11, 8, 12},
};

std::uint32_t RotateLeft11(std::uint32_t x)
{
    return (x << 11) | (x >> 21);
}

std::uint32_t LoadLe32(const std::uint8_t* p)
{
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
}

void StoreLe32(std::uint8_t* p, std::uint32_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}

TGost28147::TBlock ToBlock(std::uint64_t halves)
{
    TGost28147::TBlock out{};
    StoreLe32(out.data(), static_cast<std::uint32_t>(halves));
    StoreLe32(out.data() + 4, static_cast<std::uint32_t>(halves >> 32));
    return out;
}

} // namespace

TGost28147::TGost28147(const TKey& key)
{
    for (std::size_t i = 0; i < m_key.size(); ++i)
        m_key[i] = LoadLe32(key.data() + 4 * i);
    for (std::size_t pair = 0; pair < 4; ++pair) {
        for (std::uint32_t byte = 0; byte < 256; ++byte) {
            const std::uint32_t low = SBox[2 * pair][byte & 0x0F];
            const std::uint32_t high = SBox[2 * pair + 1][byte >> 4];
            m_table[pair][byte] = RotateLeft11(((high << 4) | low) << (8 * pair));
        }
    }
}

std::uint32_t TGost28147::F(std::uint32_t x) const
{
    return m_table[0][x & 0xFF] ^ m_table[1][(x >> 8) & 0xFF] ^ m_table[2][(x >> 16) & 0xFF] ^ m_table[3][x >> 24];
}

// Rounds 1..24 take the key words K0..K7 three times in order, rounds 25..32 in reverse order;
// each round replaces N2 by N2 xor F(N1 + K) and swaps the halves, except the last.
std::uint64_t TGost28147::Encrypt(std::uint32_t n1, std::uint32_t n2) const
{
    for (int repeat = 0; repeat < 3; ++repeat) {
        for (std::size_t i = 0; i < 8; i += 2) {
            n2 ^= F(n1 + m_key[i]);
            n1 ^= F(n2 + m_key[i + 1]);
        }
    }
    for (std::size_t i = 8; i > 0; i -= 2) {
        n2 ^= F(n1 + m_key[i - 1]);
        n1 ^= F(n2 + m_key[i - 2]);
    }
    return std::uint64_t{n2} | (std::uint64_t{n1} << 32);
}

std::uint64_t TGost28147::Decrypt(std::uint32_t n1, std::uint32_t n2) const
{
    for (std::size_t i = 0; i < 8; i += 2) {
        n2 ^= F(n1 + m_key[i]);
        n1 ^= F(n2 + m_key[i + 1]);
    }
    for (int repeat = 0; repeat < 3; ++repeat) {
        for (std::size_t i = 8; i > 0; i -= 2) {
            n2 ^= F(n1 + m_key[i - 1]);
            n1 ^= F(n2 + m_key[i - 2]);
        }
    }
    return std::uint64_t{n2} | (std::uint64_t{n1} << 32);
}

TGost28147::TBlock TGost28147::EncryptBlock(const TBlock& block) const
{
    return ToBlock(Encrypt(LoadLe32(block.data()), LoadLe32(block.data() + 4)));
}

TGost28147::TBlock TGost28147::DecryptBlock(const TBlock& block) const
{
    return ToBlock(Decrypt(LoadLe32(block.data()), LoadLe32(block.data() + 4)));
}

void TGost28147::EncryptCfb(std::span<std::uint8_t> data, TBlock& reg) const
{
    std::uint32_t n1 = LoadLe32(reg.data());
    std::uint32_t n2 = LoadLe32(reg.data() + 4);
    for (std::size_t at = 0; at < data.size(); at += BlockSize) {
        const std::uint64_t gamma = Encrypt(n1, n2);
        const std::size_t count = std::min(BlockSize, data.size() - at);
        TBlock cipher = ToBlock(gamma);
        for (std::size_t i = 0; i < count; ++i)
            cipher[i] = data[at + i] ^= cipher[i];
        n1 = LoadLe32(cipher.data());
        n2 = LoadLe32(cipher.data() + 4);
    }
    StoreLe32(reg.data(), n1);
    StoreLe32(reg.data() + 4, n2);
}

void TGost28147::DecryptCfb(std::span<std::uint8_t> data, TBlock& reg) const
{
    std::uint32_t n1 = LoadLe32(reg.data());
    std::uint32_t n2 = LoadLe32(reg.data() + 4);
    for (std::size_t at = 0; at < data.size(); at += BlockSize) {
        const TBlock gamma = ToBlock(Encrypt(n1, n2));
        const std::size_t count = std::min(BlockSize, data.size() - at);
        TBlock cipher = gamma;
        for (std::size_t i = 0; i < count; ++i) {
            cipher[i] = data[at + i];
            data[at + i] ^= gamma[i];
        }
        n1 = LoadLe32(cipher.data());
        n2 = LoadLe32(cipher.data() + 4);
    }
    StoreLe32(reg.data(), n1);
    StoreLe32(reg.data() + 4, n2);
}

} // namespace lumexa::core
