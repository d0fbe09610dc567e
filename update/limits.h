#pragma once
// Every bound the updater puts on a server or a transfer, in one place.
#include <cstddef>

namespace kelt::update {

// A server that accepts no connection, or stops sending, ends that download after these.
constexpr int kConnectTimeoutMs = 30000;
constexpr int kReadTimeoutMs = 30000;
// Redirects and repeated answers followed for one request before it fails.
constexpr int kMaxRepeats = 5;
// Piece size of the body as it is written to its file.
constexpr std::size_t kBodyPiece = 65536;
// What one receive may take from the socket: each call costs far more than its bytes under
// Wine, so reads are larger than the pieces written.
constexpr std::size_t kReceiveBuffer = 16 * kBodyPiece;
// While waiting on the network the message loop is served at least this often.
constexpr int kWaitSliceMs = 2;
// Information files are small; anything larger is not one.
constexpr std::size_t kMaxInfoFileBytes = 1024 * 1024;
// How long a running Keltrix gets to close after it was asked to.
constexpr int kCloseWaitMs = 5000;

} // namespace kelt::update
