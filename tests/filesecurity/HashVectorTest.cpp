// Published digests for every hash of the catalogue, and for every HAVAL variant so that the
// pass and output-length machinery is checked beyond the one the catalogue uses.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "Hex.h"
#include "filesecurity/crypto/Bytes.h"
#include "filesecurity/crypto/Catalogue.h"
#include "filesecurity/crypto/Haval.h"

namespace lumexa::filesecurity {
namespace {

using test::NormalHex;
using test::ToHex;

const std::string kAlphabet = "abcdefghijklmnopqrstuvwxyz";
const std::string kAlphanumeric = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
const std::string kDigits80 = "12345678901234567890123456789012345678901234567890123456789012345678901234567890";
const std::string kFips448 = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
const std::string kFips896 = "abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmno"
                             "ijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopqrstu";

std::string Digest(IHash& hash, std::string_view text)
{
    hash.Update(AsBytes(text));
    std::vector<std::uint8_t> digest(hash.DigestSize());
    hash.Final(digest.data());
    return ToHex(digest);
}

struct TVector
{
    std::size_t hash;
    std::string message;
    std::string_view digest;
};

const std::vector<TVector>& Vectors()
{
    static const std::vector<TVector> vectors = {
        // HAVAL-256/5: the reference implementation's certification data (Zheng, Pieprzyk,
        // Seberry, haval-1.1).
        {0, "", "BE417BB4DD5CFB76C7126F4F8EEB1553A449039307B1A3CD451DBFDC0FBBE330"},
        {0, "a", "DE8FD5EE72A5E4265AF0A756F4E1A1F65C9B2B2F47CF17ECF0D1B88679A3E22F"},
        {0, "HAVAL", "153D2C81CD3C24249AB7CD476934287AF845AF37F53F51F5C7E2BE99BA28443F"},
        {0, "0123456789", "357E2032774ABBF5F04D5F1DEC665112EA03B23E6E00425D0DF75EA155813126"},
        {0, kAlphabet, "C9C7D8AFA159FD9E965CB83FF5EE6F58AEDA352C0EFF005548153A61551C38EE"},
        {0, kAlphanumeric, "B45CB6E62F2B1320E4F8F1B0B273D45ADD47C321FD23999DCF403AC37636D963"},
        // MD4: RFC 1320 appendix A.5.
        {1, "", "31d6cfe0d16ae931b73c59d7e0c089c0"},
        {1, "a", "bde52cb31de33e46245e05fbdbd6fb24"},
        {1, "abc", "a448017aaf21d8525fc10ae87aa6729d"},
        {1, "message digest", "d9130a8164549fe818874806e1c7014b"},
        {1, kAlphabet, "d79e1c308aa5bbcdeea8ed63df412da9"},
        {1, kAlphanumeric, "043f8582f241db351ce627e153e7f0e4"},
        {1, kDigits80, "e33b4ddc9c38f2199c3e7b164fcc0536"},
        // MD5: RFC 1321 appendix A.5.
        {2, "", "d41d8cd98f00b204e9800998ecf8427e"},
        {2, "a", "0cc175b9c0f1b6a831c399e269772661"},
        {2, "abc", "900150983cd24fb0d6963f7d28e17f72"},
        {2, "message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {2, kAlphabet, "c3fcd3d76192e4007dfb496cca67e13b"},
        {2, kAlphanumeric, "d174ab98d277d9f5a5611c2c9f419d9f"},
        {2, kDigits80, "57edf4a22be3c955ac49da2e2107b67a"},
        // RIPEMD-128 and RIPEMD-160: the authors' page (Bosselaers, "The hash function
        // RIPEMD-160", test vectors).
        {3, "", "cdf26213a150dc3ecb610f18f6b38b46"},
        {3, "a", "86be7afa339d0fc7cfc785e72f578d33"},
        {3, "abc", "c14a12199c66e4ba84636b0f69144c77"},
        {3, "message digest", "9e327b3d6e523062afc1132d7df9d1b8"},
        {3, kAlphabet, "fd2aa607f71dc8f510714922b371834e"},
        {4, "", "9c1185a5c5e9fc54612808977ee8f548b2258d31"},
        {4, "a", "0bdc9d2d256b3ee9daae347be6f4dc835a467ffe"},
        {4, "abc", "8eb208f7e05d987a9b044a8e98c6b087f15a0bfc"},
        {4, "message digest", "5d0689ef49d2fae572b881b123a85ffa21595f36"},
        {4, kAlphabet, "f71c27109c692c1b56bbdceb5b9d2865b3708dbc"},
        // SHA-1, SHA-256, SHA-384, SHA-512: the examples of FIPS 180-2 (appendices A to D).
        {5, "abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {5, kFips448, "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
        {5, std::string(1000000, 'a'), "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
        {6, "abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {6, kFips448, "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {7, "abc", "cb00753f45a35e8bb5a03d699ac65007272c32ab0eded1631a8b605a43ff5bed8086072ba1e7cc2358baeca134c825a7"},
        {7,
         kFips896,
         "09330c33f71147e83d192fc782cd1b4753111b173b3b05d22fa08086e3b0f712fcc7c71a557e2db966c3e9fa91746039"},
        {8,
         "abc",
         "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a"
         "2192992a274fc1a836ba3c23a3feebbd454d4423643ce80e2a9ac94fa54ca49f"},
        {8,
         kFips896,
         "8e959b75dae313da8cf4f72814fc143f8f7779c6eb9f7fa17299aeadb6889018"
         "501d289e4900f7e4331b99dec4b5433ac7d329eeb6dd26545e96e55b874be909"},
        // Tiger: the authors' page (Anderson and Biham), digests as byte strings.
        {9, "", "3293AC630C13F0245F92BBB1766E16167A4E58492DDE73F3"},
        {9, "abc", "2AAB1484E8C158F2BFB8C5FF41B57A525129131C957B5F93"},
        {9, "Tiger", "DD00230799F5009FEC6DEBC838BB6A27DF2B9D6F110C7937"},
    };
    return vectors;
}

TEST(HashVectorTest, EveryHashGivesItsPublishedDigests)
{
    for (const TVector& v : Vectors()) {
        auto hash = CreateHash(v.hash);
        ASSERT_NE(hash, nullptr);
        EXPECT_EQ(Digest(*hash, v.message), NormalHex(v.digest))
            << HashCatalogue()[v.hash].name << " of \"" << v.message.substr(0, 64) << "\"";
    }
}

TEST(HashVectorTest, EveryHashOfTheCatalogueHasAPublishedVector)
{
    std::vector<bool> covered(kHashCount, false);
    for (const TVector& v : Vectors())
        covered[v.hash] = true;
    for (std::size_t i = 0; i < kHashCount; ++i)
        EXPECT_TRUE(covered[i]) << HashCatalogue()[i].name;
}

TEST(HashVectorTest, FeedingInPiecesGivesTheSameDigestAsAtOnce)
{
    // Lengths around HAVAL's 128-byte block and its 118-byte padding boundary, and around the
    // 64 and 128-byte blocks of the others.
    std::string message;
    for (int i = 0; i < 700; ++i)
        message += char('A' + i % 53);
    for (std::size_t h = 0; h < kHashCount; ++h) {
        auto whole = CreateHash(h);
        auto pieces = CreateHash(h);
        for (const std::size_t length :
             {0u, 1u, 55u, 56u, 63u, 64u, 111u, 112u, 117u, 118u, 119u, 127u, 128u, 129u, 255u, 256u, 700u}) {
            const std::string_view text(message.data(), length);
            const std::string expected = Digest(*whole, text);
            for (std::size_t at = 0; at < length; at += 13)
                pieces->Update(AsBytes(text.substr(at, 13)));
            std::vector<std::uint8_t> digest(pieces->DigestSize());
            pieces->Final(digest.data());
            EXPECT_EQ(ToHex(digest), expected) << HashCatalogue()[h].name << ", length " << length;
        }
    }
}

TEST(HashVectorTest, FinalStartsANewMessage)
{
    for (std::size_t h = 0; h < kHashCount; ++h) {
        auto hash = CreateHash(h);
        const std::string first = Digest(*hash, "abc");
        Digest(*hash, "something else entirely");
        EXPECT_EQ(Digest(*hash, "abc"), first) << HashCatalogue()[h].name;
    }
}

// All fifteen HAVAL variants against the reference certification data (haval-1.1), as
// reproduced in sphlib's test suite.
TEST(HashVectorTest, EveryHavalVariantGivesItsReferenceDigests)
{
    struct TCase
    {
        int passes;
        int bits;
        const char* message;
        const char* digest;
    };
    const TCase cases[] = {
        {3, 128, "", "C68F39913F901F3DDF44C707357A7D70"},
        {3, 128, "a", "0CD40739683E15F01CA5DBCEEF4059F1"},
        {3, 128, "HAVAL", "DC1F3C893D17CC4EDD9AE94AF76A0AF0"},
        {3, 160, "", "D353C3AE22A25401D257643836D7231A9A95F953"},
        {3, 160, "0123456789", "BE68981EB3EBD3F6748B081EE5D4E1818F9BA86C"},
        {3, 192, "", "E9C48D7903EAF2A91C5B350151EFCB175C0FC82DE2289A4E"},
        {3, 192, "a", "B359C8835647F5697472431C142731FF6E2CDDCACC4F6E08"},
        {3, 224, "", "C5AAE9D47BFFCAAF84A8C6E7CCACD60A0DD1932BE7B1A192B9214B6D"},
        {3, 224, "HAVAL", "AD33E0596C575D7175E9F72361CA767C89E46E2609D88E719EE69AAA"},
        {3, 256, "", "4F6938531F0BC8991F62DA7BBD6F7DE3FAD44562B8C6F4EBF146D5B4E46F7C17"},
        {3, 256, "abcdefghijklmnopqrstuvwxyz", "72FAD4BDE1DA8C8332FB60561A780E7F504F21547B98686824FC33FC796AFA76"},
        {4, 128, "", "EE6BBF4D6A46A679B3A856C88538BB98"},
        {4, 128, "0123456789", "2215D3702A80025C858062C53D76CBE5"},
        {4, 160, "", "1D33AAE1BE4146DBAACA0B6E70D7A11F10801525"},
        {4, 160, "a", "E0A5BE29627332034D4DD8A910A1A0E6FE04084D"},
        {4, 192, "", "4A8372945AFA55C7DEAD800311272523CA19D42EA47B72DA"},
        {4, 192, "HAVAL", "0C1396D7772689C46773F3DAACA4EFA982ADBFB2F1467EEA"},
        {4, 224, "", "3E56243275B3B81561750550E36FCD676AD2F5DD9E15F2E89E6ED78E"},
        {4, 224, "a", "742F1DBEEAF17F74960558B44F08AA98BDC7D967E6C0AB8F799B3AC1"},
        {4, 256, "", "C92B2E23091E80E375DADCE26982482D197B1A2521BE82DA819F8CA2C579B99B"},
        {4, 256, "0123456789", "ACE5D6E5B155F7C9159F6280327B07CBD4FF54143DC333F0582E9BCEB895C05D"},
        {5, 128, "", "184B8482A0C050DCA54B59C7F05BF5DD"},
        {5, 128, "abcdefghijklmnopqrstuvwxyz", "0EFFF71D7D14344CBA1F4B25F924A693"},
        {5, 160, "", "255158CFC1EED1A7BE7C55DDD64D9790415B933B"},
        {5, 160, "HAVAL", "7730CA184CEA2272E88571A7D533E035F33B1096"},
        {5, 192, "", "4839D0626F95935E17EE2FC4509387BBE2CC46CB382FFE85"},
        {5, 192, "0123456789", "A0B635746E6CFFFFD4B4A503620FEF1040C6C0C5C326476E"},
        {5, 224, "", "4A0513C032754F5582A758D35917AC9ADF3854219B39E3AC77D1837E"},
        {5, 224, "a", "67B3CB8D4068E3641FA4F156E03B52978B421947328BFB9168C7655D"},
        {5,
         256,
         "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "B45CB6E62F2B1320E4F8F1B0B273D45ADD47C321FD23999DCF403AC37636D963"},
    };
    for (const TCase& c : cases) {
        auto haval = THaval::Create(c.passes, c.bits);
        ASSERT_NE(haval, nullptr);
        EXPECT_EQ(haval->DigestSize() * 8, std::size_t(c.bits));
        EXPECT_EQ(Digest(*haval, c.message), NormalHex(c.digest))
            << "HAVAL-" << c.bits << "/" << c.passes << " of \"" << c.message << "\"";
    }
}

TEST(HashVectorTest, HavalRefusesVariantsItDoesNotDefine)
{
    const std::pair<int, int> refused[] = {{2, 256}, {6, 256}, {5, 96}, {5, 288}, {5, 200}, {0, 0}};
    for (const auto& [passes, bits] : refused)
        EXPECT_EQ(THaval::Create(passes, bits), nullptr) << passes << " passes, " << bits << " bits";
}

} // namespace
} // namespace lumexa::filesecurity
