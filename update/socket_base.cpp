#include "update/socket_base.h"

#include <cstring>
#include <memory>
#include <thread>

#include "update/limits.h"
#include "ui/handles.h"
#include "ui/window.h"

namespace kelt::update {

namespace {

// Winsock is started once and left running for the process.
void StartWinsock()
{
    static const bool started = [] {
        WSADATA data;
        return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    if (!started)
        throw HttpError("Windows Sockets could not be started");
}

std::uint64_t Deadline(int ms)
{
    return ms > 0 ? ::GetTickCount64() + static_cast<std::uint64_t>(ms) : 0;
}

std::vector<SocketAddress> SystemLookup(const std::string& host, int port)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* head = nullptr;
    std::vector<SocketAddress> addresses;
    if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &head) != 0)
        return addresses;
    for (addrinfo* a = head; a; a = a->ai_next) {
        if (!a->ai_addr || a->ai_addrlen > sizeof(sockaddr_storage))
            continue;
        SocketAddress address;
        std::memcpy(&address.address, a->ai_addr, a->ai_addrlen);
        address.length = static_cast<int>(a->ai_addrlen);
        addresses.push_back(address);
    }
    ::freeaddrinfo(head);
    return addresses;
}

// A lookup in flight. The thread keeps its own reference: when the caller stops waiting, the
// lookup ends by itself whenever the system's resolver gives up.
struct LookupJob {
    std::function<std::vector<SocketAddress>(const std::string&, int)> lookup;
    std::string host;
    int port = 0;
    std::vector<SocketAddress> addresses;
    ui::UniqueKernelHandle done{::CreateEventA(nullptr, TRUE, FALSE, nullptr)};
};

} // namespace

TSocketBase::TSocketBase()
{
    StartWinsock();
}

TSocketBase::~TSocketBase()
{
    Disconnect();
}

void TSocketBase::Disconnect()
{
    if (socket_ != INVALID_SOCKET) {
        ::closesocket(socket_);
        socket_ = INVALID_SOCKET;
    }
}

void TSocketBase::SetDeadline(int ms, const std::string& text)
{
    deadline_ = Deadline(ms);
    deadlineText_ = text;
}

void TSocketBase::CheckDeadline() const
{
    if (deadline_ && ::GetTickCount64() >= deadline_)
        throw HttpError(deadlineText_);
}

void TSocketBase::ServeMessages(bool force)
{
    // Between reads that succeed at once, serving the queue now and then is enough.
    const std::uint64_t now = ::GetTickCount64();
    if (!force && now - lastServed_ < 10)
        return;
    lastServed_ = now;
    ui::ProcessPendingMessages();
}

TSocketBase::Wait TSocketBase::WaitFor(bool write, std::uint64_t until)
{
    for (;;) {
        if (aborted_)
            throw HttpError("Socket readln aborted");
        CheckDeadline();
        fd_set ready, failed;
        FD_ZERO(&ready);
        FD_ZERO(&failed);
        FD_SET(socket_, &ready);
        FD_SET(socket_, &failed);
        timeval slice{0, kWaitSliceMs * 1000};
        const int n = ::select(0, write ? nullptr : &ready, write ? &ready : nullptr, &failed, &slice);
        if (n == SOCKET_ERROR)
            return Wait::Failed;
        if (n > 0)
            return FD_ISSET(socket_, &failed) ? Wait::Failed : Wait::Ready;
        ServeMessages(true);
        if (aborted_)
            throw HttpError("Socket readln aborted");
        CheckDeadline();
        if (until && ::GetTickCount64() >= until)
            return Wait::Expired;
    }
}

std::vector<SocketAddress> TSocketBase::Resolve(const std::string& host, int port)
{
    auto job = std::make_shared<LookupJob>();
    job->lookup = Lookup ? Lookup : SystemLookup;
    job->host = host;
    job->port = port;
    if (!job->done)
        throw HttpError("Name lookup failed");
    std::thread([job] {
        try {
            job->addresses = job->lookup(job->host, job->port);
        } catch (...) {
            job->addresses.clear();
        }
        ::SetEvent(job->done.get());
    }).detach();

    const std::uint64_t until = Deadline(LookupTimeOut);
    HANDLE done = job->done.get();
    for (;;) {
        if (::MsgWaitForMultipleObjects(1, &done, FALSE, 50, QS_ALLINPUT) == WAIT_OBJECT_0)
            return job->addresses;  // the thread is done with them once it has set the event
        ServeMessages(true);
        if (aborted_)
            throw HttpError("Socket readln aborted");
        if (until && ::GetTickCount64() >= until)
            throw HttpError("Name lookup timed out");
    }
}

bool TSocketBase::ConnectTo(const SocketAddress& address)
{
    socket_ = ::socket(address.address.ss_family, SOCK_STREAM, IPPROTO_TCP);
    if (socket_ == INVALID_SOCKET)
        return false;
    u_long nonBlocking = 1;
    ::ioctlsocket(socket_, FIONBIO, &nonBlocking);
    if (::connect(socket_, reinterpret_cast<const sockaddr*>(&address.address), address.length) == 0)
        return true;
    // An address that does not answer within its own time gives way to the next one.
    if (::WSAGetLastError() == WSAEWOULDBLOCK && WaitFor(true, Deadline(ConnectTimeOut)) == Wait::Ready) {
        int error = 0;
        int length = sizeof error;
        if (::getsockopt(socket_, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) == 0 && error == 0)
            return true;
    }
    Disconnect();
    return false;
}

void TSocketBase::Connect(const std::string& host, int port)
{
    Disconnect();
    SetDeadline(0, {});
    std::vector<SocketAddress> addresses;
    for (int attempt = 0;; ++attempt) {
        if (!host.empty())
            addresses = Resolve(host, port);
        if (!addresses.empty())
            break;
        bool handled = false;
        if (OnInvalidHost)
            OnInvalidHost(handled);
        if (!handled || attempt >= 4)
            throw HttpError("Null Remote Address");
    }
    int tried = 0;
    for (const SocketAddress& address : addresses) {
        if (++tried > kMaxAddressesTried)
            break;
        if (ConnectTo(address))
            return;
    }
    throw HttpError("Connection Failed");
}

void TSocketBase::SendAll(const std::string& bytes)
{
    std::size_t sent = 0;
    const std::uint64_t until = Deadline(TimeOut);
    while (sent < bytes.size()) {
        const int n = ::send(socket_, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n == SOCKET_ERROR && ::WSAGetLastError() == WSAEWOULDBLOCK) {
            const Wait wait = WaitFor(true, until);
            if (wait == Wait::Ready)
                continue;
            if (wait == Wait::Expired)
                throw HttpError("Send timed out");
        }
        throw HttpError("Socket send failed");
    }
}

std::size_t TSocketBase::Receive(char* buffer, std::size_t size)
{
    if (aborted_)
        throw HttpError("Socket readln aborted");
    // A server that keeps sending a little never makes a wait expire; the deadline still holds.
    CheckDeadline();
    const std::uint64_t until = Deadline(TimeOut);
    for (;;) {
        const int n = ::recv(socket_, buffer, static_cast<int>(size), 0);
        if (n >= 0) {
            ServeMessages(false);
            if (aborted_)
                throw HttpError("Socket readln aborted");
            return static_cast<std::size_t>(n);
        }
        if (::WSAGetLastError() != WSAEWOULDBLOCK)
            throw HttpError("Connection broken");
        const Wait wait = WaitFor(false, until);
        if (wait == Wait::Expired)
            throw HttpError("Read timed out");
        if (wait == Wait::Failed)
            throw HttpError("Connection broken");
    }
}

} // namespace kelt::update
