// Throughput of the locked-file body mode for every cipher of the catalogue (8 MiB in the
// locker's 8192-byte pieces, both directions) and of every hash over 8 MiB. bytes_per_second
// is the rate. Run:
//   build/bench/bench/cipher_bench --benchmark_counters_tabular=true
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "filesecurity/crypto/BodyCipher.h"
#include "filesecurity/crypto/Catalogue.h"

namespace {

using namespace lumexa::filesecurity;

constexpr std::size_t kBodySize = 8 * 1024 * 1024;
constexpr std::size_t kPiece = 8192;

std::vector<std::uint8_t> Data()
{
    std::vector<std::uint8_t> data(kBodySize);
    std::uint32_t x = 2463534242u;
    for (auto& b : data) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = std::uint8_t(x);
    }
    return data;
}

void BodyMode(benchmark::State& state, std::size_t cipher, TBodyCipher::TDirection direction)
{
    static const std::vector<std::uint8_t> data = Data();
    const std::array<std::uint8_t, kSaltSize> salt{1, 2, 3, 4, 5, 6, 7, 8};
    const std::vector<std::uint8_t> iv(CipherCatalogue()[cipher].blockBytes, 0x5A);
    std::vector<std::uint8_t> out(kPiece + 16);
    for (auto _ : state) {
        auto body = TBodyCipher::Create(cipher, 6, salt, "benchmark password", iv, direction);
        for (std::size_t at = 0; at < data.size(); at += kPiece) {
            body->Update({data.data() + at, kPiece}, out.data());
            benchmark::DoNotOptimize(out.data());
        }
        body->Finish(out.data());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(kBodySize));
}

void Hashing(benchmark::State& state, std::size_t hash)
{
    static const std::vector<std::uint8_t> data = Data();
    auto h = CreateHash(hash);
    std::vector<std::uint8_t> digest(h->DigestSize());
    for (auto _ : state) {
        for (std::size_t at = 0; at < data.size(); at += kPiece)
            h->Update({data.data() + at, kPiece});
        h->Final(digest.data());
        benchmark::DoNotOptimize(digest.data());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(kBodySize));
}

// Registered at start-up so each cipher and hash shows under its catalogue name.
const bool kRegistered = [] {
    for (std::size_t c = 0; c < kCipherCount; ++c) {
        const std::string name(CipherCatalogue()[c].name);
        benchmark::RegisterBenchmark(("Encipher/" + name).c_str(), BodyMode, c, TBodyCipher::TDirection::Encipher)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("Decipher/" + name).c_str(), BodyMode, c, TBodyCipher::TDirection::Decipher)
            ->Unit(benchmark::kMillisecond);
    }
    for (std::size_t h = 0; h < kHashCount; ++h)
        benchmark::RegisterBenchmark(("Hash/" + std::string(HashCatalogue()[h].name)).c_str(), Hashing, h)
            ->Unit(benchmark::kMillisecond);
    return true;
}();

} // namespace

BENCHMARK_MAIN();
