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

// The bounds of one download, in milliseconds (0: no limit) and bytes.
struct WinHttpLimits {
    int lookupMs = 0;
    int connectMs = 0;
    int readMs = 0;     // one wait for data
    int headMs = 0;     // from the start until the answer's head has arrived
    int bodyMs = 0;     // the whole body, from the head on
    std::uint64_t maxBody = UINT64_MAX;
};

// GET `url` into the file `bodyPath` (created or truncated when the answer's head arrived).
// Redirects are followed at most five times. A successful answer larger than maxBody fails
// once maxBody bytes are written; a failed or cancelled transfer leaves no body file.
// `abort` is read while waiting; once it is set the call returns Aborted at once.
WinHttpOutcome WinHttpDownload(const std::string& url, const std::string& bodyPath, const WinHttpLimits& limits,
                               const bool& abort);

} // namespace kelt::update
