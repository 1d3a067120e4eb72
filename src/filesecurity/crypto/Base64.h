#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace lumexa::filesecurity {

// Base64 with the standard alphabet ("A"-"Z", "a"-"z", "0"-"9", "+", "/"), padded with "=" to a
// multiple of four characters, on one line: 4 x ceil(n/3) characters for n bytes.
std::string EncodeBase64(std::span<const std::uint8_t> data);

} // namespace lumexa::filesecurity
