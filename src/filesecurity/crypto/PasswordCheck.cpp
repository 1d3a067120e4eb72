#include "filesecurity/crypto/PasswordCheck.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "filesecurity/crypto/Base64.h"
#include "filesecurity/crypto/Bytes.h"
#include "filesecurity/crypto/Catalogue.h"

namespace lumexa::filesecurity {

namespace {

// Key material of every check value ever written: changing one entry makes the files locked
// under it unreadable. Drawn once at random from [A-Za-z0-9].
constexpr std::array<std::string_view, kPasswordTableSize> kPasswordTable{
    "4jnCH6Vv8wrGCxdMkQyL", // 1
    "9AU6kF1jEAmxiyIkybsT", // 2
    "9sT9Cp1u0SQEDdUbNZoW", // 3
    "DryNNTgJMwGKIV45jsvp", // 4
    "YRqw3tCM3T2ye4KdsyFD", // 5
    "SKPpLR96yjSiUHSuyH3Y", // 6
    "CMGQRr4kN1N7CinoFDa9", // 7
    "EFiJaSvzq4CIvzHtm2BK", // 8
    "PjeSSeVmPxsLmahgmew4", // 9
    "iLC5KkMQ7qABpLukL9IE", // 10
    "fjwIatw2JihWu7N6KJpX", // 11
    "ocg7R6qvjPApLVCCKffe", // 12
    "3aUIUaT470v7Qlctiaih", // 13
    "DK4PnGATe1NvaYugptQL", // 14
    "omEizayGtdPIyi2TE150", // 15
    "xQLs222ggDeq5vatFuSU", // 16
    "ZBnZBVAj330wasOjRwmW", // 17
    "XheaaUsKV4e2IATdlBdi", // 18
    "NzD2QCeaHjKqQacMJQ5h", // 19
    "aMdmilKxcCr9va2cfRQ1", // 20
    "wtsK3RrU0aXU40Ps9VP3", // 21
    "SazaSg6Yx5ik3vUisKJc", // 22
    "Si4orifm5QuqFgdQIAT2", // 23
    "WZIZFObiwJ4I3pK66kM7", // 24
    "VIb4Eg1fmcXG3UEMuqES", // 25
    "ShnmpoNltlUyMYH4P4ny", // 26
    "nOYO8I12eyZ9jJj4zC07", // 27
    "JzW5LiMTzuRXf19yoawC", // 28
    "OLeweiDi9xZqR16i1qCo", // 29
    "gdR9MWoc3dnSTb32WmNL", // 30
    "HXSqjyxnanZRnNZ7P8tp", // 31
    "raYEWAVCbRJ9c17Kb59j", // 32
    "tAm3tgQ6Yog8cFxKJ59d", // 33
    "Av7Lk1G5iMIB5tUZro2t", // 34
    "I3863uAW3UssoKGC1nv3", // 35
    "8vh65U16zD5DxR8jV1Ky", // 36
    "sxGXkk9fQRDhITnFKNK2", // 37
    "fiEZmHdoD8SAMomPUZ8g", // 38
    "IahMOxRiHFo8QBJLfmN7", // 39
    "LLFXIyPeDr9FxhyaKjUh", // 40
    "uP2pgmWDVo8jxtcgv1UV", // 41
    "rj25E0kyJcPrvYI8blGB", // 42
    "d3MiKsDe3FCwjjFUyviu", // 43
    "lHWowa8JMhFC5KE5BIdz", // 44
    "mRizSUfy9tlFzvjytXwO", // 45
    "hHgj71A97SNlEWtBDFUf", // 46
    "fSYzfPNnbQa92ppbTTAS", // 47
    "KlNjVCCc96Rzt7GCa9ZI", // 48
    "QznTiTaLwpMexSm052Vv", // 49
    "iuJd9jZYb4RWQJOLDsZd", // 50
    "lXmwY9r7golBZ9E8L6SC", // 51
    "4LLMd1ywkWrVuGXyMimA", // 52
    "j2V5FHB0XsguaOSgGwEI", // 53
    "QffCkXsqBYfmYmtPFJ2f", // 54
    "4ascuJov2wceUqfwSJ1q", // 55
    "2TON6lN9aXeJkWDM6bjs", // 56
    "72j9BDcsxCek2xQerbbr", // 57
    "Hn6zEfw3iGqfwHcasHMF", // 58
    "Ai38pOAdgCuTj31h1VHx", // 59
    "QOsDqbQzybLoqAPaShPg", // 60
    "EvXL0JZvMQgtR23q1sI4", // 61
    "lWAr6nDPojCJ045cdNoo", // 62
    "3kexPcLe8kiyhcR8BB1j", // 63
    "m57xA1YRoL5MFxcvngIs", // 64
    "5jGvqRJDhdl8x0VWMbVA", // 65
    "rxVG7rSWp4JxYtuvpTHu", // 66
    "dxDkFXMfJVkfGyNYthnM", // 67
    "jwS5lkj6I7klH4Y7E6Jy", // 68
    "pWDBG9PknGnK64VYGJgg", // 69
    "XIG85ocqz4cPVYSZxdAd", // 70
    "s79Qe94qDsTcSNpFMuFk", // 71
    "TTOc8gd2soWwspePKh1o", // 72
    "4B4Ds27n86q8hZV0pTDd", // 73
    "3gduJLYIsxLFL5NPUGT9", // 74
    "hlDEKWLQRTQweULuS5bG", // 75
    "bNoUbrmp9dzzda2W5eSI", // 76
    "ZgG4tFVnS040p7pJZ4Gb", // 77
    "g4W7V7pAnW3SM7dz2BSB", // 78
    "cxN1DNecjEJaQHsv3HyU", // 79
    "237yazwHo6liw3uofr1V", // 80
    "mIeZM5e2VD2rhomzxIOj", // 81
    "vikhQDxz4AKX2QVFrdSr", // 82
    "vrUUS4lgdVOBsnDD4LtH", // 83
    "wtC4CsXk8ZkwR8OlvAKF", // 84
    "rGASMYMnp1tmcdW1tdJ7", // 85
    "0LCYvR4cV5i8HFDo7ISK", // 86
    "7rmdflcV2gD6WBdwaJcl", // 87
    "8JjHYZi5jp6oI4Wuug3J", // 88
    "JY1Z1op4R6j8qE0RbDk9", // 89
    "MFRUp8ir1aN0BF6sveE5", // 90
    "Nd6OP3M1XXlxFbJidDQO", // 91
    "MMRGO5ZBo5YnWKb2MeU5", // 92
    "aU2GF9GiBbwbtE8cWXUj", // 93
    "9nG64Nus6IpNxSuN2yGe", // 94
    "SwK91JAaqmmpWNnk2CxJ", // 95
    "aJvOTPdgE3f7ISe9Xg6U", // 96
    "EAO2X9tvc7NTxMOiMKYG", // 97
    "68uEmYgUHEJzTCXuPmVr", // 98
    "kgFVHDaEvuNvnQz3q65q", // 99
    "nIhwwzgOACAQuiQCwkVS", // 100
};

constexpr std::size_t kRijndaelIndex = 8;
constexpr std::size_t kSha1Index = 5;

} // namespace

std::string_view PasswordTableEntry(int entry)
{
    if (entry < 1 || entry > kPasswordTableSize)
        return {};
    return kPasswordTable[std::size_t(entry - 1)];
}

std::optional<std::string> MakePasswordCheck(std::string_view password, int entry)
{
    const std::string_view text = PasswordTableEntry(entry);
    if (text.empty())
        return std::nullopt;

    auto sha1 = CreateHash(kSha1Index);
    TSecureBytes key(sha1->DigestSize());
    sha1->Update(AsBytes(text));
    sha1->Final(key.data());
    // A 160-bit key: the Rijndael keying rule zero-fills it to an AES-192 key.
    auto aes = CreateCipher(kRijndaelIndex);
    if (!aes->SetKey(key))
        return std::nullopt;

    std::uint8_t shiftRegister[16] = {};
    aes->EncryptBlock(shiftRegister, shiftRegister);
    TSecureBytes cipherBytes(password.size());
    std::uint8_t keystream[16];
    for (std::size_t i = 0; i < password.size(); ++i) {
        aes->EncryptBlock(shiftRegister, keystream);
        cipherBytes[i] = std::uint8_t(keystream[0] ^ std::uint8_t(password[i]));
        std::memmove(shiftRegister, shiftRegister + 1, sizeof shiftRegister - 1);
        shiftRegister[sizeof shiftRegister - 1] = cipherBytes[i];
    }
    aes->WipeKey();
    WipeMemory(shiftRegister, sizeof shiftRegister);
    WipeMemory(keystream, sizeof keystream);
    return EncodeBase64(cipherBytes);
}

std::optional<std::string> StoredPasswordCheck(std::string_view password, int entry)
{
    std::optional<std::string> check = MakePasswordCheck(password, entry);
    if (check && check->size() > kStoredCheckLength)
        check->resize(kStoredCheckLength);
    return check;
}

} // namespace lumexa::filesecurity
