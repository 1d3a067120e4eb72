#pragma once

#include <cstdint>
#include <string>

// The secure-deletion settings of one job: the method, the custom pattern and passes, and the
// flags the disk wiper keeps beside them. Two stores exist: the tracks eraser's items 33..37
// of the settings store, and the disk tools' key "SOFTWARE\Orvanta\Lumexa\Settings\DriveCleaner"
// under HKEY_LOCAL_MACHINE.
namespace lumexa::core {

// Source values.
inline constexpr std::uint8_t SecureDeleteSourceItems = 0;        // settings items 33..37
inline constexpr std::uint8_t SecureDeleteSourceDriveCleaner = 1; // the DriveCleaner key
// Any other source loads and saves nothing (2 is what callers pass for "the defaults").

// Method values.
inline constexpr std::uint8_t MethodNone = 0;
inline constexpr std::uint8_t MethodDoD = 1;      // DOD 5220.22-M, 3 passes
inline constexpr std::uint8_t MethodGutmann = 2;  // 35 passes
inline constexpr std::uint8_t MethodNsa = 3;      // 7 passes
inline constexpr std::uint8_t MethodGost = 4;     // five in-place GOST 28147-89 encryptions
inline constexpr std::uint8_t MethodCustom = 5;   // OverwriteTimes passes of OverwritePattern
inline constexpr std::uint8_t MethodAnalysis = 6; // report everything, change nothing

// OverwritePattern values of the custom method.
inline constexpr std::uint8_t PatternRandom = 0;
inline constexpr std::uint8_t PatternZeros = 1;
inline constexpr std::uint8_t PatternOnes = 2; // bytes 0xFF

// The custom method runs at most this many passes; larger stored counts are clamped.
inline constexpr std::int32_t MaxOverwriteTimes = 99;

inline constexpr const char* DriveCleanerKey = "SOFTWARE\\Orvanta\\Lumexa\\Settings\\DriveCleaner";

class TSecureDeleteOptions
{
public:
    explicit TSecureDeleteOptions(std::uint8_t source = SecureDeleteSourceItems);

    // Reads the fields from the store the source names. A stored method outside 0..5 reads
    // as None from the items and as the default DoD method from the DriveCleaner key, so a
    // stored 6 never turns an erase into an analysis; OverwriteTimes is clamped to 0..99.
    void Load();
    // Writes the fields to the store the source names (never EnableSecureErasing to the
    // DriveCleaner key, which only the disk tools' own page writes).
    void Save() const;
    // The method's display name in the current language; empty for the analysis mode and any
    // other value.
    std::string GetMethodName() const;

    std::uint8_t Source = SecureDeleteSourceItems;
    bool EnableSecureErasing = false;
    std::uint8_t Method = MethodDoD;
    bool CleanClusterTips = false;
    bool CleanMFTRecords = false;
    std::uint8_t OverwritePattern = PatternRandom;
    bool ScrambleNames = false;
    std::int32_t OverwriteTimes = 1;

private:
    void LoadFromItems();
    void LoadFromDriveCleaner();
};

} // namespace lumexa::core
