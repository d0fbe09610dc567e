#pragma once
// The text parts of an HTTP/1.0 exchange: the request head that goes out and the response head
// that comes back, read incrementally from whatever pieces the socket delivers. Portable.
#include <cstddef>
#include <cstdint>
#include <string>

#include "update/url.h"

namespace kelt::update {

// A hostile or broken server must not make the head grow without end.
constexpr std::size_t kMaxResponseHead = 64 * 1024;

// The request head: the request line, Host (an IPv6 literal in brackets), the two Accept lines, the cookie line when one is
// given ("Cookie: " + cookie), the content type, and the empty line; every line ends in CR LF.
std::string BuildRequestHead(const Url& url, const std::string& cookie);

// The status of a first response line: its second blank-separated word as a number, 0 when
// that word is missing or not a number.
int StatusOfLine(const std::string& line);

enum class StatusKind {
    Success,   // 298 and below, 0 included
    Redirect,  // 300 to 302: follow the Location
    Repeat,    // 299, 303 to 399: ask again unchanged
    Failure,   // 400 and above
};
StatusKind ClassifyStatus(int status);

// Reads a response head from the bytes as they arrive. Lines end at LF (the CR stays part of
// the line); the head ends at the first empty line. A stream whose first line does not start
// with "HTTP/" has no head at all: everything is body and the status is 0.
class ResponseHead {
public:
    // Consumes bytes of the head; answers how many it took. Once Complete(), the rest of the
    // piece and everything after it is body. Raises HttpError when the head outgrows
    // kMaxResponseHead.
    std::size_t Feed(const char* data, std::size_t size);
    // The server closed the connection. Bytes held while deciding whether a status line comes
    // are handed back as body; a head cut off before its empty line raises HttpError.
    std::string Finish();

    bool Complete() const { return complete_; }
    bool HasStatusLine() const { return statusLine_; }
    int Status() const { return status_; }
    // Every head line as received (with its line ends).
    const std::string& Text() const { return text_; }
    // The rest of the first "Location:" and "Set-Cookie:" lines, blanks and CR trimmed.
    const std::string& Location() const { return location_; }
    const std::string& Cookie() const { return cookie_; }
    bool HasContentLength() const { return contentLength_ >= 0; }
    // A Transfer-Encoding (chunked or any other) frames the body: the bytes are not the file.
    bool EncodedBody() const { return encoded_; }
    std::uint64_t ContentLength() const { return static_cast<std::uint64_t>(contentLength_); }
    // Bytes that turned out to be body when the stream had no head (handed out once).
    std::string TakeBody();

private:
    void TakeLine(const std::string& line);

    std::string line_;
    std::string text_;
    std::string location_;
    std::string cookie_;
    std::string body_;
    long long contentLength_ = -1;
    int status_ = 0;
    bool started_ = false;
    bool statusLine_ = false;
    bool complete_ = false;
    bool haveLocation_ = false;
    bool haveCookie_ = false;
    bool encoded_ = false;
};

} // namespace kelt::update
