#include "update/url.h"

namespace kelt::update {

std::string UpperAscii(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

namespace {

std::string LowerAscii(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

int SchemePort(const std::string& scheme)
{
    if (scheme == "https")
        throw HttpError("HTTP Secure Socket is not supported");
    if (scheme == "gopher")
        return 70;
    if (scheme == "ftp")
        return 21;
    return 80;
}

int ParsePort(const std::string& text)
{
    if (text.empty() || text.size() > 5)
        throw HttpError("Invalid port in URL");
    int port = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            throw HttpError("Invalid port in URL");
        port = port * 10 + (c - '0');
    }
    if (port < 1 || port > 65535)
        throw HttpError("Invalid port in URL");
    return port;
}

} // namespace

Url ParseUrl(const std::string& address)
{
    if (address.empty())
        throw HttpError("Empty URL");
    for (unsigned char c : address)
        if (c < 0x20 || c == 0x7F)
            throw HttpError("Invalid character in URL");

    Url url;
    std::size_t hostStart = 0;
    const std::size_t slashes = address.find("//");
    if (slashes != std::string::npos) {
        const std::size_t colon = address.find(':');
        if (colon != std::string::npos && colon < slashes)
            url.scheme = LowerAscii(address.substr(0, colon));
        hostStart = slashes + 2;
    }
    url.port = SchemePort(url.scheme);

    const std::size_t pathStart = address.find('/', hostStart);
    std::string host = address.substr(hostStart, pathStart == std::string::npos ? std::string::npos : pathStart - hostStart);
    url.path = pathStart == std::string::npos ? "/" : address.substr(pathStart);
    if (url.path.size() > kMaxUrlPath)
        throw HttpError("URL path longer than 256 characters");

    std::size_t portColon = std::string::npos;
    if (!host.empty() && host[0] == '[') {
        const std::size_t close = host.find(']');
        if (close == std::string::npos)
            throw HttpError("Invalid host in URL");
        if (close + 1 < host.size()) {
            if (host[close + 1] != ':')
                throw HttpError("Invalid host in URL");
            portColon = close + 1;
        }
        url.host = host.substr(1, close - 1);
    } else {
        portColon = host.find(':');
        url.host = host.substr(0, portColon);
    }
    if (portColon != std::string::npos) {
        url.port = ParsePort(host.substr(portColon + 1));
        url.explicitPort = true;
    }
    return url;
}

std::string RequestPath(const std::string& path)
{
    std::string out;
    out.reserve(path.size());
    for (char c : path) {
        if (c == ' ')
            out += "%20";
        else
            out += c;
    }
    return out;
}

std::string ResolveLocation(const std::string& location, const Url& current)
{
    if (location.find("//") != std::string::npos)
        return location;
    std::string server = current.host.find(':') != std::string::npos ? "[" + current.host + "]" : current.host;
    if (current.explicitPort)
        server += ":" + std::to_string(current.port);
    if (!location.empty() && location[0] == '/')
        return "http://" + server + location;
    return "http://" + server + "/" + location;
}

} // namespace kelt::update
