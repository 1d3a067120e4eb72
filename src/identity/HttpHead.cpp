#include "identity/HttpHead.h"

#include <charconv>

#include "platform/Text.h"

namespace lumexa::identity {

namespace {

// RFC 9110, 5.6.2: the characters of a token (method, header name).
bool IsTokenChar(unsigned char c)
{
    if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))
        return true;
    return std::string_view("!#$%&'*+-.^_`|~").find(static_cast<char>(c)) != std::string_view::npos;
}

bool IsToken(std::string_view text)
{
    if (text.empty())
        return false;
    for (const char c : text)
        if (!IsTokenChar(static_cast<unsigned char>(c)))
            return false;
    return true;
}

// Control characters other than tab have no place in a head line.
bool HasControl(std::string_view line)
{
    for (const char c : line) {
        const auto u = static_cast<unsigned char>(c);
        if ((u < 0x20 && u != '\t') || u == 0x7f)
            return true;
    }
    return false;
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// "HTTP/" DIGIT "." DIGIT
bool IsVersion(std::string_view text)
{
    return text.size() == 8 && text.substr(0, 5) == "HTTP/" && IsDigit(text[5]) && text[6] == '.' && IsDigit(text[7]);
}

std::string_view TrimBlanks(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    const std::size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

THeadParse Bad(THeadStatus status, std::string reason)
{
    THeadParse result;
    result.Status = status;
    result.Reason = std::move(reason);
    return result;
}

// Splits the head into lines, enforcing the bounds. Returns Ok with the lines (the empty line
// not included) and Consumed, or Incomplete, or a bound's Bad status.
THeadParse SplitHead(std::string_view bytes, std::vector<std::string_view>& lines)
{
    std::size_t start = 0;
    for (;;) {
        const std::size_t limit = std::min(bytes.size(), start + MaxHeadLine + 2);
        const std::size_t lf = bytes.substr(0, limit).find('\n', start);
        if (lf == std::string_view::npos) {
            if (limit - start > MaxHeadLine + 1 || (limit - start == MaxHeadLine + 1 && bytes[limit - 1] != '\r'))
                return Bad(THeadStatus::BadLineTooLong, "a line is longer than 8192 bytes");
            if (bytes.size() > MaxHeadSize)
                return Bad(THeadStatus::BadHeadTooLarge, "the head is larger than 65536 bytes");
            return {};
        }
        std::string_view line = bytes.substr(start, lf - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.size() > MaxHeadLine)
            return Bad(THeadStatus::BadLineTooLong, "a line is longer than 8192 bytes");
        if (lf + 1 > MaxHeadSize)
            return Bad(THeadStatus::BadHeadTooLarge, "the head is larger than 65536 bytes");
        start = lf + 1;
        if (line.empty() && !lines.empty()) {
            THeadParse result;
            result.Status = THeadStatus::Ok;
            result.Consumed = start;
            return result;
        }
        lines.push_back(line);
    }
}

// The header lines: names are tokens followed at once by ":"; one Content-Length at most,
// and that one a plain decimal number.
THeadParse ParseHeaders(const std::vector<std::string_view>& lines, THeadParse result)
{
    int contentLengths = 0;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos || !IsToken(line.substr(0, colon)))
            return Bad(THeadStatus::BadHeader, "header line " + std::to_string(i) + " is not \"name: value\"");
        if (HasControl(line))
            return Bad(THeadStatus::BadHeader, "header line " + std::to_string(i) + " holds a control character");
        result.Head.Headers.emplace_back(line);
        if (!platform::EqualsNoCase(line.substr(0, colon), "Content-Length"))
            continue;
        if (++contentLengths > 1)
            return Bad(THeadStatus::BadContentLength, "more than one Content-Length");
        const std::string_view value = TrimBlanks(line.substr(colon + 1));
        std::uint64_t length = 0;
        const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), length);
        if (value.empty() || value.size() > 18 || !IsDigit(value.front()) || error != std::errc() ||
            end != value.data() + value.size())
            return Bad(THeadStatus::BadContentLength, "Content-Length \"" + std::string(value) + "\" is not a length");
        result.Head.ContentLength = length;
    }
    return result;
}

} // namespace

bool IsBad(THeadStatus status)
{
    return status != THeadStatus::Ok && status != THeadStatus::Incomplete;
}

std::size_t FindHeadEnd(std::string_view bytes, std::size_t from)
{
    for (std::size_t lf = bytes.find('\n', from); lf != std::string_view::npos; lf = bytes.find('\n', lf + 1)) {
        if (lf + 1 < bytes.size() && bytes[lf + 1] == '\n')
            return lf + 2;
        if (lf + 2 < bytes.size() && bytes[lf + 1] == '\r' && bytes[lf + 2] == '\n')
            return lf + 3;
    }
    return std::string_view::npos;
}

THeadParse ParseRequestHead(std::string_view bytes)
{
    std::vector<std::string_view> lines;
    THeadParse result = SplitHead(bytes, lines);
    if (result.Status != THeadStatus::Ok)
        return result;
    const std::string_view line = lines.front();
    const std::size_t first = line.find(' ');
    const std::size_t second = first == std::string_view::npos ? first : line.find(' ', first + 1);
    if (second == std::string_view::npos || line.find(' ', second + 1) != std::string_view::npos || HasControl(line))
        return Bad(THeadStatus::BadStartLine, "the request line is not \"METHOD target HTTP/x.y\"");
    const std::string_view method = line.substr(0, first);
    const std::string_view target = line.substr(first + 1, second - first - 1);
    const std::string_view version = line.substr(second + 1);
    if (!IsToken(method) || target.empty() || target.find('\t') != std::string_view::npos || !IsVersion(version))
        return Bad(THeadStatus::BadStartLine, "the request line is not \"METHOD target HTTP/x.y\"");
    result.Head.StartLine = line;
    result.Head.Method = method;
    result.Head.Target = target;
    result.Head.Version = version;
    return ParseHeaders(lines, std::move(result));
}

THeadParse ParseResponseHead(std::string_view bytes)
{
    std::vector<std::string_view> lines;
    THeadParse result = SplitHead(bytes, lines);
    if (result.Status != THeadStatus::Ok)
        return result;
    const std::string_view line = lines.front();
    // "HTTP/x.y nnn" with an optional " reason".
    if (line.size() < 12 || !IsVersion(line.substr(0, 8)) || line[8] != ' ' || !IsDigit(line[9]) ||
        !IsDigit(line[10]) || !IsDigit(line[11]) || (line.size() > 12 && line[12] != ' ') || HasControl(line))
        return Bad(THeadStatus::BadStartLine, "the status line is not \"HTTP/x.y nnn reason\"");
    result.Head.StartLine = line;
    result.Head.Version = line.substr(0, 8);
    result.Head.StatusCode = (line[9] - '0') * 100 + (line[10] - '0') * 10 + (line[11] - '0');
    return ParseHeaders(lines, std::move(result));
}

std::optional<std::string> HeaderValue(const std::vector<std::string>& headers, std::string_view name)
{
    for (const std::string& line : headers) {
        const std::size_t colon = line.find(':');
        if (colon != std::string::npos && platform::EqualsNoCase(std::string_view(line).substr(0, colon), name))
            return std::string(TrimBlanks(std::string_view(line).substr(colon + 1)));
    }
    return std::nullopt;
}

void SetHeader(std::vector<std::string>& headers, std::string_view name, std::string_view value)
{
    const std::string replacement = std::string(name) + ": " + std::string(value);
    bool placed = false;
    for (auto it = headers.begin(); it != headers.end();) {
        const std::size_t colon = it->find(':');
        if (colon == std::string::npos || !platform::EqualsNoCase(std::string_view(*it).substr(0, colon), name)) {
            ++it;
        } else if (!placed) {
            *it++ = replacement;
            placed = true;
        } else {
            it = headers.erase(it);
        }
    }
    if (!placed)
        headers.push_back(replacement);
}

namespace {

std::optional<std::uint16_t> ParsePort(std::string_view text)
{
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || text.size() > 5 || error != std::errc() || end != text.data() + text.size() || value < 1 ||
        value > 65535)
        return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

// "host", "host:port", "[v6]" or "[v6]:port"; the port stays empty when not given.
bool SplitHostPort(std::string_view authority, std::string_view& host, std::string_view& port, bool& hasPort)
{
    hasPort = false;
    if (!authority.empty() && authority.front() == '[') {
        const std::size_t close = authority.find(']');
        if (close == std::string_view::npos)
            return false;
        host = authority.substr(1, close - 1);
        const std::string_view rest = authority.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':')
                return false;
            port = rest.substr(1);
            hasPort = true;
        }
        return !host.empty();
    }
    const std::size_t colon = authority.find(':');
    host = authority.substr(0, colon);
    if (colon != std::string_view::npos) {
        port = authority.substr(colon + 1);
        hasPort = true;
    }
    return !host.empty();
}

} // namespace

std::optional<TAbsoluteTarget> ParseAbsoluteTarget(std::string_view target)
{
    constexpr std::string_view scheme = "http://";
    if (!platform::StartsWithNoCase(target, scheme))
        return std::nullopt;
    const std::string_view rest = target.substr(scheme.size());
    const std::size_t pathStart = rest.find_first_of("/?#");
    std::string_view authority = rest.substr(0, pathStart);
    if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos)
        authority.remove_prefix(at + 1); // user information is not sent on
    std::string_view host, port;
    bool hasPort = false;
    if (!SplitHostPort(authority, host, port, hasPort))
        return std::nullopt;
    TAbsoluteTarget result;
    result.Host = host;
    if (hasPort) {
        const auto number = ParsePort(port);
        if (!number)
            return std::nullopt;
        result.Port = *number;
    }
    std::string_view path = pathStart == std::string_view::npos ? std::string_view() : rest.substr(pathStart);
    path = path.substr(0, path.find('#'));
    result.PathAndQuery = path.empty() || path.front() != '/' ? "/" + std::string(path) : std::string(path);
    return result;
}

std::optional<TConnectTarget> ParseConnectTarget(std::string_view target)
{
    std::string_view host, port;
    bool hasPort = false;
    if (!SplitHostPort(target, host, port, hasPort))
        return std::nullopt;
    TConnectTarget result;
    result.Host = host;
    const bool numeric = !port.empty() && port.size() <= 5 && port.find_first_not_of("0123456789") == std::string::npos;
    if (hasPort && numeric) {
        const auto number = ParsePort(port);
        if (!number)
            return std::nullopt;
        result.Port = *number;
    }
    return result;
}

std::string BasicCredentials(std::string_view username, std::string_view password)
{
    static constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const std::string plain = std::string(username) + ":" + std::string(password);
    std::string encoded = "Basic ";
    std::size_t i = 0;
    for (; i + 2 < plain.size(); i += 3) {
        const std::uint32_t n = static_cast<std::uint32_t>(static_cast<unsigned char>(plain[i])) << 16 |
                                static_cast<std::uint32_t>(static_cast<unsigned char>(plain[i + 1])) << 8 |
                                static_cast<unsigned char>(plain[i + 2]);
        encoded += alphabet[n >> 18 & 63];
        encoded += alphabet[n >> 12 & 63];
        encoded += alphabet[n >> 6 & 63];
        encoded += alphabet[n & 63];
    }
    if (i < plain.size()) {
        std::uint32_t n = static_cast<std::uint32_t>(static_cast<unsigned char>(plain[i])) << 16;
        if (i + 1 < plain.size())
            n |= static_cast<std::uint32_t>(static_cast<unsigned char>(plain[i + 1])) << 8;
        encoded += alphabet[n >> 18 & 63];
        encoded += alphabet[n >> 12 & 63];
        encoded += i + 1 < plain.size() ? alphabet[n >> 6 & 63] : '=';
        encoded += '=';
    }
    return encoded;
}

} // namespace lumexa::identity
