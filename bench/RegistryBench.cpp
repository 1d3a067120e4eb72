// Registry value writes and reads per second against a temporary database file (WAL, one
// transaction per write, as the program uses it). items_per_second is the rate.
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "platform/Registry.h"

namespace {

using namespace lumexa::platform;

// A fresh registry.db in a temporary folder, removed afterwards.
class TempRegistry
{
public:
    TempRegistry()
    {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/lumexa-bench-XXXXXX";
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("cannot create a temporary folder");
        m_folder = pattern;
        std::string error;
        m_registry = Registry::OpenDatabase(m_folder + "/registry.db", &error);
        if (!m_registry)
            throw std::runtime_error(error);
    }
    ~TempRegistry()
    {
        m_registry.reset();
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
    TempRegistry(const TempRegistry&) = delete;
    TempRegistry& operator=(const TempRegistry&) = delete;

    Registry& operator*() { return *m_registry; }
    Registry* operator->() { return m_registry.get(); }

private:
    std::string m_folder;
    std::unique_ptr<Registry> m_registry;
};

constexpr int kNames = 256;

std::vector<std::string> ValueNames()
{
    std::vector<std::string> names;
    for (int i = 0; i < kNames; ++i)
        names.push_back("Value" + std::to_string(i));
    return names;
}

void BM_SetDword(benchmark::State& state)
{
    TempRegistry registry;
    auto key = registry->Create(HKEY_CURRENT_USER, "Software\\Lumexa\\Bench");
    const auto names = ValueNames();
    std::uint32_t i = 0;
    for (auto _ : state) {
        if (!key->SetDword(names[i % kNames], i))
            state.SkipWithError("SetDword failed");
        ++i;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SetDword);

void BM_SetString(benchmark::State& state)
{
    TempRegistry registry;
    auto key = registry->Create(HKEY_CURRENT_USER, "Software\\Lumexa\\Bench");
    const auto names = ValueNames();
    const std::string text(static_cast<std::size_t>(state.range(0)), 'x');
    std::size_t i = 0;
    for (auto _ : state) {
        if (!key->SetString(names[i % kNames], text))
            state.SkipWithError("SetString failed");
        ++i;
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SetString)->Arg(16)->Arg(1024);

void BM_GetDword(benchmark::State& state)
{
    TempRegistry registry;
    auto writer = registry->Create(HKEY_CURRENT_USER, "Software\\Lumexa\\Bench");
    const auto names = ValueNames();
    for (int i = 0; i < kNames; ++i)
        writer->SetDword(names[static_cast<std::size_t>(i)], static_cast<std::uint32_t>(i));
    auto key = registry->Open(HKEY_CURRENT_USER, "Software\\Lumexa\\Bench");
    std::size_t i = 0;
    for (auto _ : state) {
        std::uint32_t value = 0;
        if (key->GetDword(names[i % kNames], value) != RegRead::Ok)
            state.SkipWithError("GetDword failed");
        benchmark::DoNotOptimize(value);
        ++i;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GetDword);

void BM_GetString(benchmark::State& state)
{
    TempRegistry registry;
    auto writer = registry->Create(HKEY_CURRENT_USER, "Software\\Lumexa\\Bench");
    const auto names = ValueNames();
    for (const std::string& name : names)
        writer->SetString(name, std::string(64, 's'));
    auto key = registry->Open(HKEY_CURRENT_USER, "Software\\Lumexa\\Bench");
    std::size_t i = 0;
    std::string value;
    for (auto _ : state) {
        if (key->GetString(names[i % kNames], value) != RegRead::Ok)
            state.SkipWithError("GetString failed");
        benchmark::DoNotOptimize(value.data());
        ++i;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GetString);

// The settings store's pattern: open the key, read one value, close.
void BM_OpenAndGetDword(benchmark::State& state)
{
    TempRegistry registry;
    registry->Create(HKEY_CURRENT_USER, "Software\\Lumexa\\Bench\\Deeper\\Key")->SetDword("Value", 1);
    for (auto _ : state) {
        auto key = registry->Open(HKEY_CURRENT_USER, "Software\\Lumexa\\Bench\\Deeper\\Key");
        std::uint32_t value = 0;
        if (!key || key->GetDword("Value", value) != RegRead::Ok)
            state.SkipWithError("Open/GetDword failed");
        benchmark::DoNotOptimize(value);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_OpenAndGetDword);

// Several threads sharing one Registry (one connection behind a mutex).
void BM_GetDwordThreads(benchmark::State& state)
{
    static std::unique_ptr<TempRegistry> shared;
    if (state.thread_index() == 0) {
        shared = std::make_unique<TempRegistry>();
        (*shared)->Create(HKEY_CURRENT_USER, "Software\\Lumexa\\Bench")->SetDword("Value", 1);
    }
    // The benchmark library synchronises the threads before the timed loop starts.
    std::unique_ptr<RegKey> key;
    for (auto _ : state) {
        if (!key)
            key = (*shared)->Open(HKEY_CURRENT_USER, "Software\\Lumexa\\Bench");
        std::uint32_t value = 0;
        if (!key || key->GetDword("Value", value) != RegRead::Ok)
            state.SkipWithError("GetDword failed");
        benchmark::DoNotOptimize(value);
    }
    state.SetItemsProcessed(state.iterations());
    key.reset();
}
BENCHMARK(BM_GetDwordThreads)->Threads(1)->Threads(2)->Threads(4);

} // namespace

BENCHMARK_MAIN();
