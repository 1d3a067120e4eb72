#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

namespace lumexa::filesecurity {

// Overwrites memory in a way the optimiser may not drop, for key material about to be freed.
void WipeMemory(void* data, std::size_t size) noexcept;

// An allocator that wipes what it frees, so keys and digests never linger on the heap.
template <class T> struct TWipingAllocator
{
    using value_type = T;

    TWipingAllocator() = default;
    template <class U> TWipingAllocator(const TWipingAllocator<U>&) noexcept {}
    T* allocate(std::size_t n) { return std::allocator<T>().allocate(n); }
    void deallocate(T* p, std::size_t n) noexcept
    {
        WipeMemory(p, n * sizeof(T));
        std::allocator<T>().deallocate(p, n);
    }
    template <class U> bool operator==(const TWipingAllocator<U>&) const noexcept { return true; }
};

// Bytes of secret material: keys, digests that become keys, password bytes.
using TSecureBytes = std::vector<std::uint8_t, TWipingAllocator<std::uint8_t>>;

// The bytes of a text (the machine's ANSI code page is UTF-8: one byte per code unit).
inline std::span<const std::uint8_t> AsBytes(std::string_view text)
{
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

} // namespace lumexa::filesecurity
