// libFuzzer target: unlocks arbitrary bytes as a ".lxe" file. A locked file is outside input
// (any file whose name ends in ".lxe" is offered for unlocking), so whatever it holds must end
// either in a written output of the body's length, or in a refusal that leaves the locked file
// byte for byte as it was and no temporary file behind.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "filesecurity/FileLocker/FileLocker.h"
#include "filesecurity/crypto/Catalogue.h"
#include "filesecurity/crypto/LockHeader.h"
#include "platform/FileSystem.h"
#include "platform/Machine.h"

using namespace lumexa;

namespace {

constexpr const char* kFolder = "C:\\fuzz";
constexpr const char* kLocked = "C:\\fuzz\\data.txt.lxe";
constexpr const char* kPlain = "C:\\fuzz\\data.txt";

[[noreturn]] void Crash(const char* what)
{
    std::fprintf(stderr, "unlock_fuzz: %s\n", what);
    std::abort();
}

platform::Machine& FuzzMachine()
{
    static std::shared_ptr<platform::Machine> machine = [] {
        char root[] = "/tmp/lumexa-unlock-fuzz-XXXXXX";
        if (!::mkdtemp(root))
            Crash("cannot create a temporary folder");
        std::string error;
        auto created = platform::Machine::Create(std::string(root) + "/m", platform::CreateOptions{}, &error);
        if (!created)
            Crash(error.c_str());
        platform::Machine::SetCurrent(created);
        return created;
    }();
    return *machine;
}

// How many names the folder holds besides "." and "..".
int CountEntries(platform::FileSystem& files)
{
    int count = 0;
    auto find = files.FindFirstFile(std::string(kFolder) + "\\*.*");
    for (bool more = find != nullptr; more; more = find->Next())
        if (find->Data().name != "." && find->Data().name != "..")
            ++count;
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    platform::FileSystem& files = FuzzMachine().Files();
    files.ForceDirectories(kFolder);
    files.DeleteFile(kPlain);

    // The first two bytes choose the window's cipher and hash; the rest is the file.
    const std::size_t cipher = data[0] % filesecurity::CipherCatalogue().size();
    const std::size_t hash = data[1] % filesecurity::HashCatalogue().size();
    const std::string locked(reinterpret_cast<const char*>(data + 2), size - 2);
    if (!files.WriteWholeFileAtomic(kLocked, locked))
        Crash("cannot write the input");

    filesecurity::TFileLocker locker(cipher, hash, "fuzz password");
    const filesecurity::TLockResult result = locker.UnlockFile(kLocked);
    switch (result.outcome) {
    case filesecurity::TLockOutcome::Done:
    case filesecurity::TLockOutcome::KeptLocked: {
        const std::size_t header = filesecurity::LockHeaderSize(cipher);
        const auto plain = files.GetFileSize(kPlain);
        if (!plain || *plain != locked.size() - header)
            Crash("the output is not as long as the body");
        break;
    }
    default:
        if (files.ReadWholeFile(kLocked) != locked)
            Crash("a refused file was changed");
        if (files.FileExists(kPlain))
            Crash("a refused file left an output");
        if (CountEntries(files) != 1)
            Crash("a refused file left a temporary file");
        break;
    }
    files.DeleteFile(kLocked);
    files.DeleteFile(kPlain);
    return 0;
}
