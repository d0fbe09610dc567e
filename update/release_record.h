#pragma once
// The signed release record, release.rec: the one thing the publisher's signature covers. It
// names what the release is for (product and channel), where it stands (a sequence number that
// only grows), how long it may be believed (an expiry time), and the length and SHA-256 of each
// of the four information files. Every value carries its length, so no byte can move from one
// field, or one file, to the next without changing what was signed:
//
//   Keltrix update release record 1<LF>
//   product <n>:<text><LF>
//   channel <n>:<text><LF>
//   sequence <n>:<decimal, 1 or more><LF>
//   expires <n>:<YYYY-MM-DDTHH:MM:SSZ, UTC><LF>
//   file <n>:<name> <n>:<size in bytes> <n>:<SHA-256, lower-case hex><LF>     four times:
//                              version.ini, filenames.ini, filesize.ini, filehash.ini
//   signature <n>:<base64 of a DER ECDSA P-256 signature with SHA-256><LF>   one to eight
//
// <n> is the byte count of the value after the colon, in decimal without leading zeros. The
// signatures sign every byte before the first "signature" line; each is made with one of the
// publisher's keys. Nothing may follow the last signature line. Portable.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kelt::update {

extern const char kReleaseFile[];     // "release.rec"
extern const char kReleasePurpose[];  // the first line, without its LF
constexpr std::size_t kMaxReleaseFileBytes = 16 * 1024;
constexpr std::size_t kMaxReleaseSignatures = 8;

struct SignedFile {
    std::string name;
    std::uint64_t size = 0;
    std::string sha256;  // 64 lower-case hex digits
};

struct ReleaseRecord {
    std::string signedBytes;  // every byte the signatures cover
    std::string product, channel;
    std::uint64_t sequence = 0;
    std::string expiresText;    // as written
    std::int64_t expires = 0;   // seconds since 1970-01-01 00:00:00 UTC
    std::vector<SignedFile> files;         // the four information files, in their order
    std::vector<std::string> signatures;   // DER
};

// Empty when `text` is exactly one well-formed record; otherwise what is wrong with it.
std::string ParseReleaseRecord(const std::string& text, ReleaseRecord& record);

// "YYYY-MM-DDTHH:MM:SSZ" of a real moment in the years 1970 to 9999, as seconds since 1970.
bool ParseUtcTime(const std::string& text, std::int64_t& seconds);

// What the deployment expects of a release, and where this program folder stands.
struct ReleaseExpectation {
    std::string product, channel;   // from Update.ini
    std::uint64_t installed = 0;    // the highest release this folder has; 0 when none is known
    std::int64_t now = 0;           // seconds since 1970, UTC
};

struct ReleaseVerdict {
    enum Kind {
        Newer,        // may be installed
        Same,         // this folder has it already: nothing new
        Expired,      // the server's information is out of date
        Refused,      // for another product or channel, or older than what this folder has
    } kind = Refused;
    std::string reason;  // for Refused: why; for Expired: since when, "2024-05-01 00:00:00 UTC"
};

// What a record whose signature was verified means for this folder. The expiry is decided
// before the sequence: a server held at the release already installed is out of date, not
// "nothing new".
ReleaseVerdict JudgeRelease(const ReleaseRecord& record, const ReleaseExpectation& expected);

// Why `bytes` as served are not the information file `file` the record names; empty when they
// are. `sha256Hex` is the SHA-256 of `bytes` in lower-case hex.
std::string SignedFileMismatch(const SignedFile& file, std::uint64_t size, const std::string& sha256Hex);

} // namespace kelt::update
