#include <cstddef>
#include <cstdlib>
#include <istream>
#include <iterator>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "app/CliSupport.h"
#include "core/MessageTable.h"
#include "filesecurity/FileLocker/EncDec.h"
#include "filesecurity/FileLocker/FileLocker.h"
#include "filesecurity/FileLocker/LockTargets.h"
#include "filesecurity/FileLocker/LockerBackup.h"
#include "filesecurity/crypto/Catalogue.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"

namespace lumexa::app {

namespace {

using filesecurity::TLockMode;
using filesecurity::TLockOutcome;
using filesecurity::TLockResult;
using filesecurity::TLockRow;
using nlohmann::ordered_json;
using platform::Machine;

struct TLockArgs
{
    std::string cipher;
    std::string hash;
    std::string passwordFile;
    bool passwordStdin = false;
    bool backup = false; // lock: archive the files into "LockerBackups" first
    std::vector<std::string> paths;
};

// A catalogue position from a display name (exact, then ignoring case) or an index.
template <class TCatalogue>
std::optional<std::size_t> FindInCatalogue(const TCatalogue& catalogue, const std::string& name)
{
    for (std::size_t i = 0; i < catalogue.size(); ++i)
        if (catalogue[i].name == name)
            return i;
    for (std::size_t i = 0; i < catalogue.size(); ++i)
        if (platform::LowerCase(std::string(catalogue[i].name)) == platform::LowerCase(name))
            return i;
    if (!name.empty() && name.find_first_not_of("0123456789") == std::string::npos && name.size() < 4) {
        const std::size_t index = static_cast<std::size_t>(std::atoi(name.c_str()));
        if (index < catalogue.size())
            return index;
    }
    return std::nullopt;
}

// The password: the file's or standard input's content without one trailing line break.
std::optional<std::string> ReadPassword(TCliContext& context, const TLockArgs& args)
{
    std::string text;
    if (args.passwordStdin) {
        text.assign(std::istreambuf_iterator<char>(context.in), std::istreambuf_iterator<char>());
    } else {
        platform::FileSystem& files = Machine::Current().Files();
        const std::optional<std::string> content = files.ReadWholeFile(files.FromUserPath(args.passwordFile));
        if (!content)
            return std::nullopt;
        text = *content;
    }
    if (text.ends_with("\r\n"))
        text.resize(text.size() - 2);
    else if (text.ends_with('\n'))
        text.pop_back();
    return text;
}

// Runs one worker over `rows` and waits for it; false when it ended the run early.
template <class TWorker>
bool RunWorker(TCliContext& context,
               const std::vector<TLockRow>& rows,
               int total,
               int start,
               std::size_t cipher,
               std::size_t hash,
               TLockMode mode,
               const std::string& password,
               int& done,
               int& failed,
               int& rejected)
{
    TWorker worker(rows, total, start, cipher, hash, mode, password);
    int percent = 0;
    bool ended = false;
    worker.OnProgress = [&](int value) { percent = value; };
    worker.OnFileDone = [&](const std::string& path, const TLockResult& result) {
        std::ostream& out = context.out;
        switch (result.outcome) {
        case TLockOutcome::Done:
            ++done;
            out << (mode == TLockMode::Lock ? "locked " : "unlocked ") << path;
            break;
        case TLockOutcome::KeptLocked:
            ++done;
            out << "unlocked " << path << " (kept: " << result.reason << ")";
            break;
        case TLockOutcome::WrongParameters:
            ++rejected;
            out << "rejected " << path << ": " << result.reason;
            break;
        case TLockOutcome::Failed:
            ++failed;
            out << "failed " << path << ": " << result.reason;
            break;
        case TLockOutcome::RunEnded:
            ++failed;
            ended = true;
            out << "stopped at " << path << ": " << result.reason;
            break;
        }
        out << " [" << percent << "%]\n" << std::flush;
    };
    worker.Resume();
    worker.WaitFor();
    return !ended;
}

int LockOrUnlock(TCliContext& context, const TLockArgs& args, TLockMode mode)
{
    const auto cipher = FindInCatalogue(filesecurity::CipherCatalogue(), args.cipher);
    const auto hash = FindInCatalogue(filesecurity::HashCatalogue(), args.hash);
    if (!cipher)
        return context.Fail("no cipher named " + args.cipher + " (see: lumexa-cli ciphers)");
    if (!hash)
        return context.Fail("no hash named " + args.hash + " (see: lumexa-cli ciphers)");
    if (args.passwordFile.empty() && !args.passwordStdin)
        return context.Fail("give the password with --password-file FILE or --password-stdin");
    const std::optional<std::string> password = ReadPassword(context, args);
    if (!password)
        return context.Fail("cannot read the password file " + args.passwordFile);

    // Rows as the windows hold them: files first, then folders.
    platform::FileSystem& files = Machine::Current().Files();
    std::vector<TLockRow> fileRows, folderRows;
    int problems = 0;
    int total = 0;
    for (const std::string& given : args.paths) {
        const std::string path = files.FullPath(files.FromUserPath(given));
        const std::size_t slash = path.find_last_of('\\');
        if (files.DirectoryExists(path) && slash != std::string::npos && slash + 1 < path.size()) {
            folderRows.push_back({path.substr(slash + 1), path.substr(0, slash), "Folder", true});
            std::vector<std::string> targets;
            filesecurity::CollectLockTargets(path, mode, targets);
            total += static_cast<int>(targets.size());
        } else if (files.FileExists(path) && slash != std::string::npos) {
            fileRows.push_back({path.substr(slash + 1), path.substr(0, slash + 1), "File", true});
            ++total;
        } else {
            context.err << "lumexa-cli: " << path << ": no such file or folder\n";
            ++problems;
        }
    }
    // The backup comes before anything is enciphered; without it the run does not start.
    if (mode == TLockMode::Lock && args.backup) {
        std::vector<TLockRow> rows = fileRows;
        rows.insert(rows.end(), folderRows.begin(), folderRows.end());
        filesecurity::TLockerBackup archiver;
        const filesecurity::TBackupResult backup = archiver.Create(filesecurity::BackupFileList(rows));
        if (!backup.ok)
            return context.Fail(backup.error + "; nothing was locked");
        if (backup.archive.empty())
            context.out << "backup: no files to archive\n";
        else
            context.out << "backup " << backup.archive << " (" << backup.files << " file(s))\n" << std::flush;
    }
    int done = 0, failed = 0, rejected = 0;
    bool goOn = true;
    if (!fileRows.empty())
        goOn = RunWorker<filesecurity::TFilesEncDec>(
            context, fileRows, total, 0, *cipher, *hash, mode, *password, done, failed, rejected);
    if (goOn && !folderRows.empty())
        RunWorker<filesecurity::TFolderEncDec>(context,
                                               folderRows,
                                               total,
                                               static_cast<int>(fileRows.size()),
                                               *cipher,
                                               *hash,
                                               mode,
                                               *password,
                                               done,
                                               failed,
                                               rejected);

    if (mode == TLockMode::Lock) {
        context.out << done << " file(s) locked, " << failed << " failed\n";
        if (failed + problems > 0)
            return context.Fail(core::Msg("strFL_MESSAGE001"));
        return 0;
    }
    context.out << done << " file(s) decrypted, " << rejected << " " << core::Msg("strFL_MESSAGE024") << ", " << failed
                << " failed\n";
    if (rejected > 0)
        return context.Fail(core::Msg("strFL_MESSAGE022"));
    if (failed + problems > 0)
        return context.Fail(std::to_string(failed + problems) + " file(s) could not be unlocked");
    return 0;
}

int Ciphers(TCliContext& context, bool json)
{
    ordered_json ciphers = ordered_json::array();
    ordered_json hashes = ordered_json::array();
    const auto cipherCatalogue = filesecurity::CipherCatalogue();
    const auto hashCatalogue = filesecurity::HashCatalogue();
    for (std::size_t i = 0; i < cipherCatalogue.size(); ++i)
        ciphers.push_back({{"index", i},
                           {"name", cipherCatalogue[i].name},
                           {"blockBits", cipherCatalogue[i].blockBytes * 8},
                           {"largestKeyBits", cipherCatalogue[i].largestKeyBits}});
    for (std::size_t i = 0; i < hashCatalogue.size(); ++i)
        hashes.push_back({{"index", i}, {"name", hashCatalogue[i].name}, {"digestBits", hashCatalogue[i].digestBits}});
    const std::string rule = "effective key bits = min(largest key of the cipher, digest of the hash)";
    if (json) {
        context.out << ordered_json{{"ciphers", ciphers}, {"hashes", hashes}, {"effectiveKeyRule", rule}}.dump(2)
                    << "\n";
        return 0;
    }
    context.out << "Ciphers (index, name, block bits, largest key bits):\n";
    for (const auto& c : ciphers)
        context.out << "  " << c["index"].get<int>() << "  " << c["name"].get<std::string>() << "  "
                    << c["blockBits"].get<int>() << "  " << c["largestKeyBits"].get<int>() << "\n";
    context.out << "Hashes (index, name, digest bits):\n";
    for (const auto& h : hashes)
        context.out << "  " << h["index"].get<int>() << "  " << h["name"].get<std::string>() << "  "
                    << h["digestBits"].get<int>() << "\n";
    context.out << rule << "\n";
    return 0;
}

void AddLockOptions(CLI::App* command, TLockArgs& args)
{
    command->add_option("--cipher", args.cipher, "Cipher: display name or index (see: lumexa-cli ciphers)")->required();
    command->add_option("--hash", args.hash, "Hash: display name or index")->required();
    auto* file = command->add_option(
        "--password-file", args.passwordFile, "File holding the password (one trailing line break is ignored)");
    auto* in = command->add_flag("--password-stdin", args.passwordStdin, "Read the password from standard input");
    file->excludes(in);
    command->add_option("PATH", args.paths, "Files and folders: Windows paths or host paths")->required();
}

} // namespace

void AddLockerCommands(CLI::App& app, TCliContext& context, TCliDispatch& dispatch)
{
    auto lockArgs = std::make_shared<TLockArgs>();
    CLI::App* lock = app.add_subcommand("lock", "Encrypt files and folders into .lxe files");
    AddLockOptions(lock, *lockArgs);
    lock->add_flag("--backup",
                   lockArgs->backup,
                   "First archive the files into a zip in LockerBackups of the program folder; if it cannot be "
                   "written, nothing is locked");
    dispatch.On(lock, [&context, lockArgs] {
        return context.OpenMachine() ? LockOrUnlock(context, *lockArgs, TLockMode::Lock) : 1;
    });

    auto unlockArgs = std::make_shared<TLockArgs>();
    CLI::App* unlock = app.add_subcommand("unlock", "Decrypt .lxe files, alone or in folders");
    AddLockOptions(unlock, *unlockArgs);
    dispatch.On(unlock, [&context, unlockArgs] {
        return context.OpenMachine() ? LockOrUnlock(context, *unlockArgs, TLockMode::Unlock) : 1;
    });

    auto json = std::make_shared<bool>(false);
    CLI::App* ciphers = app.add_subcommand("ciphers", "List the ciphers and hashes of the locker and the hider");
    ciphers->add_flag("--json", *json, "Print one JSON document");
    dispatch.On(ciphers, [&context, json] { return Ciphers(context, *json); });
}

} // namespace lumexa::app
