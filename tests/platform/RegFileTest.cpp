#include "platform/RegFile.h"

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/LastError.h"
#include "platform/Registry.h"
#include "support/TempDir.h"

namespace lumexa::platform {
namespace {

using test::TempDir;
using namespace std::string_view_literals;

std::vector<std::uint8_t> Bytes(std::string_view text)
{
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

std::unique_ptr<Registry> OpenFresh(const TempDir& dir, const std::string& name)
{
    std::string error;
    auto reg = Registry::OpenDatabase(dir / name, &error);
    EXPECT_TRUE(reg) << error;
    return reg;
}

// Every key below `root\path` (depth first) with its values, for comparing two registries.
void Collect(const Registry& reg,
             HKEY root,
             const std::string& path,
             std::vector<std::pair<std::string, std::vector<RegValue>>>& out)
{
    auto key = reg.Open(root, path);
    ASSERT_TRUE(key) << path;
    out.emplace_back(path, key->Values());
    for (const std::string& sub : key->SubKeyNames())
        Collect(reg, root, path.empty() ? sub : path + "\\" + sub, out);
}

std::vector<std::pair<std::string, std::vector<RegValue>>>
Snapshot(const Registry& reg, HKEY root, const std::string& path)
{
    std::vector<std::pair<std::string, std::vector<RegValue>>> out;
    Collect(reg, root, path, out);
    return out;
}

// Utf-8 to UTF-16LE with a BOM, for the importer's UTF-16 input.
std::string ToUtf16Le(std::string_view utf8)
{
    std::string out = "\xFF\xFE";
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        char32_t cp = lead;
        std::size_t length = 1;
        if (lead >= 0xF0) {
            cp = lead & 0x07;
            length = 4;
        } else if (lead >= 0xE0) {
            cp = lead & 0x0F;
            length = 3;
        } else if (lead >= 0xC0) {
            cp = lead & 0x1F;
            length = 2;
        }
        for (std::size_t k = 1; k < length; ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        i += length;
        auto unit = [&](char32_t u) {
            out += static_cast<char>(u & 0xFF);
            out += static_cast<char>(u >> 8);
        };
        if (cp >= 0x10000) {
            unit(0xD800 + ((cp - 0x10000) >> 10));
            unit(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            unit(cp);
        }
    }
    return out;
}

// ---- Export format ------------------------------------------------------------------------

TEST(RegFileTest, ExportFormat)
{
    TempDir dir;
    auto reg = OpenFresh(dir, "registry.db");
    auto key = reg->Create(HKEY_CURRENT_USER, "Software\\Fmt");
    ASSERT_TRUE(key->SetString("", "default"));
    ASSERT_TRUE(key->SetString("Name", "va\\l\"ue"));
    ASSERT_TRUE(key->SetDword("Num", 0xabcd));
    ASSERT_TRUE(key->SetBinary("Bin", Bytes("\x01\x02\xff")));
    ASSERT_TRUE(key->SetString("Exp", "%", RegType::ExpandSz));
    ASSERT_TRUE(key->SetQword("Q", 1));
    ASSERT_TRUE(key->SetMultiString("M", {"a", "b"}));
    ASSERT_TRUE(key->SetValue("None", RegType::None, {}));
    ASSERT_TRUE(key->SetValue("Odd", static_cast<RegType>(0x12345), Bytes("\x01")));
    ASSERT_TRUE(key->CreateSubKey("b"));
    ASSERT_TRUE(key->CreateSubKey("A")->SetDword("x", 1));
    ASSERT_TRUE(reg->Create(HKEY_CURRENT_USER, "Software\\Fmt\\A\\Deep"));

    const std::string expected = "REGEDIT4\r\n"
                                 "\r\n"
                                 "[HKEY_CURRENT_USER\\Software\\Fmt]\r\n"
                                 "@=\"default\"\r\n"
                                 "\"Name\"=\"va\\\\l\\\"ue\"\r\n"
                                 "\"Num\"=dword:0000abcd\r\n"
                                 "\"Bin\"=hex:01,02,ff\r\n"
                                 "\"Exp\"=hex(2):25,00\r\n"
                                 "\"Q\"=hex(b):01,00,00,00,00,00,00,00\r\n"
                                 "\"M\"=hex(7):61,00,62,00,00\r\n"
                                 "\"None\"=hex(0):\r\n"
                                 "\"Odd\"=hex(12345):01\r\n"
                                 "\r\n"
                                 "[HKEY_CURRENT_USER\\Software\\Fmt\\A]\r\n"
                                 "\"x\"=dword:00000001\r\n"
                                 "\r\n"
                                 "[HKEY_CURRENT_USER\\Software\\Fmt\\A\\Deep]\r\n"
                                 "\r\n"
                                 "[HKEY_CURRENT_USER\\Software\\Fmt\\b]\r\n"
                                 "\r\n";
    const auto text = reg->ExportReg(HKEY_CURRENT_USER, "software\\fmt");
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, expected);
}

TEST(RegFileTest, ExportOfEveryRootAndOfAMissingKey)
{
    TempDir dir;
    auto reg = OpenFresh(dir, "registry.db");
    const auto all = reg->ExportReg();
    ASSERT_TRUE(all);
    EXPECT_EQ(*all,
              "REGEDIT4\r\n\r\n"
              "[HKEY_CLASSES_ROOT]\r\n\r\n"
              "[HKEY_CURRENT_USER]\r\n\r\n"
              "[HKEY_LOCAL_MACHINE]\r\n\r\n"
              "[HKEY_USERS]\r\n\r\n"
              "[HKEY_CURRENT_CONFIG]\r\n\r\n");
    const auto root = reg->ExportReg(HKEY_USERS);
    ASSERT_TRUE(root);
    EXPECT_EQ(*root, "REGEDIT4\r\n\r\n[HKEY_USERS]\r\n\r\n");

    SetLastError(0);
    EXPECT_FALSE(reg->ExportReg(HKEY_CURRENT_USER, "Software\\Missing"));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    SetLastError(0);
    EXPECT_FALSE(reg->ExportReg(HKEY_PERFORMANCE_DATA));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    SetLastError(0);
    EXPECT_FALSE(reg->ExportReg(0, "Software"));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(RegFileTest, NamesThatCannotBeWrittenFailTheExport)
{
    TempDir dir;
    auto reg = OpenFresh(dir, "registry.db");
    ASSERT_TRUE(reg->Create(HKEY_CURRENT_USER, "Software\\Line\rBreak"));
    SetLastError(0);
    EXPECT_FALSE(reg->ExportReg(HKEY_CURRENT_USER, "Software"));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_DATA);
    ASSERT_TRUE(reg->DeleteKey(HKEY_CURRENT_USER, "Software\\Line\rBreak"));
    ASSERT_TRUE(reg->Create(HKEY_CURRENT_USER, "Software\\Ok")->SetDword("new\nline", 1));
    EXPECT_FALSE(reg->ExportReg(HKEY_CURRENT_USER, "Software"));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_DATA);
}

TEST(RegFileTest, HexLinesWrapLikeRegedit)
{
    std::vector<std::uint8_t> data(100);
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<std::uint8_t>(i);
    const std::string text = regfile::Writer::FormatValue(RegValue{"Data", RegType::Binary, data});
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t at; (at = text.find("\r\n", start)) != std::string::npos; start = at + 2)
        lines.push_back(text.substr(start, at - start));
    lines.push_back(text.substr(start));

    ASSERT_EQ(lines.size(), 5u);
    // 22 bytes after "Data"=hex: then 25 bytes per continuation line, as regedit writes them.
    EXPECT_EQ(lines[0], "\"Data\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\");
    EXPECT_EQ(lines[1], "  16,17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,2e,\\");
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_LE(lines[i].size(), 80u) << i;
        if (i > 0) {
            EXPECT_EQ(lines[i].substr(0, 2), "  ");
        }
        if (i + 1 < lines.size()) {
            EXPECT_EQ(lines[i].back(), '\\');
        }
    }
    EXPECT_EQ(lines.back(), "  61,62,63");
}

TEST(RegFileTest, WhichStringsAreWrittenAsText)
{
    using regfile::Writer;
    EXPECT_TRUE(Writer::IsPlainString(Bytes(std::string_view("abc\0", 4))));
    EXPECT_TRUE(Writer::IsPlainString(Bytes(std::string_view("\0", 1))));
    EXPECT_TRUE(Writer::IsPlainString(Bytes("Gr\xC3\xBC\xC3\x9F"
                                            "e\t\"\\\0"sv)));
    EXPECT_FALSE(Writer::IsPlainString({}));                                           // no NUL
    EXPECT_FALSE(Writer::IsPlainString(Bytes("abc")));                                 // no NUL
    EXPECT_FALSE(Writer::IsPlainString(Bytes(std::string_view("a\0b\0", 4))));         // embedded NUL
    EXPECT_FALSE(Writer::IsPlainString(Bytes(std::string_view("a\0\0", 3))));          // two NULs
    EXPECT_FALSE(Writer::IsPlainString(Bytes(std::string_view("a\r\nb\0", 5))));       // line break
    EXPECT_FALSE(Writer::IsPlainString(Bytes(std::string_view("\xC3\0", 2))));         // cut UTF-8
    EXPECT_FALSE(Writer::IsPlainString(Bytes(std::string_view("\xC0\x80\0", 3))));     // overlong
    EXPECT_FALSE(Writer::IsPlainString(Bytes(std::string_view("\xED\xA0\x80\0", 4)))); // surrogate
}

// ---- Round trip ---------------------------------------------------------------------------

TEST(RegFileTest, RoundTripOfEveryTypeIsExact)
{
    TempDir dir;
    auto source = OpenFresh(dir, "source.db");
    auto key = source->Create(HKEY_CURRENT_USER, "Software\\RoundTrip");
    ASSERT_TRUE(key);
    std::vector<std::uint8_t> big(300);
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<std::uint8_t>(i * 7);
    ASSERT_TRUE(key->SetString("", "the default"));
    ASSERT_TRUE(key->SetString("plain", "Hello, world"));
    ASSERT_TRUE(key->SetString("quotes \"and\" \\back\\slashes\\", "C:\\Program Files\\\"Quoted\"\\"));
    ASSERT_TRUE(key->SetString("Grüße – 日本", "Ünïcödé – 日本語 – 😀"));
    ASSERT_TRUE(key->SetString("emptyString", ""));
    ASSERT_TRUE(key->SetString("trailingBackslash", "ends with \\"));
    ASSERT_TRUE(key->SetString("spaces", "  padded  "));
    ASSERT_TRUE(key->SetValue("szNoNul", RegType::Sz, Bytes("abc")));
    ASSERT_TRUE(key->SetValue("szEmbeddedNul", RegType::Sz, Bytes(std::string_view("a\0b\0", 4))));
    ASSERT_TRUE(key->SetValue("szTwoNuls", RegType::Sz, Bytes(std::string_view("a\0\0", 3))));
    ASSERT_TRUE(key->SetValue("szNoData", RegType::Sz, {}));
    ASSERT_TRUE(key->SetValue("szNewline", RegType::Sz, Bytes(std::string_view("line1\r\nline2\0", 13))));
    ASSERT_TRUE(key->SetValue("szBadUtf8", RegType::Sz, Bytes(std::string_view("\xff\xfe\0", 3))));
    ASSERT_TRUE(key->SetString("expand", "%SystemRoot%\\system32", RegType::ExpandSz));
    ASSERT_TRUE(key->SetMultiString("multi", {"one", "two \"2\"", "drei – 3"}));
    ASSERT_TRUE(key->SetMultiString("multiEmpty", {}));
    ASSERT_TRUE(key->SetDword("dword", 0xdeadbeef));
    ASSERT_TRUE(key->SetDword("dwordZero", 0));
    ASSERT_TRUE(key->SetValue("dword3", RegType::Dword, Bytes("\x01\x02\x03")));
    ASSERT_TRUE(key->SetValue("dword0", RegType::Dword, {}));
    ASSERT_TRUE(key->SetValue("bigEndian", RegType::DwordBigEndian, Bytes("\x00\x00\x01\x00"sv)));
    ASSERT_TRUE(key->SetQword("qword", 0xfedcba9876543210ull));
    ASSERT_TRUE(key->SetValue("qword5", RegType::Qword, Bytes("\x01\x02\x03\x04\x05")));
    ASSERT_TRUE(key->SetBinary("binEmpty", {}));
    ASSERT_TRUE(key->SetBinary("binOdd", Bytes("\x01\x02\x03\x04\x05\x06\x07")));
    ASSERT_TRUE(key->SetBinary("binBig", big));
    ASSERT_TRUE(key->SetValue("none", RegType::None, {}));
    ASSERT_TRUE(key->SetValue("noneData", RegType::None, Bytes("\x00\x01"sv)));
    ASSERT_TRUE(key->SetValue("link", RegType::Link, Bytes("\x41\x00"sv)));
    ASSERT_TRUE(key->SetValue("resources", RegType::ResourceList, big));
    ASSERT_TRUE(key->SetValue("custom", static_cast<RegType>(0xffffffffu), Bytes("x")));
    ASSERT_TRUE(key->CreateSubKey("zeta")->SetDword("z", 1));
    ASSERT_TRUE(key->CreateSubKey("Alpha\\Inner")->SetString("s", "inner"));
    ASSERT_TRUE(key->CreateSubKey("beta"));
    ASSERT_TRUE(key->CreateSubKey(" spaced ]name[ ")->SetString("s", "odd key name"));
    ASSERT_TRUE(key->CreateSubKey("Ärger-Ключ")->SetString("s", "non-ASCII key"));
    ASSERT_TRUE(source->Create(HKEY_CLASSES_ROOT, ".lmx")->SetString("", "Lumexa.Document"));
    ASSERT_TRUE(source->Create(HKEY_LOCAL_MACHINE, "")->SetDword("onTheRoot", 5));

    const auto first = source->ExportReg(HKEY_CURRENT_USER, "Software\\RoundTrip");
    ASSERT_TRUE(first);
    auto copy = OpenFresh(dir, "copy.db");
    const auto imported = copy->ImportReg(*first);
    ASSERT_TRUE(imported.ok) << imported.line << ": " << imported.error;
    const auto second = copy->ExportReg(HKEY_CURRENT_USER, "Software\\RoundTrip");
    ASSERT_TRUE(second);
    EXPECT_EQ(*second, *first);
    EXPECT_EQ(Snapshot(*copy, HKEY_CURRENT_USER, "Software\\RoundTrip"),
              Snapshot(*source, HKEY_CURRENT_USER, "Software\\RoundTrip"));

    // The whole registry, too.
    const auto everything = source->ExportReg();
    ASSERT_TRUE(everything);
    auto whole = OpenFresh(dir, "whole.db");
    const auto wholeImport = whole->ImportReg(*everything);
    ASSERT_TRUE(wholeImport.ok) << wholeImport.line << ": " << wholeImport.error;
    EXPECT_EQ(whole->ExportReg(), everything);
    for (const HKEY root : {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS, HKEY_CURRENT_CONFIG})
        EXPECT_EQ(Snapshot(*whole, root, ""), Snapshot(*source, root, "")) << Registry::RootName(root);
}

// ---- Import -------------------------------------------------------------------------------

TEST(RegFileTest, ImportSyntax)
{
    TempDir dir;
    auto reg = OpenFresh(dir, "registry.db");
    ASSERT_TRUE(reg->Create(HKEY_CURRENT_USER, "Software\\Old\\Sub")->SetDword("v", 1));
    ASSERT_TRUE(reg->Create(HKEY_CURRENT_USER, "Software\\Keep")->SetDword("gone", 1));

    const std::string text = "\xEF\xBB\xBF"
                             "REGEDIT4\r\n"
                             "\r\n"
                             "; a comment\r\n"
                             "[-HKEY_CURRENT_USER\\Software\\Old]\n"
                             "[-HKEY_CURRENT_USER\\Software\\NeverExisted]\n"
                             "[HKEY_CURRENT_USER\\Software\\Keep]\n"
                             "\"gone\"=-\n"
                             "\"notThere\"=-\n"
                             "   ; indented comment\n"
                             "[hkcu\\Software\\New]  \n"
                             "@=\"default \\\"quoted\\\" \\\\ value\"\n"
                             "\"spaced\" = \"around equals\"\n"
                             "\"upper\"=DWORD:0000ABCD\n"
                             "\"short\"=dword:1f\n"
                             "\"bin\"=hex:01,2,  ff ,\\\n"
                             "   10,\\\n"
                             "  11\n"
                             "\"trailingComma\"=hex:01,02,\n"
                             "\"empty\"=hex:\n"
                             "\"expand\"=hex(2):25,41,25,00\n"
                             "\"multi\"=hex(7):61,00,62,00,00\n"
                             "\"qword\"=hex(b):01,00,00,00,00,00,00,00\n"
                             "\"generic\"=hex(ABC):07\n"
                             "\"none\"=hex(0):\n"
                             "\"twice\"=\"first\"\n"
                             "\"TWICE\"=\"second\"\n";
    const auto result = reg->ImportReg(text);
    ASSERT_TRUE(result.ok) << result.line << ": " << result.error;

    EXPECT_FALSE(reg->KeyExists(HKEY_CURRENT_USER, "Software\\Old"));
    EXPECT_FALSE(reg->KeyExists(HKEY_CURRENT_USER, "Software\\NeverExisted"));
    EXPECT_TRUE(reg->KeyExists(HKEY_CURRENT_USER, "Software\\Keep"));
    EXPECT_FALSE(reg->Open(HKEY_CURRENT_USER, "Software\\Keep")->HasValue("gone"));

    auto key = reg->Open(HKEY_CURRENT_USER, "Software\\New");
    ASSERT_TRUE(key);
    std::string text2;
    ASSERT_EQ(key->GetString("", text2), RegRead::Ok);
    EXPECT_EQ(text2, "default \"quoted\" \\ value");
    ASSERT_EQ(key->GetString("spaced", text2), RegRead::Ok);
    EXPECT_EQ(text2, "around equals");
    std::uint32_t dword = 0;
    ASSERT_EQ(key->GetDword("upper", dword), RegRead::Ok);
    EXPECT_EQ(dword, 0xabcdu);
    ASSERT_EQ(key->GetDword("short", dword), RegRead::Ok);
    EXPECT_EQ(dword, 0x1fu);
    EXPECT_EQ(key->QueryValue("bin")->data, Bytes("\x01\x02\xff\x10\x11"));
    EXPECT_EQ(key->QueryValue("trailingComma")->data, Bytes("\x01\x02"));
    EXPECT_EQ(key->QueryValue("empty")->data, std::vector<std::uint8_t>());
    EXPECT_EQ(key->QueryValue("empty")->type, RegType::Binary);
    ASSERT_EQ(key->GetString("expand", text2), RegRead::Ok);
    EXPECT_EQ(text2, "%A%");
    EXPECT_EQ(key->QueryValue("expand")->type, RegType::ExpandSz);
    std::vector<std::string> multi;
    ASSERT_EQ(key->GetMultiString("multi", multi), RegRead::Ok);
    EXPECT_EQ(multi, (std::vector<std::string>{"a", "b"}));
    std::uint64_t qword = 0;
    ASSERT_EQ(key->GetQword("qword", qword), RegRead::Ok);
    EXPECT_EQ(qword, 1u);
    EXPECT_EQ(key->QueryValue("generic")->type, static_cast<RegType>(0xabc));
    EXPECT_EQ(key->QueryValue("none")->type, RegType::None);
    EXPECT_EQ(key->QueryValue("twice")->name, "twice");
    ASSERT_EQ(key->GetString("twice", text2), RegRead::Ok);
    EXPECT_EQ(text2, "second");
    EXPECT_EQ(key->Path(), "Software\\New");
}

TEST(RegFileTest, ImportAcceptsVersion5HeaderAndUtf16)
{
    TempDir dir;
    auto reg = OpenFresh(dir, "registry.db");
    const std::string text = "Windows Registry Editor Version 5.00\r\n"
                             "\r\n"
                             "[HKEY_CURRENT_USER\\Software\\Wide]\r\n"
                             "\"Grüße\"=\"日本語 😀\"\r\n";
    const auto result = reg->ImportReg(ToUtf16Le(text));
    ASSERT_TRUE(result.ok) << result.line << ": " << result.error;
    std::string value;
    ASSERT_EQ(reg->Open(HKEY_CURRENT_USER, "Software\\Wide")->GetString("GRÜSSE", value), RegRead::Missing);
    ASSERT_EQ(reg->Open(HKEY_CURRENT_USER, "Software\\Wide")->GetString("Grüße", value), RegRead::Ok);
    EXPECT_EQ(value, "日本語 😀");

    // An error in UTF-16 input reports the line too.
    const auto bad = reg->ImportReg(ToUtf16Le("REGEDIT4\r\n[HKCU\\X]\r\n\"a\"=dword:zz\r\n"));
    EXPECT_FALSE(bad.ok);
    EXPECT_EQ(bad.line, 3);
}

struct Malformed
{
    std::string_view text;
    int line;
    const char* reason; // part of the message
};

TEST(RegFileTest, MalformedFilesAreRejectedWithTheirLineAndChangeNothing)
{
    const Malformed cases[] = {
        {""sv, 1, "header"},
        {"\n\n  \n", 3, "header"},
        {"garbage\n", 1, "header"},
        {"\n; comment first\nREGEDIT4\n", 2, "header"},
        {"REGEDIT5\n[HKCU\\A]\n", 1, "header"},
        {"REGEDIT4\n\n\"a\"=\"b\"\n", 3, "before any key"},
        {"REGEDIT4\n[HKEY_NOWHERE\\A]\n", 2, "unknown root"},
        {"REGEDIT4\n[HKEY_PERFORMANCE_DATA\\A]\n", 2, "no stored keys"},
        {"REGEDIT4\n[HKCU\\A\n", 2, "']'"},
        {"REGEDIT4\n[]\n", 2, "empty key name"},
        {"REGEDIT4\n[HKCU\\A\\\\B]\n", 2, "invalid key name"},
        {"REGEDIT4\n[HKCU\\\\A]\n", 2, "invalid key name"},
        {"REGEDIT4\n[-HKCU]\n", 2, "whole root"},
        {"REGEDIT4\n[-HKCU\\]\n", 2, "whole root"},
        {"REGEDIT4\n[HKCU\\A]\n\"a\"=hex:01,zz\n", 3, "bad hex"},
        {"REGEDIT4\n[HKCU\\A]\n\"a\"=hex:0102\n", 3, "','"},
        {"REGEDIT4\n[HKCU\\A]\n\"a\"=hex:01,,02\n", 3, "bad hex"},
        {"REGEDIT4\n[HKCU\\A]\n\"a\"=hex:01,\\\n  02,xx\n", 4, "bad hex"},
        {"REGEDIT4\n[HKCU\\A]\n\"a\"=hex:01,\\\n", 3, "past the end"},
        {"REGEDIT4\n[HKCU\\A]\n\"a\"=hex:01,\\\n\n\"b\"=\"c\"\n", 4, "empty line"},
        {"REGEDIT4\n[HKCU\\A]\n\"a\"=hex:01,\\ 02\n", 3, "after the '\\'"},
        {"REGEDIT4\n[HKCU\\A]\n\"a\"=hex(zz):01\n", 3, "hex(type)"},
        {"REGEDIT4\n[HKCU\\A]\n\"a\"=hex(123456789):01\n", 3, "hex(type)"},
        {"REGEDIT4\n[HKCU\\A]\n\"a\"=hex(2:01\n", 3, "hex(type)"},
        {"REGEDIT4\n[HKCU\\A]\n\"a\"=hex 01\n", 3, "':'"},
        {"REGEDIT4\n[HKCU\\A]\n\"a\"=dword:\n", 3, "dword"},
        {"REGEDIT4\n[HKCU\\A]\n\"a\"=dword:xyz\n", 3, "dword"},
        {"REGEDIT4\n[HKCU\\A]\n\"a\"=dword:123456789\n", 3, "dword"},
        {"REGEDIT4\n[HKCU\\A]\n\"a\"=dword:12 34\n", 3, "dword"},
        {"REGEDIT4\n[HKCU\\A]\n\"a\" \"b\"\n", 3, "missing '='"},
        {"REGEDIT4\n[HKCU\\A]\n\"a\"\n", 3, "missing '='"},
        {"REGEDIT4\n[HKCU\\A]\n@\n", 3, "missing '='"},
        {"REGEDIT4\n[HKCU\\A]\n\"a\"=\"unterminated\n", 3, "unterminated string"},
        {"REGEDIT4\n[HKCU\\A]\n\"a\"=\"ends in escape\\\"\n", 3, "unterminated string"},
        {"REGEDIT4\n[HKCU\\A]\n\"unterminated=1\n", 3, "unterminated value name"},
        {"REGEDIT4\n[HKCU\\A]\n\"a\"=\"x\\y\"\n", 3, "unknown escape"},
        {"REGEDIT4\n[HKCU\\A]\n\"a\"=\"x\" trailing\n", 3, "after the closing"},
        {"REGEDIT4\n[HKCU\\A]\n\"a\"=bogus\n", 3, "unknown value data"},
        {"REGEDIT4\n[HKCU\\A]\n\"a\"=\n", 3, "unknown value data"},
        {"REGEDIT4\n[HKCU\\A]\nname=\"x\"\n", 3, "unexpected text"},
        {"REGEDIT4\n[-HKCU\\A]\n\"a\"=\"b\"\n", 3, "before any key"},
        {"REGEDIT4\r\n\r\n[HKCU\\A]\r\n\"a\"=\"b\"\r\n\"c\"=dword:nope\r\n", 5, "dword"},
        {"REGEDIT4\n[HKCU\\A]\n\"a\"=\"b\0c\"\n"sv, 3, "NUL"},
        {"REGEDIT4\n[HKCU\\A\rB]\n", 2, "carriage return inside a key name"},
        {"REGEDIT4\n[HKCU\\A]\n\"a\rb\"=\"c\"\n", 3, "carriage return inside a value name"},
        {"\xFF\xFE"
         "R\0E\0G"sv,
         1,
         "odd number"},
        {"\xFF\xFE"
         "R\0\x00\xD8"sv,
         1,
         "surrogate"},
    };
    TempDir dir;
    auto reg = OpenFresh(dir, "registry.db");
    ASSERT_TRUE(reg->Create(HKEY_CURRENT_USER, "Software\\Existing")->SetString("v", "before"));
    ASSERT_TRUE(reg->Create(HKEY_CURRENT_USER, "A")->SetString("a", "old"));
    const auto before = reg->ExportReg();
    ASSERT_TRUE(before);
    for (const Malformed& c : cases) {
        const auto result = reg->ImportReg(c.text);
        EXPECT_FALSE(result.ok) << c.text;
        EXPECT_EQ(result.line, c.line) << c.text << "\n -> " << result.error;
        EXPECT_NE(result.error.find(c.reason), std::string::npos) << c.text << "\n -> " << result.error;
        EXPECT_EQ(reg->ExportReg(), before) << c.text;
    }

    // A long file whose last line is wrong changes nothing.
    std::string longText =
        "REGEDIT4\n\n[-HKEY_CURRENT_USER\\Software\\Existing]\n[HKEY_CURRENT_USER\\Software\\Fresh]\n";
    for (int i = 0; i < 50; ++i)
        longText += "\"v" + std::to_string(i) + "\"=dword:" + std::to_string(i) + "\n";
    longText += "\"bad\"=hex:1,2,3,g\n";
    const auto result = reg->ImportReg(longText);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.line, 55);
    EXPECT_EQ(reg->ExportReg(), before);
}

TEST(RegFileTest, ImportIntoLocalMachineNeedsAnAdministrator)
{
    TempDir dir;
    auto reg = OpenFresh(dir, "registry.db");
    const auto before = reg->ExportReg();
    reg->SetAdministrator(false);
    const auto result = reg->ImportReg("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Mine]\n\"a\"=\"b\"\n\n"
                                       "[HKEY_LOCAL_MACHINE\\Software\\Theirs]\n\"a\"=\"b\"\n");
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.line, 6);
    EXPECT_NE(result.error.find("Access is denied"), std::string::npos) << result.error;
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(reg->ExportReg(), before);

    reg->SetAdministrator(true);
    EXPECT_TRUE(reg->ImportReg("REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Theirs]\n").ok);
    EXPECT_TRUE(reg->KeyExists(HKEY_LOCAL_MACHINE, "Software\\Theirs"));
}

} // namespace
} // namespace lumexa::platform
