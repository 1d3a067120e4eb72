#include "core/ui/PasswordGate.h"

#include "core/SettingsManager.h"
#include "platform/Text.h"

namespace lumexa::core::ui {

namespace {
constexpr std::uint8_t PasswordEnabledItem = 31;
constexpr std::uint8_t PasswordItem = 32;
} // namespace

bool TPasswordGate::Open() const
{
    return m_unlocked || !TSettingsManager::ReadBool(PasswordEnabledItem);
}

bool TPasswordGate::Matches(std::string_view typed)
{
    return platform::Trim(typed) == platform::Trim(TSettingsManager::ReadString(PasswordItem));
}

} // namespace lumexa::core::ui
