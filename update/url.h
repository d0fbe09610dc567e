#pragma once
// Addresses of the HTTP client: how a URL splits into host, port and path, and how the
// answer of a redirect becomes the next address. Portable (no Windows headers).
#include <cstddef>
#include <string>

#include "storage/error.h"

namespace kelt::update {

// Errors of the HTTP client and its socket layer ("Empty URL", "Connection Failed" ...).
class HttpError : public kelt::Error {
public:
    explicit HttpError(const std::string& message) : kelt::Error(message) {}
};

// The request path goes into a fixed-size field of the request line.
constexpr std::size_t kMaxUrlPath = 256;

struct Url {
    std::string scheme;  // lower-case; empty when the address names none
    std::string host;    // without port and without the brackets of an IPv6 literal
    int port = 80;       // the address's own port, else the scheme's
    bool explicitPort = false;
    std::string path;    // "/" when the address has none
};

// Splits an address. Raises HttpError "Empty URL", "HTTP Secure Socket is not supported" for
// https, and for a port that is not a number from 1 to 65535, a path longer than kMaxUrlPath,
// or a control character (which would end the request line early).
Url ParseUrl(const std::string& address);

// The path as it goes into the request line: unchanged, except that blanks become %20 (a blank
// would split the request line).
std::string RequestPath(const std::string& path);

// The next address after a redirect answer: a full address (with "//") as given; an absolute
// path on the same server; anything else as a name below the server's root
// ("http://" + host + "/" + location). The server's port is kept when the address named one.
std::string ResolveLocation(const std::string& location, const Url& current);

// ASCII upper case, the way header names are compared.
std::string UpperAscii(std::string text);

} // namespace kelt::update
