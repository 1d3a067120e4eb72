#include "core/SecureCleaner.h"

#include <algorithm>
#include <array>
#include <mutex>

#include "core/Gost.h"
#include "core/MessageTable.h"
#include "core/SecureDeleteHelpers.h"
#include "core/SettingsManager.h"
#include "platform/FileSystem.h"
#include "platform/Machine.h"
#include "platform/RecycleBin.h"
#include "platform/Registry.h"
#include "platform/Text.h"

namespace lumexa::core {

namespace {

using platform::Machine;

// Gutmann's 27 fixed patterns for passes 5..31, each as its three bytes in writing order
// (P. Gutmann, "Secure Deletion of Data from Magnetic and Solid-State Memory", 1996, table of
// the overwrite passes).
constexpr std::uint8_t GutmannPatterns[27][3] = {
    {0x55, 0x55, 0x55}, {0xAA, 0xAA, 0xAA}, {0x92, 0x49, 0x24}, {0x49, 0x24, 0x92}, {0x24, 0x92, 0x49},
    {0x00, 0x00, 0x00}, {0x11, 0x11, 0x11}, {0x22, 0x22, 0x22}, {0x33, 0x33, 0x33}, {0x44, 0x44, 0x44},
    {0x55, 0x55, 0x55}, {0x66, 0x66, 0x66}, {0x77, 0x77, 0x77}, {0x88, 0x88, 0x88}, {0x99, 0x99, 0x99},
    {0xAA, 0xAA, 0xAA}, {0xBB, 0xBB, 0xBB}, {0xCC, 0xCC, 0xCC}, {0xDD, 0xDD, 0xDD}, {0xEE, 0xEE, 0xEE},
    {0xFF, 0xFF, 0xFF}, {0x92, 0x49, 0x24}, {0x49, 0x24, 0x92}, {0x24, 0x92, 0x49}, {0x6D, 0xB6, 0xDB},
    {0xB6, 0xDB, 0x6D}, {0xDB, 0x6D, 0xB6},
};

constexpr std::uint32_t AccessReadWrite = platform::GENERIC_READ | platform::GENERIC_WRITE;
constexpr std::uint32_t ShareReadWrite = platform::FILE_SHARE_READ | platform::FILE_SHARE_WRITE;
constexpr std::uint32_t ClearedAttributes =
    platform::FILE_ATTRIBUTE_READONLY | platform::FILE_ATTRIBUTE_HIDDEN | platform::FILE_ATTRIBUTE_SYSTEM;

std::mutex g_pluginMutex;
std::string g_pluginName;

platform::FileSystem& Files()
{
    return Machine::Current().Files();
}

std::unique_ptr<platform::FileHandle> OpenForOverwrite(const std::string& path, std::uint32_t access)
{
    return Files().CreateFile(path, access, ShareReadWrite, platform::Disposition::OpenExisting);
}

std::string JoinPath(std::string_view folder, std::string_view name)
{
    std::string path(folder);
    if (!path.ends_with('\\'))
        path += '\\';
    return path + std::string(name);
}

// "C:\..." (or "C:/..."): a folder that names its drive and starts at its root.
bool IsAbsoluteFolder(std::string_view folder)
{
    return folder.size() >= 3 && ((folder[0] >= 'A' && folder[0] <= 'Z') || (folder[0] >= 'a' && folder[0] <= 'z')) &&
           folder[1] == ':' && (folder[2] == '\\' || folder[2] == '/');
}

bool IsDotName(std::string_view name)
{
    return name.starts_with('.');
}

// Writes all of `data` at the handle's position.
bool WriteAll(platform::FileHandle& handle, const std::uint8_t* data, std::size_t size)
{
    std::size_t done = 0;
    return handle.Write(data, size, done) && done == size;
}

} // namespace

std::span<const std::uint8_t, 3> GutmannPattern(int pass)
{
    const int index = std::clamp(pass, 5, 31) - 5;
    return std::span<const std::uint8_t, 3>(GutmannPatterns[index], 3);
}

TSecureCleaner::TSecureCleaner(std::uint8_t source)
    : platform::TThread(true)
    , Options(source)
    , m_random(std::random_device{}())
{
    Options.Load();
    PrepareBuffer();
}

TSecureCleaner::TSecureCleaner(const TSecureDeleteOptions& options)
    : platform::TThread(true)
    , Options(options)
    , m_random(std::random_device{}())
{
    Options.OverwriteTimes = std::clamp(Options.OverwriteTimes, 0, MaxOverwriteTimes);
    PrepareBuffer();
}

TSecureCleaner::~TSecureCleaner() = default;

void TSecureCleaner::AfterPass(const std::string&, int) {}

bool TSecureCleaner::RemoveErasedFile(const std::string& scrambledPath)
{
    return RemoveFile(scrambledPath);
}

void TSecureCleaner::PrepareBuffer()
{
    // Always filled, whatever the method: a run may change the method after construction.
    m_buffer.assign(OverwriteBlockSize, 0);
    const bool custom = Options.Method == MethodCustom;
    if (custom && Options.OverwritePattern == PatternZeros)
        return;
    if (custom && Options.OverwritePattern == PatternOnes) {
        std::fill(m_buffer.begin(), m_buffer.end(), std::uint8_t{0xFF});
        return;
    }
    std::uniform_int_distribution<int> byte(0, 253);
    for (std::uint8_t& b : m_buffer)
        b = static_cast<std::uint8_t>(byte(m_random));
}

// ---- files

std::uint64_t TSecureCleaner::FileSize(std::string_view path)
{
    const auto found = Files().FindFirstFile(path);
    return found ? found->Data().size : 0;
}

bool TSecureCleaner::IsLocked(const std::string& path) const
{
    return Files().CreateFile(path, AccessReadWrite, platform::FILE_SHARE_NONE, platform::Disposition::OpenExisting) ==
           nullptr;
}

bool TSecureCleaner::SecureDeleteFile(std::string_view path,
                                      bool allowPlainDelete,
                                      const std::vector<std::string>& excludedExtensions)
{
    const std::string file(path);
    if (ExtensionInList(ExtractFileExt(file), excludedExtensions) || !Files().FileExists(file))
        return false;
    const std::uint64_t size = FileSize(file);
    DoReportErasing(file, size);

    bool result = false;
    if (Analysing()) {
        result = true;
    } else if (!IsLocked(file)) {
        switch (Options.Method) {
        case MethodDoD:
            result = OverwritePasses(file, 3);
            break;
        case MethodGutmann:
            result = Gutmann(file);
            break;
        case MethodNsa:
            result = OverwritePasses(file, 7);
            break;
        case MethodGost:
            result = Gost(file);
            break;
        case MethodCustom:
            result = OverwritePasses(file, std::clamp(Options.OverwriteTimes, 0, MaxOverwriteTimes));
            break;
        default:
            result = false;
            break;
        }
        if (!result && allowPlainDelete)
            result = Files().DeleteFile(file);
    }
    DoReportErased(file, result, size);
    return result;
}

bool TSecureCleaner::WriteBuffer(platform::FileHandle& handle, std::uint64_t count)
{
    std::uint64_t total = 0;
    bool flushed = true;
    for (;;) {
        std::size_t done = 0;
        handle.Write(m_buffer.data(), m_buffer.size(), done);
        // FlushFileBuffers after every block, so that each pass really reaches the disk.
        flushed = handle.Flush() && flushed;
        total += done;
        if (done < m_buffer.size() || total >= count)
            break;
    }
    return total >= count && flushed;
}

bool TSecureCleaner::OverwritePasses(const std::string& path, int passes)
{
    bool result = true;
    for (int pass = 1; pass <= passes; ++pass) {
        bool passResult = false;
        if (auto handle = OpenForOverwrite(path, platform::GENERIC_WRITE)) {
            const auto size = handle->Size();
            passResult = size.has_value();
            if (size && *size != 0)
                passResult = handle->Seek(0, platform::SeekOrigin::Begin) && WriteBuffer(*handle, *size);
        }
        // Every pass must hold: a later good pass never hides a failed one.
        result = result && passResult;
        AfterPass(path, pass);
        if (Terminated())
            break;
    }
    return result && ScrambleAndRemove(path);
}

bool TSecureCleaner::Gutmann(const std::string& path)
{
    m_random.seed(std::random_device{}());
    if (Terminated() || !Files().FileExists(path))
        return false;
    std::vector<std::uint8_t> block;
    for (int pass = 1; pass <= GutmannPasses; ++pass) {
        if (Terminated() || !GutmannPass(path, pass, block))
            return false;
        AfterPass(path, pass);
    }
    return ScrambleAndRemove(path);
}

bool TSecureCleaner::GutmannPass(const std::string& path, int pass, std::vector<std::uint8_t>& block)
{
    auto handle = OpenForOverwrite(path, platform::GENERIC_WRITE);
    const auto size = handle ? handle->Size() : std::nullopt;
    if (!size)
        return false;
    block.clear();
    if (pass <= 4 || pass >= 32) {
        const auto length = static_cast<std::size_t>(std::min<std::uint64_t>(*size, GutmannRandomCap));
        block.resize(length);
        for (std::size_t i = 0; i < length; i += 4) {
            const std::uint32_t word = m_random();
            for (std::size_t j = 0; j < 4 && i + j < length; ++j)
                block[i + j] = static_cast<std::uint8_t>(word >> (8 * j));
        }
    } else {
        const auto wanted = static_cast<std::size_t>(std::min<std::uint64_t>(*size, GutmannPatternCap));
        const auto pattern = GutmannPattern(pass);
        while (block.size() < wanted)
            block.insert(block.end(), pattern.begin(), pattern.end());
    }
    // The block is laid over the file from its start again and again, each time as much of it
    // as fits before the end: the file keeps its length.
    if (!handle->Seek(0, platform::SeekOrigin::Begin))
        return false;
    for (std::uint64_t at = 0; at < *size;) {
        const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), *size - at));
        if (!WriteAll(*handle, block.data(), count))
            return false;
        at += count;
    }
    return *size == 0 || handle->Flush();
}

bool TSecureCleaner::Gost(const std::string& path)
{
    if (Terminated() || !Files().FileExists(path))
        return false;
    std::vector<std::uint8_t> chunk(OverwriteBlockSize);
    for (int pass = 1; pass <= GostPasses; ++pass) {
        if (!GostPass(path, chunk))
            return false;
        AfterPass(path, pass);
    }
    return ScrambleAndRemove(path);
}

bool TSecureCleaner::GostPass(const std::string& path, std::vector<std::uint8_t>& chunk)
{
    static const TGost28147 cipher(GostKey);
    auto handle = OpenForOverwrite(path, AccessReadWrite);
    if (!handle)
        return false;
    TGost28147::TBlock reg = GostStartRegister;
    // The file is read and written back in spans of whole 1 KiB chunks; the register runs on
    // from chunk to chunk, so the span length changes nothing in what is written.
    for (std::uint64_t at = 0;;) {
        std::size_t got = 0;
        if (!handle->Seek(static_cast<std::int64_t>(at), platform::SeekOrigin::Begin) ||
            !handle->Read(chunk.data(), chunk.size(), got))
            return false;
        if (got == 0)
            break;
        for (std::size_t done = 0; done < got; done += GostChunkSize) {
            if (Terminated())
                return false;
            cipher.EncryptCfb(std::span(chunk.data() + done, std::min(GostChunkSize, got - done)), reg);
        }
        if (!handle->Seek(static_cast<std::int64_t>(at), platform::SeekOrigin::Begin) ||
            !WriteAll(*handle, chunk.data(), got))
            return false;
        at += got;
        if (got < chunk.size())
            break;
    }
    const auto size = handle->Size();
    return size && (*size == 0 || handle->Flush());
}

bool TSecureCleaner::ScrambleAndRemove(const std::string& path)
{
    const std::string scrambled = ScrambleName(path);
    if (RemoveErasedFile(scrambled))
        return true;
    // The file is still there: under its own name again if it can be, and a failure anyway.
    if (scrambled != path)
        Files().MoveFile(scrambled, path);
    return false;
}

std::string TSecureCleaner::ScrambleName(std::string_view path)
{
    const std::size_t slash = path.rfind('\\');
    const std::string folder(path.substr(0, slash == std::string_view::npos ? 0 : slash + 1));
    const std::string_view name = path.substr(folder.size());
    // The name's characters (UTF-8 sequences), so that each becomes one letter.
    std::vector<std::string_view> characters;
    for (std::size_t at = 0; at < name.size();) {
        std::size_t end = at + 1;
        while (end < name.size() && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80)
            ++end;
        characters.push_back(name.substr(at, end - at));
        at = end;
    }
    std::string current(path);
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        std::string next = folder;
        for (std::size_t i = 0; i < characters.size(); ++i) {
            const bool kept = characters[i] == "." || i + 1 == characters.size();
            next += kept ? std::string(characters[i]) : std::string(1, letter);
        }
        // MoveFile never replaces an existing file: a taken name ends the renaming here.
        if (!Files().MoveFile(current, next))
            break;
        current = std::move(next);
    }
    return current;
}

// ---- folders

void TSecureCleaner::SweepFolder(std::string_view folder,
                                 std::string_view mask,
                                 const std::vector<std::string>& excludedFolders,
                                 const std::vector<std::string>& excludedExtensions,
                                 bool recursive,
                                 bool removeWhenEmpty)
{
    // An empty or relative folder would sweep the current drive's root or whatever the current
    // directory is: refused.
    if (!IsAbsoluteFolder(folder) || ExtensionInList(folder, excludedFolders))
        return;
    const std::uint32_t attributes = Files().GetFileAttributes(folder);
    if (attributes == platform::INVALID_FILE_ATTRIBUTES || !(attributes & platform::FILE_ATTRIBUTE_DIRECTORY) ||
        (attributes & platform::FILE_ATTRIBUTE_REPARSE_POINT))
        return;
    const std::string path(folder);
    // The second enumeration reaches the subfolders the mask did not match; one that the first
    // already swept is not swept again (in analysis it would be reported twice).
    std::vector<std::string> swept;
    SweepEntries(path, mask, mask, excludedFolders, excludedExtensions, recursive, true, swept);
    if (!platform::Trim(mask).empty() && recursive)
        SweepEntries(path, "*.*", mask, excludedFolders, excludedExtensions, recursive, false, swept);
    if (!Analysing() && removeWhenEmpty)
        Files().RemoveDirectory(path); // only when it is empty now
}

void TSecureCleaner::SweepEntries(const std::string& folder,
                                  std::string_view pattern,
                                  std::string_view mask,
                                  const std::vector<std::string>& excludedFolders,
                                  const std::vector<std::string>& excludedExtensions,
                                  bool recursive,
                                  bool filesToo,
                                  std::vector<std::string>& sweptFolders)
{
    auto find = Files().FindFirstFile(JoinPath(folder, pattern));
    if (!find)
        return;
    do {
        if (Terminated())
            return;
        const platform::FindData entry = find->Data();
        if (entry.name == "." || entry.name == "..")
            continue;
        // Links and mount points are neither entered nor erased through: what they point to
        // lies outside the folder.
        if (entry.attributes & platform::FILE_ATTRIBUTE_REPARSE_POINT)
            continue;
        const std::string path = JoinPath(folder, entry.name);
        const bool isFolder = entry.attributes & platform::FILE_ATTRIBUTE_DIRECTORY;
        if (filesToo && (entry.attributes & ClearedAttributes) && !Analysing())
            Files().SetFileAttributes(path,
                                      entry.attributes & ~ClearedAttributes & ~platform::FILE_ATTRIBUTE_DIRECTORY);
        if (!isFolder) {
            if (filesToo && !ExtensionInList(ExtractFileExt(entry.name), excludedExtensions) && !IsKept(path))
                SecureDeleteFile(path, true, excludedExtensions);
        } else if (recursive && !IsDotName(entry.name) &&
                   std::find(sweptFolders.begin(), sweptFolders.end(), entry.name) == sweptFolders.end()) {
            sweptFolders.push_back(entry.name);
            SweepFolder(path, mask, excludedFolders, excludedExtensions, recursive);
        }
    } while (find->Next());
}

// ---- registry

bool TSecureCleaner::IsKept(const std::string& path)
{
    if (KeptFiles.empty())
        return false;
    // The list is folded once per change, not once per file swept.
    if (m_keptFoldedFrom != KeptFiles) {
        m_keptFolded.clear();
        for (const std::string& kept : KeptFiles)
            m_keptFolded.insert(platform::FoldCase(kept));
        m_keptFoldedFrom = KeptFiles;
    }
    return m_keptFolded.contains(platform::FoldCase(path));
}

bool TSecureCleaner::RegistryAllowed(std::string_view subkey) const
{
    std::string_view trimmed = subkey;
    while (!trimmed.empty() && (trimmed.front() == '\\' || static_cast<unsigned char>(trimmed.front()) <= ' '))
        trimmed.remove_prefix(1);
    return !Analysing() && !platform::Trim(trimmed).empty();
}

bool TSecureCleaner::DeleteRegistryKey(platform::HKEY root, std::string_view subkey)
{
    if (!RegistryAllowed(subkey) || Terminated())
        return false;
    return Machine::Current().Registry().DeleteKey(root, subkey);
}

bool TSecureCleaner::DeleteRegistryValue(platform::HKEY root, std::string_view subkey, std::string_view value)
{
    if (!RegistryAllowed(subkey))
        return false;
    return Machine::Current().Registry().DeleteValue(root, subkey, value);
}

bool TSecureCleaner::DeleteAllValues(platform::HKEY root, std::string_view key)
{
    if (!RegistryAllowed(key))
        return false;
    const auto opened = Machine::Current().Registry().Open(root, key, true);
    if (!opened)
        return false;
    bool all = true;
    for (const std::string& name : opened->ValueNames())
        all = opened->DeleteValue(name) && all;
    return all;
}

bool TSecureCleaner::DeleteAllSubkeys(platform::HKEY root, std::string_view key)
{
    if (!RegistryAllowed(key))
        return false;
    const auto opened = Machine::Current().Registry().Open(root, key, true);
    if (!opened)
        return false;
    bool all = true;
    for (const std::string& name : opened->SubKeyNames())
        all = opened->DeleteSubKeyTree(name) && all;
    return all;
}

bool TSecureCleaner::DeleteValuesMatching(platform::HKEY root, std::string_view key, std::string_view mask)
{
    if (!RegistryAllowed(key))
        return false;
    const auto opened = Machine::Current().Registry().Open(root, key, true);
    if (!opened)
        return false;
    const std::string lowerMask = platform::LowerCase(mask);
    bool all = true;
    for (const std::string& name : opened->ValueNames()) {
        if (MatchesValueMask(platform::LowerCase(name), lowerMask))
            all = opened->DeleteValue(name) && all;
    }
    return all;
}

// ---- recycle bin

std::int32_t TSecureCleaner::EmptyRecycleBin(std::uintptr_t, std::string_view rootPath, std::uint32_t flags)
{
    Machine& machine = Machine::Current();
    const platform::MachineConfig& config = machine.Config();
    // SHQueryRecycleBinA exists from shell32 4.72 on.
    if (config.shell32Major > 4 || (config.shell32Major == 4 && config.shell32Minor >= 72)) {
        const auto info = machine.RecycleBin().Query({});
        DoReportErased(Msg("strLX_CAPTION709"), true, info ? info->size : 0);
    }
    if (Analysing())
        return HResultOk;
    return machine.RecycleBin().Empty(rootPath, flags) ? HResultOk : HResultFail;
}

// ---- the item loop

void TSecureCleaner::RunItems(std::uint8_t first, std::uint8_t last, const std::function<void(std::uint8_t item)>& work)
{
    if (Items.none())
        for (int item = first; item <= last; ++item)
            Items[static_cast<std::size_t>(item)] = TSettingsManager::ReadBool(static_cast<std::uint8_t>(item));
    for (int item = first; item <= last; ++item) {
        CurrentItem = static_cast<std::uint8_t>(item);
        if (Terminated())
            break;
        if (!Items[static_cast<std::size_t>(item)])
            continue;
        DoItemStarted(CurrentItem);
        work(CurrentItem);
        DoItemFinished(CurrentItem);
    }
}

// ---- events

void TSecureCleaner::DoItemStarted(std::uint8_t item)
{
    if (ItemStarted)
        ItemStarted(item);
}

void TSecureCleaner::DoItemFinished(std::uint8_t item)
{
    if (ItemFinished)
        ItemFinished(item);
}

void TSecureCleaner::DoPluginStarted(const std::string& name)
{
    if (PluginStarted)
        PluginStarted(name);
    std::lock_guard lock(g_pluginMutex);
    g_pluginName = name;
}

void TSecureCleaner::DoPluginFinished(const std::string& name)
{
    if (PluginFinished)
        PluginFinished(name);
    std::lock_guard lock(g_pluginMutex);
    g_pluginName = name;
}

void TSecureCleaner::DoReportErased(const std::string& name, bool success, std::uint64_t size)
{
    if (ReportErased)
        ReportErased(name, CurrentItem, success, size);
}

void TSecureCleaner::DoReportErasing(const std::string& path, std::uint64_t size)
{
    if (ReportErasing)
        ReportErasing(path, size);
}

void TSecureCleaner::DoReportDetail(const std::string& name,
                                    const std::string& secondText,
                                    const std::string& thirdText,
                                    std::uint8_t item,
                                    bool flag,
                                    std::int32_t size)
{
    if (ReportDetail)
        ReportDetail(name, secondText, thirdText, item, flag, static_cast<std::int64_t>(size));
}

std::string TSecureCleaner::CurrentPluginName()
{
    std::lock_guard lock(g_pluginMutex);
    return g_pluginName;
}

} // namespace lumexa::core
