#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace lumexa::filesecurity {

// One keyed block cipher of the catalogue. A cipher is used by one thread at a time.
//
// SetKey applies the cipher's own keying rule to raw key bytes (zero fill, Serpent padding,
// the Triple DES K3 rule...) and answers false, leaving the cipher unkeyed, for a length the
// rule does not cover. Encrypting or decrypting before SetKey succeeded, or after WipeKey, is
// a programming error.
class IBlockCipher
{
public:
    virtual ~IBlockCipher() = default;

    // 8 or 16.
    virtual std::size_t BlockSize() const = 0;
    [[nodiscard]] virtual bool SetKey(std::span<const std::uint8_t> key) = 0;
    virtual bool IsKeyed() const = 0;
    // One block; `in` and `out` may be the same buffer.
    virtual void EncryptBlock(const std::uint8_t* in, std::uint8_t* out) const = 0;
    virtual void DecryptBlock(const std::uint8_t* in, std::uint8_t* out) const = 0;
    // Cipher block chaining over `blocks` whole blocks, with `chain` (BlockSize() bytes) carried
    // in and out so that consecutive calls continue one chain. `in` and `out` may be the same
    // buffer. Whole runs go through one call so that no block pays a virtual dispatch.
    virtual void EncryptCbc(std::uint8_t* chain, const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) = 0;
    virtual void DecryptCbc(std::uint8_t* chain, const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) = 0;
    // Overwrites the key schedule; the cipher is unkeyed afterwards.
    virtual void WipeKey() = 0;
};

// Chaining for ciphers written here: TDerived provides non-virtual Encrypt and Decrypt of one
// block, which the loops below call directly (and the compiler inlines).
template <class TDerived, std::size_t BlockBytes> class TBlockCipherBase : public IBlockCipher
{
public:
    std::size_t BlockSize() const final { return BlockBytes; }
    void EncryptBlock(const std::uint8_t* in, std::uint8_t* out) const final { Self().Encrypt(in, out); }
    void DecryptBlock(const std::uint8_t* in, std::uint8_t* out) const final { Self().Decrypt(in, out); }

    void EncryptCbc(std::uint8_t* chain, const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) final
    {
        for (std::size_t b = 0; b < blocks; ++b, in += BlockBytes, out += BlockBytes) {
            std::uint8_t x[BlockBytes];
            for (std::size_t i = 0; i < BlockBytes; ++i)
                x[i] = in[i] ^ chain[i];
            Self().Encrypt(x, chain);
            std::memcpy(out, chain, BlockBytes);
        }
    }

    void DecryptCbc(std::uint8_t* chain, const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) final
    {
        for (std::size_t b = 0; b < blocks; ++b, in += BlockBytes, out += BlockBytes) {
            std::uint8_t c[BlockBytes];
            std::memcpy(c, in, BlockBytes); // in may be out
            Self().Decrypt(c, out);
            for (std::size_t i = 0; i < BlockBytes; ++i)
                out[i] ^= chain[i];
            std::memcpy(chain, c, BlockBytes);
        }
    }

private:
    const TDerived& Self() const { return static_cast<const TDerived&>(*this); }
};

} // namespace lumexa::filesecurity
