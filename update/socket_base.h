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

#include "update/url.h"

namespace kelt::update {

class TSocketBase {
public:
    TSocketBase();
    virtual ~TSocketBase();
    TSocketBase(const TSocketBase&) = delete;
    TSocketBase& operator=(const TSocketBase&) = delete;

    // Milliseconds one wait for data may last, and connecting may take; 0: no limit.
    int TimeOut = 0;
    int ConnectTimeOut = 0;

    // The host name could not be resolved; set `handled` to try once more.
    std::function<void(bool& handled)> OnInvalidHost;

    // Resolves and connects (each resolved address in turn).
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

private:
    // Waits until the socket is readable (or writable), serving messages; raises on abort,
    // on the deadline (0: none), and answers false when the socket reports an error.
    bool WaitFor(bool write, std::uint64_t deadline, const char* timeoutText);
    void ServeMessages(bool force);

    SOCKET socket_ = INVALID_SOCKET;
    bool aborted_ = false;
    std::uint64_t lastServed_ = 0;
};

} // namespace kelt::update
