// libFuzzer target for the secure deletion engine's two text matchers: ExpandEnvStrings (the
// %NAME% tokens of plug-in and settings paths) and the registry value mask of
// DeleteValuesMatching (MatchesValueMask).
//
// The input is split at its first NUL byte into a text and a mask. Checked properties:
// - expanding with an expander that gives every token back unchanged returns the text itself;
// - the machine's own expansion never fails and leaves a text without "%" unchanged;
// - "*" matches every name; a mask without "*", "?" and "[" matches exactly the same text;
// - a name the mask matches is also matched by "*" followed by the mask.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include <unistd.h>

#include "core/SecureDeleteHelpers.h"
#include "platform/Machine.h"

using lumexa::core::ExpandEnvStrings;
using lumexa::core::MatchesValueMask;

namespace {

[[noreturn]] void Crash(const char* what, std::string_view a, std::string_view b = {})
{
    std::fprintf(
        stderr, "expand_env_fuzz: %s\n[%.*s]\n[%.*s]\n", what, int(a.size()), a.data(), int(b.size()), b.data());
    std::abort();
}

std::string g_folder;

void RemoveMachine()
{
    std::error_code ignored;
    std::filesystem::remove_all(g_folder, ignored);
}

bool IsPlainMask(std::string_view mask)
{
    return mask.find_first_of("*?[") == std::string_view::npos;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    char folder[] = "/tmp/expand-env-fuzz-XXXXXX";
    if (!::mkdtemp(folder))
        Crash("cannot create a temporary folder", folder);
    g_folder = folder;
    std::atexit(RemoveMachine);
    std::string error;
    auto machine = lumexa::platform::Machine::Create(g_folder + "/machine", lumexa::platform::CreateOptions{}, &error);
    if (!machine)
        Crash("cannot create a machine", error);
    lumexa::platform::Machine::SetCurrent(machine);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\0');
    const std::string_view text = input.substr(0, split);
    const std::string_view mask = split == std::string_view::npos ? std::string_view() : input.substr(split + 1);

    const std::string same = ExpandEnvStrings(text, [](std::string_view token) { return std::string(token); });
    if (same != text)
        Crash("an identity expansion changed the text", text, same);
    const std::string expanded = ExpandEnvStrings(text);
    if (text.find('%') == std::string_view::npos && expanded != text)
        Crash("a text without tokens changed", text, expanded);

    if (!MatchesValueMask(text, "*"))
        Crash("\"*\" does not match", text);
    if (IsPlainMask(mask) && MatchesValueMask(text, mask) != (text == mask))
        Crash("a plain mask does not match exactly itself", text, mask);
    if (MatchesValueMask(text, mask) && !MatchesValueMask(text, "*" + std::string(mask)))
        Crash("a leading \"*\" lost a match", text, mask);
    return 0;
}
