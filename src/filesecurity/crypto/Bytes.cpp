#include "filesecurity/crypto/Bytes.h"

#include <cryptopp/misc.h>

namespace lumexa::filesecurity {

void WipeMemory(void* data, std::size_t size) noexcept
{
    // Crypto++'s wipe writes through volatile pointers, so the stores are never elided.
    CryptoPP::SecureWipeBuffer(static_cast<CryptoPP::byte*>(data), size);
}

} // namespace lumexa::filesecurity
