#include "filesecurity/crypto/BodyCipher.h"

#include <algorithm>
#include <cassert>

#include "filesecurity/crypto/Catalogue.h"

namespace lumexa::filesecurity {

std::optional<TSecureBytes> DeriveBodyKey(std::size_t cipherIndex,
                                          std::size_t hashIndex,
                                          std::span<const std::uint8_t, kSaltSize> salt,
                                          std::string_view password)
{
    const unsigned keyBits = EffectiveKeyBits(cipherIndex, hashIndex);
    auto hash = CreateHash(hashIndex);
    if (keyBits == 0 || !hash)
        return std::nullopt;
    TSecureBytes digest(hash->DigestSize());
    hash->Update(salt);
    hash->Update(AsBytes(password));
    hash->Final(digest.data());
    digest.resize(keyBits / 8);
    return digest;
}

TBodyCipher::TBodyCipher(std::unique_ptr<IBlockCipher> cipher, std::span<const std::uint8_t> iv, TDirection direction)
    : m_cipher(std::move(cipher))
    , m_direction(direction)
    , m_blockSize(m_cipher->BlockSize())
{
    assert(m_cipher->IsKeyed() && iv.size() == m_blockSize && m_blockSize <= m_chain.size());
    std::copy_n(iv.begin(), std::min(iv.size(), m_chain.size()), m_chain.begin());
}

TBodyCipher::~TBodyCipher()
{
    m_cipher->WipeKey();
    WipeMemory(m_chain.data(), m_chain.size());
    WipeMemory(m_pending.data(), m_pending.size());
}

std::unique_ptr<TBodyCipher> TBodyCipher::Create(std::size_t cipherIndex,
                                                 std::size_t hashIndex,
                                                 std::span<const std::uint8_t, kSaltSize> salt,
                                                 std::string_view password,
                                                 std::span<const std::uint8_t> iv,
                                                 TDirection direction)
{
    auto cipher = CreateCipher(cipherIndex);
    const std::optional<TSecureBytes> key = DeriveBodyKey(cipherIndex, hashIndex, salt, password);
    if (!cipher || !key || iv.size() != cipher->BlockSize() || !cipher->SetKey(*key))
        return nullptr;
    return std::make_unique<TBodyCipher>(std::move(cipher), iv, direction);
}

void TBodyCipher::Blocks(const std::uint8_t* in, std::uint8_t* out, std::size_t blocks)
{
    if (m_direction == TDirection::Encipher)
        m_cipher->EncryptCbc(m_chain.data(), in, out, blocks);
    else
        m_cipher->DecryptCbc(m_chain.data(), in, out, blocks);
}

std::size_t TBodyCipher::Update(std::span<const std::uint8_t> in, std::uint8_t* out)
{
    assert(!m_finished);
    const std::uint8_t* p = in.data();
    std::size_t n = in.size();
    std::size_t written = 0;
    if (m_pendingSize > 0) {
        const std::size_t take = std::min(n, m_blockSize - m_pendingSize);
        std::copy_n(p, take, m_pending.begin() + std::ptrdiff_t(m_pendingSize));
        m_pendingSize += take;
        p += take;
        n -= take;
        if (m_pendingSize < m_blockSize)
            return 0;
        Blocks(m_pending.data(), out, 1);
        written = m_blockSize;
        m_pendingSize = 0;
    }
    const std::size_t blocks = n / m_blockSize;
    if (blocks > 0)
        Blocks(p, out + written, blocks);
    written += blocks * m_blockSize;
    p += blocks * m_blockSize;
    n -= blocks * m_blockSize;
    std::copy_n(p, n, m_pending.begin());
    m_pendingSize = n;
    return written;
}

void TBodyCipher::Update(std::span<const std::uint8_t> in, std::vector<std::uint8_t>& out)
{
    const std::size_t start = out.size();
    out.resize(start + MaxOutput(in.size()));
    out.resize(start + Update(in, out.data() + start));
}

std::size_t TBodyCipher::Finish(std::uint8_t* out)
{
    assert(!m_finished);
    m_finished = true;
    if (m_pendingSize == 0)
        return 0;
    // Both directions XOR the tail with the encryption of the chain, so the tail needs no
    // padding and the body keeps the plain file's length.
    std::array<std::uint8_t, 16> keystream{};
    m_cipher->EncryptBlock(m_chain.data(), keystream.data());
    for (std::size_t i = 0; i < m_pendingSize; ++i)
        out[i] = m_pending[i] ^ keystream[i];
    WipeMemory(keystream.data(), keystream.size());
    const std::size_t written = m_pendingSize;
    m_pendingSize = 0;
    return written;
}

void TBodyCipher::Finish(std::vector<std::uint8_t>& out)
{
    const std::size_t start = out.size();
    out.resize(start + m_blockSize);
    out.resize(start + Finish(out.data() + start));
}

} // namespace lumexa::filesecurity
