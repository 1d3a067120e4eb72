#include "filesecurity/crypto/Haval.h"

#include <algorithm>
#include <cstring>

#include "filesecurity/crypto/Bytes.h"

namespace lumexa::filesecurity {

namespace {

constexpr int kVersion = 1;

// The initial state and the round constants of passes 2 to 5 are the successive 32-bit words
// of the fractional part of pi.
constexpr std::uint32_t kInitialState[8] = {
    0x243F6A88, 0x85A308D3, 0x13198A2E, 0x03707344, 0xA4093822, 0x299F31D0, 0x082EFA98, 0xEC4E6C89};

constexpr std::uint32_t kConstants[4][32] = {
    {0x452821E6, 0x38D01377, 0xBE5466CF, 0x34E90C6C, 0xC0AC29B7, 0xC97C50DD, 0x3F84D5B5, 0xB5470917,
     0x9216D5D9, 0x8979FB1B, 0xD1310BA6, 0x98DFB5AC, 0x2FFD72DB, 0xD01ADFB7, 0xB8E1AFED, 0x6A267E96,
     0xBA7C9045, 0xF12C7F99, 0x24A19947, 0xB3916CF7, 0x0801F2E2, 0x858EFC16, 0x636920D8, 0x71574E69,
     0xA458FEA3, 0xF4933D7E, 0x0D95748F, 0x728EB658, 0x718BCD58, 0x82154AEE, 0x7B54A41D, 0xC25A59B5},
    {0x9C30D539, 0x2AF26013, 0xC5D1B023, 0x286085F0, 0xCA417918, 0xB8DB38EF, 0x8E79DCB0, 0x603A180E,
     0x6C9E0E8B, 0xB01E8A3E, 0xD71577C1, 0xBD314B27, 0x78AF2FDA, 0x55605C60, 0xE65525F3, 0xAA55AB94,
     0x57489862, 0x63E81440, 0x55CA396A, 0x2AAB10B6, 0xB4CC5C34, 0x1141E8CE, 0xA15486AF, 0x7C72E993,
     0xB3EE1411, 0x636FBC2A, 0x2BA9C55D, 0x741831F6, 0xCE5C3E16, 0x9B87931E, 0xAFD6BA33, 0x6C24CF5C},
    {0x7A325381, 0x28958677, 0x3B8F4898, 0x6B4BB9AF, 0xC4BFE81B, 0x66282193, 0x61D809CC, 0xFB21A991,
     0x487CAC60, 0x5DEC8032, 0xEF845D5D, 0xE98575B1, 0xDC262302, 0xEB651B88, 0x23893E81, 0xD396ACC5,
     0x0F6D6FF3, 0x83F44239, 0x2E0B4482, 0xA4842004, 0x69C8F04A, 0x9E1F9B5E, 0x21C66842, 0xF6E96C9A,
     0x670C9C61, 0xABD388F0, 0x6A51A0D2, 0xD8542F68, 0x960FA728, 0xAB5133A3, 0x6EEF0B6C, 0x137A3BE4},
    {0xBA3BF050, 0x7EFB2A98, 0xA1F1651D, 0x39AF0176, 0x66CA593E, 0x82430E88, 0x8CEE8619, 0x456F9FB4,
     0x7D84A5C3, 0x3B8B5EBE, 0xE06F75D8, 0x85C12073, 0x401A449F, 0x56C16AA6, 0x4ED3AA62, 0x363F7706,
     0x1BFEDF72, 0x429B023D, 0x37D0D724, 0xD00A1248, 0xDB0FEAD3, 0x49F1C09B, 0x075372C9, 0x80991B7B,
     0x25D479D8, 0xF6E8DEF7, 0xE3FE501A, 0xB6794C3B, 0x976CE0BD, 0x04C006BA, 0xC1A94FB6, 0x409F60C4}};

// The order in which each pass reads the 32 message words (pass 1 reads them in order).
constexpr int kWordOrder[5][32] = {{0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15,
                                    16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31},
                                   {5,  14, 26, 18, 11, 28, 7,  16, 0,  23, 20, 22, 1, 10, 4,  8,
                                    30, 3,  21, 9,  17, 24, 29, 6,  19, 12, 15, 13, 2, 25, 31, 27},
                                   {19, 9,  4, 20, 28, 17, 8,  22, 29, 14, 25, 12, 24, 30, 16, 26,
                                    31, 15, 7, 3,  1,  0,  18, 27, 13, 6,  21, 10, 23, 11, 5,  2},
                                   {24, 4,  0,  14, 2, 7,  28, 23, 26, 6,  30, 20, 18, 25, 19, 3,
                                    22, 11, 31, 21, 8, 27, 12, 9,  1,  29, 5,  15, 17, 10, 16, 13},
                                   {27, 3, 21, 26, 17, 11, 20, 29, 19, 0,  12, 7,  13, 8, 31, 10,
                                    5,  9, 14, 30, 18, 6,  28, 24, 2,  23, 16, 22, 4,  1, 25, 15}};

// The permutations phi: for a HAVAL of P passes, pass j feeds its Boolean function the inputs
// x6..x0 in the order listed (phi[P-3][j]).
constexpr int kPhi[3][5][7] = {
    {{1, 0, 3, 5, 6, 2, 4}, {4, 2, 1, 0, 5, 3, 6}, {6, 1, 2, 3, 4, 5, 0}},
    {{2, 6, 1, 4, 5, 3, 0}, {3, 5, 2, 0, 1, 6, 4}, {1, 4, 3, 6, 0, 2, 5}, {6, 4, 0, 5, 2, 1, 3}},
    {{3, 4, 1, 0, 5, 2, 6},
     {6, 2, 1, 0, 3, 4, 5},
     {2, 6, 0, 4, 3, 1, 5},
     {1, 5, 3, 2, 0, 4, 6},
     {2, 5, 0, 6, 4, 3, 1}}};

// The five Boolean functions of the paper, each factored from its algebraic normal form
// (f1 = x1x4 ^ x2x5 ^ x3x6 ^ x0x1 ^ x0, and so on).
std::uint32_t F(int j,
                std::uint32_t x6,
                std::uint32_t x5,
                std::uint32_t x4,
                std::uint32_t x3,
                std::uint32_t x2,
                std::uint32_t x1,
                std::uint32_t x0)
{
    switch (j) {
    case 0:
        return (x1 & (x0 ^ x4)) ^ (x2 & x5) ^ (x3 & x6) ^ x0;
    case 1:
        return (x2 & ((x1 & ~x3) ^ (x4 & x5) ^ x6 ^ x0)) ^ (x4 & (x1 ^ x5)) ^ (x3 & x5) ^ x0;
    case 2:
        return (x3 & ((x1 & x2) ^ x6 ^ x0)) ^ (x1 & x4) ^ (x2 & x5) ^ x0;
    case 3:
        return (x4 & ((x5 & ~x2) ^ (x3 & ~x6) ^ x1 ^ x6 ^ x0)) ^ (x3 & ((x1 & x2) ^ x5 ^ x6)) ^ (x2 & x6) ^ x0;
    default:
        return (x0 & ((x1 & x2 & x3) ^ ~x5)) ^ (x1 & x4) ^ (x2 & x5) ^ (x3 & x6);
    }
}

std::uint32_t RotateRight(std::uint32_t x, int n)
{
    return (x >> n) | (x << (32 - n));
}

} // namespace

std::unique_ptr<THaval> THaval::Create(int passes, int bits)
{
    if (passes < 3 || passes > 5 || bits < 128 || bits > 256 || bits % 32 != 0)
        return nullptr;
    return std::unique_ptr<THaval>(new THaval(passes, bits));
}

THaval::THaval(int passes, int bits)
    : m_passes(passes)
    , m_bits(bits)
{
    Reset();
}

THaval::~THaval()
{
    WipeMemory(m_state.data(), sizeof m_state);
    WipeMemory(m_buffer.data(), sizeof m_buffer);
}

void THaval::Reset()
{
    std::copy(std::begin(kInitialState), std::end(kInitialState), m_state.begin());
    WipeMemory(m_buffer.data(), sizeof m_buffer);
    m_buffered = 0;
    m_length = 0;
}

void THaval::Compress(const std::uint8_t* block)
{
    std::uint32_t w[32];
    for (int i = 0; i < 32; ++i) {
        const std::uint8_t* p = block + 4 * i;
        w[i] = std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
    }
    std::uint32_t t[8];
    std::copy(m_state.begin(), m_state.end(), t);
    const auto& phi = kPhi[m_passes - 3];
    for (int pass = 0; pass < m_passes; ++pass) {
        const int* order = phi[pass];
        for (int step = 0; step < 32; ++step) {
            // Step s works on the registers rotated by s: x_k is t[(k - s) mod 8], and the
            // result replaces x7.
            std::uint32_t x[8];
            for (int k = 0; k < 8; ++k)
                x[k] = t[(k - step) & 7];
            const std::uint32_t f =
                F(pass, x[order[0]], x[order[1]], x[order[2]], x[order[3]], x[order[4]], x[order[5]], x[order[6]]);
            std::uint32_t result = RotateRight(f, 7) + RotateRight(x[7], 11) + w[kWordOrder[pass][step]];
            if (pass > 0)
                result += kConstants[pass - 1][step];
            t[(7 - step) & 7] = result;
        }
    }
    for (int i = 0; i < 8; ++i)
        m_state[std::size_t(i)] += t[i];
    WipeMemory(w, sizeof w);
    WipeMemory(t, sizeof t);
}

void THaval::Update(std::span<const std::uint8_t> data)
{
    m_length += data.size();
    const std::uint8_t* p = data.data();
    std::size_t n = data.size();
    if (m_buffered > 0) {
        const std::size_t take = std::min(n, m_buffer.size() - m_buffered);
        std::memcpy(m_buffer.data() + m_buffered, p, take);
        m_buffered += take;
        p += take;
        n -= take;
        if (m_buffered < m_buffer.size())
            return;
        Compress(m_buffer.data());
        m_buffered = 0;
    }
    for (; n >= m_buffer.size(); p += m_buffer.size(), n -= m_buffer.size())
        Compress(p);
    if (n > 0)
        std::memcpy(m_buffer.data(), p, n);
    m_buffered = n;
}

// Folds the eight state words into the first bits/32 of them. A 256-bit digest needs none.
void THaval::Fold()
{
    auto& s = m_state;
    std::uint32_t temp;
    switch (m_bits) {
    case 128:
        temp = (s[7] & 0x000000FF) | (s[6] & 0xFF000000) | (s[5] & 0x00FF0000) | (s[4] & 0x0000FF00);
        s[0] += RotateRight(temp, 8);
        temp = (s[7] & 0x0000FF00) | (s[6] & 0x000000FF) | (s[5] & 0xFF000000) | (s[4] & 0x00FF0000);
        s[1] += RotateRight(temp, 16);
        temp = (s[7] & 0x00FF0000) | (s[6] & 0x0000FF00) | (s[5] & 0x000000FF) | (s[4] & 0xFF000000);
        s[2] += RotateRight(temp, 24);
        temp = (s[7] & 0xFF000000) | (s[6] & 0x00FF0000) | (s[5] & 0x0000FF00) | (s[4] & 0x000000FF);
        s[3] += temp;
        break;
    case 160:
        temp = (s[7] & 0x3Fu) | (s[6] & (0x7Fu << 25)) | (s[5] & (0x3Fu << 19));
        s[0] += RotateRight(temp, 19);
        temp = (s[7] & (0x3Fu << 6)) | (s[6] & 0x3Fu) | (s[5] & (0x7Fu << 25));
        s[1] += RotateRight(temp, 25);
        temp = (s[7] & (0x7Fu << 12)) | (s[6] & (0x3Fu << 6)) | (s[5] & 0x3Fu);
        s[2] += temp;
        temp = (s[7] & (0x3Fu << 19)) | (s[6] & (0x7Fu << 12)) | (s[5] & (0x3Fu << 6));
        s[3] += temp >> 6;
        temp = (s[7] & (0x7Fu << 25)) | (s[6] & (0x3Fu << 19)) | (s[5] & (0x7Fu << 12));
        s[4] += temp >> 12;
        break;
    case 192:
        temp = (s[7] & 0x1Fu) | (s[6] & (0x3Fu << 26));
        s[0] += RotateRight(temp, 26);
        temp = (s[7] & (0x1Fu << 5)) | (s[6] & 0x1Fu);
        s[1] += temp;
        temp = (s[7] & (0x3Fu << 10)) | (s[6] & (0x1Fu << 5));
        s[2] += temp >> 5;
        temp = (s[7] & (0x1Fu << 16)) | (s[6] & (0x3Fu << 10));
        s[3] += temp >> 10;
        temp = (s[7] & (0x1Fu << 21)) | (s[6] & (0x1Fu << 16));
        s[4] += temp >> 16;
        temp = (s[7] & (0x3Fu << 26)) | (s[6] & (0x1Fu << 21));
        s[5] += temp >> 21;
        break;
    case 224:
        s[0] += (s[7] >> 27) & 0x1F;
        s[1] += (s[7] >> 22) & 0x1F;
        s[2] += (s[7] >> 18) & 0x0F;
        s[3] += (s[7] >> 13) & 0x1F;
        s[4] += (s[7] >> 9) & 0x0F;
        s[5] += (s[7] >> 4) & 0x1F;
        s[6] += s[7] & 0x0F;
        break;
    default:
        break;
    }
}

void THaval::Final(std::uint8_t* digest)
{
    const std::uint64_t bitCount = m_length * 8;
    // The last 10 bytes of the padded message: version, passes and digest length, then the
    // message length in bits, little-endian.
    std::uint8_t tail[10];
    tail[0] = std::uint8_t(((m_bits & 0x3) << 6) | ((m_passes & 0x7) << 3) | (kVersion & 0x7));
    tail[1] = std::uint8_t((m_bits >> 2) & 0xFF);
    for (int i = 0; i < 8; ++i)
        tail[2 + i] = std::uint8_t(bitCount >> (8 * i));
    // A single 1 bit (the least significant bit of the first padding byte), then zeros up to
    // 944 bits modulo 1024.
    std::uint8_t padding[128] = {0x01};
    const std::size_t padLength = m_buffered < 118 ? 118 - m_buffered : 246 - m_buffered;
    Update({padding, padLength});
    Update({tail, sizeof tail});
    Fold();
    for (int i = 0; i < m_bits / 32; ++i)
        for (int b = 0; b < 4; ++b)
            digest[4 * i + b] = std::uint8_t(m_state[std::size_t(i)] >> (8 * b));
    Reset();
}

} // namespace lumexa::filesecurity
