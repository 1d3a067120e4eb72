#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

// GOST 28147-89, the Soviet and Russian 64-bit block cipher with a 256-bit key, written from its
// published description (GOST 28147-89; RFC 5830). The substitution boxes are fixed to the ones
// published as the test parameters of GOST R 34.11-94 (RFC 5831, section 7.3), the boxes the
// secure deletion engine names.
//
// Byte order: the key is eight 32-bit words and a block two 32-bit halves (N1, N2), each read
// and written little-endian, the order in which RFC 5831's examples are usually given as bytes.
namespace lumexa::core {

class TGost28147
{
public:
    static constexpr std::size_t BlockSize = 8;
    static constexpr std::size_t KeySize = 32;
    using TBlock = std::array<std::uint8_t, BlockSize>;
    using TKey = std::array<std::uint8_t, KeySize>;

    explicit TGost28147(const TKey& key);

    // The 32 rounds of the basic (electronic codebook) mode on one block.
    TBlock EncryptBlock(const TBlock& block) const;
    TBlock DecryptBlock(const TBlock& block) const;

    // Cipher feedback over `data` in place: each 8-byte block is XORed with the encrypted
    // register, which then takes the resulting ciphertext block. A final partial block uses the
    // first bytes of the gamma. `reg` carries the register from one call to the next.
    void EncryptCfb(std::span<std::uint8_t> data, TBlock& reg) const;
    void DecryptCfb(std::span<std::uint8_t> data, TBlock& reg) const;

private:
    std::uint64_t Encrypt(std::uint32_t n1, std::uint32_t n2) const;
    std::uint64_t Decrypt(std::uint32_t n1, std::uint32_t n2) const;
    std::uint32_t F(std::uint32_t x) const;

    std::array<std::uint32_t, 8> m_key{};
    // The eight 4-bit boxes combined pairwise into four byte-wide tables, with the 11-bit
    // rotation folded in: F(x) is four look-ups and three XORs.
    std::array<std::array<std::uint32_t, 256>, 4> m_table{};
};

} // namespace lumexa::core
