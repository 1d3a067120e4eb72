#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace lumexa::filesecurity {

// One hash of the catalogue: feed bytes with Update, then Final writes the digest and starts
// a new message. A hash is used by one thread at a time.
class IHash
{
public:
    virtual ~IHash() = default;

    // In bytes.
    virtual std::size_t DigestSize() const = 0;
    virtual void Update(std::span<const std::uint8_t> data) = 0;
    // Writes DigestSize() bytes.
    virtual void Final(std::uint8_t* digest) = 0;
};

} // namespace lumexa::filesecurity
