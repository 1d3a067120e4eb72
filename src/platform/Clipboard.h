#pragma once

#include <optional>
#include <string>
#include <string_view>

// The machine's clipboard: one text, as CF_TEXT holds it. Windows keeps the clipboard in
// memory, so it is lost on a restart; on this platform it is the file <root>/state/clipboard,
// which Machine::Reboot removes. Every change replaces the file whole (a temporary file
// renamed over it), so a reader in any thread or process sees the old text or the new one,
// never part of either.
namespace lumexa::platform {

class Machine;

class Clipboard
{
public:
    explicit Clipboard(const Machine& machine);
    Clipboard(const Clipboard&) = delete;
    Clipboard& operator=(const Clipboard&) = delete;

    // EmptyClipboard + SetClipboardData(CF_TEXT): the text replaces whatever the clipboard
    // held. An empty text is still data, as a CF_TEXT of one NUL is. False with the last error
    // set when the clipboard cannot be written; it then keeps its former contents.
    bool SetText(std::string_view text);
    // GetClipboardData(CF_TEXT): nullopt when the clipboard holds nothing.
    std::optional<std::string> GetText() const;
    // CountClipboardFormats() != 0.
    bool HasData() const;
    // EmptyClipboard: true also when the clipboard was empty already; false with the last
    // error set when its contents cannot be dropped.
    bool Empty();

    // Host path of the file that holds the contents.
    const std::string& HostPath() const { return m_path; }

private:
    std::string m_path;
};

} // namespace lumexa::platform
