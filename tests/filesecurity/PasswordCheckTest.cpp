#include "filesecurity/crypto/PasswordCheck.h"

#include <cstddef>
#include <set>
#include <string>

#include <cryptopp/aes.h>
#include <cryptopp/base64.h>
#include <cryptopp/filters.h>
#include <cryptopp/hex.h>
#include <cryptopp/modes.h>
#include <cryptopp/sha.h>
#include <gtest/gtest.h>

namespace lumexa::filesecurity {
namespace {

// SHA-256 of the 100 entries of our password table, concatenated in order.
constexpr const char* kTablePin = "adc61fa0f5c1e55fa3066199fcbac4c9a77b8902656c62311393b56e534087aa";

bool IsBase64(const std::string& text)
{
    std::size_t padding = 0;
    for (const char c : text) {
        const bool alphabet =
            (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/';
        if (c == '=')
            ++padding;
        else if (!alphabet || padding > 0) // "=" only at the end
            return false;
    }
    return padding <= 2 && text.size() % 4 == 0;
}

// Undoes a check value with Crypto++'s own 8-bit CFB mode and Base64 decoder, keyed as the
// construction says: SHA-1 of the entry plus four zero bytes, IV = AES-192 of a zero block.
std::string Decipher(const std::string& check, int entry)
{
    const std::string text(PasswordTableEntry(entry));
    CryptoPP::byte key[24] = {};
    CryptoPP::SHA1().CalculateDigest(key, reinterpret_cast<const CryptoPP::byte*>(text.data()), text.size());
    CryptoPP::byte iv[16] = {};
    CryptoPP::AES::Encryption(key, sizeof key).ProcessBlock(iv);
    CryptoPP::CFB_Mode<CryptoPP::AES>::Decryption cfb8(key, sizeof key, iv, 1); // 1-byte feedback
    std::string plain;
    CryptoPP::StringSource(
        check,
        true,
        new CryptoPP::Base64Decoder(new CryptoPP::StreamTransformationFilter(cfb8, new CryptoPP::StringSink(plain))));
    return plain;
}

TEST(PasswordCheckTest, TableHasOneHundredDistinctEntriesOfTwentyLettersAndDigits)
{
    std::set<std::string> seen;
    for (int entry = 1; entry <= kPasswordTableSize; ++entry) {
        const std::string text(PasswordTableEntry(entry));
        EXPECT_EQ(text.size(), 20u) << "entry " << entry;
        for (const char c : text)
            EXPECT_TRUE((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
                << "entry " << entry;
        seen.insert(text);
    }
    EXPECT_EQ(seen.size(), 100u);
    EXPECT_TRUE(PasswordTableEntry(0).empty());
    EXPECT_TRUE(PasswordTableEntry(101).empty());
}

TEST(PasswordCheckTest, TableNeverChanges)
{
    // Every check value ever written depends on these values: this pins our own table (its
    // SHA-256 over the entries in order), so an edit to it fails here.
    std::string all;
    for (int entry = 1; entry <= kPasswordTableSize; ++entry)
        all += PasswordTableEntry(entry);
    std::string digest;
    CryptoPP::SHA256 sha;
    CryptoPP::StringSource(
        all, true, new CryptoPP::HashFilter(sha, new CryptoPP::HexEncoder(new CryptoPP::StringSink(digest), false)));
    EXPECT_EQ(digest, kTablePin);
}

TEST(PasswordCheckTest, CheckValueIsBase64OfOneBytePerPasswordByte)
{
    for (const std::size_t length : {0u, 1u, 2u, 3u, 15u, 16u, 30u, 100u}) {
        const std::string password(length, 'p');
        const auto check = MakePasswordCheck(password, 1);
        ASSERT_TRUE(check.has_value());
        EXPECT_EQ(check->size(), 4 * ((length + 2) / 3)) << "length " << length;
        EXPECT_TRUE(IsBase64(*check)) << *check;
        EXPECT_EQ(MakePasswordCheck(password, 1), check) << "not deterministic at length " << length;
    }
}

TEST(PasswordCheckTest, CheckValueDeciphersToThePassword)
{
    const std::string passwords[] = {"",
                                     "x",
                                     "secret password",
                                     "sixteen chars!!!",
                                     "a thirty character password!!",
                                     "p\xC3\xA4sswort \xE6\x97\xA5\xE6\x9C\xAC"};
    for (const std::string& password : passwords)
        for (const int entry : {1, 50, 99, 100}) {
            const auto check = MakePasswordCheck(password, entry);
            ASSERT_TRUE(check.has_value());
            EXPECT_EQ(Decipher(*check, entry), password) << "entry " << entry;
        }
}

TEST(PasswordCheckTest, DifferentEntriesAndPasswordsGiveDifferentValues)
{
    std::set<std::string> values;
    for (int entry = 1; entry <= kPasswordTableSize; ++entry)
        values.insert(*MakePasswordCheck("password", entry));
    EXPECT_EQ(values.size(), 100u);
    EXPECT_NE(MakePasswordCheck("password", 7), MakePasswordCheck("Password", 7));
    // The cipher feedback carries a change forward: a different first byte changes the rest.
    EXPECT_NE(MakePasswordCheck("aaaaaaaaaaaa", 7)->substr(4), MakePasswordCheck("baaaaaaaaaaa", 7)->substr(4));
}

TEST(PasswordCheckTest, EntriesOutsideTheTableGiveNoValue)
{
    for (const int entry : {0, -1, 101, 255})
        EXPECT_FALSE(MakePasswordCheck("password", entry).has_value()) << entry;
}

TEST(PasswordCheckTest, StoredCheckIsTheFirstTwentyCharacters)
{
    const auto shortCheck = MakePasswordCheck("fifteen chars!!", 3); // 20 characters
    EXPECT_EQ(shortCheck->size(), 20u);
    EXPECT_EQ(StoredPasswordCheck("fifteen chars!!", 3), shortCheck);

    const auto longCheck = MakePasswordCheck("sixteen chars!!!", 3); // 24 characters
    EXPECT_EQ(longCheck->size(), 24u);
    EXPECT_EQ(StoredPasswordCheck("sixteen chars!!!", 3), longCheck->substr(0, 20));
    // Passwords that differ only after the stored part share it.
    EXPECT_EQ(StoredPasswordCheck("sixteen chars!!!-a", 3), StoredPasswordCheck("sixteen chars!!!-b", 3));
    EXPECT_FALSE(StoredPasswordCheck("x", 0).has_value());
}

} // namespace
} // namespace lumexa::filesecurity
