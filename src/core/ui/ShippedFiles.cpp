#include "core/ui/ShippedFiles.h"

#include <cstddef>
#include <string>

#include "platform/FileSystem.h"
#include "platform/Machine.h"

// Generated at build time from resources/Tips.dat (cmake/EmbedText.cmake).
extern const char g_tipsText[];
extern const std::size_t g_tipsTextSize;

namespace lumexa::core::ui {

std::string_view ShippedTipsText()
{
    return {g_tipsText, g_tipsTextSize};
}

bool InstallShippedFiles(platform::Machine& machine)
{
    machine.RestoreShippedFiles();
    const std::string tips = machine.ProgramFolder() + "Tips.dat";
    if (machine.Files().FileExists(tips))
        return true;
    // The program's own text files have CR LF line ends, as on Windows.
    std::string text;
    for (const char c : ShippedTipsText()) {
        if (c == '\n')
            text += '\r';
        text += c;
    }
    while (text.size() >= 4 && text.compare(text.size() - 4, 4, "\r\n\r\n") == 0)
        text.resize(text.size() - 2); // the embedding adds a final line end
    return machine.Files().WriteWholeFileAtomic(tips, text);
}

} // namespace lumexa::core::ui
