#pragma once

#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/Cli.h"
#include "support/TempDir.h"

namespace lumexa::app {

struct CliRun
{
    int code = -1;
    std::string out;
    std::string err;
};

// Drives lumexa-cli in-process on a throwaway machine (user "ann") in a temporary folder;
// host files a test prepares beside the machine are reached through drive Z:.
class CliFixture : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_EQ(Cli({"machine", "create", "--user", "ann"}).code, 0); }

    CliRun Cli(std::vector<std::string> args, const std::string& input = {})
    {
        args.insert(args.begin(), {"--machine", m_root});
        std::ostringstream out, err;
        std::istringstream in(input);
        CliRun result;
        result.code = RunCli(args, out, err, in);
        result.out = out.str();
        result.err = err.str();
        return result;
    }

    const std::string& Root() const { return m_root; }
    const test::TempDir& Dir() const { return m_dir; }

    // The Windows path of a host path: drive Z: is the host's root.
    static std::string WindowsPathOf(const std::string& hostPath)
    {
        std::string path = "Z:" + hostPath;
        for (char& c : path)
            if (c == '/')
                c = '\\';
        return path;
    }

    test::TempDir m_dir;
    std::string m_root = m_dir.Path() + "/machine";
};

} // namespace lumexa::app
