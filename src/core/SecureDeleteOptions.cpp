#include "core/SecureDeleteOptions.h"

#include <algorithm>

#include "core/MessageTable.h"
#include "core/SettingsManager.h"
#include "platform/Machine.h"
#include "platform/Registry.h"

namespace lumexa::core {

namespace {

constexpr std::uint8_t ItemEnableSecureErasing = 33;
constexpr std::uint8_t ItemMethod = 34;
constexpr std::uint8_t ItemOverwritePattern = 35;
constexpr std::uint8_t ItemScrambleNames = 36;
constexpr std::uint8_t ItemOverwriteTimes = 37;

std::int32_t ClampTimes(std::int64_t times)
{
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(times, 0, MaxOverwriteTimes));
}

// A REG_DWORD of the DriveCleaner key; anything else (missing, wrong type) is the default.
std::uint32_t ReadDword(const platform::RegKey& key, const char* name, std::uint32_t defaultValue)
{
    std::uint32_t value = 0;
    return key.GetDword(name, value) == platform::RegRead::Ok ? value : defaultValue;
}

} // namespace

TSecureDeleteOptions::TSecureDeleteOptions(std::uint8_t source)
    : Source(source)
{}

void TSecureDeleteOptions::Load()
{
    if (Source == SecureDeleteSourceItems)
        LoadFromItems();
    else if (Source == SecureDeleteSourceDriveCleaner)
        LoadFromDriveCleaner();
}

void TSecureDeleteOptions::LoadFromItems()
{
    EnableSecureErasing = TSettingsManager::ReadBool(ItemEnableSecureErasing);
    const int method = EnableSecureErasing ? TSettingsManager::ReadInteger(ItemMethod, MethodNone) : MethodNone;
    Method = method >= MethodNone && method <= MethodCustom ? static_cast<std::uint8_t>(method) : MethodNone;
    OverwritePattern = static_cast<std::uint8_t>(TSettingsManager::ReadInteger(ItemOverwritePattern, PatternRandom));
    ScrambleNames = TSettingsManager::ReadBool(ItemScrambleNames);
    OverwriteTimes = ClampTimes(TSettingsManager::ReadInteger(ItemOverwriteTimes, 0));
}

void TSecureDeleteOptions::LoadFromDriveCleaner()
{
    // A missing key keeps the construction values.
    const auto key = platform::Machine::Current().Registry().Open(platform::HKEY_LOCAL_MACHINE, DriveCleanerKey);
    if (!key)
        return;
    const std::uint32_t method = ReadDword(*key, "SSDeleteMethod", MethodDoD);
    Method = method <= MethodCustom ? static_cast<std::uint8_t>(method) : MethodDoD;
    EnableSecureErasing = ReadDword(*key, "EnableSecureErasing", 0) != 0;
    CleanClusterTips = ReadDword(*key, "CleanClusterTips", 0) != 0;
    CleanMFTRecords = ReadDword(*key, "CleanMFTRecords", 0) != 0;
    OverwritePattern = static_cast<std::uint8_t>(ReadDword(*key, "SecureOverwriteMethod", PatternRandom));
    ScrambleNames = ReadDword(*key, "ScrambleFileFolderName", 0) != 0;
    OverwriteTimes = ClampTimes(static_cast<std::int32_t>(ReadDword(*key, "FileOverwriteTimes", 1)));
}

void TSecureDeleteOptions::Save() const
{
    if (Source == SecureDeleteSourceItems) {
        TSettingsManager::WriteBool(ItemEnableSecureErasing, EnableSecureErasing);
        TSettingsManager::WriteInteger(ItemMethod, Method);
        TSettingsManager::WriteInteger(ItemOverwritePattern, OverwritePattern);
        TSettingsManager::WriteBool(ItemScrambleNames, ScrambleNames);
        TSettingsManager::WriteInteger(ItemOverwriteTimes, OverwriteTimes);
        return;
    }
    if (Source != SecureDeleteSourceDriveCleaner)
        return;
    // Errors are swallowed, as every settings write of the program.
    const auto key = platform::Machine::Current().Registry().Create(platform::HKEY_LOCAL_MACHINE, DriveCleanerKey);
    if (!key)
        return;
    key->SetDword("SSDeleteMethod", Method);
    key->SetDword("CleanClusterTips", CleanClusterTips ? 1 : 0);
    key->SetDword("CleanMFTRecords", CleanMFTRecords ? 1 : 0);
    key->SetDword("SecureOverwriteMethod", OverwritePattern);
    key->SetDword("ScrambleFileFolderName", ScrambleNames ? 1 : 0);
    key->SetDword("FileOverwriteTimes", static_cast<std::uint32_t>(OverwriteTimes));
}

std::string TSecureDeleteOptions::GetMethodName() const
{
    switch (Method) {
    case MethodNone:
        return Msg("strLX_CAPTION654");
    case MethodDoD:
        return Msg("strLX_CAPTION614");
    case MethodGutmann:
        return Msg("strLX_CAPTION615");
    case MethodNsa:
        return Msg("strLX_CAPTION616");
    case MethodGost:
        return Msg("strLX_CAPTION617");
    case MethodCustom:
        return Msg("strLX_CAPTION655");
    default:
        return {};
    }
}

} // namespace lumexa::core
