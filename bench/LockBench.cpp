// Lock and unlock throughput of one file for every cipher of the catalogue (SHA256 as the key
// hash): TFileLocker::LockFile turns FILE into FILE.lxe and UnlockFile turns it back, through a
// throwaway machine whose drive Z: reaches the host file. Each step includes everything the
// locker does: the open check, the header, the streamed body in 8,192-byte pieces, the flush
// of the output to the disk, the rename and the deletion. One line per cipher:
//   cipher=Rijndael lock_mbps=812.3 unlock_mbps=1450.2
// bench/lock-vs-openssl.sh runs this beside `openssl enc` and prints the ratios.
//
// Usage: lock_bench FILE [CIPHER...]   (ciphers by catalogue name; default: all twelve)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <unistd.h>

#include "filesecurity/FileLocker/FileLocker.h"
#include "filesecurity/crypto/Catalogue.h"
#include "platform/FileSystem.h"
#include "platform/Machine.h"

namespace {

using namespace lumexa;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kSha256 = 6;

double MegabytesPerSecond(std::uint64_t bytes, Clock::duration elapsed)
{
    return static_cast<double>(bytes) / std::chrono::duration<double>(elapsed).count() / 1e6;
}

int Run(const std::string& hostFile, const std::vector<std::string>& names)
{
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = std::string(tmp ? tmp : "/tmp") + "/lumexa-lock-bench-XXXXXX";
    if (!::mkdtemp(folder.data())) {
        std::fprintf(stderr, "lock_bench: cannot create a folder for the machine\n");
        return 1;
    }
    std::string error;
    auto machine = platform::Machine::Create(folder + "/machine", {}, &error);
    if (!machine) {
        std::fprintf(stderr, "lock_bench: %s\n", error.c_str());
        return 1;
    }
    platform::Machine::SetCurrent(machine);
    platform::FileSystem& files = machine->Files();
    const std::string path = files.FromUserPath(std::filesystem::absolute(hostFile).string());
    const std::optional<std::uint64_t> size = files.GetFileSize(path);
    int status = size ? 0 : 1;
    if (!size)
        std::fprintf(stderr, "lock_bench: no file %s\n", hostFile.c_str());

    for (std::size_t c = 0; status == 0 && c < filesecurity::kCipherCount; ++c) {
        const std::string name(filesecurity::CipherCatalogue()[c].name);
        bool wanted = names.empty();
        for (const std::string& n : names)
            wanted = wanted || n == name;
        if (!wanted)
            continue;
        filesecurity::TFileLocker locker(c, kSha256, "bench password");
        const auto start = Clock::now();
        const filesecurity::TLockResult locked = locker.LockFile(path);
        const auto middle = Clock::now();
        const filesecurity::TLockResult unlocked = locker.UnlockFile(path + ".lxe");
        const auto end = Clock::now();
        if (locked.outcome != filesecurity::TLockOutcome::Done ||
            unlocked.outcome != filesecurity::TLockOutcome::Done || files.GetFileSize(path) != size) {
            std::fprintf(
                stderr, "lock_bench: %s: %s%s\n", name.c_str(), locked.reason.c_str(), unlocked.reason.c_str());
            status = 1;
            break;
        }
        std::printf("cipher=%s lock_mbps=%.1f unlock_mbps=%.1f\n",
                    name.c_str(),
                    MegabytesPerSecond(*size, middle - start),
                    MegabytesPerSecond(*size, end - middle));
        std::fflush(stdout);
    }
    platform::Machine::SetCurrent(nullptr);
    machine.reset();
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: lock_bench FILE [CIPHER...]\n");
        return 2;
    }
    return Run(argv[1], std::vector<std::string>(argv + 2, argv + argc));
}
