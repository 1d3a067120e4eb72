#pragma once

#include <optional>
#include <random>
#include <string>
#include <vector>

namespace lumexa::platform {
class Machine;
}

// The tips of "Tips.dat" in the program folder, one tip per line.
namespace lumexa::core::ui {

// The tips of the machine's "Tips.dat"; empty when the file is missing. Line ends may be CR LF
// or LF; blank lines are no tips.
std::vector<std::string> ReadTips(platform::Machine& machine);

// One tip drawn at random, each equally likely; nullopt when there is none.
std::optional<std::string> RandomTip(platform::Machine& machine);

// The pool of the "Tip of the day" window: each tip is drawn at random and removed, so every
// tip comes once before any comes again; an empty pool is refilled from "Tips.dat".
class TTipPool
{
public:
    TTipPool();
    std::optional<std::string> NextTip(platform::Machine& machine);
    std::size_t Remaining() const { return m_pool.size(); }

private:
    std::vector<std::string> m_pool;
    std::mt19937 m_random;
};

} // namespace lumexa::core::ui
