#pragma once
// Downloads through the system's WinHTTP, which checks the server's certificate the way
// Windows does; used for https addresses, which the plain client refuses. The transfer runs
// on a worker thread while the caller's message loop keeps running.
#include <cstdint>
#include <string>

namespace kelt::update {

struct WinHttpOutcome {
    enum Kind {
        Received,     // an answer arrived in full; see status
        InvalidHost,  // the host name could not be resolved
        Failed,       // no usable answer: see message
        Aborted,
    };
    Kind kind = Failed;
    int status = 0;
    std::uint64_t bodyLength = 0;
    std::string message;
};

// GET `url` into the file `bodyPath` (created or truncated when the answer's head arrived).
// Redirects are followed at most five times. `abort` is read while waiting; once it is set the
// call returns Aborted at once.
WinHttpOutcome WinHttpDownload(const std::string& url, const std::string& bodyPath, int connectTimeoutMs,
                               int readTimeoutMs, const bool& abort);

} // namespace kelt::update
