// The keying rules that turn a derived key of K bits into each cipher's key: zero fill,
// Serpent padding, the Triple DES K3 rule and RC2's effective key length, each checked
// against an independent construction.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include <cryptopp/aes.h>
#include <cryptopp/des.h>
#include <cryptopp/rijndael.h>
#include <cryptopp/serpent.h>
#include <cryptopp/twofish.h>
#include <gtest/gtest.h>

#include "Hex.h"
#include "filesecurity/crypto/Catalogue.h"

namespace lumexa::filesecurity {
namespace {

using test::FromHex;
using test::NormalHex;
using test::ToHex;
using TBytes = std::vector<std::uint8_t>;

constexpr std::size_t kDes = 2, kTripleDes = 3, kRc2 = 7, kRijndael = 8, kSerpent = 9, kTwofish = 11;

TBytes Pattern(std::size_t n, std::uint8_t seed)
{
    TBytes bytes(n);
    for (std::size_t i = 0; i < n; ++i)
        bytes[i] = std::uint8_t(seed + 37 * i);
    return bytes;
}

TBytes Encrypt(std::size_t cipherIndex, const TBytes& key, const TBytes& plain)
{
    auto cipher = CreateCipher(cipherIndex);
    EXPECT_TRUE(cipher->SetKey(key)) << "key of " << key.size() << " bytes";
    TBytes out(plain.size());
    cipher->EncryptBlock(plain.data(), out.data());
    return out;
}

template <class TCryptoppEncryption> TBytes CryptoppEncrypt(const TBytes& key, const TBytes& plain)
{
    TCryptoppEncryption e(key.data(), key.size());
    TBytes out(plain.size());
    e.ProcessAndXorBlock(plain.data(), nullptr, out.data());
    return out;
}

TBytes ZeroFilled(TBytes key, std::size_t size)
{
    key.resize(size, 0);
    return key;
}

TEST(KeyingRuleTest, RijndaelAndTwofishZeroFillTheKeyTo128192Or256Bits)
{
    const TBytes plain = Pattern(16, 3);
    struct TCase
    {
        std::size_t keyBytes;
        std::size_t filledTo;
    };
    const TCase cases[] = {{16, 16}, {20, 24}, {24, 24}, {28, 32}, {32, 32}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.keyBytes);
        const TBytes key = Pattern(c.keyBytes, 11);
        const TBytes filled = ZeroFilled(key, c.filledTo);
        EXPECT_EQ(Encrypt(kRijndael, key, plain), Encrypt(kRijndael, filled, plain));
        EXPECT_EQ(Encrypt(kRijndael, key, plain), CryptoppEncrypt<CryptoPP::AES::Encryption>(filled, plain));
        EXPECT_EQ(Encrypt(kTwofish, key, plain), Encrypt(kTwofish, filled, plain));
        EXPECT_EQ(Encrypt(kTwofish, key, plain), CryptoppEncrypt<CryptoPP::Twofish::Encryption>(filled, plain));
    }
    // A 160-bit key is not cut to 128 bits.
    const TBytes key160 = Pattern(20, 11);
    EXPECT_NE(Encrypt(kRijndael, key160, plain),
              Encrypt(kRijndael, TBytes(key160.begin(), key160.begin() + 16), plain));
}

TEST(KeyingRuleTest, SerpentPadsAShortKeyWithASingleOneBitThenZeros)
{
    const TBytes plain = Pattern(16, 5);
    for (const std::size_t keyBytes : {16u, 20u, 24u}) {
        SCOPED_TRACE(keyBytes);
        const TBytes key = Pattern(keyBytes, 29);
        TBytes padded = ZeroFilled(key, 32);
        padded[keyBytes] = 0x01; // the bit right after the key's last bit
        EXPECT_EQ(Encrypt(kSerpent, key, plain), CryptoppEncrypt<CryptoPP::Serpent::Encryption>(padded, plain));
        // Not a plain zero fill.
        EXPECT_NE(Encrypt(kSerpent, key, plain), Encrypt(kSerpent, ZeroFilled(key, 32), plain));
    }
    // Crypto++ pads the lengths it accepts by the Serpent rule itself; ours agrees.
    for (const std::size_t keyBytes : {16u, 24u}) {
        const TBytes key = Pattern(keyBytes, 41);
        EXPECT_EQ(Encrypt(kSerpent, key, plain), CryptoppEncrypt<CryptoPP::Serpent::Encryption>(key, plain));
    }
}

// E(K1), D(K2), E(K3) built from the catalogue's single DES.
TBytes DesEde(const TBytes& k1, const TBytes& k2, const TBytes& k3, const TBytes& plain)
{
    auto d1 = CreateCipher(kDes), d2 = CreateCipher(kDes), d3 = CreateCipher(kDes);
    EXPECT_TRUE(d1->SetKey(k1) && d2->SetKey(k2) && d3->SetKey(k3));
    TBytes x(8);
    d1->EncryptBlock(plain.data(), x.data());
    d2->DecryptBlock(x.data(), x.data());
    d3->EncryptBlock(x.data(), x.data());
    return x;
}

TEST(KeyingRuleTest, TripleDesUsesK1AsK3ForA128BitKey)
{
    const TBytes plain = Pattern(8, 7);
    const TBytes key = Pattern(16, 13);
    const TBytes k1(key.begin(), key.begin() + 8), k2(key.begin() + 8, key.end());
    EXPECT_EQ(Encrypt(kTripleDes, key, plain), CryptoppEncrypt<CryptoPP::DES_EDE2::Encryption>(key, plain));
    EXPECT_EQ(Encrypt(kTripleDes, key, plain), DesEde(k1, k2, k1, plain));
}

TEST(KeyingRuleTest, TripleDesZeroFillsLongerKeysToTakeK3FromBytes16To23)
{
    const TBytes plain = Pattern(8, 9);
    for (const std::size_t keyBytes : {20u, 24u}) {
        SCOPED_TRACE(keyBytes);
        const TBytes key = Pattern(keyBytes, 17);
        const TBytes filled = ZeroFilled(key, 24);
        const TBytes k1(filled.begin(), filled.begin() + 8), k2(filled.begin() + 8, filled.begin() + 16),
            k3(filled.begin() + 16, filled.end());
        EXPECT_EQ(Encrypt(kTripleDes, key, plain), DesEde(k1, k2, k3, plain));
        EXPECT_EQ(Encrypt(kTripleDes, key, plain), CryptoppEncrypt<CryptoPP::DES_EDE3::Encryption>(filled, plain));
    }
}

TEST(KeyingRuleTest, TripleDesDecipheringUndoesEnciphering)
{
    for (const std::size_t keyBytes : {16u, 20u, 24u}) {
        auto cipher = CreateCipher(kTripleDes);
        ASSERT_TRUE(cipher->SetKey(Pattern(keyBytes, 23)));
        const TBytes plain = Pattern(8, 1);
        TBytes x(8);
        cipher->EncryptBlock(plain.data(), x.data());
        cipher->DecryptBlock(x.data(), x.data());
        EXPECT_EQ(x, plain) << keyBytes;
    }
}

// RC2 exactly as RFC 2268 describes it, with the effective key length T1 as a parameter.
class TRc2Reference
{
public:
    TRc2Reference(const TBytes& key, int effectiveBits)
    {
        static constexpr std::uint8_t kPiTable[256] = {
            0xd9, 0x78, 0xf9, 0xc4, 0x19, 0xdd, 0xb5, 0xed, 0x28, 0xe9, 0xfd, 0x79, 0x4a, 0xa0, 0xd8, 0x9d, 0xc6, 0x7e,
            0x37, 0x83, 0x2b, 0x76, 0x53, 0x8e, 0x62, 0x4c, 0x64, 0x88, 0x44, 0x8b, 0xfb, 0xa2, 0x17, 0x9a, 0x59, 0xf5,
            0x87, 0xb3, 0x4f, 0x13, 0x61, 0x45, 0x6d, 0x8d, 0x09, 0x81, 0x7d, 0x32, 0xbd, 0x8f, 0x40, 0xeb, 0x86, 0xb7,
            0x7b, 0x0b, 0xf0, 0x95, 0x21, 0x22, 0x5c, 0x6b, 0x4e, 0x82, 0x54, 0xd6, 0x65, 0x93, 0xce, 0x60, 0xb2, 0x1c,
            0x73, 0x56, 0xc0, 0x14, 0xa7, 0x8c, 0xf1, 0xdc, 0x12, 0x75, 0xca, 0x1f, 0x3b, 0xbe, 0xe4, 0xd1, 0x42, 0x3d,
            0xd4, 0x30, 0xa3, 0x3c, 0xb6, 0x26, 0x6f, 0xbf, 0x0e, 0xda, 0x46, 0x69, 0x07, 0x57, 0x27, 0xf2, 0x1d, 0x9b,
            0xbc, 0x94, 0x43, 0x03, 0xf8, 0x11, 0xc7, 0xf6, 0x90, 0xef, 0x3e, 0xe7, 0x06, 0xc3, 0xd5, 0x2f, 0xc8, 0x66,
            0x1e, 0xd7, 0x08, 0xe8, 0xea, 0xde, 0x80, 0x52, 0xee, 0xf7, 0x84, 0xaa, 0x72, 0xac, 0x35, 0x4d, 0x6a, 0x2a,
            0x96, 0x1a, 0xd2, 0x71, 0x5a, 0x15, 0x49, 0x74, 0x4b, 0x9f, 0xd0, 0x5e, 0x04, 0x18, 0xa4, 0xec, 0xc2, 0xe0,
            0x41, 0x6e, 0x0f, 0x51, 0xcb, 0xcc, 0x24, 0x91, 0xaf, 0x50, 0xa1, 0xf4, 0x70, 0x39, 0x99, 0x7c, 0x3a, 0x85,
            0x23, 0xb8, 0xb4, 0x7a, 0xfc, 0x02, 0x36, 0x5b, 0x25, 0x55, 0x97, 0x31, 0x2d, 0x5d, 0xfa, 0x98, 0xe3, 0x8a,
            0x92, 0xae, 0x05, 0xdf, 0x29, 0x10, 0x67, 0x6c, 0xba, 0xc9, 0xd3, 0x00, 0xe6, 0xcf, 0xe1, 0x9e, 0xa8, 0x2c,
            0x63, 0x16, 0x01, 0x3f, 0x58, 0xe2, 0x89, 0xa9, 0x0d, 0x38, 0x34, 0x1b, 0xab, 0x33, 0xff, 0xb0, 0xbb, 0x48,
            0x0c, 0x5f, 0xb9, 0xb1, 0xcd, 0x2e, 0xc5, 0xf3, 0xdb, 0x47, 0xe5, 0xa5, 0x9c, 0x77, 0x0a, 0xa6, 0x20, 0x68,
            0xfe, 0x7f, 0xc1, 0xad};
        // RFC 2268 section 2: key expansion.
        std::array<std::uint8_t, 128> l{};
        const std::size_t t = key.size();
        std::copy(key.begin(), key.end(), l.begin());
        for (std::size_t i = t; i < 128; ++i)
            l[i] = kPiTable[std::uint8_t(l[i - 1] + l[i - t])];
        const int t8 = (effectiveBits + 7) / 8;
        const std::uint8_t tm = std::uint8_t(0xff >> (8 * t8 - effectiveBits));
        l[std::size_t(128 - t8)] = kPiTable[l[std::size_t(128 - t8)] & tm];
        for (int i = 127 - t8; i >= 0; --i)
            l[std::size_t(i)] = kPiTable[l[std::size_t(i + 1)] ^ l[std::size_t(i + t8)]];
        for (std::size_t i = 0; i < 64; ++i)
            m_k[i] = std::uint16_t(l[2 * i] | l[2 * i + 1] << 8);
    }

    // RFC 2268 section 3: five mixing rounds, a mashing round, six mixing, a mashing, five mixing.
    TBytes Encrypt(const TBytes& in) const
    {
        std::uint16_t r[4];
        for (int i = 0; i < 4; ++i)
            r[i] = std::uint16_t(in[std::size_t(2 * i)] | in[std::size_t(2 * i + 1)] << 8);
        std::size_t j = 0;
        auto mix = [&] {
            static constexpr int s[4] = {1, 2, 3, 5};
            for (int i = 0; i < 4; ++i) {
                const std::uint16_t a = r[(i + 3) & 3], b = r[(i + 2) & 3], c = r[(i + 1) & 3];
                std::uint16_t x = std::uint16_t(r[i] + m_k[j++] + (a & b) + (~a & c));
                r[i] = std::uint16_t(x << s[i] | x >> (16 - s[i]));
            }
        };
        auto mash = [&] {
            for (int i = 0; i < 4; ++i)
                r[i] = std::uint16_t(r[i] + m_k[r[(i + 3) & 3] & 63]);
        };
        for (int n = 0; n < 5; ++n)
            mix();
        mash();
        for (int n = 0; n < 6; ++n)
            mix();
        mash();
        for (int n = 0; n < 5; ++n)
            mix();
        TBytes out(8);
        for (int i = 0; i < 4; ++i) {
            out[std::size_t(2 * i)] = std::uint8_t(r[i]);
            out[std::size_t(2 * i + 1)] = std::uint8_t(r[i] >> 8);
        }
        return out;
    }

private:
    std::uint16_t m_k[64];
};

TEST(KeyingRuleTest, Rc2ReferenceReproducesTheRfc2268Vectors)
{
    // RFC 2268 section 5.
    struct TCase
    {
        const char* key;
        int effectiveBits;
        const char* plain;
        const char* cipher;
    };
    const TCase cases[] = {
        {"0000000000000000", 63, "0000000000000000", "ebb773f993278eff"},
        {"ffffffffffffffff", 64, "ffffffffffffffff", "278b27e42e2f0d49"},
        {"3000000000000000", 64, "1000000000000001", "30649edf9be7d2c2"},
        {"88", 64, "0000000000000000", "61a8a244adacccf0"},
        {"88bca90e90875a", 64, "0000000000000000", "6ccf4308974c267f"},
        {"88bca90e90875a7f0f79c384627bafb2", 64, "0000000000000000", "1a807d272bbe5db1"},
        {"88bca90e90875a7f0f79c384627bafb2", 128, "0000000000000000", "2269552ab0f85ca6"},
        {"88bca90e90875a7f0f79c384627bafb216f80a6f85920584c42fceb0be255daf1e",
         129,
         "0000000000000000",
         "5b78d3a43dfff1f1"},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(ToHex(TRc2Reference(FromHex(c.key), c.effectiveBits).Encrypt(FromHex(c.plain))), c.cipher)
            << "key " << c.key << ", T1 = " << c.effectiveBits;
}

TEST(KeyingRuleTest, Rc2UsesAnEffectiveKeyLengthOf1024Bits)
{
    const TBytes plain = Pattern(8, 77);
    // Every key length a body can get (128 to 512 bits), and a short one.
    for (const std::size_t keyBytes : {5u, 16u, 20u, 24u, 32u, 48u, 64u}) {
        SCOPED_TRACE(keyBytes);
        const TBytes key = Pattern(keyBytes, 91);
        EXPECT_EQ(Encrypt(kRc2, key, plain), TRc2Reference(key, 1024).Encrypt(plain));
    }
    // The effective length matters: with T1 = the key's own length the result differs.
    const TBytes key = Pattern(16, 91);
    EXPECT_NE(Encrypt(kRc2, key, plain), TRc2Reference(key, 128).Encrypt(plain));
}

TEST(KeyingRuleTest, EachCipherTakesOnlyTheKeyLengthsItsRuleCovers)
{
    struct TCase
    {
        std::size_t cipher;
        std::size_t keyBytes;
        bool accepted;
    };
    const TCase cases[] = {
        {0, 3, false},   {0, 4, true},   {0, 56, true},   {0, 57, false},                  // Blowfish
        {1, 4, false},   {1, 5, true},   {1, 16, true},   {1, 17, false},                  // CAST-128
        {2, 7, false},   {2, 8, true},   {2, 9, false},                                    // DES
        {3, 8, false},   {3, 15, false}, {3, 16, true},   {3, 24, true},   {3, 25, false}, // 3DES
        {4, 8, true},    {4, 16, false}, {5, 8, true},    {5, 7, false},                   // ICE, Thin-ICE
        {6, 16, true},   {6, 8, false},  {6, 24, false},                                   // ICE-2
        {7, 0, false},   {7, 1, true},   {7, 128, true},  {7, 129, false},                 // RC2
        {8, 0, false},   {8, 1, true},   {8, 32, true},   {8, 33, false},                  // Rijndael
        {9, 0, false},   {9, 1, true},   {9, 32, true},   {9, 33, false},                  // Serpent
        {10, 15, false}, {10, 16, true}, {10, 17, false},                                  // TEA
        {11, 0, false},  {11, 1, true},  {11, 32, true},  {11, 33, false},                 // Twofish
    };
    for (const TCase& c : cases) {
        auto cipher = CreateCipher(c.cipher);
        EXPECT_EQ(cipher->SetKey(Pattern(c.keyBytes, 1)), c.accepted)
            << CipherCatalogue()[c.cipher].name << " with " << c.keyBytes << " bytes";
        EXPECT_EQ(cipher->IsKeyed(), c.accepted);
    }
}

TEST(KeyingRuleTest, EveryCipherTakesTheKeyOfEveryHash)
{
    for (std::size_t c = 0; c < kCipherCount; ++c)
        for (std::size_t h = 0; h < kHashCount; ++h) {
            auto cipher = CreateCipher(c);
            EXPECT_TRUE(cipher->SetKey(Pattern(EffectiveKeyBits(c, h) / 8, 2)))
                << CipherCatalogue()[c].name << " / " << HashCatalogue()[h].name;
        }
}

TEST(KeyingRuleTest, WipingTheKeyLeavesTheCipherUnkeyed)
{
    for (std::size_t c = 0; c < kCipherCount; ++c) {
        auto cipher = CreateCipher(c);
        EXPECT_FALSE(cipher->IsKeyed());
        ASSERT_TRUE(cipher->SetKey(Pattern(EffectiveKeyBits(c, 1) / 8, 4)));
        EXPECT_TRUE(cipher->IsKeyed());
        cipher->WipeKey();
        EXPECT_FALSE(cipher->IsKeyed()) << CipherCatalogue()[c].name;
        // A refused key does not leave an earlier one in place.
        ASSERT_TRUE(cipher->SetKey(Pattern(EffectiveKeyBits(c, 1) / 8, 4)));
        EXPECT_FALSE(cipher->SetKey(Pattern(200, 4)));
        EXPECT_FALSE(cipher->IsKeyed()) << CipherCatalogue()[c].name;
    }
}

} // namespace
} // namespace lumexa::filesecurity
