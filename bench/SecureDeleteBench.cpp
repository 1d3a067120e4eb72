// Throughput of the secure deletion engine on one large file, written through the machine to a
// drive C: whose host folder lies on the file system under test, and of the GOST cipher alone.
//
//   secure_delete_bench [--dir=FOLDER] [--size=MIB] [Google Benchmark flags]
//
// FOLDER (default $TMPDIR or /tmp) receives a throwaway machine; the file is MIB mebibytes
// (default 256). Each erase benchmark runs once per repetition: the file is created outside the
// timed part, then SecureDeleteFile overwrites, renames and deletes it. bytes_per_second
// counts every byte written over all passes (the per-pass rate); pass_bytes_per_second is the
// same figure under a name the peer script reads. bench/secure-delete-vs-peers.sh runs this
// beside dd and shred on the same folder and prints the ratios.
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <unistd.h>

#include "core/Gost.h"
#include "core/SecureCleaner.h"
#include "core/SecureDeleteOptions.h"
#include "platform/FileSystem.h"
#include "platform/Machine.h"

namespace {

using namespace lumexa;

std::string g_dir;
std::uint64_t g_size = 256ull << 20;

// A throwaway machine under the chosen folder, big enough for the file and its growth.
class BenchMachine
{
public:
    BenchMachine()
    {
        std::string pattern = g_dir + "/lumexa-secure-delete-XXXXXX";
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("cannot create a folder in " + g_dir);
        m_folder = pattern;
        platform::CreateOptions options;
        options.driveCapacity = 2 * g_size + (64ull << 20);
        std::string error;
        m_machine = platform::Machine::Create(m_folder + "/machine", options, &error);
        if (!m_machine)
            throw std::runtime_error(error);
        platform::Machine::SetCurrent(m_machine);
    }
    ~BenchMachine()
    {
        platform::Machine::SetCurrent(nullptr);
        m_machine.reset();
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
    BenchMachine(const BenchMachine&) = delete;
    BenchMachine& operator=(const BenchMachine&) = delete;

    // Writes the file through the machine and pushes it to the disk, so that the erase starts
    // from a file at rest.
    void CreateFile(const std::string& path)
    {
        auto file = m_machine->Files().CreateFile(
            path, platform::GENERIC_WRITE, platform::FILE_SHARE_NONE, platform::Disposition::CreateAlways);
        if (!file)
            throw std::runtime_error("cannot create " + path);
        std::vector<char> block(1 << 20, 'x');
        for (std::uint64_t done = 0; done < g_size; done += block.size()) {
            std::size_t put = 0;
            const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), g_size - done));
            if (!file->Write(block.data(), count, put) || put != count)
                throw std::runtime_error("cannot write " + path);
        }
        file->Flush();
    }

private:
    std::string m_folder;
    std::shared_ptr<platform::Machine> m_machine;
};

// A cleaner whose thread is never started: the benchmark calls its operations directly.
class TBenchCleaner : public core::TSecureCleaner
{
public:
    using TSecureCleaner::TSecureCleaner;
    ~TBenchCleaner() override { StopAndWait(); }

protected:
    void Execute() override { SetTerminatedFlag(); }
};

void BM_Erase(benchmark::State& state)
{
    const auto method = static_cast<std::uint8_t>(state.range(0));
    const auto passes = static_cast<std::int32_t>(state.range(1));
    BenchMachine machine;
    core::TSecureDeleteOptions options(2);
    options.Method = method;
    options.OverwriteTimes = passes;
    TBenchCleaner cleaner(options);
    const std::string path = "C:\\bench.bin";
    for (auto _ : state) {
        state.PauseTiming();
        machine.CreateFile(path);
        state.ResumeTiming();
        if (!cleaner.SecureDeleteFile(path, false))
            state.SkipWithError("the erase failed");
    }
    const double written = static_cast<double>(g_size) * static_cast<double>(passes);
    state.SetBytesProcessed(static_cast<std::int64_t>(written) * state.iterations());
    state.counters["pass_bytes_per_second"] =
        benchmark::Counter(written * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_GostCipherFeedback(benchmark::State& state)
{
    const core::TGost28147 cipher(core::GostKey);
    std::vector<std::uint8_t> data(1 << 20, 0x5A);
    for (auto _ : state) {
        core::TGost28147::TBlock reg = core::GostStartRegister;
        cipher.EncryptCfb(data, reg);
        benchmark::DoNotOptimize(data.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(data.size()) * state.iterations());
}

// The rows the peer script compares: (method, passes written per file).
void ErasePasses(benchmark::internal::Benchmark* b)
{
    b->ArgNames({"method", "passes"});
    b->Args({core::MethodCustom, 1});
    b->Args({core::MethodDoD, 3});
    b->Args({core::MethodNsa, 7});
    b->Args({core::MethodGost, core::GostPasses});
}

BENCHMARK(BM_Erase)->Apply(ErasePasses)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_GostCipherFeedback)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    const char* tmp = std::getenv("TMPDIR");
    g_dir = tmp && *tmp ? tmp : "/tmp";
    std::vector<char*> rest{argv[0]};
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--dir=", 6) == 0)
            g_dir = argv[i] + 6;
        else if (std::strncmp(argv[i], "--size=", 7) == 0)
            g_size = std::strtoull(argv[i] + 7, nullptr, 10) << 20;
        else
            rest.push_back(argv[i]);
    }
    int count = static_cast<int>(rest.size());
    benchmark::Initialize(&count, rest.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
