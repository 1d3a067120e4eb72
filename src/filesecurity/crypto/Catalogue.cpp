#include "filesecurity/crypto/Catalogue.h"

#include <algorithm>
#include <array>

#include "filesecurity/crypto/CryptoppCipher.h"
#include "filesecurity/crypto/CryptoppHash.h"
#include "filesecurity/crypto/Haval.h"
#include "filesecurity/crypto/Ice.h"

namespace lumexa::filesecurity {

namespace {

constexpr std::array<TCipherInfo, kCipherCount> kCiphers{{
    {"Blowfish", 8, 448},
    {"Cast128", 8, 128},
    {"DES", 8, 64},
    {"3DES", 8, 192},
    {"Ice", 8, 64},
    {"Thin Ice", 8, 64},
    {"Ice2", 8, 128},
    {"RC2", 8, 1024},
    {"Rijndael", 16, 256},
    {"Serpent", 16, 256},
    {"Tea", 8, 128},
    {"Twofish", 16, 256},
}};

constexpr std::array<THashInfo, kHashCount> kHashes{{
    {"Haval (256bit, 5 passes)", 256},
    {"MD4", 128},
    {"MD5", 128},
    {"RipeMD-128", 128},
    {"RipeMD-160", 160},
    {"SHA1", 160},
    {"SHA256", 256},
    {"SHA384", 384},
    {"SHA512", 512},
    {"Tiger", 192},
}};

} // namespace

std::span<const TCipherInfo, kCipherCount> CipherCatalogue()
{
    return kCiphers;
}

std::span<const THashInfo, kHashCount> HashCatalogue()
{
    return kHashes;
}

std::unique_ptr<IBlockCipher> CreateCipher(std::size_t index)
{
    switch (index) {
    case 0:
        return CreateBlowfish();
    case 1:
        return CreateCast128();
    case 2:
        return CreateDes();
    case 3:
        return CreateTripleDes();
    case 4:
        return std::make_unique<TIce>(1);
    case 5:
        return std::make_unique<TIce>(0);
    case 6:
        return std::make_unique<TIce>(2);
    case 7:
        return CreateRc2();
    case 8:
        return CreateRijndael();
    case 9:
        return CreateSerpent();
    case 10:
        return CreateTea();
    case 11:
        return CreateTwofish();
    default:
        return nullptr;
    }
}

std::unique_ptr<IHash> CreateHash(std::size_t index)
{
    switch (index) {
    case 0:
        return THaval::Create(5, 256);
    case 1:
        return CreateMd4();
    case 2:
        return CreateMd5();
    case 3:
        return CreateRipeMd128();
    case 4:
        return CreateRipeMd160();
    case 5:
        return CreateSha1();
    case 6:
        return CreateSha256();
    case 7:
        return CreateSha384();
    case 8:
        return CreateSha512();
    case 9:
        return CreateTiger();
    default:
        return nullptr;
    }
}

unsigned EffectiveKeyBits(std::size_t cipherIndex, std::size_t hashIndex)
{
    if (cipherIndex >= kCipherCount || hashIndex >= kHashCount)
        return 0;
    return std::min(kCiphers[cipherIndex].largestKeyBits, kHashes[hashIndex].digestBits);
}

} // namespace lumexa::filesecurity
