#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace lumexa::test {

// `length` bytes that look random (xorshift32) and that deflate cannot shrink much, the same
// for the same seed and different for another: content whose every piece differs.
std::string Noise(std::size_t length, std::uint32_t seed = 1);

} // namespace lumexa::test
