#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "filesecurity/crypto/Hash.h"

namespace lumexa::filesecurity {

// HAVAL by Zheng, Pieprzyk and Seberry (AUSCRYPT '92), version 1: 3, 4 or 5 passes and a
// 128, 160, 192, 224 or 256-bit digest. The catalogue uses 5 passes and 256 bits; the other
// variants exist so that every published vector can check the shared machinery. Written from
// the authors' description; Crypto++ has no HAVAL.
class THaval final : public IHash
{
public:
    // nullptr for a pass count or digest length HAVAL does not define.
    static std::unique_ptr<THaval> Create(int passes, int bits);
    ~THaval() override;

    std::size_t DigestSize() const override { return std::size_t(m_bits) / 8; }
    void Update(std::span<const std::uint8_t> data) override;
    void Final(std::uint8_t* digest) override;

private:
    THaval(int passes, int bits);

    void Reset();
    void Compress(const std::uint8_t* block);
    void Fold();

    int m_passes;
    int m_bits;
    std::array<std::uint32_t, 8> m_state{};
    std::array<std::uint8_t, 128> m_buffer{};
    std::size_t m_buffered = 0;
    std::uint64_t m_length = 0; // message bytes so far
};

} // namespace lumexa::filesecurity
