#pragma once

#include <string_view>

// The settings-password gate: item 31 switches it on, item 32 holds the password. Once the
// right password was given the gate stays open for the rest of the run.
namespace lumexa::core::ui {

class TPasswordGate
{
public:
    // True when nothing needs to be asked: already unlocked, or no password is required.
    bool Open() const;
    bool Unlocked() const { return m_unlocked; }
    void Unlock() { m_unlocked = true; }

    // Compares the typed text with the stored password (item 32), both trimmed of leading and
    // trailing blanks, case-sensitively. Trimming both sides matters: a password saved with a
    // blank would otherwise never match what is typed.
    static bool Matches(std::string_view typed);

private:
    bool m_unlocked = false;
};

} // namespace lumexa::core::ui
