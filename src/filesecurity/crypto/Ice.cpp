#include "filesecurity/crypto/Ice.h"

#include <cassert>

#include "filesecurity/crypto/Bytes.h"

namespace lumexa::filesecurity {

namespace {

// The S-box moduli (irreducible polynomials of degree 8) and XOR offsets, by S-box and row.
constexpr int kSboxModulus[4][4] = {
    {333, 313, 505, 369}, {379, 375, 319, 391}, {361, 445, 451, 397}, {397, 425, 395, 505}};
constexpr int kSboxXor[4][4] = {
    {0x83, 0x85, 0x9b, 0xcd}, {0xcc, 0xa7, 0xad, 0x41}, {0x4b, 0x2e, 0xd4, 0x33}, {0xea, 0xcb, 0x2e, 0x04}};

// Where each bit of the S-box outputs goes in the round function's 32-bit result.
constexpr std::uint32_t kPbox[32] = {0x00000001, 0x00000080, 0x00000400, 0x00002000, 0x00080000, 0x00200000, 0x01000000,
                                     0x40000000, 0x00000008, 0x00000020, 0x00000100, 0x00004000, 0x00010000, 0x00800000,
                                     0x04000000, 0x20000000, 0x00000004, 0x00000010, 0x00000200, 0x00008000, 0x00020000,
                                     0x00400000, 0x08000000, 0x10000000, 0x00000002, 0x00000040, 0x00000800, 0x00001000,
                                     0x00040000, 0x00100000, 0x02000000, 0x80000000};

// Key rotation of the schedule: the first eight for the first half of the rounds, the last
// eight (reversed order of use) for the second half.
constexpr int kKeyRotation[16] = {0, 1, 2, 3, 2, 1, 3, 0, 1, 3, 2, 0, 3, 1, 0, 2};

// Multiplication in GF(2^8) modulo the polynomial m.
unsigned GfMultiply(unsigned a, unsigned b, unsigned m)
{
    unsigned result = 0;
    while (b) {
        if (b & 1)
            result ^= a;
        a <<= 1;
        b >>= 1;
        if (a >= 256)
            a ^= m;
    }
    return result;
}

// b^7 in GF(2^8) modulo m.
unsigned GfExp7(unsigned b, unsigned m)
{
    if (b == 0)
        return 0;
    unsigned x = GfMultiply(b, b, m);
    x = GfMultiply(b, x, m);
    x = GfMultiply(x, x, m);
    return GfMultiply(b, x, m);
}

std::uint32_t Permute32(std::uint32_t x)
{
    std::uint32_t result = 0;
    for (int i = 0; x; ++i, x >>= 1)
        if (x & 1)
            result |= kPbox[i];
    return result;
}

// The four 10-bit S-boxes with the P-box already applied to their outputs.
struct TSboxes
{
    std::uint32_t box[4][1024];

    TSboxes()
    {
        for (unsigned i = 0; i < 1024; ++i) {
            const unsigned column = (i >> 1) & 0xff;
            const unsigned row = (i & 0x1) | ((i & 0x200) >> 8);
            for (int s = 0; s < 4; ++s) {
                const unsigned value = GfExp7(column ^ unsigned(kSboxXor[s][row]), unsigned(kSboxModulus[s][row]));
                box[s][i] = Permute32(std::uint32_t(value) << (24 - 8 * s));
            }
        }
    }
};

const TSboxes& Sboxes()
{
    static const TSboxes sboxes; // built once, thread-safe
    return sboxes;
}

std::uint32_t RoundFunction(std::uint32_t p, const std::array<std::uint32_t, 3>& subkey, const TSboxes& s)
{
    // Expand both 16-bit halves to 20 bits.
    const std::uint32_t tl = ((p >> 16) & 0x3ff) | (((p >> 14) | (p << 18)) & 0xffc00);
    const std::uint32_t tr = (p & 0x3ff) | ((p << 2) & 0xffc00);
    // The keyed "salt" swaps the bits of tl and tr where the mask has ones.
    std::uint32_t al = subkey[2] & (tl ^ tr);
    std::uint32_t ar = al ^ tr;
    al ^= tl;
    al ^= subkey[0];
    ar ^= subkey[1];
    return s.box[0][al >> 10] | s.box[1][al & 0x3ff] | s.box[2][ar >> 10] | s.box[3][ar & 0x3ff];
}

std::uint32_t LoadBigEndian(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

void StoreBigEndian(std::uint32_t v, std::uint8_t* p)
{
    p[0] = std::uint8_t(v >> 24);
    p[1] = std::uint8_t(v >> 16);
    p[2] = std::uint8_t(v >> 8);
    p[3] = std::uint8_t(v);
}

} // namespace

TIce::TIce(int level)
    : m_size(level == 2 ? 2 : 1)
    , m_rounds(level == 0 ? 8 : (level == 2 ? 32 : 16))
{
    Sboxes();
}

TIce::~TIce()
{
    WipeKey();
}

void TIce::BuildSchedule(std::uint16_t* keyBits, int first, const int* rotation)
{
    for (int i = 0; i < 8; ++i) {
        const int kr = rotation[i];
        TSubkey& subkey = m_schedule[std::size_t(first + i)];
        subkey = {0, 0, 0};
        for (int j = 0; j < 15; ++j) {
            std::uint32_t& word = subkey[std::size_t(j % 3)];
            for (int k = 0; k < 4; ++k) {
                std::uint16_t& bits = keyBits[(kr + k) & 3];
                const unsigned bit = bits & 1u;
                word = (word << 1) | bit;
                bits = std::uint16_t((bits >> 1) | ((bit ^ 1u) << 15));
            }
        }
    }
}

bool TIce::SetKey(std::span<const std::uint8_t> key)
{
    WipeKey();
    if (key.size() != std::size_t(m_size) * 8)
        return false;
    std::uint16_t keyBits[4];
    if (m_rounds == 8) {
        for (int i = 0; i < 4; ++i)
            keyBits[3 - i] = std::uint16_t(key[std::size_t(i * 2)] << 8 | key[std::size_t(i * 2 + 1)]);
        BuildSchedule(keyBits, 0, kKeyRotation);
    } else {
        // Each 64-bit key word keys eight rounds from each end; keyBits carries its rotated
        // state from the first half into the second, as the reference does.
        for (int i = 0; i < m_size; ++i) {
            for (int j = 0; j < 4; ++j)
                keyBits[3 - j] =
                    std::uint16_t(key[std::size_t(i * 8 + j * 2)] << 8 | key[std::size_t(i * 8 + j * 2 + 1)]);
            BuildSchedule(keyBits, i * 8, kKeyRotation);
            BuildSchedule(keyBits, m_rounds - 8 - i * 8, kKeyRotation + 8);
        }
    }
    WipeMemory(keyBits, sizeof keyBits);
    m_keyed = true;
    return true;
}

void TIce::WipeKey()
{
    WipeMemory(m_schedule.data(), sizeof m_schedule);
    m_keyed = false;
}

void TIce::Encrypt(const std::uint8_t* in, std::uint8_t* out) const
{
    assert(m_keyed);
    const TSboxes& s = Sboxes();
    std::uint32_t l = LoadBigEndian(in);
    std::uint32_t r = LoadBigEndian(in + 4);
    for (int i = 0; i < m_rounds; i += 2) {
        l ^= RoundFunction(r, m_schedule[std::size_t(i)], s);
        r ^= RoundFunction(l, m_schedule[std::size_t(i + 1)], s);
    }
    StoreBigEndian(r, out);
    StoreBigEndian(l, out + 4);
}

void TIce::Decrypt(const std::uint8_t* in, std::uint8_t* out) const
{
    assert(m_keyed);
    const TSboxes& s = Sboxes();
    std::uint32_t l = LoadBigEndian(in);
    std::uint32_t r = LoadBigEndian(in + 4);
    for (int i = m_rounds - 1; i > 0; i -= 2) {
        l ^= RoundFunction(r, m_schedule[std::size_t(i)], s);
        r ^= RoundFunction(l, m_schedule[std::size_t(i - 1)], s);
    }
    StoreBigEndian(r, out);
    StoreBigEndian(l, out + 4);
}

} // namespace lumexa::filesecurity
