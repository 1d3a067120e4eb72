#include "filesecurity/crypto/LockHeader.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "filesecurity/crypto/PasswordCheck.h"

namespace lumexa::filesecurity {
namespace {

using TBytes = std::vector<std::uint8_t>;

// A valid header for a cipher of the given block size (Blowfish: 8, Rijndael: 16).
TBytes ValidHeader(std::uint8_t cipher, std::size_t blockBytes)
{
    TBytes bytes(32 + blockBytes, 0);
    bytes[0] = 42;     // table index
    bytes[1] = cipher; // cipher index
    bytes[2] = 6;      // hash index (SHA256)
    const std::string check = "AbCdEfGhIjKlMnOpQrSt";
    bytes[3] = std::uint8_t(check.size());
    std::copy(check.begin(), check.end(), bytes.begin() + 4);
    for (std::size_t i = 0; i < 8; ++i)
        bytes[24 + i] = std::uint8_t(0xA0 + i);
    for (std::size_t i = 0; i < blockBytes; ++i)
        bytes[32 + i] = std::uint8_t(0x10 + i);
    return bytes;
}

TEST(LockHeaderTest, ReadsEveryFieldOfAValidHeader)
{
    for (const auto& [cipher, blockBytes] : {std::pair<std::uint8_t, std::size_t>{0, 8}, {8, 16}}) {
        TBytes bytes = ValidHeader(cipher, blockBytes);
        bytes.insert(bytes.end(), {0xEE, 0xEE, 0xEE}); // the body follows and is not read
        const THeaderParse parse = ParseLockHeader(bytes);
        ASSERT_EQ(parse.status, THeaderStatus::Ok) << parse.reason;
        EXPECT_TRUE(parse.reason.empty());
        const TLockHeader& h = parse.header;
        EXPECT_EQ(h.tableIndex, 42);
        EXPECT_EQ(h.cipherIndex, cipher);
        EXPECT_EQ(h.hashIndex, 6);
        EXPECT_EQ(h.check, "AbCdEfGhIjKlMnOpQrSt");
        EXPECT_EQ(h.salt, (std::array<std::uint8_t, 8>{0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7}));
        ASSERT_EQ(h.iv.size(), blockBytes);
        EXPECT_EQ(h.iv.front(), 0x10);
        EXPECT_EQ(h.iv.back(), 0x10 + blockBytes - 1);
        EXPECT_EQ(LockHeaderSize(cipher), 32 + blockBytes);
    }
}

TEST(LockHeaderTest, AcceptsTheEdgesOfEachField)
{
    TBytes bytes = ValidHeader(11, 16); // Twofish, the last cipher
    bytes[0] = 100;                     // never written, but read
    bytes[2] = 9;                       // Tiger, the last hash
    bytes[3] = 0;                       // an empty check
    THeaderParse parse = ParseLockHeader(bytes);
    ASSERT_EQ(parse.status, THeaderStatus::Ok) << parse.reason;
    EXPECT_EQ(parse.header.check, "");
    bytes[0] = 1;
    EXPECT_EQ(ParseLockHeader(bytes).status, THeaderStatus::Ok);
}

TEST(LockHeaderTest, RefusesDamagedHeadersWithTheirReason)
{
    struct TCase
    {
        const char* name;
        TBytes bytes;
        THeaderStatus status;
        const char* reason;
    };
    auto with = [](std::size_t at, std::uint8_t value, TBytes bytes = ValidHeader(0, 8)) {
        bytes[at] = value;
        return bytes;
    };
    auto cut = [](TBytes bytes, std::size_t size) {
        bytes.resize(size);
        return bytes;
    };
    const TCase cases[] = {
        {"empty file", {}, THeaderStatus::TooShort, "has 0 bytes"},
        {"two bytes", {1, 0}, THeaderStatus::TooShort, "has 2 bytes"},
        {"table index 0", with(0, 0), THeaderStatus::BadTableIndex, "table index 0 is not in 1..100"},
        {"table index 101", with(0, 101), THeaderStatus::BadTableIndex, "table index 101"},
        {"table index 255", with(0, 255), THeaderStatus::BadTableIndex, "table index 255"},
        {"cipher index 12", with(1, 12), THeaderStatus::BadCipherIndex, "cipher index 12 is not in 0..11"},
        {"cipher index 255", with(1, 255), THeaderStatus::BadCipherIndex, "cipher index 255"},
        {"hash index 10", with(2, 10), THeaderStatus::BadHashIndex, "hash index 10 is not in 0..9"},
        {"check length 21", with(3, 21), THeaderStatus::BadCheckLength, "check length 21 is above 20"},
        {"check length 255", with(3, 255), THeaderStatus::BadCheckLength, "check length 255"},
        {"no salt", cut(ValidHeader(0, 8), 24), THeaderStatus::TooShort, "fewer than the 40"},
        {"8-byte cipher, 39 bytes",
         cut(ValidHeader(0, 8), 39),
         THeaderStatus::TooShort,
         "has 39 bytes, fewer than the 40"},
        {"16-byte cipher, 47 bytes", cut(ValidHeader(8, 16), 47), THeaderStatus::TooShort, "fewer than the 48"},
        {"a 16-byte cipher index on 40 bytes", with(1, 9), THeaderStatus::TooShort, "has 40 bytes, fewer than the 48"},
        // The first fault in field order is the one reported.
        {"bad table and cipher", with(1, 99, with(0, 0)), THeaderStatus::BadTableIndex, "table index 0"},
        {"bad table index on a short file", {0}, THeaderStatus::TooShort, "has 1 bytes"},
        {"bad cipher on a short file", {5, 40, 0, 1}, THeaderStatus::BadCipherIndex, "cipher index 40"},
    };
    for (const TCase& c : cases) {
        const THeaderParse parse = ParseLockHeader(c.bytes);
        EXPECT_EQ(parse.status, c.status) << "case: " << c.name;
        EXPECT_NE(parse.reason.find(c.reason), std::string::npos) << "case: " << c.name << ", reason: " << parse.reason;
    }
}

TEST(LockHeaderTest, WritesTheLayoutByteForByte)
{
    TLockHeader header;
    header.tableIndex = 42;
    header.cipherIndex = 0;
    header.hashIndex = 6;
    header.check = "AbCdEfGhIjKlMnOpQrSt";
    header.salt = {0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7};
    header.iv = {0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17};
    const auto bytes = SerializeLockHeader(header);
    ASSERT_TRUE(bytes.has_value());
    EXPECT_EQ(*bytes, ValidHeader(0, 8));
    EXPECT_EQ(ParseLockHeader(*bytes).header, header);
}

TEST(LockHeaderTest, WritesOnlyTheFirstTwentyCheckCharactersAndZerosAfterAShortOne)
{
    TLockHeader header;
    header.tableIndex = 1;
    header.cipherIndex = 8;
    header.hashIndex = 0;
    header.iv.assign(16, 0x55);
    header.check = "0123456789abcdefghijKLMN"; // 24 characters
    auto bytes = SerializeLockHeader(header);
    ASSERT_TRUE(bytes.has_value());
    ASSERT_EQ(bytes->size(), 48u);
    EXPECT_EQ((*bytes)[3], 20);
    EXPECT_EQ(ParseLockHeader(*bytes).header.check, "0123456789abcdefghij");

    header.check = "abc";
    bytes = SerializeLockHeader(header);
    EXPECT_EQ((*bytes)[3], 3);
    for (std::size_t i = 7; i < 24; ++i)
        EXPECT_EQ((*bytes)[i], 0) << i;
}

TEST(LockHeaderTest, SerialisingRefusesWhatReadingWouldRefuse)
{
    TLockHeader valid;
    valid.tableIndex = 1;
    valid.iv.assign(8, 0);
    ASSERT_TRUE(SerializeLockHeader(valid).has_value());
    auto changed = [&](auto change) {
        TLockHeader h = valid;
        change(h);
        return SerializeLockHeader(h).has_value();
    };
    EXPECT_FALSE(changed([](TLockHeader& h) { h.tableIndex = 0; }));
    EXPECT_FALSE(changed([](TLockHeader& h) { h.tableIndex = 101; }));
    EXPECT_FALSE(changed([](TLockHeader& h) { h.cipherIndex = 12; }));
    EXPECT_FALSE(changed([](TLockHeader& h) { h.hashIndex = 10; }));
    EXPECT_FALSE(changed([](TLockHeader& h) { h.iv.assign(16, 0); })); // Blowfish has 8-byte blocks
    EXPECT_FALSE(changed([](TLockHeader& h) { h.iv.clear(); }));
}

TEST(LockHeaderTest, AcceptsOnlyTheRightPasswordCipherAndHash)
{
    auto header = [](std::string_view password, int entry) {
        TLockHeader h;
        h.tableIndex = std::uint8_t(entry);
        h.cipherIndex = 9;
        h.hashIndex = 4;
        h.check = *StoredPasswordCheck(password, entry);
        h.iv.assign(16, 0);
        return h;
    };
    struct TCase
    {
        const char* name;
        TLockHeader header;
        std::string_view password;
        std::size_t cipher;
        std::size_t hash;
        bool accepted;
    };
    const TCase cases[] = {
        {"right password", header("open sesame", 17), "open sesame", 9, 4, true},
        {"entry 100", header("open sesame", 100), "open sesame", 9, 4, true},
        {"wrong password", header("open sesame", 17), "open sesamE", 9, 4, false},
        {"empty password", header("", 17), "", 9, 4, true},
        {"other cipher chosen", header("open sesame", 17), "open sesame", 8, 4, false},
        {"other hash chosen", header("open sesame", 17), "open sesame", 9, 5, false},
        {"long password", header("a password of twenty-six", 3), "a password of twenty-six", 9, 4, true},
        // Only the first 20 check characters are stored: 15 password bytes.
        {"long password, other tail", header("a password of twenty-six", 3), "a password of tXXXXXXXXX", 9, 4, true},
        {"long password, other 15th byte",
         header("a password of twenty-six", 3),
         "a password of Twenty-six",
         9,
         4,
         false},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(AcceptsPassword(c.header, c.password, c.cipher, c.hash), c.accepted) << "case: " << c.name;
}

} // namespace
} // namespace lumexa::filesecurity
