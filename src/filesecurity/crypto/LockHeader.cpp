#include "filesecurity/crypto/LockHeader.h"

#include <algorithm>

#include "filesecurity/crypto/Catalogue.h"
#include "filesecurity/crypto/PasswordCheck.h"

namespace lumexa::filesecurity {

namespace {

constexpr std::size_t kSaltOffset = 24;

THeaderParse Fail(THeaderStatus status, std::string reason)
{
    THeaderParse result;
    result.status = status;
    result.reason = std::move(reason);
    return result;
}

THeaderParse TooShort(std::size_t have, std::size_t need)
{
    return Fail(THeaderStatus::TooShort,
                "the file has " + std::to_string(have) + " bytes, fewer than the " + std::to_string(need) +
                    " of its header");
}

} // namespace

std::size_t LockHeaderSize(std::size_t cipherIndex)
{
    if (cipherIndex >= kCipherCount)
        return 0;
    return kHeaderFixedSize + CipherCatalogue()[cipherIndex].blockBytes;
}

THeaderParse ParseLockHeader(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() < 3)
        return TooShort(bytes.size(), kHeaderFixedSize);
    const std::uint8_t table = bytes[0];
    const std::uint8_t cipher = bytes[1];
    const std::uint8_t hash = bytes[2];
    if (table < 1 || table > kPasswordTableSize)
        return Fail(THeaderStatus::BadTableIndex, "table index " + std::to_string(table) + " is not in 1..100");
    if (cipher >= kCipherCount)
        return Fail(THeaderStatus::BadCipherIndex, "cipher index " + std::to_string(cipher) + " is not in 0..11");
    if (hash >= kHashCount)
        return Fail(THeaderStatus::BadHashIndex, "hash index " + std::to_string(hash) + " is not in 0..9");
    if (bytes.size() < 4)
        return TooShort(bytes.size(), LockHeaderSize(cipher));
    const std::uint8_t checkLength = bytes[3];
    if (checkLength > kStoredCheckLength)
        return Fail(THeaderStatus::BadCheckLength,
                    "check length " + std::to_string(checkLength) + " is above " + std::to_string(kStoredCheckLength));
    const std::size_t size = LockHeaderSize(cipher);
    if (bytes.size() < size)
        return TooShort(bytes.size(), size);

    THeaderParse result;
    result.status = THeaderStatus::Ok;
    TLockHeader& header = result.header;
    header.tableIndex = table;
    header.cipherIndex = cipher;
    header.hashIndex = hash;
    header.check.assign(reinterpret_cast<const char*>(bytes.data() + 4), checkLength);
    std::copy_n(bytes.begin() + kSaltOffset, kSaltSize, header.salt.begin());
    header.iv.assign(bytes.begin() + kHeaderFixedSize, bytes.begin() + std::ptrdiff_t(size));
    return result;
}

std::optional<std::vector<std::uint8_t>> SerializeLockHeader(const TLockHeader& header)
{
    const std::size_t size = LockHeaderSize(header.cipherIndex);
    if (header.tableIndex < 1 || header.tableIndex > kPasswordTableSize || size == 0 ||
        header.hashIndex >= kHashCount || header.iv.size() != size - kHeaderFixedSize)
        return std::nullopt;
    std::vector<std::uint8_t> bytes(size, 0);
    bytes[0] = header.tableIndex;
    bytes[1] = header.cipherIndex;
    bytes[2] = header.hashIndex;
    const std::size_t checkLength = std::min(header.check.size(), kStoredCheckLength);
    bytes[3] = std::uint8_t(checkLength);
    std::copy_n(header.check.begin(), checkLength, bytes.begin() + 4);
    std::copy(header.salt.begin(), header.salt.end(), bytes.begin() + kSaltOffset);
    std::copy(header.iv.begin(), header.iv.end(), bytes.begin() + kHeaderFixedSize);
    return bytes;
}

bool AcceptsPassword(const TLockHeader& header,
                     std::string_view password,
                     std::size_t cipherIndex,
                     std::size_t hashIndex)
{
    if (header.cipherIndex != cipherIndex || header.hashIndex != hashIndex)
        return false;
    const std::optional<std::string> check = StoredPasswordCheck(password, header.tableIndex);
    return check && *check == header.check;
}

} // namespace lumexa::filesecurity
