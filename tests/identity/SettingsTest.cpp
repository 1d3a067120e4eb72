#include "identity/Settings.h"

#include <thread>

#include <gtest/gtest.h>

#include "platform/Registry.h"
#include "support/MachineTest.h"

namespace lumexa::identity {
namespace {

using platform::HKEY_LOCAL_MACHINE;

class SettingsTest : public test::MachineTest
{
protected:
    std::string Stored(const std::string& name)
    {
        const auto key = machine().Registry().Open(HKEY_LOCAL_MACHINE, SettingsKeyPath);
        std::string value;
        if (!key || key->GetString(name, value) != platform::RegRead::Ok)
            return "(missing)";
        return value;
    }
    void Store(const std::string& name, const std::string& value)
    {
        ASSERT_TRUE(machine().Registry().Create(HKEY_LOCAL_MACHINE, SettingsKeyPath)->SetString(name, value));
    }
};

TEST_F(SettingsTest, AMissingKeyLoadsEveryDefault)
{
    const TSettings settings;
    EXPECT_EQ(settings.LocalProxyPort(), 5287);
    EXPECT_EQ(settings.RemoteProxyHost(), "");
    EXPECT_EQ(settings.RemoteProxyPort(), 8080);
    EXPECT_EQ(settings.RemoteProxyType(), 0);
    EXPECT_EQ(settings.RemoteProxyID(), 0);
    EXPECT_EQ(settings.Downloaded(), 0u);
    EXPECT_FALSE(settings.IPConcealStatus());
    EXPECT_TRUE(settings.BlackList().empty());
    EXPECT_TRUE(settings.Custom().empty());
    EXPECT_EQ(settings.ProxyUsername(), "");
    EXPECT_EQ(settings.HomePage(), machine().Config().supportHomePage);
    EXPECT_EQ(settings.UpdateServer(), machine().Config().updateServer + "/downloads/vcs");
}

TEST_F(SettingsTest, SaveWritesDecimalTextAndTheCustomSubkey)
{
    {
        TSettings settings;
        settings.SetLocalProxyPort(6000);
        settings.SetRemoteProxy({RemoteProxyPublic, "proxy.example", 3128, "ann", "secret"});
        settings.SetRemoteProxyID(42);
        settings.SetBlackList({"ads.", "tracker"});
        settings.SetIPConcealStatus(true);
        settings.SetCustomValue("UseProxyIE", "1");
        settings.SetCustomValue("ProxyServerIE", "localhost:6000");
        settings.SetCustomValue("useproxyie", "0"); // same entry, any case
        settings.SetDownloaded(1234567890123ull);
        ASSERT_TRUE(settings.Save());
    }
    const std::pair<const char*, const char*> expected[] = {
        {"LocalProxyPort", "6000"},
        {"RemoteProxyHost", "proxy.example"},
        {"RemoteProxyPort", "3128"},
        {"RemoteProxyType", "1"},
        {"RemoteProxyID", "42"},
        {"Downloaded", "1234567890123"},
        {"BlackList", "ads.\r\ntracker"},
        {"IPConcealStatus", "True"},
    };
    for (const auto& [name, value] : expected)
        EXPECT_EQ(Stored(name), value) << "value: " << name;
    const auto custom = machine().Registry().Open(HKEY_LOCAL_MACHINE, std::string(SettingsKeyPath) + "\\Custom");
    ASSERT_TRUE(custom);
    EXPECT_EQ(custom->ValueNames(), (std::vector<std::string>{"UseProxyIE", "ProxyServerIE"}));

    const TSettings loaded;
    EXPECT_EQ(loaded.LocalProxyPort(), 6000);
    EXPECT_EQ(loaded.RemoteProxyType(), RemoteProxyPublic);
    EXPECT_EQ(loaded.RemoteProxyHost(), "proxy.example");
    EXPECT_EQ(loaded.RemoteProxyPort(), 3128);
    EXPECT_EQ(loaded.RemoteProxyID(), 42);
    EXPECT_EQ(loaded.Downloaded(), 1234567890123ull);
    EXPECT_EQ(loaded.BlackList(), (std::vector<std::string>{"ads.", "tracker"}));
    EXPECT_TRUE(loaded.IPConcealStatus());
    EXPECT_EQ(loaded.CustomValue("USEPROXYIE"), "0");
    EXPECT_EQ(loaded.CustomValue("ProxyServerIE"), "localhost:6000");
    EXPECT_EQ(loaded.ProxyUsername(), "") << "the login is held in memory only";
    EXPECT_EQ(loaded.ProxyPassword(), "");
}

TEST_F(SettingsTest, DestroyingTheObjectSavesIt)
{
    {
        TSettings settings;
        settings.SetRemoteProxyHost("kept.example");
    }
    EXPECT_EQ(Stored("RemoteProxyHost"), "kept.example");
}

TEST_F(SettingsTest, AStoredPortOutsideOneTo65535LoadsAsTheDefault)
{
    struct Case
    {
        const char* stored;
        std::uint16_t local;
        std::uint16_t remote;
    };
    const Case cases[] = {
        {"1", 1, 1},
        {"65535", 65535, 65535},
        {"0", 5287, 8080},
        {"65536", 5287, 8080}, // its low 16 bits would be 0
        {"70000", 5287, 8080}, // its low 16 bits would be 4464
        {"-1", 5287, 8080},
        {"80x", 5287, 8080},
        {" 80", 5287, 8080},
        {"", 5287, 8080},
        {"99999999999999999999", 5287, 8080},
    };
    for (const Case& c : cases) {
        Store("LocalProxyPort", c.stored);
        Store("RemoteProxyPort", c.stored);
        const TSettings settings;
        EXPECT_EQ(settings.LocalProxyPort(), c.local) << "case: \"" << c.stored << "\"";
        EXPECT_EQ(settings.RemoteProxyPort(), c.remote) << "case: \"" << c.stored << "\"";
    }
}

TEST_F(SettingsTest, BadNumbersLoadAsTheirDefaults)
{
    Store("RemoteProxyType", "premium");
    Store("RemoteProxyID", "12abc");
    Store("Downloaded", "-5");
    Store("IPConcealStatus", "yes");
    const TSettings settings;
    EXPECT_EQ(settings.RemoteProxyType(), 0);
    EXPECT_EQ(settings.RemoteProxyID(), 0);
    EXPECT_EQ(settings.Downloaded(), 0u);
    EXPECT_FALSE(settings.IPConcealStatus());
}

TEST_F(SettingsTest, TheBlacklistLoadsFromAnyLineBreak)
{
    Store("BlackList", "a\r\nb\nc\rd\r\n");
    const TSettings settings;
    EXPECT_EQ(settings.BlackList(), (std::vector<std::string>{"a", "b", "c", "d"}));
}

TEST_F(SettingsTest, IsBlacklistedMatchesSubstringsCaseSensitively)
{
    TSettings settings;
    // The downloaded blacklist may hold empty and blank lines: they never match.
    settings.SetBlackList({"", "  ", "\t", "doubleclick.net", "/ads/"});
    struct Case
    {
        const char* target;
        bool blacklisted;
    };
    const Case cases[] = {
        {"http://ad.doubleclick.net/x", true},
        {"http://example.org/ads/banner.gif", true},
        {"http://AD.DOUBLECLICK.NET/x", false},
        {"http://example.org/", false},
        {"http://example.org/a b", false},
        {"", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(settings.IsBlacklisted(c.target), c.blacklisted) << "case: " << c.target;

    settings.SetBlackList({""});
    EXPECT_FALSE(settings.IsBlacklisted(""));
}

TEST_F(SettingsTest, AddDownloadedWritesAtMostEveryFiveSeconds)
{
    TSettings settings;
    settings.AddDownloaded(100); // never written before: written now
    EXPECT_EQ(Stored("Downloaded"), "100");
    settings.AddDownloaded(50);
    EXPECT_EQ(Stored("Downloaded"), "100");
    machine().Clock().Advance(5);
    settings.AddDownloaded(1); // exactly 5 seconds later: not yet
    EXPECT_EQ(Stored("Downloaded"), "100");
    machine().Clock().Advance(1);
    settings.AddDownloaded(1);
    EXPECT_EQ(Stored("Downloaded"), "152");
    EXPECT_EQ(settings.Downloaded(), 152u);
    ASSERT_TRUE(settings.SaveDownloaded());
    EXPECT_EQ(Stored("Downloaded"), "152");
    EXPECT_EQ(Stored("LocalProxyPort"), "(missing)") << "SaveDownloaded writes Downloaded alone";
}

TEST_F(SettingsTest, ConcurrentAddsLoseNoByte)
{
    TSettings settings;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 1000; ++i)
                settings.AddDownloaded(3);
        });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(settings.Downloaded(), 12000u);
    ASSERT_TRUE(settings.SaveDownloaded());
    EXPECT_EQ(Stored("Downloaded"), "12000");
}

TEST_F(SettingsTest, TheRemoteProxyIsCopiedAsAWhole)
{
    TSettings settings;
    const TRemoteProxy premium{RemoteProxyPremium, "a.example", 1111, "ann", "pw-a"};
    const TRemoteProxy open{RemoteProxyPublic, "b.example", 2222, "", ""};
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (int i = 0; !stop; ++i)
            settings.SetRemoteProxy(i % 2 ? premium : open);
    });
    for (int i = 0; i < 20000; ++i) {
        const TRemoteProxy seen = settings.RemoteProxy();
        ASSERT_TRUE(seen == premium || seen == open || seen == TRemoteProxy{}) << seen.Host << ":" << seen.Port;
    }
    stop = true;
    writer.join();
}

} // namespace
} // namespace lumexa::identity
