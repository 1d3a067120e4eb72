#include "filesecurity/crypto/BodyCipher.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include <cryptopp/aes.h>
#include <cryptopp/filters.h>
#include <cryptopp/modes.h>
#include <cryptopp/sha.h>
#include <gtest/gtest.h>

#include "Hex.h"
#include "filesecurity/crypto/Catalogue.h"

namespace lumexa::filesecurity {
namespace {

using TBytes = std::vector<std::uint8_t>;
using TDirection = TBodyCipher::TDirection;

constexpr std::size_t kPiece = 8192; // the locker's piece size
constexpr std::size_t kRijndael = 8, kSha256 = 6;
constexpr std::array<std::uint8_t, kSaltSize> kSalt = {1, 2, 3, 4, 5, 6, 7, 8};

TBytes Random(std::size_t n, unsigned seed)
{
    std::mt19937 generator(seed);
    TBytes bytes(n);
    for (auto& b : bytes)
        b = std::uint8_t(generator());
    return bytes;
}

TBytes Iv(std::size_t cipherIndex)
{
    return Random(CipherCatalogue()[cipherIndex].blockBytes, 99);
}

std::unique_ptr<TBodyCipher>
Make(std::size_t cipher, std::size_t hash, TDirection direction, std::string_view password = "pw")
{
    auto body = TBodyCipher::Create(cipher, hash, kSalt, password, Iv(cipher), direction);
    EXPECT_NE(body, nullptr);
    return body;
}

// Feeds `data` in pieces of the given sizes (cycled) and finishes.
TBytes Feed(TBodyCipher& body, const TBytes& data, const std::vector<std::size_t>& pieces)
{
    TBytes out;
    std::size_t at = 0;
    for (std::size_t i = 0; at < data.size(); ++i) {
        const std::size_t n = std::min(pieces[i % pieces.size()], data.size() - at);
        body.Update({data.data() + at, n}, out);
        at += n;
    }
    body.Finish(out);
    return out;
}

TBytes Transform(std::size_t cipher, std::size_t hash, TDirection direction, const TBytes& data)
{
    return Feed(*Make(cipher, hash, direction), data, {kPiece});
}

void ExpectRoundTrip(std::size_t cipher, std::size_t hash)
{
    const std::size_t b = CipherCatalogue()[cipher].blockBytes;
    for (const std::size_t length : {std::size_t(0),
                                     std::size_t(1),
                                     b - 1,
                                     b,
                                     b + 1,
                                     2 * b + 3,
                                     kPiece - 1,
                                     kPiece,
                                     kPiece + 1,
                                     std::size_t(2 * 1024 * 1024 + 5)}) {
        const TBytes plain = Random(length, unsigned(length));
        const TBytes body = Transform(cipher, hash, TDirection::Encipher, plain);
        ASSERT_EQ(body.size(), plain.size()) << "length " << length;
        if (length > 0) {
            EXPECT_NE(body, plain) << "length " << length;
        }
        EXPECT_EQ(Transform(cipher, hash, TDirection::Decipher, body), plain) << "length " << length;
    }
}

TEST(BodyCipherTest, EveryCipherRoundTripsBodiesOfEveryLength)
{
    for (std::size_t c = 0; c < kCipherCount; ++c) {
        SCOPED_TRACE(CipherCatalogue()[c].name);
        ExpectRoundTrip(c, kSha256);
    }
}

TEST(BodyCipherTest, EveryHashRoundTripsBodiesOfEveryLength)
{
    for (std::size_t h = 0; h < kHashCount; ++h) {
        SCOPED_TRACE(HashCatalogue()[h].name);
        ExpectRoundTrip(kRijndael, h);
    }
}

// The key every test here gets from TBodyCipher::Create(kRijndael, kSha256, kSalt, "pw", ...).
TBytes RijndaelKey()
{
    std::string input(kSalt.begin(), kSalt.end());
    input += "pw";
    TBytes key(32);
    CryptoPP::SHA256().CalculateDigest(key.data(), reinterpret_cast<const CryptoPP::byte*>(input.data()), input.size());
    return key;
}

TEST(BodyCipherTest, FinalPartialBlockIsXoredWithTheEncryptedChain)
{
    const TBytes plain = Random(16 + 5, 1);
    const TBytes iv = Iv(kRijndael);
    auto aes = CreateCipher(kRijndael);
    ASSERT_TRUE(aes->SetKey(RijndaelKey()));

    // By hand: C0 = E(P0 ^ IV); the 5 tail bytes are P1 ^ E(C0).
    TBytes expected(plain.size());
    TBytes x(16);
    for (std::size_t i = 0; i < 16; ++i)
        x[i] = plain[i] ^ iv[i];
    aes->EncryptBlock(x.data(), expected.data());
    TBytes keystream(16);
    aes->EncryptBlock(expected.data(), keystream.data());
    for (std::size_t i = 0; i < 5; ++i)
        expected[16 + i] = plain[16 + i] ^ keystream[i];

    const TBytes body = Transform(kRijndael, kSha256, TDirection::Encipher, plain);
    EXPECT_EQ(test::ToHex(body), test::ToHex(expected));
    // Deciphering XORs the tail with E(C0) too, not with D of anything.
    EXPECT_EQ(Transform(kRijndael, kSha256, TDirection::Decipher, body), plain);

    // A body shorter than a block is the plain bytes XORed with E(IV).
    const TBytes tiny = Random(3, 2);
    aes->EncryptBlock(iv.data(), keystream.data());
    const TBytes tinyBody = Transform(kRijndael, kSha256, TDirection::Encipher, tiny);
    ASSERT_EQ(tinyBody.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(tinyBody[i], tiny[i] ^ keystream[i]) << i;
}

TEST(BodyCipherTest, WholeBlocksAreStandardCipherBlockChaining)
{
    const TBytes plain = Random(3 * kPiece + 64, 3);
    const TBytes iv = Iv(kRijndael);
    const TBytes key = RijndaelKey();
    CryptoPP::CBC_Mode<CryptoPP::AES>::Encryption cbc(key.data(), key.size(), iv.data());
    std::string expected;
    CryptoPP::StringSource(plain.data(),
                           plain.size(),
                           true,
                           new CryptoPP::StreamTransformationFilter(cbc,
                                                                    new CryptoPP::StringSink(expected),
                                                                    CryptoPP::StreamTransformationFilter::NO_PADDING));
    const TBytes body = Transform(kRijndael, kSha256, TDirection::Encipher, plain);
    EXPECT_EQ(std::string(body.begin(), body.end()), expected);
}

TEST(BodyCipherTest, PieceSizesDoNotChangeTheResult)
{
    std::mt19937 generator(2009);
    for (const std::size_t cipher : {std::size_t(0), std::size_t(4), kRijndael, std::size_t(9)}) {
        for (const std::size_t length : {std::size_t(0), std::size_t(7), std::size_t(100), std::size_t(40001)}) {
            const TBytes plain = Random(length, unsigned(length) + 5);
            const TBytes whole = Feed(*Make(cipher, 1, TDirection::Encipher), plain, {length + 1});
            for (int trial = 0; trial < 20; ++trial) {
                std::vector<std::size_t> pieces;
                for (int i = 0; i < 7; ++i)
                    pieces.push_back(std::uniform_int_distribution<std::size_t>(0, 40)(generator) == 0
                                         ? 0
                                         : std::uniform_int_distribution<std::size_t>(1, 3000)(generator));
                pieces.push_back(1); // never a cycle of empty pieces only
                EXPECT_EQ(Feed(*Make(cipher, 1, TDirection::Encipher), plain, pieces), whole)
                    << CipherCatalogue()[cipher].name << ", length " << length << ", trial " << trial;
                EXPECT_EQ(Feed(*Make(cipher, 1, TDirection::Decipher), whole, pieces), plain)
                    << CipherCatalogue()[cipher].name << ", length " << length << ", trial " << trial;
            }
        }
    }
}

TEST(BodyCipherTest, UpdateWritesOnlyTheBlocksAPieceCompletes)
{
    auto body = Make(kRijndael, kSha256, TDirection::Encipher);
    const TBytes plain = Random(40, 8);
    TBytes out(64);
    EXPECT_EQ(body->Update({plain.data(), 10}, out.data()), 0u);       // 10 held back
    EXPECT_EQ(body->Update({plain.data() + 10, 10}, out.data()), 16u); // 4 held back
    EXPECT_EQ(body->Update({plain.data() + 20, 0}, out.data()), 0u);
    EXPECT_EQ(body->Update({plain.data() + 20, 20}, out.data()), 16u); // 8 held back
    EXPECT_EQ(body->Finish(out.data()), 8u);
    EXPECT_EQ(body->MaxOutput(10), 25u);
}

TEST(BodyCipherTest, ChainingInPlaceMatchesSeparateBuffersForEveryCipher)
{
    for (std::size_t c = 0; c < kCipherCount; ++c) {
        auto cipher = CreateCipher(c);
        ASSERT_TRUE(cipher->SetKey(Random(EffectiveKeyBits(c, 1) / 8, 4)));
        const std::size_t b = cipher->BlockSize();
        const TBytes plain = Random(b * 37, 6);
        TBytes chain = Random(b, 7), separate(plain.size());
        cipher->EncryptCbc(chain.data(), plain.data(), separate.data(), 37);
        TBytes inPlace = plain;
        chain = Random(b, 7);
        cipher->EncryptCbc(chain.data(), inPlace.data(), inPlace.data(), 37);
        EXPECT_EQ(inPlace, separate) << CipherCatalogue()[c].name;

        chain = Random(b, 7);
        TBytes back(plain.size());
        cipher->DecryptCbc(chain.data(), separate.data(), back.data(), 37);
        EXPECT_EQ(back, plain) << CipherCatalogue()[c].name;
        chain = Random(b, 7);
        cipher->DecryptCbc(chain.data(), inPlace.data(), inPlace.data(), 37);
        EXPECT_EQ(inPlace, plain) << CipherCatalogue()[c].name;
        // The chain comes out as the last cipher block in both directions.
        EXPECT_EQ(TBytes(chain.begin(), chain.end()), TBytes(separate.end() - std::ptrdiff_t(b), separate.end()));
    }
}

TEST(BodyCipherTest, KeyIsTheFirstBytesOfTheHashOfSaltThenPassword)
{
    std::string input(kSalt.begin(), kSalt.end());
    input += "pass\xC3\xA9";
    TBytes sha512(64);
    CryptoPP::SHA512().CalculateDigest(
        sha512.data(), reinterpret_cast<const CryptoPP::byte*>(input.data()), input.size());
    struct TCase
    {
        std::size_t cipher;
        std::size_t keyBytes;
    };
    // SHA512 with Blowfish (448 bits), RC2 (all 512), DES (64) and Rijndael (256).
    for (const TCase c : {TCase{0, 56}, TCase{7, 64}, TCase{2, 8}, TCase{8, 32}}) {
        const auto key = DeriveBodyKey(c.cipher, 8, kSalt, "pass\xC3\xA9");
        ASSERT_TRUE(key.has_value());
        EXPECT_EQ(TBytes(key->begin(), key->end()), TBytes(sha512.begin(), sha512.begin() + std::ptrdiff_t(c.keyBytes)))
            << CipherCatalogue()[c.cipher].name;
    }
    EXPECT_FALSE(DeriveBodyKey(kCipherCount, 0, kSalt, "x").has_value());
    EXPECT_FALSE(DeriveBodyKey(0, kHashCount, kSalt, "x").has_value());
}

TEST(BodyCipherTest, PasswordAndSaltBothChangeTheBody)
{
    const TBytes plain = Random(100, 10);
    const TBytes body = Transform(kRijndael, kSha256, TDirection::Encipher, plain);
    EXPECT_NE(Feed(*Make(kRijndael, kSha256, TDirection::Encipher, "pW"), plain, {kPiece}), body);
    std::array<std::uint8_t, kSaltSize> otherSalt = kSalt;
    otherSalt[7] ^= 1;
    auto salted = TBodyCipher::Create(kRijndael, kSha256, otherSalt, "pw", Iv(kRijndael), TDirection::Encipher);
    EXPECT_NE(Feed(*salted, plain, {kPiece}), body);
    // A wrong password deciphers into something else, never the plain text.
    EXPECT_NE(Feed(*Make(kRijndael, kSha256, TDirection::Decipher, "pW"), body, {kPiece}), plain);
}

TEST(BodyCipherTest, CreateRefusesBadIndexesAndInitialVectors)
{
    const TBytes iv16(16), iv8(8);
    EXPECT_EQ(TBodyCipher::Create(kCipherCount, 0, kSalt, "pw", iv16, TDirection::Encipher), nullptr);
    EXPECT_EQ(TBodyCipher::Create(0, kHashCount, kSalt, "pw", iv8, TDirection::Encipher), nullptr);
    EXPECT_EQ(TBodyCipher::Create(kRijndael, 0, kSalt, "pw", iv8, TDirection::Encipher), nullptr);
    EXPECT_EQ(TBodyCipher::Create(0, 0, kSalt, "pw", iv16, TDirection::Encipher), nullptr);
    EXPECT_NE(TBodyCipher::Create(0, 0, kSalt, "pw", iv8, TDirection::Encipher), nullptr);
}

} // namespace
} // namespace lumexa::filesecurity
