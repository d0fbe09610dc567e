// The HTTP client and the WinHTTP download against real servers on loopback: the request as the
// server receives it, every kind of answer, and transfers that break or never end.
#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/windows/update/update_test_support.h"
#include "update/http_client.h"
#include "update/http_head.h"
#include "update/winhttp_get.h"

using namespace kelt::update;
using namespace kelt::update::testing;

namespace {

// A port on which nothing listens.
int ClosedPort()
{
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    int length = sizeof address;
    ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    ::closesocket(s);
    return ntohs(address.sin_port);
}

std::string RandomBytes(std::size_t size)
{
    std::string bytes(size, '\0');
    unsigned state = 12345;
    for (char& c : bytes) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 16);
    }
    return bytes;
}

// Calls `action` from a timer after `ms`, through the message loop the transfer keeps running.
class LaterCall {
public:
    LaterCall(int ms, std::function<void()> action)
    {
        Pending() = std::move(action);
        id_ = ::SetTimer(nullptr, 0, static_cast<UINT>(ms), [](HWND, UINT, UINT_PTR id, DWORD) CALLBACK {
            ::KillTimer(nullptr, id);
            if (Pending())
                Pending()();
        });
    }
    ~LaterCall()
    {
        ::KillTimer(nullptr, id_);
        Pending() = nullptr;
    }

private:
    static std::function<void()>& Pending()
    {
        static std::function<void()> pending;
        return pending;
    }
    UINT_PTR id_;
};

class HttpClientTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = NewTempFolder("http");
        http.Body = folder_ + "body.bin";
        http.OnSuccess = [this](CmdType cmd) { successes += cmd == CmdGET ? 1 : 100; };
        http.OnFailure = [this](CmdType cmd) { failures += cmd == CmdGET ? 1 : 100; };
    }

    // The body file after one Get; `error` receives what Get raised.
    std::string Get(const std::string& url, std::string* error = nullptr)
    {
        try {
            http.Disconnect();
            http.Get(url);
        } catch (const kelt::Error& e) {
            if (error)
                *error = e.what();
            else
                ADD_FAILURE() << url << " raised " << e.what();
        }
        return ReadBytes(http.Body);
    }

    std::string folder_;
    THttpClient http;
    int successes = 0;
    int failures = 0;
};

TEST_F(HttpClientTest, ServerReceivesExactlyTheFixedRequestHead)
{
    EXPECT_EQ(Get(OddServer() + "/odd/echo"),
              "GET /odd/echo HTTP/1.0\r\n"
              "Host: 127.0.0.1\r\n"
              "Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff\r\n"
              "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript\r\n"
              "Content-type: application/x-www-form-urlencoded\r\n"
              "\r\n");
    EXPECT_EQ(successes, 1);
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(http.StatusCode(), 200);
    EXPECT_EQ(http.Header.substr(0, 17), "HTTP/1.0 200 OK\r\n");
}

TEST_F(HttpClientTest, EachAnswerEndsInItsEventWithItsBodyInTheFile)
{
    const std::string big = RandomBytes(700 * 1024 + 13);
    ASSERT_TRUE(WriteBytes(TreeFolder() + "big.bin", big));
    const Url echo = ParseUrl(OddServer() + "/odd/echo");
    const struct {
        std::string url;
        bool success;
        std::string body;
        int repeats;
    } cases[] = {
        {TreeServer() + "/big.bin", true, big, 0},
        {OddServer() + "/odd/nostatus", true, "no status line\nsecond line\n\nafter the blank line", 0},
        {OddServer() + "/odd/notfound", false, "<html>not here</html>", 0},
        {TreeServer() + "/missing.bin", false, "", 0},
        {OddServer() + "/odd/redirect-slash", true, BuildRequestHead(echo, ""), 1},
        {OddServer() + "/odd/redirect-name", true, "named", 1},
        {OddServer() + "/odd/redirect-cookie", true, BuildRequestHead(echo, "session=42"), 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        successes = failures = 0;
        ASSERT_TRUE(WriteBytes(http.Body, "left over from an earlier download"));
        const std::string body = Get(c.url);
        EXPECT_EQ(successes, c.success ? 1 : 0);
        EXPECT_EQ(failures, c.success ? 0 : 1);
        EXPECT_EQ(http.Repeats(), c.repeats);
        if (!c.body.empty())
            EXPECT_EQ(body, c.body);
        else
            EXPECT_NE(body.find("404"), std::string::npos) << body;
    }
}

TEST_F(HttpClientTest, RedirectLoopFailsAfterFiveRepeats)
{
    Get(OddServer() + "/odd/loop");
    EXPECT_EQ(successes, 0);
    EXPECT_EQ(failures, 1);
    EXPECT_EQ(http.Repeats(), 5);
    EXPECT_EQ(http.StatusCode(), 302);
    EXPECT_EQ(Get(OddServer() + "/odd/count"), "6");
}

TEST_F(HttpClientTest, BrokenOrEndlessTransfersRaiseAndFireNoEvent)
{
    http.TimeOut = 1000;
    http.ConnectTimeOut = 1000;
    const std::pair<std::string, std::string> cases[] = {
        {OddServer() + "/odd/stall", "Read timed out"},
        {OddServer() + "/odd/silent", "Read timed out"},
        {OddServer() + "/odd/short", "Connection closed before the whole body arrived"},
        {"http://127.0.0.1:" + std::to_string(ClosedPort()) + "/x", "Connection Failed"},
        {"https://127.0.0.1/update/", "HTTP Secure Socket is not supported"},
        {"", "Empty URL"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        std::string error;
        Get(c.first, &error);
        EXPECT_EQ(error, c.second);
        EXPECT_EQ(successes + failures, 0);
        EXPECT_FALSE(http.Connected());
    }
}

TEST_F(HttpClientTest, UnknownHostAsksItsHandlerThenRaises)
{
    int asked = 0;
    http.OnInvalidHost = [&asked](bool& handled) { handled = ++asked == 1; };
    std::string error;
    Get("http://no-such-host.invalid/update/version.ini", &error);
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(error, "Null Remote Address");
    EXPECT_EQ(successes + failures, 0);
}

TEST_F(HttpClientTest, AbortFromTheMessageLoopEndsAWaitWithoutTimeLimit)
{
    http.TimeOut = 0;
    LaterCall abort(300, [this] { http.Abort(); });
    std::string error;
    Get(OddServer() + "/odd/stall", &error);
    EXPECT_EQ(error, "Socket readln aborted");
    EXPECT_EQ(successes + failures, 0);
}

// A listening socket whose queue is full: the system takes no further connection and never
// answers one, like an address that is not there.
class Unanswering {
public:
    Unanswering()
    {
        listener_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listener_, 0);
        int length = sizeof address_;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address_), &length);
        for (SOCKET& s : fillers_) {
            s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
            u_long nonBlocking = 1;
            ::ioctlsocket(s, FIONBIO, &nonBlocking);
            ::connect(s, reinterpret_cast<sockaddr*>(&address_), sizeof address_);
        }
        ::Sleep(200);
    }
    ~Unanswering()
    {
        for (SOCKET s : fillers_)
            ::closesocket(s);
        ::closesocket(listener_);
    }
    SocketAddress Address() const
    {
        SocketAddress a;
        std::memcpy(&a.address, &address_, sizeof address_);
        a.length = sizeof address_;
        return a;
    }

private:
    SOCKET listener_;
    SOCKET fillers_[4];
    sockaddr_in address_{};
};

SocketAddress Loopback(int port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<u_short>(port));
    SocketAddress a;
    std::memcpy(&a.address, &address, sizeof address);
    a.length = sizeof address;
    return a;
}

TEST_F(HttpClientTest, WhenTheFirstAddressDoesNotAnswerTheNextIsTried)
{
    Unanswering silent;
    const int port = std::stoi(Env("KELT_ODD_PORT"));
    http.Lookup = [&silent, port](const std::string& host, int) {
        return host == "update.test" ? std::vector<SocketAddress>{silent.Address(), Loopback(port)}
                                     : std::vector<SocketAddress>{};
    };
    http.ConnectTimeOut = 700;
    const std::string body = Get("http://update.test/odd/echo");
    EXPECT_EQ(body.rfind("GET /odd/echo HTTP/1.0\r\nHost: update.test\r\n", 0), 0u) << body;
    EXPECT_EQ(successes, 1);

    // Each address gets its own time: one that never answers alone ends in a failure.
    http.Lookup = [&silent](const std::string&, int) { return std::vector<SocketAddress>{silent.Address()}; };
    std::string error;
    Get("http://update.test/odd/echo", &error);
    EXPECT_EQ(error, "Connection Failed");
}

TEST_F(HttpClientTest, ANameLookupThatHangsEndsWithinItsBoundWhileTheWindowIsServed)
{
    http.Lookup = [](const std::string&, int) {
        ::Sleep(4000);
        return std::vector<SocketAddress>{};
    };
    http.LookupTimeOut = 500;
    bool served = false;
    LaterCall timer(100, [&served] { served = true; });
    std::string error;
    Get("http://slow.test/x", &error);
    EXPECT_EQ(error, "Name lookup timed out");
    EXPECT_TRUE(served) << "no message was dispatched while the lookup ran";
    EXPECT_EQ(successes + failures, 0);
}

TEST_F(HttpClientTest, AnIpv6LiteralGoesOutInBracketsInTheHostLine)
{
    if (Ipv6Server().empty())
        GTEST_SKIP() << "this machine has no IPv6 loopback";
    const std::string body = Get(Ipv6Server() + "/odd/echo");
    EXPECT_EQ(body.rfind("GET /odd/echo HTTP/1.0\r\nHost: [::1]\r\n", 0), 0u) << body;
}

TEST_F(HttpClientTest, ABodyStopsAtItsLimit)
{
    const std::string big = RandomBytes(300 * 1024);
    ASSERT_TRUE(WriteBytes(TreeFolder() + "limit.bin", big));
    http.MaxBody = 100000;
    std::string error;
    // A flood is read up to the limit and no further.
    std::string body = Get(OddServer() + "/odd/flood", &error);
    EXPECT_EQ(error, "The answer is larger than the 100000 bytes expected");
    EXPECT_EQ(body, std::string(100000, 'F'));
    EXPECT_EQ(http.BodyLength(), 100000u);
    // An answer that announces more is refused at its head.
    error.clear();
    body = Get(OddServer() + "/tree/limit.bin", &error);
    EXPECT_EQ(error, "The answer announces 307200 bytes, more than the 100000 expected");
    EXPECT_EQ(body, "");
    EXPECT_EQ(successes + failures, 0);
    // An error page is only cut short; the failure is reported as such.
    http.MaxBody = 5;
    body = Get(OddServer() + "/odd/notfound");
    EXPECT_EQ(body, "<html");
    EXPECT_EQ(failures, 1);
    // A chunked answer is not the file it frames.
    http.MaxBody = UINT64_MAX;
    error.clear();
    Get(OddServer() + "/odd/chunked", &error);
    EXPECT_EQ(error, "The answer's body is chunked or encoded, not the file itself");
}

TEST(WinHttpDownloadTest, ReceivesAnswersAndRefusesWhatWindowsRefuses)
{
    const std::string folder = NewTempFolder("winhttp");
    const std::string body = folder + "body.bin";
    const std::string data = RandomBytes(300 * 1024);
    ASSERT_TRUE(WriteBytes(TreeFolder() + "winhttp.bin", data));
    bool abort = false;
    WinHttpLimits limits;
    limits.connectMs = limits.readMs = 5000;

    WinHttpOutcome out = WinHttpDownload(TreeServer() + "/winhttp.bin", body, limits, abort);
    EXPECT_EQ(out.kind, WinHttpOutcome::Received);
    EXPECT_EQ(out.status, 200);
    EXPECT_EQ(out.bodyLength, data.size());
    EXPECT_EQ(ReadBytes(body), data);

    out = WinHttpDownload(OddServer() + "/odd/notfound", body, limits, abort);
    EXPECT_EQ(out.kind, WinHttpOutcome::Received);
    EXPECT_EQ(out.status, 404);

    // The test server's certificate is signed by nobody Windows trusts.
    ASSERT_TRUE(WriteBytes(body, "untouched"));
    out = WinHttpDownload(TlsServer() + "/odd/echo", body, limits, abort);
    EXPECT_EQ(out.kind, WinHttpOutcome::Failed) << out.message;
    EXPECT_EQ(ReadBytes(body), "untouched");

    out = WinHttpDownload(OddServer() + "/odd/short", body, limits, abort);
    EXPECT_EQ(out.kind, WinHttpOutcome::Failed);
    EXPECT_EQ(ReadBytes(body), "<missing>");

    limits.connectMs = limits.readMs = 1000;
    out = WinHttpDownload(OddServer() + "/odd/silent", body, limits, abort);
    EXPECT_EQ(out.kind, WinHttpOutcome::Failed);
    EXPECT_EQ(out.message, "Connection timed out");

    // Bounded in bytes and in time like the plain client.
    WinHttpLimits bounded;
    bounded.connectMs = bounded.readMs = 5000;
    bounded.maxBody = 100000;
    out = WinHttpDownload(OddServer() + "/odd/flood", body, bounded, abort);
    EXPECT_EQ(out.kind, WinHttpOutcome::Failed);
    EXPECT_EQ(out.message, "The answer is larger than the 100000 bytes expected");
    EXPECT_EQ(ReadBytes(body), "<missing>");
    out = WinHttpDownload(TreeServer() + "/winhttp.bin", body, bounded, abort);
    EXPECT_EQ(out.kind, WinHttpOutcome::Failed);
    EXPECT_EQ(out.message, "The answer announces 307200 bytes, more than the 100000 expected");
    bounded.maxBody = UINT64_MAX;
    bounded.bodyMs = 700;
    out = WinHttpDownload(OddServer() + "/odd/drip-body", body, bounded, abort);
    EXPECT_EQ(out.kind, WinHttpOutcome::Failed);
    EXPECT_EQ(out.message, "The download took longer than allowed");

    limits.connectMs = 5000;
    limits.readMs = 0;
    LaterCall later(300, [&abort] { abort = true; });
    out = WinHttpDownload(OddServer() + "/odd/stall", body, limits, abort);
    EXPECT_EQ(out.kind, WinHttpOutcome::Aborted) << out.message;
}

} // namespace
