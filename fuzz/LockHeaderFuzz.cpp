// libFuzzer target for the locked-file header reader (ParseLockHeader).
//
// Any input must either be refused with a status and a reason, or be accepted with every field
// in range; an accepted header is written back and read again: the second reading must equal
// the first, and the written bytes must equal the input's, except the meaningless bytes after
// the check text.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>

#include "filesecurity/crypto/Catalogue.h"
#include "filesecurity/crypto/LockHeader.h"

using namespace lumexa::filesecurity;

namespace {

[[noreturn]] void Crash(const char* what, const std::string& detail = {})
{
    std::fprintf(stderr, "lock_header_fuzz: %s\n%s\n", what, detail.c_str());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::uint8_t> bytes(data, size);
    const THeaderParse parse = ParseLockHeader(bytes);
    if (parse.status != THeaderStatus::Ok) {
        if (parse.reason.empty())
            Crash("a refusal without a reason");
        return 0;
    }
    const TLockHeader& h = parse.header;
    if (h.tableIndex < 1 || h.tableIndex > 100 || h.cipherIndex >= kCipherCount || h.hashIndex >= kHashCount ||
        h.check.size() > 20 || h.iv.size() != CipherCatalogue()[h.cipherIndex].blockBytes)
        Crash("an accepted header with a field out of range");
    const std::size_t headerSize = LockHeaderSize(h.cipherIndex);
    if (size < headerSize)
        Crash("a header accepted from fewer bytes than it has");
    const auto written = SerializeLockHeader(h);
    if (!written || written->size() != headerSize)
        Crash("an accepted header cannot be written back");
    const THeaderParse again = ParseLockHeader(*written);
    if (again.status != THeaderStatus::Ok || !(again.header == h))
        Crash("writing and reading again changes the header", again.reason);
    const std::size_t checkEnd = 4 + h.check.size();
    for (std::size_t i = 0; i < headerSize; ++i)
        if ((i < checkEnd || i >= 24) && (*written)[i] != data[i])
            Crash("the written header differs from the input", std::to_string(i));
    return 0;
}
