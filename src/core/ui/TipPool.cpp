#include "core/ui/TipPool.h"

#include "platform/FileSystem.h"
#include "platform/Machine.h"

namespace lumexa::core::ui {

namespace {
std::mt19937& SharedRandom()
{
    static std::mt19937 random{std::random_device{}()};
    return random;
}

std::size_t Draw(std::mt19937& random, std::size_t count)
{
    return std::uniform_int_distribution<std::size_t>(0, count - 1)(random);
}
} // namespace

std::vector<std::string> ReadTips(platform::Machine& machine)
{
    const auto text = machine.Files().ReadWholeFile(machine.ProgramFolder() + "Tips.dat");
    std::vector<std::string> tips;
    if (!text)
        return tips;
    std::size_t start = 0;
    while (start < text->size()) {
        std::size_t end = text->find('\n', start);
        if (end == std::string::npos)
            end = text->size();
        std::string line = text->substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.find_first_not_of(" \t") != std::string::npos)
            tips.push_back(std::move(line));
        start = end + 1;
    }
    return tips;
}

std::optional<std::string> RandomTip(platform::Machine& machine)
{
    std::vector<std::string> tips = ReadTips(machine);
    if (tips.empty())
        return std::nullopt;
    return std::move(tips[Draw(SharedRandom(), tips.size())]);
}

TTipPool::TTipPool()
    : m_random(std::random_device{}())
{}

std::optional<std::string> TTipPool::NextTip(platform::Machine& machine)
{
    if (m_pool.empty())
        m_pool = ReadTips(machine);
    if (m_pool.empty())
        return std::nullopt;
    const std::size_t index = Draw(m_random, m_pool.size());
    std::string tip = std::move(m_pool[index]);
    m_pool.erase(m_pool.begin() + static_cast<std::ptrdiff_t>(index));
    return tip;
}

} // namespace lumexa::core::ui
