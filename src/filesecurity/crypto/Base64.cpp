#include "filesecurity/crypto/Base64.h"

#include <cryptopp/base64.h>
#include <cryptopp/filters.h>

namespace lumexa::filesecurity {

std::string EncodeBase64(std::span<const std::uint8_t> data)
{
    std::string text;
    try {
        CryptoPP::Base64Encoder encoder(new CryptoPP::StringSink(text), false /* no line breaks */);
        encoder.Put(data.data(), data.size());
        encoder.MessageEnd();
    } catch (const CryptoPP::Exception&) {
        // Encoding into memory cannot fail short of memory exhaustion; an empty text then
        // matches no stored check value.
        return {};
    }
    return text;
}

} // namespace lumexa::filesecurity
