#pragma once

#include <array>
#include <cstdint>

#include "filesecurity/crypto/BlockCipher.h"

namespace lumexa::filesecurity {

// Matthew Kwan's ICE ("Information Concealment Engine"), a 64-bit block cipher, at level 0
// (Thin-ICE: 8 rounds, 64-bit key), level 1 (ICE: 16 rounds, 64-bit key) or level 2 (ICE-2:
// 32 rounds, 128-bit key). Written from the author's published description and reference
// code; Crypto++ has no ICE.
class TIce final : public TBlockCipherBase<TIce, 8>
{
public:
    // level 0, 1 or 2; anything else is taken as 1.
    explicit TIce(int level);
    ~TIce() override;

    // Exactly 8 bytes (levels 0 and 1) or 16 bytes (level 2).
    [[nodiscard]] bool SetKey(std::span<const std::uint8_t> key) override;
    bool IsKeyed() const override { return m_keyed; }
    void WipeKey() override;

    void Encrypt(const std::uint8_t* in, std::uint8_t* out) const;
    void Decrypt(const std::uint8_t* in, std::uint8_t* out) const;

private:
    // Three 20-bit words: the two key halves XORed after expansion and the salt mask.
    using TSubkey = std::array<std::uint32_t, 3>;

    void BuildSchedule(std::uint16_t* keyBits, int first, const int* rotation);

    int m_size;   // key length in 64-bit words
    int m_rounds; // 8, 16 or 32
    bool m_keyed = false;
    std::array<TSubkey, 32> m_schedule{};
};

} // namespace lumexa::filesecurity
