// libFuzzer target for the local proxy's head parsers (identity/HttpHead.h).
//
// Any input is parsed as a request head and as a response head. Each parse must end in Ok,
// Incomplete or a Bad status with a reason; an Ok head lies within the input and the bounds,
// and its start line and header lines are lines of the input. The same bytes are also given
// to the target parsers, whose results must be usable addresses.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "identity/HttpHead.h"

using namespace lumexa::identity;

namespace {

[[noreturn]] void Crash(const char* what, std::string_view input)
{
    std::fprintf(stderr, "proxy_request_fuzz: %s\n%.*s\n", what, static_cast<int>(input.size()), input.data());
    std::abort();
}

void Check(const THeadParse& parse, std::string_view input)
{
    if (IsBad(parse.Status) != !parse.Reason.empty())
        Crash("a bad head without a reason, or a reason without one", input);
    if (parse.Status == THeadStatus::Incomplete && input.size() > MaxHeadSize + 2)
        Crash("incomplete beyond the size bound", input);
    if (parse.Status != THeadStatus::Ok)
        return;
    if (parse.Consumed == 0 || parse.Consumed > input.size() || parse.Consumed > MaxHeadSize)
        Crash("the head's size is out of bounds", input);
    if (FindHeadEnd(input) != parse.Consumed)
        Crash("the parser and FindHeadEnd disagree on where the head ends", input);
    const std::string_view head = input.substr(0, parse.Consumed);
    if (parse.Head.StartLine.empty() || head.find(parse.Head.StartLine) != 0)
        Crash("the start line is not the head's first line", input);
    for (const std::string& line : parse.Head.Headers)
        if (line.size() > MaxHeadLine || head.find(line) == std::string_view::npos)
            Crash("a header line is not a line of the head", input);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const THeadParse request = ParseRequestHead(input);
    Check(request, input);
    if (request.Status == THeadStatus::Ok && (request.Head.Method.empty() || request.Head.Target.empty()))
        Crash("a request without method or target", input);
    const THeadParse response = ParseResponseHead(input);
    Check(response, input);
    if (response.Status == THeadStatus::Ok && (response.Head.StatusCode < 0 || response.Head.StatusCode > 999))
        Crash("a status code that is not three digits", input);

    if (const auto target = ParseAbsoluteTarget(input)) {
        if (target->Host.empty() || target->Port == 0 || target->PathAndQuery.empty() ||
            target->PathAndQuery.front() != '/')
            Crash("an absolute target without host, port or path", input);
    }
    if (const auto target = ParseConnectTarget(input)) {
        if (target->Host.empty() || target->Port == 0)
            Crash("a CONNECT target without host or port", input);
    }
    return 0;
}
