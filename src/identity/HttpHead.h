#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The heads of HTTP requests and responses as the local proxy reads them: pure functions of
// bytes, bounded, so that they can be fuzzed. A head is a start line, header lines and an
// empty line; lines end in CR LF or a bare LF.
namespace lumexa::identity {

// Bounds of what the proxy accepts from a browser or a server.
inline constexpr std::size_t MaxHeadLine = 8 * 1024;  // one line, without its line end
inline constexpr std::size_t MaxHeadSize = 64 * 1024; // the whole head, line ends included

enum class THeadStatus
{
    Ok,
    Incomplete,       // no empty line yet, and no bound exceeded
    BadLineTooLong,   // a line longer than MaxHeadLine
    BadHeadTooLarge,  // a head longer than MaxHeadSize
    BadStartLine,     // not "METHOD target HTTP/x.y", or not "HTTP/x.y nnn reason"
    BadHeader,        // a header line that is not "name: value", or a stray control character
    BadContentLength, // negative, not a number, too large, or more than one
};

struct THttpHead
{
    std::string StartLine;            // the request line or the status line
    std::vector<std::string> Headers; // header lines as received, without line ends
    // Request line.
    std::string Method;
    std::string Target;
    // Both.
    std::string Version; // "HTTP/1.1"
    // Status line.
    int StatusCode = 0;
    std::optional<std::uint64_t> ContentLength;
};

struct THeadParse
{
    THeadStatus Status = THeadStatus::Incomplete;
    std::string Reason;       // why a head is bad, for the log and the tests
    std::size_t Consumed = 0; // Ok: bytes of the head, up to and including the empty line
    THttpHead Head;
};

// Reads a head from the start of `bytes`; what follows it (a body) is not looked at. The
// result never depends on more than the first MaxHeadSize + 2 bytes.
THeadParse ParseRequestHead(std::string_view bytes);
THeadParse ParseResponseHead(std::string_view bytes);

// Where the empty line ending a head is: the offset just past it, or npos. Scans from `from`
// (a caller that appends bytes passes where the last scan stopped, minus three).
std::size_t FindHeadEnd(std::string_view bytes, std::size_t from = 0);

bool IsBad(THeadStatus status);

// The value of the first header of that name (any case), trimmed; nullopt when absent.
std::optional<std::string> HeaderValue(const std::vector<std::string>& headers, std::string_view name);
// Replaces every header of that name by one "name: value" line at the first one's place, or
// appends it.
void SetHeader(std::vector<std::string>& headers, std::string_view name, std::string_view value);

// An absolute "http://" target split into where to connect and what to ask there.
struct TAbsoluteTarget
{
    std::string Host; // without the brackets of an IPv6 literal
    std::uint16_t Port = 80;
    std::string PathAndQuery; // "/" when the target has no path
};
// nullopt for anything but an absolute http address with a host and a port in 1..65535.
std::optional<TAbsoluteTarget> ParseAbsoluteTarget(std::string_view target);

// A CONNECT target "host:port". The port is 443 when missing or not a number; nullopt for an
// empty host or a number outside 1..65535.
struct TConnectTarget
{
    std::string Host;
    std::uint16_t Port = 443;
};
std::optional<TConnectTarget> ParseConnectTarget(std::string_view target);

// "Basic " and the Base64 of "username:password" (RFC 7617).
std::string BasicCredentials(std::string_view username, std::string_view password);

} // namespace lumexa::identity
