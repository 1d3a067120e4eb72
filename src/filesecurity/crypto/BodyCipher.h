#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "filesecurity/crypto/BlockCipher.h"
#include "filesecurity/crypto/Bytes.h"

namespace lumexa::filesecurity {

inline constexpr std::size_t kSaltSize = 8;

// The key of a body: the catalogue hash `hashIndex` over the 8 salt bytes followed by the
// password's bytes, cut to EffectiveKeyBits(cipherIndex, hashIndex) / 8 bytes. nullopt when an
// index is outside its catalogue.
std::optional<TSecureBytes> DeriveBodyKey(std::size_t cipherIndex,
                                          std::size_t hashIndex,
                                          std::span<const std::uint8_t, kSaltSize> salt,
                                          std::string_view password);

// The cipher mode of a locked file's body, as a stream: cipher block chaining over the whole
// body with the chain carried across pieces and no padding; a final partial block of r bytes
// is XORed with the first r bytes of E(chain), in both directions. Pieces of any size give the
// same result as the whole body at once: an incomplete block is held back until the next
// piece completes it or Finish applies the partial-block rule.
class TBodyCipher
{
public:
    enum class TDirection
    {
        Encipher,
        Decipher
    };

    // `cipher` must be keyed; `iv` is its block size long.
    TBodyCipher(std::unique_ptr<IBlockCipher> cipher, std::span<const std::uint8_t> iv, TDirection direction);
    // Wipes the key state, the chain and any held-back bytes.
    ~TBodyCipher();
    TBodyCipher(const TBodyCipher&) = delete;
    TBodyCipher& operator=(const TBodyCipher&) = delete;

    // Derives the key (DeriveBodyKey), keys a new catalogue cipher and starts the mode with
    // `iv`. nullptr when an index is outside its catalogue or `iv` is not one block long.
    static std::unique_ptr<TBodyCipher> Create(std::size_t cipherIndex,
                                               std::size_t hashIndex,
                                               std::span<const std::uint8_t, kSaltSize> salt,
                                               std::string_view password,
                                               std::span<const std::uint8_t> iv,
                                               TDirection direction);

    std::size_t BlockSize() const { return m_blockSize; }
    // Room `out` needs for Update of `count` bytes.
    std::size_t MaxOutput(std::size_t count) const { return count + m_blockSize - 1; }

    // Transforms the next piece of the body into `out` (at least MaxOutput(in.size()) bytes,
    // not overlapping `in`) and returns how many bytes it wrote: every block the piece
    // completes.
    std::size_t Update(std::span<const std::uint8_t> in, std::uint8_t* out);
    // The same, appending to `out`.
    void Update(std::span<const std::uint8_t> in, std::vector<std::uint8_t>& out);
    // Ends the body: writes the held-back final partial block (fewer than BlockSize() bytes)
    // and returns its length. Nothing may follow.
    std::size_t Finish(std::uint8_t* out);
    void Finish(std::vector<std::uint8_t>& out);

private:
    void Blocks(const std::uint8_t* in, std::uint8_t* out, std::size_t blocks);

    std::unique_ptr<IBlockCipher> m_cipher;
    TDirection m_direction;
    std::size_t m_blockSize;
    std::array<std::uint8_t, 16> m_chain{};
    std::array<std::uint8_t, 16> m_pending{};
    std::size_t m_pendingSize = 0;
    bool m_finished = false;
};

} // namespace lumexa::filesecurity
