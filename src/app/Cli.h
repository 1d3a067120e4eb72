#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// lumexa-cli: the program's engines without windows. Every command is reachable through
// RunCli, a function of the arguments and the three streams, so tests drive it in-process.
// Exit codes: 0 success, 1 failure (a clear message on `err`), 2 bad usage.
namespace lumexa::app {

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, std::istream& in);

} // namespace lumexa::app
