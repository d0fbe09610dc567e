#include "update/http_head.h"

#include <cstring>
#include <utility>

namespace kelt::update {

std::string BuildRequestHead(const Url& url, const std::string& cookie)
{
    std::string head;
    head += "GET " + RequestPath(url.path) + " HTTP/1.0\r\n";
    // An IPv6 literal keeps its brackets, as in the address.
    head += "Host: " + (url.host.find(':') != std::string::npos ? "[" + url.host + "]" : url.host) + "\r\n";
    head += "Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff\r\n";
    head += "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript\r\n";
    if (!cookie.empty())
        head += "Cookie: " + cookie + "\r\n";
    head += "Content-type: application/x-www-form-urlencoded\r\n";
    head += "\r\n";
    return head;
}

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string Trim(const std::string& text)
{
    std::size_t begin = 0, end = text.size();
    while (begin < end && (IsBlank(text[begin]) || text[begin] == '\r'))
        ++begin;
    while (end > begin && (IsBlank(text[end - 1]) || text[end - 1] == '\r'))
        --end;
    return text.substr(begin, end - begin);
}

bool StartsWithHttp(const std::string& bytes)
{
    static const char kPrefix[] = "HTTP/";
    const std::size_t n = bytes.size() < 5 ? bytes.size() : 5;
    for (std::size_t i = 0; i < n; ++i) {
        char c = bytes[i];
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        if (c != kPrefix[i])
            return false;
    }
    return true;
}

} // namespace

int StatusOfLine(const std::string& line)
{
    std::size_t i = 0;
    while (i < line.size() && IsBlank(line[i]))
        ++i;
    while (i < line.size() && !IsBlank(line[i]))
        ++i;
    while (i < line.size() && IsBlank(line[i]))
        ++i;
    std::size_t end = i;
    while (end < line.size() && !IsBlank(line[end]) && line[end] != '\r' && line[end] != '\n')
        ++end;
    if (end == i)
        return 0;
    long long value = 0;
    for (std::size_t k = i; k < end; ++k) {
        if (line[k] < '0' || line[k] > '9')
            return 0;
        if (value < 1000000000)
            value = value * 10 + (line[k] - '0');
    }
    return value > 999999999 ? 999999999 : static_cast<int>(value);
}

StatusKind ClassifyStatus(int status)
{
    if (status <= 298)
        return StatusKind::Success;
    if (status >= 300 && status <= 302)
        return StatusKind::Redirect;
    if (status >= 400)
        return StatusKind::Failure;
    return StatusKind::Repeat;
}

std::size_t ResponseHead::Feed(const char* data, std::size_t size)
{
    std::size_t used = 0;
    while (used < size && !complete_) {
        const char* lf = static_cast<const char*>(std::memchr(data + used, '\n', size - used));
        std::size_t take = lf ? static_cast<std::size_t>(lf - (data + used)) + 1 : size - used;
        // Whether a head comes at all is decided on the first five bytes.
        if (!started_ && take > 5 - line_.size())
            take = 5 - line_.size();
        if (text_.size() + line_.size() + take > kMaxResponseHead)
            throw HttpError("Response head too long");
        line_.append(data + used, take);
        used += take;

        if (!started_) {
            if (!StartsWithHttp(line_)) {
                body_ = std::exchange(line_, {});
                complete_ = true;
                return used;
            }
            if (line_.size() < 5)
                continue;
            started_ = true;
            statusLine_ = true;
        }
        if (line_.empty() || line_.back() != '\n')
            continue;
        TakeLine(std::exchange(line_, {}));
    }
    return used;
}

void ResponseHead::TakeLine(const std::string& line)
{
    text_ += line;
    if (text_.size() == line.size()) {
        status_ = StatusOfLine(line);
        return;
    }
    if (line == "\n" || line == "\r\n") {
        complete_ = true;
        return;
    }
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos)
        return;
    const std::string name = UpperAscii(line.substr(0, colon));
    const std::string value = Trim(line.substr(colon + 1, line.size() - colon - 2));
    if (name == "LOCATION" && !haveLocation_) {
        location_ = value;
        haveLocation_ = true;
    } else if (name == "SET-COOKIE" && !haveCookie_) {
        cookie_ = value;
        haveCookie_ = true;
    } else if (name == "TRANSFER-ENCODING" && !value.empty() && UpperAscii(value) != "IDENTITY") {
        encoded_ = true;
    } else if (name == "CONTENT-LENGTH" && contentLength_ < 0 && !value.empty() && value.size() <= 18 &&
               value.find_first_not_of("0123456789") == std::string::npos) {
        contentLength_ = std::stoll(value);
    }
}

std::string ResponseHead::Finish()
{
    if (complete_)
        return {};
    if (!started_) {
        complete_ = true;
        return std::exchange(line_, {});
    }
    throw HttpError("Connection closed before the response head ended");
}

std::string ResponseHead::TakeBody()
{
    return std::exchange(body_, {});
}

} // namespace kelt::update
