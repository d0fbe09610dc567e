#pragma once
// Every bound the updater puts on a server or a transfer, in one place.
#include <climits>
#include <cstddef>
#include <cstdint>

namespace kelt::update {

// Looking a name up may take this long; it runs beside the window, which stays responsive.
constexpr int kLookupTimeoutMs = 15000;
// Each address of a name gets this long to accept the connection before the next is tried;
// at most kMaxAddressesTried addresses are tried.
constexpr int kConnectTimeoutMs = 30000;
constexpr int kMaxAddressesTried = 8;
// A server that stops sending ends that download after this, whatever else is allowed.
constexpr int kReadTimeoutMs = 30000;
// The whole answer head must arrive within this, from the moment the request went out, so a
// server that drips a byte now and then cannot hold a transfer for ever.
constexpr int kHeadTimeoutMs = 60000;
// The whole body must arrive within kBodyBaseMs plus its expected size at kFloorBytesPerSecond.
constexpr int kBodyBaseMs = 60000;
constexpr std::uint32_t kFloorBytesPerSecond = 8 * 1024;
// Redirects and repeated answers followed for one request before it fails.
constexpr int kMaxRepeats = 5;
// Piece size of the body as it is written to its file.
constexpr std::size_t kBodyPiece = 65536;
// What one receive may take from the socket: each call costs far more than its bytes under
// Wine, so reads are larger than the pieces written.
constexpr std::size_t kReceiveBuffer = 16 * kBodyPiece;
// While waiting on the network the message loop is served at least this often.
constexpr int kWaitSliceMs = 2;
// Information files are small; anything larger is not one, and reading stops there.
constexpr std::size_t kMaxInfoFileBytes = 1024 * 1024;
// How long a running Keltrix gets to close after it was asked to.
constexpr int kCloseWaitMs = 5000;

// The time the body of `bytes` may take: `baseMs` plus the bytes at `floorBytesPerSecond`.
inline int BodyDeadlineMs(std::uint64_t bytes, int baseMs, std::uint32_t floorBytesPerSecond)
{
    if (bytes > UINT64_MAX / 1000)
        return INT_MAX;
    const std::uint64_t extra = floorBytesPerSecond ? bytes * 1000 / floorBytesPerSecond : 0;
    const std::uint64_t total = static_cast<std::uint64_t>(baseMs < 0 ? 0 : baseMs) + extra;
    return total > static_cast<std::uint64_t>(INT_MAX) ? INT_MAX : static_cast<int>(total);
}

} // namespace kelt::update
