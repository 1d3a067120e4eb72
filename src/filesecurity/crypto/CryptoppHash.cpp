#include "filesecurity/crypto/CryptoppHash.h"

// MD4 and MD5 live in Crypto++'s "Weak" namespace, which must be asked for.
#define CRYPTOPP_ENABLE_NAMESPACE_WEAK 1

#include <cryptopp/md4.h>
#include <cryptopp/md5.h>
#include <cryptopp/ripemd.h>
#include <cryptopp/sha.h>
#include <cryptopp/tiger.h>

namespace lumexa::filesecurity {

namespace {

// Crypto++ hashes throw nothing on Update and Final.
template <class TAlgorithm> class TCryptoppHash final : public IHash
{
public:
    std::size_t DigestSize() const override { return TAlgorithm::DIGESTSIZE; }
    void Update(std::span<const std::uint8_t> data) override { m_hash.Update(data.data(), data.size()); }
    void Final(std::uint8_t* digest) override { m_hash.Final(digest); }

private:
    TAlgorithm m_hash;
};

template <class TAlgorithm> std::unique_ptr<IHash> Make()
{
    return std::make_unique<TCryptoppHash<TAlgorithm>>();
}

} // namespace

std::unique_ptr<IHash> CreateMd4()
{
    return Make<CryptoPP::Weak::MD4>();
}

std::unique_ptr<IHash> CreateMd5()
{
    return Make<CryptoPP::Weak::MD5>();
}

std::unique_ptr<IHash> CreateRipeMd128()
{
    return Make<CryptoPP::RIPEMD128>();
}

std::unique_ptr<IHash> CreateRipeMd160()
{
    return Make<CryptoPP::RIPEMD160>();
}

std::unique_ptr<IHash> CreateSha1()
{
    return Make<CryptoPP::SHA1>();
}

std::unique_ptr<IHash> CreateSha256()
{
    return Make<CryptoPP::SHA256>();
}

std::unique_ptr<IHash> CreateSha384()
{
    return Make<CryptoPP::SHA384>();
}

std::unique_ptr<IHash> CreateSha512()
{
    return Make<CryptoPP::SHA512>();
}

std::unique_ptr<IHash> CreateTiger()
{
    return Make<CryptoPP::Tiger>();
}

} // namespace lumexa::filesecurity
