#pragma once

#include <memory>

#include "filesecurity/crypto/BlockCipher.h"

// The catalogue's ciphers that Crypto++ provides, each wrapped with its keying rule. Every
// Crypto++ exception is caught inside the wrapper: SetKey answers false instead.
namespace lumexa::filesecurity {

// 32 to 448-bit keys in whole bytes.
std::unique_ptr<IBlockCipher> CreateBlowfish();
// CAST-128 (RFC 2144): 40 to 128-bit keys.
std::unique_ptr<IBlockCipher> CreateCast128();
// DES (FIPS 46-3): a 64-bit key, parity bits ignored.
std::unique_ptr<IBlockCipher> CreateDes();
// Three-key EDE: 128 to 192-bit keys. K1 = bytes 0-7, K2 = bytes 8-15; a 128-bit key uses
// K3 = K1, a longer one is zero-filled to 192 bits and K3 = bytes 16-23.
std::unique_ptr<IBlockCipher> CreateTripleDes();
// RC2 (RFC 2268) with an effective key length of 1024 bits: 8 to 1024-bit keys.
std::unique_ptr<IBlockCipher> CreateRc2();
// Rijndael with a 128-bit block (AES): up to 256-bit keys, zero-filled up to 128, 192 or 256.
std::unique_ptr<IBlockCipher> CreateRijndael();
// Serpent: up to 256-bit keys; a shorter key gets a 1 bit right after its last bit, then zeros.
std::unique_ptr<IBlockCipher> CreateSerpent();
// TEA, 32 cycles, big-endian words: a 128-bit key.
std::unique_ptr<IBlockCipher> CreateTea();
// Twofish: up to 256-bit keys, zero-filled up to 128, 192 or 256.
std::unique_ptr<IBlockCipher> CreateTwofish();

} // namespace lumexa::filesecurity
