#pragma once
// THttpClient: a plain HTTP/1.0 GET into a file, on TSocketBase. Get sends the request,
// reads the whole answer and raises the outcome events before it returns, on the caller's
// thread. Socket errors and broken transfers leave Get as HttpError and raise no event.
#include <cstdint>
#include <functional>
#include <string>

#include "update/socket_base.h"

namespace kelt::update {

enum CmdType { CmdGET = 0 };

class THttpClient : public TSocketBase {
public:
    // With InputFileMode the body goes to the file named by Body (created or truncated when the
    // head has arrived), otherwise Body receives it as text.
    std::string Body;
    bool InputFileMode = true;
    // With OutputFileMode the head goes to the file named by Header, otherwise Header receives
    // the head lines as text.
    bool OutputFileMode = false;
    std::string Header = "Head.txt";
    // 0: the address's port, else the scheme's.
    int Port = 0;
    // The most body bytes one answer may bring. A successful answer that brings more fails once
    // the limit is written; an error answer is cut there.
    std::uint64_t MaxBody = UINT64_MAX;
    // Milliseconds the whole head may take from the request on, and the whole body from the
    // head on (0: no limit), however slowly the server keeps sending.
    int HeadTimeOut = 0;
    int BodyTimeOut = 0;

    std::function<void(CmdType)> OnSuccess;
    std::function<void(CmdType)> OnFailure;

    // One GET; follows redirects (300-302) and repeats unchanged after 299 and 303-399, at most
    // kMaxRepeats times, then fails. An answer that announces a length and ends before it is a
    // broken transfer, and so is a body framed by a Transfer-Encoding (this is HTTP/1.0).
    void Get(const std::string& url);

    // About the last answer received.
    int StatusCode() const { return status_; }
    std::uint64_t BodyLength() const { return bodyLength_; }
    int Repeats() const { return repeats_; }

private:
    // One exchange: request out, head and body in. Answers the head.
    void Exchange(const Url& url, const std::string& cookie, std::string& location, std::string& setCookie);

    int status_ = 0;
    std::uint64_t bodyLength_ = 0;
    int repeats_ = 0;
};

} // namespace kelt::update
