#pragma once

#include <bitset>
#include <cstdint>
#include <functional>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "core/Gost.h"
#include "core/SecureDeleteOptions.h"
#include "platform/Thread.h"
#include "platform/Types.h"

namespace lumexa::platform {
class FileHandle;
}

// The secure deletion engine: the worker-thread base of every trace cleaner, the file
// shredder and the disk wiper. Files are overwritten by the chosen method, renamed through
// meaningless names and only then deleted; registry keys and values are deleted through a few
// thin operations; every erased object is announced through the events. In analysis mode
// (method 6) everything is reported and nothing at all is changed.
namespace lumexa::core {

// The block written over file contents, and the length a file grows to a multiple of.
inline constexpr std::size_t OverwriteBlockSize = 65536;
// Gutmann's 35 passes: random blocks are capped at this many bytes, pattern blocks at the next.
inline constexpr std::size_t GutmannRandomCap = 3000000;
inline constexpr std::size_t GutmannPatternCap = 1000000;
inline constexpr int GutmannPasses = 35;
inline constexpr int GostPasses = 5;
// GOST works through a file in chunks of this size.
inline constexpr std::size_t GostChunkSize = 1024;

// The fixed key and starting register of the GOST passes. Their values carry no secret: the
// passes scramble the contents in place before the file is renamed and deleted.
inline constexpr TGost28147::TKey GostKey = {0x4C, 0x75, 0x6D, 0x65, 0x78, 0x61, 0x20, 0x73, 0x65, 0x63, 0x75,
                                             0x72, 0x65, 0x20, 0x64, 0x65, 0x6C, 0x65, 0x74, 0x69, 0x6F, 0x6E,
                                             0x20, 0x47, 0x4F, 0x53, 0x54, 0x20, 0x6B, 0x65, 0x79, 0x21};
inline constexpr TGost28147::TBlock GostStartRegister = {0x31, 0x41, 0x59, 0x26, 0x53, 0x58, 0x97, 0x93};

// Trace items 0..135 a cleaner works on.
using TItemSet = std::bitset<136>;

// Results of EmptyRecycleBin, as SHEmptyRecycleBinA returns them.
inline constexpr std::int32_t HResultOk = 0;
inline constexpr std::int32_t HResultFail = static_cast<std::int32_t>(0x80004005u);

// The fixed three-byte pattern Gutmann's method writes in pass 5..31, in writing order.
std::span<const std::uint8_t, 3> GutmannPattern(int pass);

class TSecureCleaner : public platform::TThread
{
public:
    // Events. Each is optional and runs on the cleaner's own thread.
    // An object was erased (in analysis mode: found). The item is CurrentItem.
    std::function<void(const std::string& name, std::uint8_t item, bool success, std::uint64_t size)> ReportErased;
    // A file is about to be erased.
    std::function<void(const std::string& path, std::uint64_t size)> ReportErasing;
    // A non-file entry (a cookie, a cache entry) was erased.
    std::function<void(const std::string& name,
                       const std::string& secondText,
                       const std::string& thirdText,
                       std::uint8_t item,
                       bool flag,
                       std::int64_t size)>
        ReportDetail;
    std::function<void(std::uint8_t item)> ItemStarted;
    std::function<void(std::uint8_t item)> ItemFinished;
    std::function<void(const std::string& name)> PluginStarted;
    std::function<void(const std::string& name)> PluginFinished;

    // The trace item being worked on; set by the subclass before each item.
    std::uint8_t CurrentItem = 0;
    // Loaded at construction. A run may force Method to 6 (analysis) before resuming.
    TSecureDeleteOptions Options;
    // The trace items a cleaner works on; empty means the subclass takes them from the
    // settings store.
    TItemSet Items;
    // Files a sweep never erases, whatever the mask: the cleaning run puts its own window copy
    // here, which lies in the temporary folder the Windows cleaner sweeps.
    std::vector<std::string> KeptFiles;

    // Created suspended. Loads the options of `source` (0 the tracks eraser's items, 1 the
    // DriveCleaner key, anything else the defaults) and prepares the overwrite buffer.
    explicit TSecureCleaner(std::uint8_t source);
    // Created suspended with options given by the caller (nothing is loaded).
    explicit TSecureCleaner(const TSecureDeleteOptions& options);
    ~TSecureCleaner() override;

    // Erases one file by the options' method (see the class comment). False without any report
    // when the file is missing or its extension is excluded; otherwise the result is reported
    // through ReportErased. A file held open without sharing fails and is kept, even when
    // `allowPlainDelete` lets a failed or absent method fall back to a plain DeleteFile.
    bool SecureDeleteFile(std::string_view path,
                          bool allowPlainDelete,
                          const std::vector<std::string>& excludedExtensions = {});
    // Erases what `mask` matches in `folder` (and, when recursive, in its subfolders), then
    // removes the folder if it is empty (unless `removeWhenEmpty` is false: a folder other
    // programs rely on, such as the temporary folder, stays). An empty or relative folder is
    // refused, symbolic links and mount points are never entered, and KeptFiles are skipped.
    void SweepFolder(std::string_view folder,
                     std::string_view mask,
                     const std::vector<std::string>& excludedFolders,
                     const std::vector<std::string>& excludedExtensions,
                     bool recursive,
                     bool removeWhenEmpty = true);
    // The size in the directory entry of the first match of `path`; 0 when there is none.
    static std::uint64_t FileSize(std::string_view path);
    // Renames the file up to 26 times, every character of its name except dots and the last one
    // becoming "A", then "B"... "Z"; stops at the first rename that fails (a name that is taken
    // is never replaced). Returns the path under which the file now lies.
    std::string ScrambleName(std::string_view path);
    // Writes the overwrite buffer again and again at the handle's position, flushing it to the
    // disk after each block, until `count` bytes are written: the file grows to the next
    // multiple of 65,536 bytes. True when `count` bytes were written and every flush held.
    bool WriteBuffer(platform::FileHandle& handle, std::uint64_t count);

    // Registry operations. None acts in analysis mode, and none accepts an empty or blank
    // subkey (that would empty a whole root); both give false.
    bool DeleteRegistryKey(platform::HKEY root, std::string_view subkey);
    bool DeleteRegistryValue(platform::HKEY root, std::string_view subkey, std::string_view value);
    bool DeleteAllValues(platform::HKEY root, std::string_view key);
    bool DeleteAllSubkeys(platform::HKEY root, std::string_view key);
    // Deletes each value whose lower-cased name matches the lower-cased mask (MatchesValueMask).
    bool DeleteValuesMatching(platform::HKEY root, std::string_view key, std::string_view mask);
    // Reports "Recycle Bin" with the size of every drive's bin (shell32 4.72 and later), then,
    // unless analysing, empties the bin of `rootPath` (every drive when empty). The window is
    // not used: the machine shows no shell windows.
    std::int32_t EmptyRecycleBin(std::uintptr_t window, std::string_view rootPath, std::uint32_t flags);

    // Raising the events: each calls its handler when set. The plug-in events then make `name`
    // the process-wide current plug-in name.
    void DoItemStarted(std::uint8_t item);
    void DoItemFinished(std::uint8_t item);
    void DoPluginStarted(const std::string& name);
    void DoPluginFinished(const std::string& name);
    void DoReportErased(const std::string& name, bool success, std::uint64_t size);
    void DoReportErasing(const std::string& path, std::uint64_t size);
    void DoReportDetail(const std::string& name,
                        const std::string& secondText,
                        const std::string& thirdText,
                        std::uint8_t item,
                        bool flag,
                        std::int32_t size);

    // The plug-in being cleaned, shared by every cleaner of the process (the run's logger
    // reads it).
    static std::string CurrentPluginName();

    bool Analysing() const { return Options.Method == MethodAnalysis; }
    // The block WriteBuffer writes: for methods 1..4, and the custom method with pattern 0 (or
    // any unknown pattern), pseudo-random bytes 0..253; zeros or 0xFF for patterns 1 and 2.
    std::span<const std::uint8_t> OverwriteBuffer() const { return m_buffer; }

protected:
    // The item loop every trace cleaner runs: an empty item set is first filled with the items
    // of first..last that the settings store reports enabled; then each item of the range, in
    // ascending order, becomes CurrentItem, the loop stops once Terminated is set, and a
    // selected item gets ItemStarted, `work` and ItemFinished. Execute then sets Terminated.
    void RunItems(std::uint8_t first, std::uint8_t last, const std::function<void(std::uint8_t item)>& work);
    // Called after each completed pass over a file (1-based), before the next one. Nothing by
    // default; subclasses that must watch the passes override it.
    virtual void AfterPass(const std::string& path, int pass);
    // Deletes an overwritten file under its scrambled name: RemoveFile. Subclasses may
    // replace it (the tests make it fail to see the file put back under its own name).
    virtual bool RemoveErasedFile(const std::string& scrambledPath);

private:
    void PrepareBuffer();
    bool IsLocked(const std::string& path) const;
    bool OverwritePasses(const std::string& path, int passes);
    bool Gutmann(const std::string& path);
    bool GutmannPass(const std::string& path, int pass, std::vector<std::uint8_t>& block);
    bool Gost(const std::string& path);
    bool GostPass(const std::string& path, std::vector<std::uint8_t>& chunk);
    bool ScrambleAndRemove(const std::string& path);
    // One enumeration of `folder` with `pattern`; subfolders are swept with `mask`.
    void SweepEntries(const std::string& folder,
                      std::string_view pattern,
                      std::string_view mask,
                      const std::vector<std::string>& excludedFolders,
                      const std::vector<std::string>& excludedExtensions,
                      bool recursive,
                      bool filesToo,
                      std::vector<std::string>& sweptFolders);
    bool RegistryAllowed(std::string_view subkey) const;
    bool IsKept(const std::string& path);

    std::vector<std::uint8_t> m_buffer;
    std::vector<std::string> m_keptFoldedFrom;
    std::unordered_set<std::string> m_keptFolded;
    std::mt19937 m_random;
};

} // namespace lumexa::core
