#include "identity/HttpHead.h"

#include <gtest/gtest.h>

namespace lumexa::identity {
namespace {

const char* Name(THeadStatus status)
{
    switch (status) {
    case THeadStatus::Ok:
        return "Ok";
    case THeadStatus::Incomplete:
        return "Incomplete";
    case THeadStatus::BadLineTooLong:
        return "BadLineTooLong";
    case THeadStatus::BadHeadTooLarge:
        return "BadHeadTooLarge";
    case THeadStatus::BadStartLine:
        return "BadStartLine";
    case THeadStatus::BadHeader:
        return "BadHeader";
    case THeadStatus::BadContentLength:
        return "BadContentLength";
    }
    return "?";
}

// n header lines "X-Fill-i: " padded so that each line is `lineLength` bytes long.
std::string Filler(std::size_t n, std::size_t lineLength)
{
    std::string text;
    for (std::size_t i = 0; i < n; ++i) {
        std::string line = "X-Fill-" + std::to_string(i) + ": ";
        line.append(lineLength - line.size(), 'f');
        text += line + "\r\n";
    }
    return text;
}

TEST(HttpHeadTest, RequestHeadsAreAcceptedOrRefusedWithTheRightStatus)
{
    struct Case
    {
        std::string name;
        std::string bytes;
        THeadStatus status;
    };
    const std::string get = "GET http://example.org/ HTTP/1.1\r\n";
    const Case cases[] = {
        {"plain", get + "Host: example.org\r\n\r\n", THeadStatus::Ok},
        {"bare LF line ends", "GET / HTTP/1.0\nHost: a\n\n", THeadStatus::Ok},
        {"no headers", get + "\r\n", THeadStatus::Ok},
        {"not finished", get + "Host: example.org\r\n", THeadStatus::Incomplete},
        {"nothing yet", "", THeadStatus::Incomplete},
        {"half a request line", "GET http://exa", THeadStatus::Incomplete},
        {"two words", "GET http://example.org/\r\n\r\n", THeadStatus::BadStartLine},
        {"four words", "GET http://example.org/ x HTTP/1.1\r\n\r\n", THeadStatus::BadStartLine},
        {"double space", "GET  http://example.org/ HTTP/1.1\r\n\r\n", THeadStatus::BadStartLine},
        {"not a version", "GET / HTTP/one\r\n\r\n", THeadStatus::BadStartLine},
        {"method not a token", "G(T / HTTP/1.1\r\n\r\n", THeadStatus::BadStartLine},
        {"empty first line", "\r\n\r\n", THeadStatus::BadStartLine},
        {"NUL in the target", std::string("GET /a\0b HTTP/1.1\r\n\r\n", 21), THeadStatus::BadStartLine},
        {"header without colon", get + "Host example.org\r\n\r\n", THeadStatus::BadHeader},
        {"space before colon", get + "Host : example.org\r\n\r\n", THeadStatus::BadHeader},
        {"folded line", get + "X-A: 1\r\n  2\r\n\r\n", THeadStatus::BadHeader},
        {"stray CR", get + "X-A: 1\r2\r\n\r\n", THeadStatus::BadHeader},
        {"content length", get + "Content-Length: 12\r\n\r\n", THeadStatus::Ok},
        {"content length with blanks", get + "content-length:  0 \r\n\r\n", THeadStatus::Ok},
        {"negative content length", get + "Content-Length: -1\r\n\r\n", THeadStatus::BadContentLength},
        {"signed content length", get + "Content-Length: +1\r\n\r\n", THeadStatus::BadContentLength},
        {"non-numeric content length", get + "Content-Length: ten\r\n\r\n", THeadStatus::BadContentLength},
        {"empty content length", get + "Content-Length:\r\n\r\n", THeadStatus::BadContentLength},
        {"two numbers", get + "Content-Length: 1 2\r\n\r\n", THeadStatus::BadContentLength},
        {"huge content length", get + "Content-Length: 99999999999999999999\r\n\r\n", THeadStatus::BadContentLength},
        {"duplicated content length",
         get + "Content-Length: 5\r\nContent-Length: 5\r\n\r\n",
         THeadStatus::BadContentLength},
        {"line of 8192 bytes", get + Filler(1, 8192) + "\r\n", THeadStatus::Ok},
        {"line of 8193 bytes", get + Filler(1, 8193) + "\r\n", THeadStatus::BadLineTooLong},
        {"unfinished line of 8193 bytes", get + Filler(1, 8193).substr(0, 8193), THeadStatus::BadLineTooLong},
        {"unfinished line of 8192 bytes and CR", get + Filler(1, 8192).substr(0, 8193), THeadStatus::Incomplete},
        {"head of 64 KiB",
         get + Filler(8, 8000) + Filler(1, 65536 - 8 * 8002 - get.size() - 4) + "\r\n",
         THeadStatus::Ok},
        {"head over 64 KiB", get + Filler(9, 8000) + "\r\n", THeadStatus::BadHeadTooLarge},
        {"unfinished head over 64 KiB", get + Filler(9, 8000), THeadStatus::BadHeadTooLarge},
    };
    for (const Case& c : cases) {
        const THeadParse parse = ParseRequestHead(c.bytes);
        EXPECT_STREQ(Name(parse.Status), Name(c.status)) << "case: " << c.name << " (" << parse.Reason << ")";
        EXPECT_EQ(parse.Reason.empty(), !IsBad(parse.Status)) << "case: " << c.name;
        if (parse.Status == THeadStatus::Ok) {
            EXPECT_EQ(parse.Consumed, c.bytes.size()) << "case: " << c.name;
        }
    }
}

TEST(HttpHeadTest, ARequestHeadIsSplitIntoItsParts)
{
    const std::string head = "POST http://example.org:8080/form?a=1 HTTP/1.1\r\n"
                             "Host: example.org:8080\r\n"
                             "Content-Length:  5\r\n"
                             "\r\n";
    const THeadParse parse = ParseRequestHead(head + "hello");
    ASSERT_EQ(parse.Status, THeadStatus::Ok) << parse.Reason;
    EXPECT_EQ(parse.Consumed, head.size()) << "the body is not part of the head";
    EXPECT_EQ(parse.Head.Method, "POST");
    EXPECT_EQ(parse.Head.Target, "http://example.org:8080/form?a=1");
    EXPECT_EQ(parse.Head.Version, "HTTP/1.1");
    EXPECT_EQ(parse.Head.Headers, (std::vector<std::string>{"Host: example.org:8080", "Content-Length:  5"}));
    EXPECT_EQ(parse.Head.ContentLength, 5u);
    EXPECT_EQ(HeaderValue(parse.Head.Headers, "content-length"), "5");
    EXPECT_EQ(HeaderValue(parse.Head.Headers, "Cookie"), std::nullopt);
}

TEST(HttpHeadTest, ResponseHeadsGiveTheStatusAndLength)
{
    struct Case
    {
        std::string bytes;
        THeadStatus status;
        int code;
        std::optional<std::uint64_t> length;
    };
    const Case cases[] = {
        {"HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n", THeadStatus::Ok, 200, 10},
        {"HTTP/1.0 204 No Content\r\n\r\n", THeadStatus::Ok, 204, std::nullopt},
        {"HTTP/1.1 304\r\n\r\n", THeadStatus::Ok, 304, std::nullopt},
        {"HTTP/1.1 100 Continue\r\n\r\n", THeadStatus::Ok, 100, std::nullopt},
        {"HTTP/1.1 200 OK\r\n", THeadStatus::Incomplete, 0, std::nullopt},
        {"HTTP/1.1 20 OK\r\n\r\n", THeadStatus::BadStartLine, 0, std::nullopt},
        {"HTTP/1.1 2000 OK\r\n\r\n", THeadStatus::BadStartLine, 0, std::nullopt},
        {"ICY 200 OK\r\n\r\n", THeadStatus::BadStartLine, 0, std::nullopt},
        {"<html>\r\n\r\n", THeadStatus::BadStartLine, 0, std::nullopt},
        {"HTTP/1.1 200 OK\r\nContent-Length: 1\r\ncontent-length: 1\r\n\r\n",
         THeadStatus::BadContentLength,
         0,
         std::nullopt},
        {"HTTP/1.1 200 OK\r\n" + Filler(1, 9000) + "\r\n", THeadStatus::BadLineTooLong, 0, std::nullopt},
    };
    for (const Case& c : cases) {
        const THeadParse parse = ParseResponseHead(c.bytes);
        EXPECT_STREQ(Name(parse.Status), Name(c.status)) << "case: " << c.bytes.substr(0, 40);
        if (parse.Status != THeadStatus::Ok)
            continue;
        EXPECT_EQ(parse.Head.StatusCode, c.code) << "case: " << c.bytes.substr(0, 40);
        EXPECT_EQ(parse.Head.ContentLength, c.length) << "case: " << c.bytes.substr(0, 40);
    }
}

TEST(HttpHeadTest, FindHeadEndFindsTheFirstEmptyLine)
{
    EXPECT_EQ(FindHeadEnd("GET / HTTP/1.0\r\n\r\nbody"), 18u);
    EXPECT_EQ(FindHeadEnd("GET / HTTP/1.0\n\nbody"), 16u);
    EXPECT_EQ(FindHeadEnd("GET / HTTP/1.0\r\nA: b\r\n"), std::string::npos);
    EXPECT_EQ(FindHeadEnd("GET / HTTP/1.0\r\n\r\n", 12), 18u);
}

TEST(HttpHeadTest, SetHeaderReplacesEveryCopyAtTheFirstPlace)
{
    std::vector<std::string> headers{
        "Host: a", "proxy-authorization: Basic eA==", "Accept: */*", "Proxy-Authorization: Basic eQ=="};
    SetHeader(headers, "Proxy-Authorization", "Basic dXNlcjpwYXNz");
    EXPECT_EQ(headers, (std::vector<std::string>{"Host: a", "Proxy-Authorization: Basic dXNlcjpwYXNz", "Accept: */*"}));
    SetHeader(headers, "Via", "lumexa");
    EXPECT_EQ(headers.back(), "Via: lumexa");
}

TEST(HttpHeadTest, AbsoluteTargetsGiveHostPortAndPath)
{
    struct Case
    {
        const char* target;
        std::optional<TAbsoluteTarget> expected;
    };
    const Case cases[] = {
        {"http://example.org/a?b=1", TAbsoluteTarget{"example.org", 80, "/a?b=1"}},
        {"HTTP://Example.org:8080", TAbsoluteTarget{"Example.org", 8080, "/"}},
        {"http://example.org?q", TAbsoluteTarget{"example.org", 80, "/?q"}},
        {"http://user:pw@example.org/x#frag", TAbsoluteTarget{"example.org", 80, "/x"}},
        {"http://[::1]:81/v6", TAbsoluteTarget{"::1", 81, "/v6"}},
        {"/index.html", std::nullopt},
        {"https://example.org/", std::nullopt},
        {"http://:80/", std::nullopt},
        {"http://example.org:0/", std::nullopt},
        {"http://example.org:65536/", std::nullopt},
        {"http://example.org:8x/", std::nullopt},
        {"http://[::1/", std::nullopt},
    };
    for (const Case& c : cases) {
        const auto parsed = ParseAbsoluteTarget(c.target);
        ASSERT_EQ(parsed.has_value(), c.expected.has_value()) << "case: " << c.target;
        if (!parsed)
            continue;
        EXPECT_EQ(parsed->Host, c.expected->Host) << "case: " << c.target;
        EXPECT_EQ(parsed->Port, c.expected->Port) << "case: " << c.target;
        EXPECT_EQ(parsed->PathAndQuery, c.expected->PathAndQuery) << "case: " << c.target;
    }
}

TEST(HttpHeadTest, ConnectTargetsDefaultToPort443)
{
    struct Case
    {
        const char* target;
        const char* host; // nullptr: refused
        std::uint16_t port;
    };
    const Case cases[] = {
        {"example.org:8443", "example.org", 8443},
        {"example.org", "example.org", 443},
        {"example.org:", "example.org", 443},
        {"example.org:https", "example.org", 443},
        {"[::1]:444", "::1", 444},
        {"[::1]", "::1", 443},
        {"example.org:70000", nullptr, 0},
        {"example.org:0", nullptr, 0},
        {":443", nullptr, 0},
    };
    for (const Case& c : cases) {
        const auto parsed = ParseConnectTarget(c.target);
        ASSERT_EQ(parsed.has_value(), c.host != nullptr) << "case: " << c.target;
        if (!parsed)
            continue;
        EXPECT_EQ(parsed->Host, c.host) << "case: " << c.target;
        EXPECT_EQ(parsed->Port, c.port) << "case: " << c.target;
    }
}

TEST(HttpHeadTest, BasicCredentialsAreBase64OfUserColonPassword)
{
    // RFC 7617, section 2: "Aladdin" / "open sesame".
    EXPECT_EQ(BasicCredentials("Aladdin", "open sesame"), "Basic QWxhZGRpbjpvcGVuIHNlc2FtZQ==");
    // RFC 4648, section 10: the padding cases ("f" + ":" + "o" = "f:o", and so on).
    EXPECT_EQ(BasicCredentials("f", ""), "Basic Zjo=");
    EXPECT_EQ(BasicCredentials("f", "o"), "Basic Zjpv");
    EXPECT_EQ(BasicCredentials("fo", "ob"), "Basic Zm86b2I=");
    EXPECT_EQ(BasicCredentials("user", "pass"), "Basic dXNlcjpwYXNz");
}

} // namespace
} // namespace lumexa::identity
