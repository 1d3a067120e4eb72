// libFuzzer target for the REGEDIT4 importer (Registry::ImportReg).
//
// Any input must either be rejected with a line number inside the text, or be accepted; an
// accepted file is exported, the export imported into a second registry and exported again:
// both exports must be identical (the .reg round trip is exact).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/Registry.h"

using lumexa::platform::Registry;

namespace {

[[noreturn]] void Crash(const char* what, const std::string& detail = {})
{
    std::fprintf(stderr, "reg_import_fuzz: %s\n%s\n", what, detail.c_str());
    std::abort();
}

std::unique_ptr<Registry> Fresh()
{
    std::string error;
    auto registry = Registry::OpenDatabase(":memory:", &error);
    if (!registry)
        Crash("cannot open an in-memory registry", error);
    return registry;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    auto registry = Fresh();
    const Registry::ImportResult result = registry->ImportReg(text);
    if (!result.ok) {
        // A UTF-16 text has at most size / 2 lines; UTF-8 at most size + 1.
        if (result.line < 1 || static_cast<std::size_t>(result.line) > size + 1 || result.error.empty())
            Crash("bad error report", std::to_string(result.line) + ": " + result.error);
        return 0;
    }
    const std::optional<std::string> first = registry->ExportReg();
    if (!first)
        Crash("export of an imported registry failed");
    auto copy = Fresh();
    const Registry::ImportResult again = copy->ImportReg(*first);
    if (!again.ok)
        Crash("our own export does not import", std::to_string(again.line) + ": " + again.error + "\n" + *first);
    const std::optional<std::string> second = copy->ExportReg();
    if (!second || *second != *first)
        Crash("the round trip is not exact", *first + "\n----\n" + second.value_or("(none)"));
    return 0;
}
