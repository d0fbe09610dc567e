// Addresses, the request head and the response head as the HTTP client builds and reads them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "update/http_head.h"
#include "update/url.h"

using namespace kelt::update;

namespace {

struct UrlCase {
    const char* address;
    const char* host;
    int port;
    const char* path;
};

TEST(UrlTest, SplitsHostPortAndPathByTheSchemeRules)
{
    const UrlCase cases[] = {
        {"http://example.org", "example.org", 80, "/"},
        {"http://example.org/", "example.org", 80, "/"},
        {"http://example.org/update/version.ini", "example.org", 80, "/update/version.ini"},
        {"HTTP://Example.org:8080/a/b", "Example.org", 8080, "/a/b"},
        {"ftp://files.example.org/x", "files.example.org", 21, "/x"},
        {"gopher://g.example.org", "g.example.org", 70, "/"},
        {"news://n.example.org/x", "n.example.org", 80, "/x"},
        {"//127.0.0.1:9/p?q=1", "127.0.0.1", 9, "/p?q=1"},
        {"127.0.0.1:81/a", "127.0.0.1", 81, "/a"},
        {"example.org", "example.org", 80, "/"},
        {"http://[::1]:8000/x", "::1", 8000, "/x"},
        {"http://host:8000", "host", 8000, "/"},
    };
    for (const UrlCase& c : cases) {
        SCOPED_TRACE(c.address);
        const Url url = ParseUrl(c.address);
        EXPECT_EQ(url.host, c.host);
        EXPECT_EQ(url.port, c.port);
        EXPECT_EQ(url.path, c.path);
    }
    EXPECT_TRUE(ParseUrl("http://h:8080/").explicitPort);
    EXPECT_FALSE(ParseUrl("http://h/").explicitPort);
}

TEST(UrlTest, RefusesWhatCannotBeRequested)
{
    const std::pair<std::string, const char*> cases[] = {
        {"", "Empty URL"},
        {"https://example.org/update/", "HTTP Secure Socket is not supported"},
        {"HTTPS://example.org/", "HTTP Secure Socket is not supported"},
        {"http://h:0/", "Invalid port in URL"},
        {"http://h:65536/", "Invalid port in URL"},
        {"http://h:80x/", "Invalid port in URL"},
        {"http://h:/", "Invalid port in URL"},
        {"http://h/a\r\nX-Injected: 1", "Invalid character in URL"},
        {"http://h/" + std::string(256, 'a'), "URL path longer than 256 characters"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        try {
            ParseUrl(c.first);
            ADD_FAILURE() << "accepted";
        } catch (const HttpError& e) {
            EXPECT_STREQ(e.what(), c.second);
        }
    }
    EXPECT_EQ(ParseUrl("http://h/" + std::string(255, 'a')).path.size(), 256u);
}

TEST(UrlTest, RedirectTargetsResolveAgainstTheServer)
{
    const Url plain = ParseUrl("http://example.org/update/a");
    const Url ported = ParseUrl("http://127.0.0.1:8123/update/a");
    EXPECT_EQ(ResolveLocation("http://other.org/x", plain), "http://other.org/x");
    EXPECT_EQ(ResolveLocation("moved.bin", plain), "http://example.org/moved.bin");
    EXPECT_EQ(ResolveLocation("moved.bin", ported), "http://127.0.0.1:8123/moved.bin");
    EXPECT_EQ(ResolveLocation("/files/b", ported), "http://127.0.0.1:8123/files/b");
}

TEST(RequestHeadTest, IsByteForByteTheFixedHead)
{
    Url url = ParseUrl("http://example.org:8080/update/my file.ini");
    EXPECT_EQ(BuildRequestHead(url, ""),
              "GET /update/my%20file.ini HTTP/1.0\r\n"
              "Host: example.org\r\n"
              "Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff\r\n"
              "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript\r\n"
              "Content-type: application/x-www-form-urlencoded\r\n"
              "\r\n");
    url = ParseUrl("http://example.org");
    EXPECT_EQ(BuildRequestHead(url, "id=7; Path=/"),
              "GET / HTTP/1.0\r\n"
              "Host: example.org\r\n"
              "Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff\r\n"
              "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript\r\n"
              "Cookie: id=7; Path=/\r\n"
              "Content-type: application/x-www-form-urlencoded\r\n"
              "\r\n");
}

TEST(RequestHeadTest, AnIpv6LiteralKeepsItsBracketsInTheHostLine)
{
    const Url url = ParseUrl("http://[2001:db8::7]:8080/update/version.ini");
    EXPECT_EQ(url.host, "2001:db8::7");
    const std::string head = BuildRequestHead(url, "");
    EXPECT_EQ(head.substr(0, head.find("Accept")), "GET /update/version.ini HTTP/1.0\r\nHost: [2001:db8::7]\r\n");
}

TEST(StatusTest, SecondWordAsNumberDecidesTheOutcome)
{
    const std::pair<const char*, int> lines[] = {
        {"HTTP/1.0 200 OK\r\n", 200}, {"HTTP/1.1 404 Not Found\n", 404}, {"HTTP/1.0  301\r\n", 301},
        {"HTTP/1.0\r\n", 0},          {"HTTP/1.0 OK\r\n", 0},            {"HTTP/1.0 20x OK\r\n", 0},
        {"", 0},                      {"HTTP/1.0 99999999999999 x", 999999999},
    };
    for (const auto& l : lines)
        EXPECT_EQ(StatusOfLine(l.first), l.second) << l.first;

    const std::pair<int, StatusKind> kinds[] = {
        {0, StatusKind::Success},    {100, StatusKind::Success},  {200, StatusKind::Success},
        {298, StatusKind::Success},  {299, StatusKind::Repeat},   {300, StatusKind::Redirect},
        {302, StatusKind::Redirect}, {303, StatusKind::Repeat},   {399, StatusKind::Repeat},
        {400, StatusKind::Failure},  {404, StatusKind::Failure},  {999999999, StatusKind::Failure},
    };
    for (const auto& k : kinds)
        EXPECT_EQ(ClassifyStatus(k.first), k.second) << k.first;
}

// Feeds a whole answer in pieces of `piece` bytes; answers the body bytes.
std::string FeedAll(ResponseHead& head, const std::string& answer, std::size_t piece)
{
    std::string body;
    for (std::size_t at = 0; at < answer.size(); at += piece) {
        const std::string chunk = answer.substr(at, piece);
        if (head.Complete()) {
            body += chunk;
            continue;
        }
        const std::size_t used = head.Feed(chunk.data(), chunk.size());
        body += head.TakeBody();
        body += chunk.substr(used);
    }
    body += head.Finish();
    return body;
}

TEST(ResponseHeadTest, ReadsTheSameWhateverPiecesArrive)
{
    const std::string answer =
        "HTTP/1.0 302 Found\r\n"
        "location:  /next/file.bin \r\n"
        "Set-Cookie: session=abc; Path=/\r\n"
        "Location: http://ignored/\r\n"
        "Content-Length: 11\r\n"
        "\r\n"
        "hello\r\n\r\nxy";
    for (std::size_t piece : {std::size_t(1), std::size_t(2), std::size_t(5), std::size_t(7), answer.size()}) {
        SCOPED_TRACE(piece);
        ResponseHead head;
        EXPECT_EQ(FeedAll(head, answer, piece), "hello\r\n\r\nxy");
        EXPECT_TRUE(head.HasStatusLine());
        EXPECT_EQ(head.Status(), 302);
        EXPECT_EQ(head.Location(), "/next/file.bin");
        EXPECT_EQ(head.Cookie(), "session=abc; Path=/");
        ASSERT_TRUE(head.HasContentLength());
        EXPECT_EQ(head.ContentLength(), 11u);
        EXPECT_EQ(head.Text(), answer.substr(0, answer.find("\r\n\r\n") + 4));
        EXPECT_FALSE(head.EncodedBody());
    }
    // A framed body is not the bytes of the file.
    for (const auto& framing : {std::make_pair("chunked", true), std::make_pair("gzip, chunked", true),
                                std::make_pair(" Identity ", false)}) {
        ResponseHead head;
        FeedAll(head, std::string("HTTP/1.1 200 OK\r\nTransfer-Encoding: ") + framing.first + "\r\n\r\nx", 64);
        EXPECT_EQ(head.EncodedBody(), framing.second) << framing.first;
    }
}

TEST(ResponseHeadTest, AnAnswerWithoutStatusLineIsAllBody)
{
    for (const std::string& answer : {std::string("just text\n\nmore"), std::string("abc"), std::string(""),
                                     std::string("HTT"), std::string("<html>\r\n")}) {
        for (std::size_t piece : {std::size_t(1), std::size_t(64)}) {
            ResponseHead head;
            EXPECT_EQ(FeedAll(head, answer, piece), answer);
            EXPECT_FALSE(head.HasStatusLine());
            EXPECT_EQ(head.Status(), 0);
            EXPECT_EQ(head.Text(), "");
        }
    }
}

TEST(ResponseHeadTest, BrokenHeadsRaise)
{
    ResponseHead cut;
    const std::string partial = "HTTP/1.0 200 OK\r\nServer: x\r\n";
    cut.Feed(partial.data(), partial.size());
    EXPECT_THROW(cut.Finish(), HttpError);

    ResponseHead endless;
    const std::string start = "HTTP/1.0 200 OK\r\nX: ";
    endless.Feed(start.data(), start.size());
    const std::string filler(4096, 'a');
    EXPECT_THROW(
        {
            for (int i = 0; i < 20; ++i)
                endless.Feed(filler.data(), filler.size());
        },
        HttpError);
}

} // namespace
