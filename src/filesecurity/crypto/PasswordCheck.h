#pragma once

#include <optional>
#include <string>
#include <string_view>

// The password check value stored in every locked file, and the password table it is keyed
// from. The locker and the hider share both.
namespace lumexa::filesecurity {

inline constexpr int kPasswordTableSize = 100;
// A writer draws the entry from 1 to kPasswordTableWriterEntries; a reader accepts any entry
// of the table.
inline constexpr int kPasswordTableWriterEntries = 99;
// Characters of the check value a file stores and compares.
inline constexpr std::size_t kStoredCheckLength = 20;

// Entry 1..100 of the password table (20 letters and digits); empty for any other number.
std::string_view PasswordTableEntry(int entry);

// The password check value of `password` (its bytes, UTF-8) under table entry `entry`: the
// password enciphered with AES-192 in 8-bit cipher feedback mode, keyed by the SHA-1 digest
// of the entry followed by four zero bytes, with the encryption of a zero block as initial
// vector, then Base64-encoded: 4 x ceil(n/3) characters for n bytes. nullopt when the entry
// is outside 1..100.
std::optional<std::string> MakePasswordCheck(std::string_view password, int entry);

// The part of the check value a file stores and compares: its first 20 characters.
std::optional<std::string> StoredPasswordCheck(std::string_view password, int entry);

} // namespace lumexa::filesecurity
