#include "filesecurity/crypto/Catalogue.h"

#include <algorithm>
#include <cstddef>
#include <string_view>

#include <gtest/gtest.h>

namespace lumexa::filesecurity {
namespace {

TEST(CatalogueTest, CiphersAreListedInFileOrderWithTheirSizes)
{
    struct TRow
    {
        std::string_view name;
        std::size_t blockBytes;
        unsigned largestKeyBits;
    };
    const TRow expected[kCipherCount] = {
        {"Blowfish", 8, 448},
        {"Cast128", 8, 128},
        {"DES", 8, 64},
        {"3DES", 8, 192},
        {"Ice", 8, 64},
        {"Thin Ice", 8, 64},
        {"Ice2", 8, 128},
        {"RC2", 8, 1024},
        {"Rijndael", 16, 256},
        {"Serpent", 16, 256},
        {"Tea", 8, 128},
        {"Twofish", 16, 256},
    };
    const auto catalogue = CipherCatalogue();
    for (std::size_t i = 0; i < kCipherCount; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(catalogue[i].name, expected[i].name);
        EXPECT_EQ(catalogue[i].blockBytes, expected[i].blockBytes);
        EXPECT_EQ(catalogue[i].largestKeyBits, expected[i].largestKeyBits);
        auto cipher = CreateCipher(i);
        ASSERT_NE(cipher, nullptr);
        EXPECT_EQ(cipher->BlockSize(), expected[i].blockBytes);
        EXPECT_FALSE(cipher->IsKeyed());
    }
}

TEST(CatalogueTest, HashesAreListedInFileOrderWithTheirDigestSizes)
{
    struct TRow
    {
        std::string_view name;
        unsigned digestBits;
    };
    const TRow expected[kHashCount] = {
        {"Haval (256bit, 5 passes)", 256},
        {"MD4", 128},
        {"MD5", 128},
        {"RipeMD-128", 128},
        {"RipeMD-160", 160},
        {"SHA1", 160},
        {"SHA256", 256},
        {"SHA384", 384},
        {"SHA512", 512},
        {"Tiger", 192},
    };
    const auto catalogue = HashCatalogue();
    for (std::size_t i = 0; i < kHashCount; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(catalogue[i].name, expected[i].name);
        EXPECT_EQ(catalogue[i].digestBits, expected[i].digestBits);
        auto hash = CreateHash(i);
        ASSERT_NE(hash, nullptr);
        EXPECT_EQ(hash->DigestSize() * 8, expected[i].digestBits);
    }
}

TEST(CatalogueTest, IndexesOutsideTheCataloguesCreateNothing)
{
    EXPECT_EQ(CreateCipher(kCipherCount), nullptr);
    EXPECT_EQ(CreateCipher(255), nullptr);
    EXPECT_EQ(CreateHash(kHashCount), nullptr);
    EXPECT_EQ(CreateHash(255), nullptr);
    EXPECT_EQ(EffectiveKeyBits(kCipherCount, 0), 0u);
    EXPECT_EQ(EffectiveKeyBits(0, kHashCount), 0u);
}

TEST(CatalogueTest, EffectiveKeySizeIsTheSmallerOfLargestKeyAndDigest)
{
    struct TCase
    {
        std::size_t cipher;
        std::size_t hash;
        unsigned bits;
    };
    const TCase cases[] = {
        {0, 0, 256},  // Blowfish, HAVAL
        {0, 8, 448},  // Blowfish, SHA512: the cipher's limit
        {2, 8, 64},   // DES, SHA512
        {3, 5, 160},  // 3DES, SHA1
        {3, 9, 192},  // 3DES, Tiger
        {7, 8, 512},  // RC2, SHA512: the digest's limit
        {7, 1, 128},  // RC2, MD4
        {8, 4, 160},  // Rijndael, RipeMD-160
        {9, 7, 256},  // Serpent, SHA384
        {10, 6, 128}, // Tea, SHA256
    };
    for (const TCase& c : cases)
        EXPECT_EQ(EffectiveKeyBits(c.cipher, c.hash), c.bits) << c.cipher << ", " << c.hash;
    for (std::size_t c = 0; c < kCipherCount; ++c)
        for (std::size_t h = 0; h < kHashCount; ++h)
            EXPECT_EQ(EffectiveKeyBits(c, h),
                      std::min(CipherCatalogue()[c].largestKeyBits, HashCatalogue()[h].digestBits));
}

} // namespace
} // namespace lumexa::filesecurity
