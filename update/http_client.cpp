#include "update/http_client.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "update/http_head.h"
#include "update/limits.h"

namespace kelt::update {

namespace {

// The body or head file, written in the pieces as they arrive.
class OutputFile {
public:
    explicit OutputFile(const std::string& path) : path_(path)
    {
        handle_ = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle_ == INVALID_HANDLE_VALUE)
            throw HttpError("Cannot create file " + path);
    }
    ~OutputFile() { ::CloseHandle(handle_); }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void Write(const char* data, std::size_t size)
    {
        DWORD written = 0;
        if (size && (!::WriteFile(handle_, data, static_cast<DWORD>(size), &written, nullptr) || written != size))
            throw HttpError("Cannot write file " + path_);
    }

private:
    std::string path_;
    HANDLE handle_;
};

} // namespace

void THttpClient::Exchange(const Url& url, const std::string& cookie, std::string& location, std::string& setCookie)
{
    const int port = url.explicitPort ? url.port : (Port ? Port : url.port);
    Connect(url.host, port);
    SetDeadline(HeadTimeOut, "The server took too long to send the head of its answer");
    SendAll(BuildRequestHead(url, cookie));

    std::vector<char> buffer(kReceiveBuffer);
    ResponseHead head;
    std::unique_ptr<OutputFile> file;
    std::string text;
    bodyLength_ = 0;
    bool closed = false;
    bool full = false;  // the body reached MaxBody and was cut there

    auto body = [&](const char* data, std::size_t size) {
        if (head.HasContentLength() && bodyLength_ + size > head.ContentLength())
            size = static_cast<std::size_t>(head.ContentLength() - bodyLength_);
        if (bodyLength_ + size > MaxBody) {
            size = static_cast<std::size_t>(MaxBody - bodyLength_);
            full = true;
        }
        bodyLength_ += size;
        if (file)
            for (std::size_t at = 0; at < size; at += kBodyPiece)
                file->Write(data + at, std::min(kBodyPiece, size - at));
        else
            text.append(data, size);
    };
    auto headDone = [&]() {
        if (InputFileMode)
            file = std::make_unique<OutputFile>(Body);
        const bool success = ClassifyStatus(head.Status()) == StatusKind::Success;
        if (success && head.EncodedBody())
            throw HttpError("The answer's body is chunked or encoded, not the file itself");
        if (success && head.HasContentLength() && head.ContentLength() > MaxBody)
            throw HttpError("The answer announces " + std::to_string(head.ContentLength()) + " bytes, more than the " +
                            std::to_string(MaxBody) + " expected");
        SetDeadline(BodyTimeOut, "The download took longer than allowed");
        const std::string early = head.TakeBody();
        body(early.data(), early.size());
    };

    while (!head.Complete()) {
        const std::size_t n = Receive(buffer.data(), buffer.size());
        if (n == 0) {
            const std::string rest = head.Finish();
            headDone();
            body(rest.data(), rest.size());
            closed = true;
            break;
        }
        const std::size_t used = head.Feed(buffer.data(), n);
        if (head.Complete()) {
            headDone();
            body(buffer.data() + used, n - used);
        }
    }
    // A server that keeps the connection open after the announced length is done all the same.
    while (!closed && !full && !(head.HasContentLength() && bodyLength_ >= head.ContentLength())) {
        const std::size_t n = Receive(buffer.data(), buffer.size());
        if (n == 0)
            break;
        body(buffer.data(), n);
    }
    Disconnect();
    SetDeadline(0, {});
    file.reset();

    status_ = head.Status();
    if (OutputFileMode) {
        OutputFile headFile(Header);
        headFile.Write(head.Text().data(), head.Text().size());
    } else {
        Header = head.Text();
    }
    if (!InputFileMode)
        Body = text;
    location = head.Location();
    setCookie = head.Cookie();
    if (full && ClassifyStatus(status_) == StatusKind::Success)
        throw HttpError("The answer is larger than the " + std::to_string(MaxBody) + " bytes expected");
    if (!full && head.HasContentLength() && bodyLength_ < head.ContentLength())
        throw HttpError("Connection closed before the whole body arrived");
}

void THttpClient::Get(const std::string& url)
{
    ClearAbort();
    repeats_ = 0;
    status_ = 0;
    std::string address = url;
    std::string cookie;
    for (;;) {
        const Url parsed = ParseUrl(address);
        std::string location, setCookie;
        try {
            Exchange(parsed, cookie, location, setCookie);
        } catch (...) {
            Disconnect();
            SetDeadline(0, {});
            throw;
        }
        const StatusKind kind = ClassifyStatus(status_);
        if (kind == StatusKind::Success) {
            if (OnSuccess)
                OnSuccess(CmdGET);
            return;
        }
        if (kind == StatusKind::Failure || repeats_ >= kMaxRepeats) {
            if (OnFailure)
                OnFailure(CmdGET);
            return;
        }
        ++repeats_;
        cookie = setCookie;
        if (kind == StatusKind::Redirect && !location.empty())
            address = ResolveLocation(location, parsed);
    }
}

} // namespace kelt::update
