#include "core/Gost.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace lumexa::core {
namespace {

template <std::size_t N> std::array<std::uint8_t, N> Hex(const std::string& text)
{
    std::array<std::uint8_t, N> out{};
    std::size_t n = 0;
    for (std::size_t i = 0; i + 1 < text.size() && n < N;) {
        if (text[i] == ' ') {
            ++i;
            continue;
        }
        out[n++] = static_cast<std::uint8_t>(std::stoi(text.substr(i, 2), nullptr, 16));
        i += 2;
    }
    return out;
}

// RFC 5831 (GOST R 34.11-94), section 7.3.1: the four encryptions of the first example's
// step function, with the test parameter S-boxes. The key and block bytes are the RFC's
// words written little-endian (the byte order Nettle's testsuite, gost28147-test.c, uses).
TEST(GostTest, EncryptsTheBlocksOfRfc5831Example)
{
    struct Case
    {
        const char* key;
        const char* plain;
        const char* cipher;
    };
    const Case cases[] = {
        {"546D2033 68656C32 69736520 73736E62 20616779 69677474 73656865 202C3D73",
         "00000000 00000000",
         "1B0BBC32 CEBCAB42"},
        {"2033394D 6C320D09 65201A16 6E62001D 67794106 74740E13 6865160D 3D730C11",
         "00000000 00000000",
         "FDCF9B5D C8EB0352"},
        {"39B213F5 F209A13F 1AE9BA3A FF1D0C62 41F9E1C7 F1130085 16F20D73 F311B180",
         "00000000 00000000",
         "280EFF00 9958348D"},
        {"EC0A8BA1 5EC004A8 BAC50CAC 0C621DEE E1C7B8E7 007AE2EC F2731BFF 4E80E2A0",
         "00000000 00000000",
         "2D562A0D 190486E7"},
    };
    for (const Case& c : cases) {
        const TGost28147 cipher(Hex<32>(c.key));
        const auto plain = Hex<8>(c.plain);
        const auto expected = Hex<8>(c.cipher);
        EXPECT_EQ(cipher.EncryptBlock(plain), expected) << "case: key " << c.key;
        EXPECT_EQ(cipher.DecryptBlock(expected), plain) << "case: key " << c.key;
    }
}

TEST(GostTest, DecryptionUndoesEncryptionForEveryBlock)
{
    const TGost28147 cipher(Hex<32>("000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F"));
    TGost28147::TBlock block{};
    for (int i = 0; i < 64; ++i) {
        block[static_cast<std::size_t>(i % 8)] = static_cast<std::uint8_t>(i * 37 + 11);
        const auto encrypted = cipher.EncryptBlock(block);
        EXPECT_NE(encrypted, block) << "block " << i;
        EXPECT_EQ(cipher.DecryptBlock(encrypted), block) << "block " << i;
    }
}

// Cipher feedback by its definition: C[i] = P[i] xor E(C[i-1]), C[-1] = the register; the last
// partial block uses the first bytes of the gamma.
TEST(GostTest, CipherFeedbackFollowsItsDefinitionAndKeepsThePartialBlock)
{
    const TGost28147 cipher(Hex<32>("546D2033 68656C32 69736520 73736E62 20616779 69677474 73656865 202C3D73"));
    const TGost28147::TBlock start = Hex<8>("0102030405060708");
    std::vector<std::uint8_t> data(29);
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<std::uint8_t>(i * 7);

    std::vector<std::uint8_t> expected = data;
    TGost28147::TBlock previous = start;
    for (std::size_t at = 0; at < expected.size(); at += 8) {
        const auto gamma = cipher.EncryptBlock(previous);
        for (std::size_t i = 0; i < 8 && at + i < expected.size(); ++i) {
            expected[at + i] ^= gamma[i];
            previous[i] = expected[at + i];
        }
    }

    std::vector<std::uint8_t> encrypted = data;
    TGost28147::TBlock reg = start;
    cipher.EncryptCfb(encrypted, reg);
    EXPECT_EQ(encrypted, expected);

    TGost28147::TBlock back = start;
    cipher.DecryptCfb(encrypted, back);
    EXPECT_EQ(encrypted, data);
}

TEST(GostTest, CipherFeedbackInPiecesOfWholeBlocksEqualsOneCall)
{
    const TGost28147 cipher(Hex<32>("2033394D 6C320D09 65201A16 6E62001D 67794106 74740E13 6865160D 3D730C11"));
    std::vector<std::uint8_t> whole(3000);
    for (std::size_t i = 0; i < whole.size(); ++i)
        whole[i] = static_cast<std::uint8_t>(i ^ (i >> 8));
    std::vector<std::uint8_t> pieces = whole;

    TGost28147::TBlock reg1 = Hex<8>("FFEEDDCCBBAA9988");
    cipher.EncryptCfb(whole, reg1);
    TGost28147::TBlock reg2 = Hex<8>("FFEEDDCCBBAA9988");
    for (std::size_t at = 0; at < pieces.size(); at += 1024)
        cipher.EncryptCfb(std::span(pieces.data() + at, std::min<std::size_t>(1024, pieces.size() - at)), reg2);
    EXPECT_EQ(pieces, whole);
}

} // namespace
} // namespace lumexa::core
