#pragma once
// TSocketBase: one blocking TCP connection over Windows Sockets that keeps the caller's
// message loop running while it waits, so a window stays responsive and can call Abort.
// Errors leave as HttpError with the texts the caller shows ("Null Remote Address",
// "Connection Failed", "Socket readln aborted" ...).
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "update/url.h"

namespace kelt::update {

// One address a name resolved to, with its port.
struct SocketAddress {
    sockaddr_storage address{};
    int length = 0;
};

class TSocketBase {
public:
    TSocketBase();
    virtual ~TSocketBase();
    TSocketBase(const TSocketBase&) = delete;
    TSocketBase& operator=(const TSocketBase&) = delete;

    // Milliseconds one wait for data may last, connecting to one address may take, and the
    // name lookup may take; 0: no limit.
    int TimeOut = 0;
    int ConnectTimeOut = 0;
    int LookupTimeOut = 0;

    // The host name could not be resolved; set `handled` to try once more.
    std::function<void(bool& handled)> OnInvalidHost;
    // Replaces the system's name lookup (getaddrinfo); runs on the lookup thread and answers
    // the addresses to try in order, none when the name is unknown.
    std::function<std::vector<SocketAddress>(const std::string& host, int port)> Lookup;

    // Resolves and connects: each address in turn, until one accepts.
    void Connect(const std::string& host, int port);
    // Closes the socket if one is open.
    void Disconnect();
    bool Connected() const { return socket_ != INVALID_SOCKET; }
    // Marks the transfer as cancelled: the next wait or read step raises.
    void Abort() { aborted_ = true; }
    bool Aborted() const { return aborted_; }

protected:
    void ClearAbort() { aborted_ = false; }
    void SendAll(const std::string& bytes);
    // Up to `size` bytes; 0 when the server closed the connection normally.
    std::size_t Receive(char* buffer, std::size_t size);
    // From now on every wait and read ends, raising `text`, once `ms` have passed (0: no limit).
    void SetDeadline(int ms, const std::string& text);

private:
    enum class Wait { Ready, Failed, Expired };
    // Waits until the socket is readable (or writable) or `until` (0: never) has passed,
    // serving messages; raises on abort and when the transfer's deadline has passed.
    Wait WaitFor(bool write, std::uint64_t until);
    void CheckDeadline() const;
    void ServeMessages(bool force);
    std::vector<SocketAddress> Resolve(const std::string& host, int port);
    bool ConnectTo(const SocketAddress& address);

    SOCKET socket_ = INVALID_SOCKET;
    bool aborted_ = false;
    std::uint64_t lastServed_ = 0;
    std::uint64_t deadline_ = 0;
    std::string deadlineText_;
};

} // namespace kelt::update
