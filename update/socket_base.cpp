#include "update/socket_base.h"

#include "update/limits.h"
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

struct AddressList {
    addrinfo* head = nullptr;
    ~AddressList()
    {
        if (head)
            ::freeaddrinfo(head);
    }
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

void TSocketBase::ServeMessages(bool force)
{
    // Between reads that succeed at once, serving the queue now and then is enough.
    const std::uint64_t now = ::GetTickCount64();
    if (!force && now - lastServed_ < 10)
        return;
    lastServed_ = now;
    ui::ProcessPendingMessages();
}

bool TSocketBase::WaitFor(bool write, std::uint64_t deadline, const char* timeoutText)
{
    for (;;) {
        if (aborted_)
            throw HttpError("Socket readln aborted");
        fd_set ready, failed;
        FD_ZERO(&ready);
        FD_ZERO(&failed);
        FD_SET(socket_, &ready);
        FD_SET(socket_, &failed);
        timeval slice{0, kWaitSliceMs * 1000};
        const int n = ::select(0, write ? nullptr : &ready, write ? &ready : nullptr, &failed, &slice);
        if (n == SOCKET_ERROR)
            return false;
        if (n > 0)
            return !FD_ISSET(socket_, &failed);
        ServeMessages(true);
        if (aborted_)
            throw HttpError("Socket readln aborted");
        if (deadline && ::GetTickCount64() >= deadline)
            throw HttpError(timeoutText);
    }
}

void TSocketBase::Connect(const std::string& host, int port)
{
    Disconnect();
    AddressList addresses;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    const std::string service = std::to_string(port);
    for (int attempt = 0;; ++attempt) {
        if (!host.empty() && ::getaddrinfo(host.c_str(), service.c_str(), &hints, &addresses.head) == 0)
            break;
        bool handled = false;
        if (OnInvalidHost)
            OnInvalidHost(handled);
        if (!handled || attempt >= 4)
            throw HttpError("Null Remote Address");
    }

    const std::uint64_t deadline = Deadline(ConnectTimeOut);
    for (addrinfo* a = addresses.head; a; a = a->ai_next) {
        socket_ = ::socket(a->ai_family, a->ai_socktype, a->ai_protocol);
        if (socket_ == INVALID_SOCKET)
            continue;
        u_long nonBlocking = 1;
        ::ioctlsocket(socket_, FIONBIO, &nonBlocking);
        if (::connect(socket_, a->ai_addr, static_cast<int>(a->ai_addrlen)) == 0)
            return;
        if (::WSAGetLastError() == WSAEWOULDBLOCK && WaitFor(true, deadline, "Connection timed out")) {
            int error = 0;
            int length = sizeof error;
            if (::getsockopt(socket_, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) == 0 && error == 0)
                return;
        }
        Disconnect();
    }
    throw HttpError("Connection Failed");
}

void TSocketBase::SendAll(const std::string& bytes)
{
    std::size_t sent = 0;
    const std::uint64_t deadline = Deadline(TimeOut);
    while (sent < bytes.size()) {
        const int n = ::send(socket_, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n == SOCKET_ERROR && ::WSAGetLastError() == WSAEWOULDBLOCK && WaitFor(true, deadline, "Send timed out"))
            continue;
        throw HttpError("Socket send failed");
    }
}

std::size_t TSocketBase::Receive(char* buffer, std::size_t size)
{
    if (aborted_)
        throw HttpError("Socket readln aborted");
    const std::uint64_t deadline = Deadline(TimeOut);
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
        if (!WaitFor(false, deadline, "Read timed out"))
            throw HttpError("Connection broken");
    }
}

} // namespace kelt::update
