#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <zip.h>

// Reads a whole zip archive from the host with libzip, independently of the code that wrote
// it, so the tests see what any zip reader sees.
namespace lumexa::test {

struct TZipEntry
{
    std::string name;
    std::string data;
    std::uint16_t compression = 0; // ZIP_CM_*
    std::uint16_t dosDate = 0;
    std::uint16_t dosTime = 0;
};

// Empty with `error` set when the archive cannot be read.
inline std::vector<TZipEntry> ReadZip(const std::string& hostPath, std::string* error = nullptr)
{
    std::vector<TZipEntry> entries;
    int code = 0;
    zip_t* zip = zip_open(hostPath.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    if (!zip) {
        if (error)
            *error = "cannot open " + hostPath + " (libzip error " + std::to_string(code) + ")";
        return entries;
    }
    const zip_int64_t count = zip_get_num_entries(zip, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const auto index = static_cast<zip_uint64_t>(i);
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(zip, index, 0, &st) != 0)
            continue;
        TZipEntry entry;
        entry.name = st.name;
        entry.compression = st.comp_method;
        entry.data.resize(st.size);
        zip_file_t* file = zip_fopen_index(zip, index, 0);
        if (file) {
            const zip_int64_t got = zip_fread(file, entry.data.data(), st.size);
            entry.data.resize(got < 0 ? 0 : static_cast<std::size_t>(got));
            zip_fclose(file);
        }
        entries.push_back(std::move(entry));
    }
    zip_close(zip);
    // The DOS date and time as written, from the central directory (APPNOTE 4.3.12: signature
    // PK\1\2, time at +12, date at +14, name length at +28, name at +46); libzip would convert
    // them through the host's time zone.
    std::ifstream in(hostPath, std::ios::binary);
    const std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto u16 = [&raw](std::size_t at) {
        return static_cast<std::uint16_t>(static_cast<unsigned char>(raw[at]) |
                                          (static_cast<unsigned char>(raw[at + 1]) << 8));
    };
    for (std::size_t at = raw.find("PK\1\2"); at != std::string::npos && at + 46 <= raw.size();
         at = raw.find("PK\1\2", at + 4)) {
        const std::string name = raw.substr(at + 46, u16(at + 28));
        for (TZipEntry& entry : entries)
            if (entry.name == name) {
                entry.dosTime = u16(at + 12);
                entry.dosDate = u16(at + 14);
            }
    }
    return entries;
}

} // namespace lumexa::test
