#include "filesecurity/crypto/CryptoppCipher.h"

#include <algorithm>
#include <cassert>
#include <optional>
#include <type_traits>

#include <cryptopp/algparam.h>
#include <cryptopp/argnames.h>
#include <cryptopp/blowfish.h>
#include <cryptopp/cast.h>
#include <cryptopp/cpu.h>
#include <cryptopp/des.h>
#include <cryptopp/misc.h>
#include <cryptopp/rc2.h>
#include <cryptopp/rijndael.h>
#include <cryptopp/secblock.h>
#include <cryptopp/serpent.h>
#include <cryptopp/tea.h>
#include <cryptopp/twofish.h>
#include <immintrin.h>

#include "filesecurity/crypto/Bytes.h"

namespace lumexa::filesecurity {

namespace {

using CryptoPP::SecByteBlock;
using TKey = std::span<const std::uint8_t>;

// A keying rule turns the raw key into the key Crypto++ takes, or refuses its length.
using TKeyRule = bool (*)(TKey key, SecByteBlock& prepared);

bool Copy(TKey key, SecByteBlock& prepared)
{
    prepared.Assign(key.data(), key.size());
    return true;
}

template <std::size_t Min, std::size_t Max> bool Exact(TKey key, SecByteBlock& prepared)
{
    return key.size() >= Min && key.size() <= Max && Copy(key, prepared);
}

// Rijndael and Twofish: the next of 128, 192 and 256 bits, filled with zero bytes.
bool ZeroFill(TKey key, SecByteBlock& prepared)
{
    if (key.empty() || key.size() > 32)
        return false;
    const std::size_t length = key.size() <= 16 ? 16 : (key.size() <= 24 ? 24 : 32);
    prepared.CleanNew(length);
    std::copy(key.begin(), key.end(), prepared.begin());
    return true;
}

// Serpent's own rule for short keys: one 1 bit right after the key's last bit, then zeros up
// to 256 bits. Serpent numbers bits little-endian within little-endian words, so that bit is
// the lowest bit of the byte after the key. Crypto++ applies the same rule to 128 and 192-bit
// keys but refuses lengths that are not a multiple of 64 bits (160 bits occurs here), so the
// padding is done here for every short key.
bool SerpentPad(TKey key, SecByteBlock& prepared)
{
    if (key.empty() || key.size() > 32)
        return false;
    prepared.CleanNew(32);
    std::copy(key.begin(), key.end(), prepared.begin());
    if (key.size() < 32)
        prepared[key.size()] = 0x01;
    return true;
}

bool TripleDesKey(TKey key, SecByteBlock& prepared)
{
    if (key.size() < 16 || key.size() > 24)
        return false;
    prepared.CleanNew(24);
    std::copy(key.begin(), key.end(), prepared.begin());
    if (key.size() == 16)
        std::copy(key.begin(), key.begin() + 8, prepared.begin() + 16); // K3 = K1
    return true;
}

// Rijndael's encryption with its key schedule in reach. Where the processor has AES-NI (and
// SSE4.1), Crypto++ keeps the schedule as the rounds + 1 16-byte round keys the AESENC
// instruction takes, in order; SetKey checks that on one block before the fast path is used.
class TRijndaelEncryption : public CryptoPP::Rijndael::Encryption
{
public:
    const CryptoPP::word32* RoundKeys() const { return m_key.data(); }
    unsigned Rounds() const { return m_rounds; }
};

template <class TAlgorithm> struct TEncryptionOf
{
    using Type = typename TAlgorithm::Encryption;
};
template <> struct TEncryptionOf<CryptoPP::Rijndael>
{
    using Type = TRijndaelEncryption;
};

// Cipher block chaining with the AES instructions: each block needs the one before, so the
// chain stays in a register and the round keys in registers across the whole run; Crypto++'s
// one-block calls cost about a third more per block.
__attribute__((target("aes,sse4.1"))) void AesNiCbcEncrypt(const CryptoPP::word32* roundKeys,
                                                           unsigned rounds,
                                                           std::uint8_t* chain,
                                                           const std::uint8_t* in,
                                                           std::uint8_t* out,
                                                           std::size_t blocks)
{
    const auto* schedule = reinterpret_cast<const __m128i*>(roundKeys);
    __m128i k[15];
    for (unsigned r = 0; r <= rounds; ++r)
        k[r] = _mm_loadu_si128(schedule + r);
    __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(chain));
    for (std::size_t b = 0; b < blocks; ++b, in += 16, out += 16) {
        __m128i x = _mm_xor_si128(_mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in)), c), k[0]);
        for (unsigned r = 1; r < rounds; ++r)
            x = _mm_aesenc_si128(x, k[r]);
        c = _mm_aesenclast_si128(x, k[rounds]);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), c);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(chain), c);
    WipeMemory(k, sizeof k);
}

// One Crypto++ block cipher behind IBlockCipher. Both directions are keyed together because
// the body mode needs the encryption of the chain when deciphering too.
template <class TAlgorithm> class TCryptoppCipher final : public IBlockCipher
{
public:
    explicit TCryptoppCipher(TKeyRule rule)
        : m_rule(rule)
    {}

    std::size_t BlockSize() const override { return TAlgorithm::BLOCKSIZE; }
    bool IsKeyed() const override { return m_encryption.has_value(); }

    bool SetKey(TKey key) override
    {
        WipeKey();
        SecByteBlock prepared;
        if (!m_rule(key, prepared))
            return false;
        try {
            m_encryption.emplace();
            m_decryption.emplace();
            if constexpr (std::is_same_v<TAlgorithm, CryptoPP::RC2>) {
                // 1024 bits: the expanded key is reduced only by the table lookup of its
                // first byte.
                const auto parameters = CryptoPP::MakeParameters(CryptoPP::Name::EffectiveKeyLength(), 1024);
                m_encryption->SetKey(prepared.data(), prepared.size(), parameters);
                m_decryption->SetKey(prepared.data(), prepared.size(), parameters);
            } else {
                m_encryption->SetKey(prepared.data(), prepared.size());
                m_decryption->SetKey(prepared.data(), prepared.size());
            }
        } catch (const CryptoPP::Exception&) {
            WipeKey();
            return false;
        }
        if constexpr (std::is_same_v<TAlgorithm, CryptoPP::Rijndael>)
            m_aesNi = AesNiMatches();
        return true;
    }

    void EncryptBlock(const std::uint8_t* in, std::uint8_t* out) const override
    {
        assert(IsKeyed());
        m_encryption->ProcessAndXorBlock(in, nullptr, out);
    }

    void DecryptBlock(const std::uint8_t* in, std::uint8_t* out) const override
    {
        assert(IsKeyed());
        m_decryption->ProcessAndXorBlock(in, nullptr, out);
    }

    void EncryptCbc(std::uint8_t* chain, const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) override
    {
        assert(IsKeyed());
        if constexpr (std::is_same_v<TAlgorithm, CryptoPP::Rijndael>) {
            if (m_aesNi) {
                AesNiCbcEncrypt(m_encryption->RoundKeys(), m_encryption->Rounds(), chain, in, out, blocks);
                return;
            }
        }
        constexpr std::size_t b = TAlgorithm::BLOCKSIZE;
        for (std::size_t i = 0; i < blocks; ++i, in += b, out += b) {
            CryptoPP::xorbuf(chain, in, b);
            m_encryption->ProcessBlock(chain);
            std::copy(chain, chain + b, out);
        }
    }

    // Deciphering has no dependency between blocks, so the whole run goes to Crypto++ at
    // once (which pipelines it where the processor allows): out[i] = D(in[i]) ^ in[i - 1].
    void DecryptCbc(std::uint8_t* chain, const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) override
    {
        assert(IsKeyed());
        if (blocks == 0)
            return;
        constexpr std::size_t b = TAlgorithm::BLOCKSIZE;
        // The previous cipher blocks lie just before each block: chain, then the input.
        m_scratch.resize((blocks + 1) * b);
        std::copy(chain, chain + b, m_scratch.begin());
        std::copy(in, in + blocks * b, m_scratch.begin() + b);
        std::copy(in + (blocks - 1) * b, in + blocks * b, chain);
        m_decryption->AdvancedProcessBlocks(
            m_scratch.data() + b, m_scratch.data(), out, blocks * b, CryptoPP::BlockTransformation::BT_AllowParallel);
    }

    void WipeKey() override
    {
        // Crypto++ keeps its key schedules in SecBlocks, which are zeroed when destroyed.
        m_aesNi = false;
        m_encryption.reset();
        m_decryption.reset();
        std::fill(m_scratch.begin(), m_scratch.end(), 0);
    }

private:
    // Whether the AES-NI chaining gives Crypto++'s result for this key (Rijndael only).
    bool AesNiMatches() const
    {
        if constexpr (std::is_same_v<TAlgorithm, CryptoPP::Rijndael>) {
            if (!CryptoPP::HasAESNI() || !CryptoPP::HasSSE41() || m_encryption->Rounds() > 14)
                return false;
            std::uint8_t chain[16] = {
                0x6b, 0xc1, 0xbe, 0xe2, 0x2e, 0x40, 0x9f, 0x96, 0xe9, 0x3d, 0x7e, 0x11, 0x73, 0x93, 0x17, 0x2a};
            std::uint8_t expected[16];
            m_encryption->ProcessAndXorBlock(chain, nullptr, expected);
            const std::uint8_t zero[16] = {};
            std::uint8_t out[16];
            AesNiCbcEncrypt(m_encryption->RoundKeys(), m_encryption->Rounds(), chain, zero, out, 1);
            return std::equal(out, out + 16, expected);
        }
        return false;
    }

    TKeyRule m_rule;
    bool m_aesNi = false;
    std::optional<typename TEncryptionOf<TAlgorithm>::Type> m_encryption;
    std::optional<typename TAlgorithm::Decryption> m_decryption;
    CryptoPP::SecByteBlock m_scratch;
};

template <class TAlgorithm> std::unique_ptr<IBlockCipher> Make(TKeyRule rule)
{
    return std::make_unique<TCryptoppCipher<TAlgorithm>>(rule);
}

} // namespace

std::unique_ptr<IBlockCipher> CreateBlowfish()
{
    return Make<CryptoPP::Blowfish>(Exact<4, 56>);
}

std::unique_ptr<IBlockCipher> CreateCast128()
{
    return Make<CryptoPP::CAST128>(Exact<5, 16>);
}

std::unique_ptr<IBlockCipher> CreateDes()
{
    return Make<CryptoPP::DES>(Exact<8, 8>);
}

std::unique_ptr<IBlockCipher> CreateTripleDes()
{
    return Make<CryptoPP::DES_EDE3>(TripleDesKey);
}

std::unique_ptr<IBlockCipher> CreateRc2()
{
    return Make<CryptoPP::RC2>(Exact<1, 128>);
}

std::unique_ptr<IBlockCipher> CreateRijndael()
{
    return Make<CryptoPP::Rijndael>(ZeroFill);
}

std::unique_ptr<IBlockCipher> CreateSerpent()
{
    return Make<CryptoPP::Serpent>(SerpentPad);
}

std::unique_ptr<IBlockCipher> CreateTea()
{
    return Make<CryptoPP::TEA>(Exact<16, 16>);
}

std::unique_ptr<IBlockCipher> CreateTwofish()
{
    return Make<CryptoPP::Twofish>(ZeroFill);
}

} // namespace lumexa::filesecurity
