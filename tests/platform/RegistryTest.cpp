#include "platform/Registry.h"

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/LastError.h"
#include "support/TempDir.h"

namespace lumexa::platform {
namespace {

using test::TempDir;

std::vector<std::uint8_t> Bytes(std::string_view text)
{
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

class RegistryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string error;
        reg = Registry::OpenDatabase(DbPath(), &error);
        ASSERT_TRUE(reg) << error;
    }

    std::string DbPath() const { return dir / "registry.db"; }

    TempDir dir;
    std::unique_ptr<Registry> reg;
};

// ---- Opening the database -----------------------------------------------------------------

TEST_F(RegistryTest, ReopenedDatabaseKeepsItsData)
{
    ASSERT_TRUE(reg->Create(HKEY_CURRENT_USER, "Software\\Kept")->SetDword("n", 7));
    reg.reset();
    reg = Registry::OpenDatabase(DbPath());
    ASSERT_TRUE(reg);
    auto key = reg->Open(HKEY_CURRENT_USER, "Software\\Kept");
    ASSERT_TRUE(key);
    std::uint32_t value = 0;
    EXPECT_EQ(key->GetDword("n", value), RegRead::Ok);
    EXPECT_EQ(value, 7u);
}

TEST_F(RegistryTest, DatabaseUsesWriteAheadLog)
{
    ASSERT_TRUE(reg->Create(HKEY_CURRENT_USER, "Software\\Wal")->SetDword("n", 1));
    EXPECT_TRUE(std::filesystem::exists(DbPath() + "-wal"));
}

TEST(RegistryOpenTest, RejectsAFileThatIsNotARegistryDatabase)
{
    TempDir dir;
    test::WriteHostFile(dir / "text.db", std::string(4096, 'x'));
    std::string error;
    EXPECT_FALSE(Registry::OpenDatabase(dir / "text.db", &error));
    EXPECT_NE(error.find("not a registry database"), std::string::npos) << error;

    error.clear();
    EXPECT_FALSE(Registry::OpenDatabase(dir / "missing-folder/registry.db", &error));
    EXPECT_FALSE(error.empty());
}

// ---- Keys ---------------------------------------------------------------------------------

TEST_F(RegistryTest, CreateOpenAndExists)
{
    EXPECT_FALSE(reg->KeyExists(HKEY_CURRENT_USER, "Software\\Lumexa"));
    auto created = reg->Create(HKEY_CURRENT_USER, "Software\\Lumexa\\Settings");
    ASSERT_TRUE(created);
    EXPECT_TRUE(created->Writable());
    EXPECT_EQ(created->Root(), HKEY_CURRENT_USER);
    EXPECT_EQ(created->Path(), "Software\\Lumexa\\Settings");
    EXPECT_TRUE(reg->KeyExists(HKEY_CURRENT_USER, "Software"));
    EXPECT_TRUE(reg->KeyExists(HKEY_CURRENT_USER, "Software\\Lumexa"));
    EXPECT_TRUE(reg->KeyExists(HKEY_CURRENT_USER, "Software\\Lumexa\\Settings"));

    auto opened = reg->Open(HKEY_CURRENT_USER, "Software\\Lumexa");
    ASSERT_TRUE(opened);
    EXPECT_FALSE(opened->Writable());

    SetLastError(0);
    EXPECT_FALSE(reg->Open(HKEY_CURRENT_USER, "Software\\Missing"));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

    auto root = reg->Open(HKEY_CURRENT_USER, "");
    ASSERT_TRUE(root);
    EXPECT_EQ(root->Path(), "");
    EXPECT_EQ(root->SubKeyNames(), std::vector<std::string>{"Software"});
}

TEST_F(RegistryTest, RootsAreSeparateStores)
{
    ASSERT_TRUE(reg->Create(HKEY_LOCAL_MACHINE, "Software\\Only"));
    for (const HKEY other : {HKEY_CURRENT_USER, HKEY_USERS, HKEY_CLASSES_ROOT, HKEY_CURRENT_CONFIG})
        EXPECT_FALSE(reg->KeyExists(other, "Software\\Only")) << other;
}

TEST_F(RegistryTest, KeysAreCaseInsensitiveAndKeepTheirFirstSpelling)
{
    ASSERT_TRUE(reg->Create(HKEY_CURRENT_USER, "Software\\MyApp"));
    auto opened = reg->Open(HKEY_CURRENT_USER, "SOFTWARE\\myapp");
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->Path(), "Software\\MyApp");

    auto sub = reg->Create(HKEY_CURRENT_USER, "software\\MYAPP\\Sub");
    ASSERT_TRUE(sub);
    EXPECT_EQ(sub->Path(), "Software\\MyApp\\Sub");
    EXPECT_EQ(reg->Open(HKEY_CURRENT_USER, "Software")->SubKeyNames(), std::vector<std::string>{"MyApp"});

    // Letters beyond ASCII fold too.
    ASSERT_TRUE(reg->Create(HKEY_CURRENT_USER, "Software\\Größe\\Ärger"));
    auto folded = reg->Open(HKEY_CURRENT_USER, "software\\GRÖSSE\\ärger");
    EXPECT_FALSE(folded); // ß has no simple upper case: GRÖSSE is another name
    folded = reg->Open(HKEY_CURRENT_USER, "software\\GRößE\\äRGER");
    ASSERT_TRUE(folded);
    EXPECT_EQ(folded->Path(), "Software\\Größe\\Ärger");
}

TEST_F(RegistryTest, PathSyntax)
{
    auto leading = reg->Create(HKEY_CURRENT_USER, "\\Software\\Lead");
    ASSERT_TRUE(leading);
    EXPECT_EQ(leading->Path(), "Software\\Lead");
    EXPECT_TRUE(reg->Open(HKEY_CURRENT_USER, "\\Software\\Lead"));
    EXPECT_TRUE(reg->Open(HKEY_CURRENT_USER, "Software\\Lead\\")); // a trailing "\" is ignored too
    EXPECT_EQ(reg->Open(HKEY_CURRENT_USER, "\\")->Path(), "");

    for (const char* bad : {"Software\\\\Lead", "\\\\Software", "Software\\Lead\\\\", "a\\\\\\b"}) {
        SetLastError(0);
        EXPECT_FALSE(reg->Open(HKEY_CURRENT_USER, bad)) << bad;
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER) << bad;
        SetLastError(0);
        EXPECT_FALSE(reg->Create(HKEY_CURRENT_USER, bad)) << bad;
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER) << bad;
    }

    // Windows' limits: 255 characters per name.
    EXPECT_TRUE(reg->Create(HKEY_CURRENT_USER, "Software\\" + std::string(255, 'k')));
    SetLastError(0);
    EXPECT_FALSE(reg->Create(HKEY_CURRENT_USER, "Software\\" + std::string(256, 'k')));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(RegistryTest, RelativeOperations)
{
    auto software = reg->Create(HKEY_CURRENT_USER, "Software");
    ASSERT_TRUE(software);
    auto nested = software->CreateSubKey("Vendor\\Product");
    ASSERT_TRUE(nested);
    EXPECT_EQ(nested->Path(), "Software\\Vendor\\Product");
    EXPECT_TRUE(nested->Writable());

    auto reopened = software->OpenSubKey("VENDOR\\product", true);
    ASSERT_TRUE(reopened);
    EXPECT_EQ(reopened->Path(), "Software\\Vendor\\Product");
    EXPECT_TRUE(reopened->Writable());

    SetLastError(0);
    EXPECT_FALSE(software->OpenSubKey(""));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    SetLastError(0);
    EXPECT_FALSE(software->CreateSubKey(""));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    SetLastError(0);
    EXPECT_FALSE(software->OpenSubKey("Nope"));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

    auto root = reg->Open(HKEY_CURRENT_USER, "", true);
    ASSERT_TRUE(root);
    auto fromRoot = root->OpenSubKey("Software\\Vendor");
    ASSERT_TRUE(fromRoot);
    EXPECT_EQ(fromRoot->Path(), "Software\\Vendor");
}

TEST_F(RegistryTest, SubKeysAreListedInCaseInsensitiveOrder)
{
    auto parent = reg->Create(HKEY_CURRENT_USER, "Software\\Order");
    for (const char* name : {"beta", "Alpha", "gamma", "ALPHA2", "Delta", "_under", "0zero"})
        ASSERT_TRUE(parent->CreateSubKey(name));
    EXPECT_EQ(parent->SubKeyNames(),
              (std::vector<std::string>{"0zero", "Alpha", "ALPHA2", "beta", "Delta", "gamma", "_under"}));
}

TEST_F(RegistryTest, DeleteKeyRemovesTheWholeSubtree)
{
    auto a = reg->Create(HKEY_CURRENT_USER, "Software\\A");
    ASSERT_TRUE(a->SetDword("top", 1));
    ASSERT_TRUE(reg->Create(HKEY_CURRENT_USER, "Software\\A\\B\\C")->SetString("deep", "x"));
    ASSERT_TRUE(reg->Create(HKEY_CURRENT_USER, "Software\\A\\D"));
    ASSERT_TRUE(reg->Create(HKEY_CURRENT_USER, "Software\\AB")->SetDword("sibling", 2));

    EXPECT_TRUE(reg->DeleteKey(HKEY_CURRENT_USER, "software\\a"));
    EXPECT_FALSE(reg->KeyExists(HKEY_CURRENT_USER, "Software\\A"));
    EXPECT_FALSE(reg->KeyExists(HKEY_CURRENT_USER, "Software\\A\\B\\C"));
    EXPECT_TRUE(reg->KeyExists(HKEY_CURRENT_USER, "Software\\AB"));
    EXPECT_TRUE(reg->Open(HKEY_CURRENT_USER, "Software\\AB")->HasValue("sibling"));

    // Recreated keys start empty.
    auto again = reg->Create(HKEY_CURRENT_USER, "Software\\A\\B\\C");
    EXPECT_TRUE(again->ValueNames().empty());
    EXPECT_FALSE(reg->Open(HKEY_CURRENT_USER, "Software\\A")->HasValue("top"));

    SetLastError(0);
    EXPECT_FALSE(reg->DeleteKey(HKEY_CURRENT_USER, "Software\\Missing"));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

    // Relative form.
    auto software = reg->Open(HKEY_CURRENT_USER, "Software", true);
    EXPECT_TRUE(software->DeleteSubKeyTree("a\\B"));
    EXPECT_TRUE(reg->KeyExists(HKEY_CURRENT_USER, "Software\\A"));
    EXPECT_FALSE(reg->KeyExists(HKEY_CURRENT_USER, "Software\\A\\B"));
}

TEST_F(RegistryTest, DeleteKeyRefusesAnEmptyOrBlankPath)
{
    ASSERT_TRUE(reg->Create(HKEY_CURRENT_USER, "Software\\Keep"));
    for (const char* blank : {"", " ", "\\", "  \\ \\\\  ", "\\\\"}) {
        SetLastError(0);
        EXPECT_FALSE(reg->DeleteKey(HKEY_CURRENT_USER, blank)) << '"' << blank << '"';
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    }
    auto software = reg->Open(HKEY_CURRENT_USER, "Software", true);
    for (const char* blank : {"", "  ", "\\"}) {
        SetLastError(0);
        EXPECT_FALSE(software->DeleteSubKeyTree(blank)) << '"' << blank << '"';
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    }
    EXPECT_TRUE(reg->KeyExists(HKEY_CURRENT_USER, "Software\\Keep"));
}

TEST_F(RegistryTest, HandleToADeletedKeyFailsWithKeyDeleted)
{
    auto key = reg->Create(HKEY_CURRENT_USER, "Software\\Gone\\Child");
    ASSERT_TRUE(key->SetDword("v", 1));
    auto reader = reg->Open(HKEY_CURRENT_USER, "Software\\Gone\\Child");
    ASSERT_TRUE(reg->DeleteKey(HKEY_CURRENT_USER, "Software\\Gone"));

    auto expectDeleted = [](const char* what) { EXPECT_EQ(GetLastError(), ERROR_KEY_DELETED) << what; };
    std::uint32_t dword = 0;
    SetLastError(0);
    EXPECT_FALSE(key->SetDword("v", 2));
    expectDeleted("SetDword");
    SetLastError(0);
    EXPECT_FALSE(key->DeleteValue("v"));
    expectDeleted("DeleteValue");
    SetLastError(0);
    EXPECT_FALSE(reader->QueryValue("v"));
    expectDeleted("QueryValue");
    SetLastError(0);
    EXPECT_FALSE(reader->HasValue("v"));
    expectDeleted("HasValue");
    SetLastError(0);
    EXPECT_EQ(reader->GetDword("v", dword), RegRead::Missing);
    expectDeleted("GetDword");
    SetLastError(0);
    EXPECT_TRUE(reader->ValueNames().empty());
    expectDeleted("ValueNames");
    SetLastError(0);
    EXPECT_TRUE(reader->SubKeyNames().empty());
    expectDeleted("SubKeyNames");
    SetLastError(0);
    EXPECT_FALSE(key->CreateSubKey("X"));
    expectDeleted("CreateSubKey");
    SetLastError(0);
    EXPECT_FALSE(reader->OpenSubKey("X"));
    expectDeleted("OpenSubKey");

    // A new key of the same name is another key.
    ASSERT_TRUE(reg->Create(HKEY_CURRENT_USER, "Software\\Gone\\Child"));
    SetLastError(0);
    EXPECT_FALSE(key->SetDword("v", 3));
    expectDeleted("SetDword after re-creation");
}

TEST_F(RegistryTest, RootsWithoutAStoreCannotBeOpened)
{
    for (const HKEY root : {HKEY_PERFORMANCE_DATA, HKEY_DYN_DATA}) {
        SetLastError(0);
        EXPECT_FALSE(reg->Open(root, ""));
        EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
        SetLastError(0);
        EXPECT_FALSE(reg->Create(root, "X"));
        EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
        EXPECT_FALSE(reg->KeyExists(root, ""));
    }
    SetLastError(0);
    EXPECT_FALSE(reg->Open(0x12345678u, ""));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

// ---- Values -------------------------------------------------------------------------------

TEST_F(RegistryTest, ValuesAreStoredAsWindowsStoresThem)
{
    auto key = reg->Create(HKEY_CURRENT_USER, "Software\\Bytes");
    ASSERT_TRUE(key->SetDword("dword", 0x12345678u));
    ASSERT_TRUE(key->SetQword("qword", 0x0102030405060708ull));
    ASSERT_TRUE(key->SetString("sz", "h\xC3\xA9llo"));
    ASSERT_TRUE(key->SetString("expand", "%TEMP%", RegType::ExpandSz));
    ASSERT_TRUE(key->SetMultiString("multi", {"a", "bc"}));
    ASSERT_TRUE(key->SetMultiString("multiEmpty", {}));
    ASSERT_TRUE(key->SetBinary("bin", Bytes(std::string("\x00\xff\x10", 3))));
    ASSERT_TRUE(key->SetBinary("binEmpty", {}));

    auto expect = [&](const char* name, RegType type, std::string_view bytes) {
        const auto value = key->QueryValue(name);
        ASSERT_TRUE(value) << name;
        EXPECT_EQ(value->name, name);
        EXPECT_EQ(value->type, type) << name;
        EXPECT_EQ(value->data, Bytes(bytes)) << name;
    };
    expect("dword", RegType::Dword, std::string_view("\x78\x56\x34\x12", 4));
    expect("qword", RegType::Qword, std::string_view("\x08\x07\x06\x05\x04\x03\x02\x01", 8));
    expect("sz", RegType::Sz, std::string_view("h\xC3\xA9llo\0", 7));
    expect("expand", RegType::ExpandSz, std::string_view("%TEMP%\0", 7));
    expect("multi", RegType::MultiSz, std::string_view("a\0bc\0\0", 6));
    expect("multiEmpty", RegType::MultiSz, std::string_view("\0", 1));
    expect("bin", RegType::Binary, std::string_view("\x00\xff\x10", 3));
    expect("binEmpty", RegType::Binary, std::string_view());
}

enum class Getter
{
    Dword,
    Qword,
    String,
    Multi,
    Binary,
};

struct TypedCase
{
    const char* value;
    Getter getter;
    RegRead expected;
};

TEST_F(RegistryTest, TypedReads)
{
    auto key = reg->Create(HKEY_CURRENT_USER, "Software\\Typed");
    ASSERT_TRUE(key->SetDword("dword", 42));
    ASSERT_TRUE(key->SetQword("qword", 1ull << 40));
    ASSERT_TRUE(key->SetString("sz", "text"));
    ASSERT_TRUE(key->SetString("expand", "%PATH%", RegType::ExpandSz));
    ASSERT_TRUE(key->SetMultiString("multi", {"x", "y"}));
    ASSERT_TRUE(key->SetBinary("binary", Bytes("\x01\x02\x03")));
    ASSERT_TRUE(key->SetValue("none", RegType::None, Bytes("ab")));
    ASSERT_TRUE(key->SetValue("dword3", RegType::Dword, Bytes("\x01\x02\x03")));
    ASSERT_TRUE(key->SetValue("dword8", RegType::Dword, Bytes("12345678")));
    ASSERT_TRUE(key->SetValue("qword4", RegType::Qword, Bytes("1234")));
    ASSERT_TRUE(key->SetValue("bigEndian", RegType::DwordBigEndian, Bytes("1234")));

    const TypedCase cases[] = {
        {"dword", Getter::Dword, RegRead::Ok},
        {"dword", Getter::Qword, RegRead::WrongType},
        {"dword", Getter::String, RegRead::WrongType},
        {"dword", Getter::Binary, RegRead::WrongType},
        {"dword3", Getter::Dword, RegRead::WrongType},
        {"dword8", Getter::Dword, RegRead::WrongType},
        {"bigEndian", Getter::Dword, RegRead::WrongType},
        {"qword", Getter::Qword, RegRead::Ok},
        {"qword", Getter::Dword, RegRead::WrongType},
        {"qword4", Getter::Qword, RegRead::WrongType},
        {"sz", Getter::String, RegRead::Ok},
        {"sz", Getter::Multi, RegRead::WrongType},
        {"sz", Getter::Binary, RegRead::WrongType},
        {"sz", Getter::Dword, RegRead::WrongType},
        {"expand", Getter::String, RegRead::Ok},
        {"multi", Getter::Multi, RegRead::Ok},
        {"multi", Getter::String, RegRead::WrongType},
        {"binary", Getter::Binary, RegRead::Ok},
        {"binary", Getter::String, RegRead::WrongType},
        {"none", Getter::Binary, RegRead::WrongType},
        {"none", Getter::String, RegRead::WrongType},
        {"missing", Getter::Dword, RegRead::Missing},
        {"missing", Getter::Qword, RegRead::Missing},
        {"missing", Getter::String, RegRead::Missing},
        {"missing", Getter::Multi, RegRead::Missing},
        {"missing", Getter::Binary, RegRead::Missing},
    };
    for (const TypedCase& c : cases) {
        std::uint32_t dword = 0;
        std::uint64_t qword = 0;
        std::string text;
        std::vector<std::string> multi;
        std::vector<std::uint8_t> binary;
        SetLastError(0);
        RegRead got = RegRead::Ok;
        switch (c.getter) {
        case Getter::Dword:
            got = key->GetDword(c.value, dword);
            break;
        case Getter::Qword:
            got = key->GetQword(c.value, qword);
            break;
        case Getter::String:
            got = key->GetString(c.value, text);
            break;
        case Getter::Multi:
            got = key->GetMultiString(c.value, multi);
            break;
        case Getter::Binary:
            got = key->GetBinary(c.value, binary);
            break;
        }
        const std::string label = std::string(c.value) + " getter " + std::to_string(static_cast<int>(c.getter));
        EXPECT_EQ(got, c.expected) << label;
        if (c.expected == RegRead::Missing) {
            EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND) << label;
        }
        if (c.expected == RegRead::WrongType) {
            EXPECT_EQ(GetLastError(), ERROR_INVALID_DATA) << label;
        }
    }

    std::uint32_t dword = 0;
    std::uint64_t qword = 0;
    std::string text;
    std::vector<std::string> multi;
    std::vector<std::uint8_t> binary;
    ASSERT_EQ(key->GetDword("DWORD", dword), RegRead::Ok);
    EXPECT_EQ(dword, 42u);
    ASSERT_EQ(key->GetQword("qword", qword), RegRead::Ok);
    EXPECT_EQ(qword, 1ull << 40);
    ASSERT_EQ(key->GetString("sz", text), RegRead::Ok);
    EXPECT_EQ(text, "text");
    ASSERT_EQ(key->GetString("expand", text), RegRead::Ok);
    EXPECT_EQ(text, "%PATH%");
    ASSERT_EQ(key->GetMultiString("multi", multi), RegRead::Ok);
    EXPECT_EQ(multi, (std::vector<std::string>{"x", "y"}));
    ASSERT_EQ(key->GetBinary("binary", binary), RegRead::Ok);
    EXPECT_EQ(binary, Bytes("\x01\x02\x03"));
}

TEST_F(RegistryTest, StringReadsStopAtTheFirstNul)
{
    auto key = reg->Create(HKEY_CURRENT_USER, "Software\\Nul");
    ASSERT_TRUE(key->SetValue("embedded", RegType::Sz, Bytes(std::string_view("ab\0cd\0", 6))));
    ASSERT_TRUE(key->SetValue("unterminated", RegType::Sz, Bytes("abc")));
    ASSERT_TRUE(key->SetValue("empty", RegType::Sz, {}));
    ASSERT_TRUE(key->SetValue("multiNoEnd", RegType::MultiSz, Bytes(std::string_view("a\0b", 3))));
    ASSERT_TRUE(key->SetValue("multiEarlyEnd", RegType::MultiSz, Bytes(std::string_view("a\0\0b\0\0", 6))));
    std::string text;
    ASSERT_EQ(key->GetString("embedded", text), RegRead::Ok);
    EXPECT_EQ(text, "ab");
    ASSERT_EQ(key->GetString("unterminated", text), RegRead::Ok);
    EXPECT_EQ(text, "abc");
    ASSERT_EQ(key->GetString("empty", text), RegRead::Ok);
    EXPECT_EQ(text, "");
    std::vector<std::string> multi;
    ASSERT_EQ(key->GetMultiString("multiNoEnd", multi), RegRead::Ok);
    EXPECT_EQ(multi, (std::vector<std::string>{"a", "b"}));
    ASSERT_EQ(key->GetMultiString("multiEarlyEnd", multi), RegRead::Ok);
    EXPECT_EQ(multi, (std::vector<std::string>{"a"}));
}

TEST_F(RegistryTest, ValueNamesAreCaseInsensitiveAndKeepTheirFirstSpelling)
{
    auto key = reg->Create(HKEY_CURRENT_USER, "Software\\Names");
    ASSERT_TRUE(key->SetDword("WindowLeft", 10));
    std::uint32_t value = 0;
    ASSERT_EQ(key->GetDword("windowleft", value), RegRead::Ok);
    EXPECT_EQ(value, 10u);
    ASSERT_TRUE(key->SetDword("WINDOWLEFT", 20));
    EXPECT_EQ(key->ValueNames(), std::vector<std::string>{"WindowLeft"});
    EXPECT_EQ(key->QueryValue("wInDoWlEfT")->name, "WindowLeft");
    ASSERT_EQ(key->GetDword("WindowLeft", value), RegRead::Ok);
    EXPECT_EQ(value, 20u);
    EXPECT_TRUE(key->HasValue("WINDOWleft"));
    EXPECT_TRUE(key->DeleteValue("windowLEFT"));
    EXPECT_FALSE(key->HasValue("WindowLeft"));
    SetLastError(0);
    EXPECT_FALSE(key->DeleteValue("WindowLeft"));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, DefaultValueHasTheEmptyName)
{
    auto key = reg->Create(HKEY_CLASSES_ROOT, ".lmx");
    ASSERT_TRUE(key->SetString("", "Lumexa.Document"));
    std::string text;
    ASSERT_EQ(key->GetString("", text), RegRead::Ok);
    EXPECT_EQ(text, "Lumexa.Document");
    EXPECT_EQ(key->ValueNames(), std::vector<std::string>{""});
}

TEST_F(RegistryTest, OverwriteKeepsThePositionAndSpellingOfTheValue)
{
    auto key = reg->Create(HKEY_CURRENT_USER, "Software\\Order");
    ASSERT_TRUE(key->SetDword("Zeta", 1));
    ASSERT_TRUE(key->SetDword("alpha", 2));
    ASSERT_TRUE(key->SetDword("Mid", 3));
    ASSERT_TRUE(key->SetString("ZETA", "now a string"));
    EXPECT_EQ(key->ValueNames(), (std::vector<std::string>{"Zeta", "alpha", "Mid"}));
    EXPECT_EQ(key->QueryValue("zeta")->type, RegType::Sz);

    ASSERT_TRUE(key->DeleteValue("alpha"));
    ASSERT_TRUE(key->SetDword("New", 4));
    ASSERT_TRUE(key->SetDword("Alpha", 5));
    EXPECT_EQ(key->ValueNames(), (std::vector<std::string>{"Zeta", "Mid", "New", "Alpha"}));
    const auto values = key->Values();
    ASSERT_EQ(values.size(), 4u);
    EXPECT_EQ(values[3].name, "Alpha");
    EXPECT_EQ(values[3].type, RegType::Dword);
}

TEST_F(RegistryTest, ReadOnlyHandleRefusesWrites)
{
    ASSERT_TRUE(reg->Create(HKEY_CURRENT_USER, "Software\\RO\\Sub")->SetDword("v", 1));
    auto key = reg->Open(HKEY_CURRENT_USER, "Software\\RO");
    ASSERT_TRUE(key);
    EXPECT_FALSE(key->Writable());
    auto expectDenied = [](bool ok, const char* what) {
        EXPECT_FALSE(ok) << what;
        EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED) << what;
        SetLastError(0);
    };
    expectDenied(key->SetDword("v", 2), "SetDword");
    expectDenied(key->SetString("s", "x"), "SetString");
    expectDenied(key->SetBinary("b", {}), "SetBinary");
    expectDenied(key->DeleteValue("v"), "DeleteValue");
    expectDenied(key->CreateSubKey("New") != nullptr, "CreateSubKey");
    expectDenied(key->DeleteSubKeyTree("Sub"), "DeleteSubKeyTree");
    EXPECT_TRUE(reg->KeyExists(HKEY_CURRENT_USER, "Software\\RO\\Sub"));
    EXPECT_FALSE(reg->KeyExists(HKEY_CURRENT_USER, "Software\\RO\\New"));
    // Reads work, and a sub-key may be opened for writing.
    auto sub = key->OpenSubKey("Sub", true);
    ASSERT_TRUE(sub);
    EXPECT_TRUE(sub->SetDword("v", 3));
}

TEST_F(RegistryTest, NonAdministratorCannotWriteBelowLocalMachine)
{
    auto hklm = reg->Create(HKEY_LOCAL_MACHINE, "Software\\Lumexa");
    ASSERT_TRUE(hklm->SetDword("Installed", 1));
    reg->SetAdministrator(false);

    auto expectDenied = [](bool ok, const char* what) {
        EXPECT_FALSE(ok) << what;
        EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED) << what;
        SetLastError(0);
    };
    expectDenied(hklm->SetDword("Installed", 2), "SetDword");
    expectDenied(hklm->DeleteValue("Installed"), "DeleteValue");
    expectDenied(hklm->CreateSubKey("Sub") != nullptr, "CreateSubKey");
    expectDenied(reg->Create(HKEY_LOCAL_MACHINE, "Software\\Other") != nullptr, "Create");
    expectDenied(reg->Create(HKEY_LOCAL_MACHINE, "Software\\Lumexa") != nullptr, "Create existing");
    expectDenied(reg->DeleteKey(HKEY_LOCAL_MACHINE, "Software\\Lumexa"), "DeleteKey");
    expectDenied(reg->DeleteValue(HKEY_LOCAL_MACHINE, "Software\\Lumexa", "Installed"), "Registry::DeleteValue");
    auto writable = reg->Open(HKEY_LOCAL_MACHINE, "Software", true);
    ASSERT_TRUE(writable);
    expectDenied(writable->DeleteSubKeyTree("Lumexa"), "DeleteSubKeyTree");

    // Reading still works, and nothing changed.
    std::uint32_t value = 0;
    ASSERT_EQ(reg->Open(HKEY_LOCAL_MACHINE, "Software\\Lumexa")->GetDword("Installed", value), RegRead::Ok);
    EXPECT_EQ(value, 1u);
    EXPECT_FALSE(reg->KeyExists(HKEY_LOCAL_MACHINE, "Software\\Other"));

    // The user's own keys stay writable.
    auto hkcu = reg->Create(HKEY_CURRENT_USER, "Software\\Lumexa");
    ASSERT_TRUE(hkcu);
    EXPECT_TRUE(hkcu->SetDword("Mine", 1));
    EXPECT_TRUE(reg->DeleteKey(HKEY_CURRENT_USER, "Software\\Lumexa"));

    reg->SetAdministrator(true);
    EXPECT_TRUE(hklm->SetDword("Installed", 2));
}

TEST_F(RegistryTest, RegistryDeleteValue)
{
    ASSERT_TRUE(reg->Create(HKEY_CURRENT_USER, "Software\\DV")->SetDword("v", 1));
    EXPECT_TRUE(reg->DeleteValue(HKEY_CURRENT_USER, "software\\dv", "V"));
    SetLastError(0);
    EXPECT_FALSE(reg->DeleteValue(HKEY_CURRENT_USER, "Software\\DV", "v"));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    SetLastError(0);
    EXPECT_FALSE(reg->DeleteValue(HKEY_CURRENT_USER, "Software\\Nothing", "v"));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

// ---- Sharing ------------------------------------------------------------------------------

TEST_F(RegistryTest, SecondConnectionSeesEveryWriteAtOnce)
{
    auto other = Registry::OpenDatabase(DbPath());
    ASSERT_TRUE(other);
    auto writer = reg->Create(HKEY_CURRENT_USER, "Software\\Shared");
    auto reader = other->Open(HKEY_CURRENT_USER, "Software\\Shared");
    ASSERT_TRUE(reader);

    std::uint32_t value = 0;
    EXPECT_EQ(reader->GetDword("n", value), RegRead::Missing);
    ASSERT_TRUE(writer->SetDword("n", 1));
    ASSERT_EQ(reader->GetDword("n", value), RegRead::Ok);
    EXPECT_EQ(value, 1u);
    ASSERT_TRUE(writer->SetDword("n", 2));
    ASSERT_EQ(reader->GetDword("n", value), RegRead::Ok);
    EXPECT_EQ(value, 2u);

    ASSERT_TRUE(other->DeleteKey(HKEY_CURRENT_USER, "Software\\Shared"));
    SetLastError(0);
    EXPECT_FALSE(writer->SetDword("n", 3));
    EXPECT_EQ(GetLastError(), ERROR_KEY_DELETED);
}

TEST_F(RegistryTest, ThreadsShareOneRegistry)
{
    constexpr int kThreads = 4;
    constexpr int kWrites = 100;
    std::vector<std::thread> threads;
    std::vector<int> failures(kThreads, 0);
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            auto key = reg->Create(HKEY_CURRENT_USER, "Software\\Threads");
            if (!key) {
                ++failures[static_cast<std::size_t>(t)];
                return;
            }
            for (int i = 0; i < kWrites; ++i) {
                const std::string name = "t" + std::to_string(t) + "_" + std::to_string(i);
                std::uint32_t back = 0;
                if (!key->SetDword(name, static_cast<std::uint32_t>(i)) || key->GetDword(name, back) != RegRead::Ok ||
                    back != static_cast<std::uint32_t>(i))
                    ++failures[static_cast<std::size_t>(t)];
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(failures, std::vector<int>(kThreads, 0));
    EXPECT_EQ(reg->Open(HKEY_CURRENT_USER, "Software\\Threads")->ValueNames().size(),
              static_cast<std::size_t>(kThreads * kWrites));
}

// Another process shares the database file. The child opens its own connection after the
// fork (an SQLite connection must never cross a fork), and both sides keep their handles open.
TEST(RegistryProcessTest, WritesOfAnotherProcessAreSeenByTheNextRead)
{
    TempDir dir;
    const std::string path = dir / "registry.db";
    int toChild[2];
    int toParent[2];
    ASSERT_EQ(::pipe(toChild), 0);
    ASSERT_EQ(::pipe(toParent), 0);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::close(toChild[1]);
        ::close(toParent[0]);
        char go = 0;
        int status = 10;
        if (::read(toChild[0], &go, 1) == 1) {
            auto child = Registry::OpenDatabase(path);
            auto key = child ? child->Create(HKEY_CURRENT_USER, "Software\\Shared") : nullptr;
            std::uint32_t value = 0;
            status = 11;
            if (key && key->GetDword("FromParent", value) == RegRead::Ok && value == 1 &&
                key->SetDword("FromChild", 2)) {
                status = 12;
                if (::write(toParent[1], "w", 1) == 1 && ::read(toChild[0], &go, 1) == 1 &&
                    key->GetDword("FromParent", value) == RegRead::Ok && value == 3)
                    status = 0;
            }
        }
        ::_exit(status);
    }
    ::close(toChild[0]);
    ::close(toParent[1]);

    auto reg = Registry::OpenDatabase(path);
    ASSERT_TRUE(reg);
    auto key = reg->Create(HKEY_CURRENT_USER, "Software\\Shared");
    ASSERT_TRUE(key->SetDword("FromParent", 1));
    ASSERT_EQ(::write(toChild[1], "g", 1), 1);
    char done = 0;
    ASSERT_EQ(::read(toParent[0], &done, 1), 1);
    std::uint32_t value = 0;
    EXPECT_EQ(key->GetDword("FromChild", value), RegRead::Ok);
    EXPECT_EQ(value, 2u);
    ASSERT_TRUE(key->SetDword("FromParent", 3));
    ASSERT_EQ(::write(toChild[1], "g", 1), 1);
    int status = -1;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    ::close(toChild[1]);
    ::close(toParent[0]);
}

TEST(RegistryProcessTest, TwoProcessesWritingAtOnceBothSucceed)
{
    TempDir dir;
    const std::string path = dir / "registry.db";
    {
        // Create the database before the fork, then close it: no connection crosses the fork.
        auto reg = Registry::OpenDatabase(path);
        ASSERT_TRUE(reg);
        ASSERT_TRUE(reg->Create(HKEY_CURRENT_USER, "Software\\Busy"));
    }
    constexpr int kWrites = 150;
    auto writeMany = [&](const char* prefix) {
        auto reg = Registry::OpenDatabase(path);
        if (!reg)
            return false;
        for (int i = 0; i < kWrites; ++i) {
            auto key = reg->Create(HKEY_CURRENT_USER, "Software\\Busy\\" + std::string(prefix));
            if (!key || !key->SetDword("v" + std::to_string(i), static_cast<std::uint32_t>(i)))
                return false;
        }
        return true;
    };
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0)
        ::_exit(writeMany("child") ? 0 : 1);
    EXPECT_TRUE(writeMany("parent"));
    int status = -1;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);

    auto reg = Registry::OpenDatabase(path);
    ASSERT_TRUE(reg);
    EXPECT_EQ(reg->Open(HKEY_CURRENT_USER, "Software\\Busy\\child")->ValueNames().size(), std::size_t{kWrites});
    EXPECT_EQ(reg->Open(HKEY_CURRENT_USER, "Software\\Busy\\parent")->ValueNames().size(), std::size_t{kWrites});
}

// ---- Root names ---------------------------------------------------------------------------

TEST(RegistryNamesTest, RootFromName)
{
    const std::pair<const char*, HKEY> known[] = {
        {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
        {"HKCR", HKEY_CLASSES_ROOT},
        {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
        {"hkcu", HKEY_CURRENT_USER},
        {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
        {"HkLm", HKEY_LOCAL_MACHINE},
        {"hkey_users", HKEY_USERS},
        {"HKU", HKEY_USERS},
        {"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
        {"HKCC", HKEY_CURRENT_CONFIG},
        {"HKEY_PERFORMANCE_DATA", HKEY_PERFORMANCE_DATA},
        {"hkey_dyn_data", HKEY_DYN_DATA},
    };
    for (const auto& [name, root] : known)
        EXPECT_EQ(Registry::RootFromName(name), std::optional<HKEY>(root)) << name;
    for (const char* unknown : {"", "HKEY", "HKLM ", "HKEY_LOCAL_MACHINE\\", "HKPD", "HKEY_CURRENT_USERS"})
        EXPECT_FALSE(Registry::RootFromName(unknown)) << unknown;

    EXPECT_EQ(Registry::RootName(HKEY_CURRENT_USER), "HKEY_CURRENT_USER");
    EXPECT_EQ(Registry::RootName(HKEY_DYN_DATA), "HKEY_DYN_DATA");
    EXPECT_EQ(Registry::RootName(0), "");
}

TEST(RegistryNamesTest, SplitKeyName)
{
    auto split = Registry::SplitKeyName("HKLM\\Software\\X");
    ASSERT_TRUE(split);
    EXPECT_EQ(split->first, HKEY_LOCAL_MACHINE);
    EXPECT_EQ(split->second, "Software\\X");

    split = Registry::SplitKeyName("HKCU");
    ASSERT_TRUE(split);
    EXPECT_EQ(split->first, HKEY_CURRENT_USER);
    EXPECT_EQ(split->second, "");

    split = Registry::SplitKeyName("hkey_classes_root\\.txt");
    ASSERT_TRUE(split);
    EXPECT_EQ(split->first, HKEY_CLASSES_ROOT);
    EXPECT_EQ(split->second, ".txt");

    EXPECT_FALSE(Registry::SplitKeyName("HKXX\\Software"));
    EXPECT_FALSE(Registry::SplitKeyName(""));
    EXPECT_FALSE(Registry::SplitKeyName("\\HKLM\\Software"));
}

} // namespace
} // namespace lumexa::platform
