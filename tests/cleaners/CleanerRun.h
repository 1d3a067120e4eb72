#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "core/SecureCleaner.h"

// Runs a cleaner the way the cleaning run does and records what it raised.
namespace lumexa::test {

struct TErased
{
    std::string name;
    std::uint8_t item = 0;
    bool success = false;
    std::uint64_t size = 0;
    friend bool operator==(const TErased&, const TErased&) = default;
    friend bool operator<(const TErased& a, const TErased& b) { return a.name < b.name; }
};

inline std::ostream& operator<<(std::ostream& out, const TErased& e)
{
    return out << "{" << e.name << ", " << int(e.item) << ", " << e.success << ", " << e.size << "}";
}

struct TCleanerRecord
{
    std::vector<TErased> erased;
    // Every event in the order raised: "started 92", "erased 92 C:\...", "finished 92".
    std::vector<std::string> events;
};

// Wires the events, resumes the cleaner and waits until it has set Terminated and ended.
// Events run on the cleaner's thread; the record is read only after the thread has ended.
inline TCleanerRecord RunCleaner(core::TSecureCleaner& cleaner)
{
    TCleanerRecord record;
    cleaner.ItemStarted = [&](std::uint8_t item) { record.events.push_back("started " + std::to_string(item)); };
    cleaner.ItemFinished = [&](std::uint8_t item) { record.events.push_back("finished " + std::to_string(item)); };
    cleaner.ReportErased = [&](const std::string& name, std::uint8_t item, bool success, std::uint64_t size) {
        record.erased.push_back({name, item, success, size});
        record.events.push_back("erased " + std::to_string(item) + " " + name);
    };
    cleaner.Resume();
    cleaner.WaitFor();
    return record;
}

} // namespace lumexa::test
