#pragma once

#include <memory>

#include "filesecurity/crypto/Hash.h"

// The catalogue's hashes that Crypto++ provides.
namespace lumexa::filesecurity {

std::unique_ptr<IHash> CreateMd4();       // RFC 1320
std::unique_ptr<IHash> CreateMd5();       // RFC 1321
std::unique_ptr<IHash> CreateRipeMd128(); // Dobbertin, Bosselaers, Preneel
std::unique_ptr<IHash> CreateRipeMd160();
std::unique_ptr<IHash> CreateSha1(); // FIPS 180
std::unique_ptr<IHash> CreateSha256();
std::unique_ptr<IHash> CreateSha384();
std::unique_ptr<IHash> CreateSha512();
std::unique_ptr<IHash> CreateTiger(); // Anderson and Biham, 192-bit digest

} // namespace lumexa::filesecurity
