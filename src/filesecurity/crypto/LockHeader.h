#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "filesecurity/crypto/BodyCipher.h"

// The header of a locked file (".lxe"), which the hider's archives share:
//   0   1   table index (password table entry of the check value)
//   1   1   cipher index
//   2   1   hash index
//   3   21  check: a length byte L (0..20), then L characters of the password check value
//   24  8   salt
//   32  B   initial vector, B = the cipher's block size
// and then the body, exactly as long as the plain content. There is no magic number and no
// integrity check, so the reader validates every field it can.
namespace lumexa::filesecurity {

inline constexpr std::size_t kCheckFieldSize = 21;
inline constexpr std::size_t kHeaderFixedSize = 32; // the header without its initial vector
inline constexpr std::size_t kLargestHeaderSize = kHeaderFixedSize + 16;

struct TLockHeader
{
    std::uint8_t tableIndex = 0;
    std::uint8_t cipherIndex = 0;
    std::uint8_t hashIndex = 0;
    std::string check; // at most 20 characters
    std::array<std::uint8_t, kSaltSize> salt{};
    std::vector<std::uint8_t> iv; // the cipher's block size

    bool operator==(const TLockHeader&) const = default;
};

enum class THeaderStatus
{
    Ok,
    TooShort,       // the file ends before the header does
    BadTableIndex,  // not 1..100
    BadCipherIndex, // not in the cipher catalogue
    BadHashIndex,   // not in the hash catalogue
    BadCheckLength, // the check's length byte is above 20
};

struct THeaderParse
{
    THeaderStatus status = THeaderStatus::TooShort;
    std::string reason; // empty when Ok
    TLockHeader header; // meaningful when Ok
};

// Reads the header from the start of a file. Pass the first kLargestHeaderSize bytes, or the
// whole file when it is shorter; nothing past the header is read. The first fault met in
// field order is reported; a damaged header is to be treated like a wrong password.
THeaderParse ParseLockHeader(std::span<const std::uint8_t> bytes);

// Header size for a cipher: 32 + its block size; 0 for an index outside the catalogue.
std::size_t LockHeaderSize(std::size_t cipherIndex);

// The 32 + B bytes of a header; the check field holds the first 20 characters of `check`,
// zero bytes after them. nullopt when ParseLockHeader would refuse the result (an index out
// of range, or an initial vector that is not one block long).
std::optional<std::vector<std::uint8_t>> SerializeLockHeader(const TLockHeader& header);

// The unlock check: the file names the cipher and hash chosen for the run, and its check text
// equals the first 20 characters of the password's check value under its table entry. (So a
// password of 16 bytes or more is checked on its first 15 bytes only.)
bool AcceptsPassword(const TLockHeader& header,
                     std::string_view password,
                     std::size_t cipherIndex,
                     std::size_t hashIndex);

} // namespace lumexa::filesecurity
