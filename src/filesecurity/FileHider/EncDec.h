#pragma once

#include <cstddef>
#include <functional>
#include <string>

// The hider's cipher step: its archive ("<name>.zp1") is enciphered into "<name>.zp1.lxe" in
// the locked-file format (same header, password table, catalogues and body mode as the
// locker) and deciphered back into a file whose last extension is ".zp1". Unlike the locker's
// worker threads it runs on the caller's thread and reports progress as the second half of the
// hider's job (50..100), letting the user interface repaint after every piece.
namespace lumexa::filesecurity::hider {

struct TEncDecResult
{
    bool ok = false;
    std::string output;           // the file written, when ok
    bool wrongParameters = false; // the file refused the password, cipher or hash
    // When not ok: the text to show. A refused file gives strFH_MESSAGE040; any other failure
    // names the file and the cause.
    std::string message;
};

// "<path>" with its last extension replaced by ".zp1" (added when it has none), as Delphi's
// ChangeFileExt: "a.lxe" gives "a.zp1", "a.zp1.lxe" gives "a.zp1.zp1", "C:\x.y\data" gives
// "C:\x.y\data.zp1".
std::string ArchiveNameOf(const std::string& path);

class TEncDec
{
public:
    TEncDec(std::size_t cipherIndex, std::size_t hashIndex, std::string password);
    ~TEncDec();
    TEncDec(const TEncDec&) = delete;
    TEncDec& operator=(const TEncDec&) = delete;

    // 50 + (i / n x 50), truncated, after the i-th of the body's n full 8,192-byte pieces, and
    // 100 after the final partial piece (or at once for an empty body). The user interface
    // processes its pending events after each call.
    std::function<void(int percent)> OnProgress;

    // Enciphers `archive` into archive + ".lxe" (written under a temporary name in the same
    // folder, renamed without replacing anything) and only then deletes `archive`.
    [[nodiscard]] TEncDecResult Encrypt(const std::string& archive);
    // Deciphers a locked file into ArchiveNameOf(locked) the same way and then deletes it. A
    // file that refuses the password, cipher or hash is left as it was.
    [[nodiscard]] TEncDecResult Decrypt(const std::string& locked);

private:
    void Report(int percent) const;

    std::size_t m_cipherIndex;
    std::size_t m_hashIndex;
    std::string m_password;
};

} // namespace lumexa::filesecurity::hider
