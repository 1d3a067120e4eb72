#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <string_view>

#include "filesecurity/crypto/BlockCipher.h"
#include "filesecurity/crypto/Hash.h"

// The cipher and hash catalogues of the locker and the hider. Every locked file stores the
// 0-based positions of its cipher and hash, so the order below is part of the file format and
// never changes; the windows fill their drop-down lists in this order.
namespace lumexa::filesecurity {

struct TCipherInfo
{
    std::string_view name; // display name, shown exactly as written
    std::size_t blockBytes;
    unsigned largestKeyBits;
};

struct THashInfo
{
    std::string_view name; // display name, shown exactly as written
    unsigned digestBits;
};

inline constexpr std::size_t kCipherCount = 12;
inline constexpr std::size_t kHashCount = 10;

// Position i is catalogue index i.
std::span<const TCipherInfo, kCipherCount> CipherCatalogue();
std::span<const THashInfo, kHashCount> HashCatalogue();

// A new, unkeyed cipher; nullptr when the index is outside the catalogue.
std::unique_ptr<IBlockCipher> CreateCipher(std::size_t index);
// A new hash; nullptr when the index is outside the catalogue.
std::unique_ptr<IHash> CreateHash(std::size_t index);

// The key length of a body: min(largest key of the cipher, digest of the hash), in bits; 0
// when either index is outside its catalogue. The windows show it as "Effective key size:".
unsigned EffectiveKeyBits(std::size_t cipherIndex, std::size_t hashIndex);

} // namespace lumexa::filesecurity
