// Times one download of a URL into a file, through the updater's HTTP client and through
// WinHTTP, and prints the figures ("client <MB/s>" lines for run-bench.sh). Never fails on time.
//   update_download_timing URL EXPECTED_BYTES
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "update/http_client.h"
#include "update/winhttp_get.h"

using namespace kelt::update;

namespace {

double Seconds()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::string BodyFile()
{
    char folder[MAX_PATH];
    ::GetTempPathA(MAX_PATH, folder);
    return std::string(folder) + "update_download_timing.bin";
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: update_download_timing URL EXPECTED_BYTES\n");
        return 2;
    }
    const std::string url = argv[1];
    const unsigned long long expected = std::strtoull(argv[2], nullptr, 10);
    const std::string body = BodyFile();
    const double megabytes = static_cast<double>(expected) / (1024.0 * 1024.0);
    int status = 0;

    for (int round = 0; round < 3; ++round) {
        THttpClient http;
        http.Body = body;
        bool ok = false;
        http.OnSuccess = [&ok](CmdType) { ok = true; };
        const double start = Seconds();
        try {
            http.Get(url);
        } catch (const kelt::Error& e) {
            std::fprintf(stderr, "THttpClient: %s\n", e.what());
        }
        const double took = Seconds() - start;
        if (!ok || http.BodyLength() != expected) {
            std::fprintf(stderr, "THttpClient: received %llu of %llu bytes\n",
                         static_cast<unsigned long long>(http.BodyLength()), expected);
            status = 1;
            break;
        }
        std::printf("THttpClient %.1f\n", megabytes / took);
    }

    bool abort = false;
    for (int round = 0; round < 3; ++round) {
        const double start = Seconds();
        WinHttpLimits limits;
        limits.connectMs = limits.readMs = 10000;
        const WinHttpOutcome out = WinHttpDownload(url, body, limits, abort);
        const double took = Seconds() - start;
        if (out.kind != WinHttpOutcome::Received || out.bodyLength != expected) {
            std::fprintf(stderr, "WinHTTP: %s\n", out.message.c_str());
            status = 1;
            break;
        }
        std::printf("WinHTTP %.1f\n", megabytes / took);
    }
    ::DeleteFileA(body.c_str());
    return status;
}
