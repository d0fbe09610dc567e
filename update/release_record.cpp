#include "update/release_record.h"

#include "update/ini_text.h"
#include "update/limits.h"
#include "update/signature_format.h"
#include "update/update_plan.h"

namespace kelt::update {

const char kReleaseFile[] = "release.rec";
const char kReleasePurpose[] = "Keltrix update release record 1";

namespace {

// Longest value a field may carry; the longest real one is a signature of about 100 bytes.
constexpr std::size_t kMaxValueBytes = 512;
constexpr std::size_t kMaxNameBytes = 64;

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// A text a publisher may name a product or channel with: printable ASCII, no blank at either end.
bool IsPlainText(const std::string& text)
{
    if (text.empty() || text.size() > kMaxNameBytes || text.front() == ' ' || text.back() == ' ')
        return false;
    for (char c : text)
        if (c < 0x20 || c > 0x7E)
            return false;
    return true;
}

bool IsLowerHex64(const std::string& text)
{
    return text.size() == 64 && text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

// Reads the record front to back; the first failure stays.
class FieldReader {
public:
    explicit FieldReader(const std::string& text) : text_(text) {}

    // "<label>" followed by `count` values " <n>:<bytes>" and a line end.
    bool Field(const char* label, std::vector<std::string>& values, std::size_t count)
    {
        const std::string head = label;
        if (text_.compare(at_, head.size(), head) != 0)
            return false;
        std::size_t at = at_ + head.size();
        values.clear();
        for (std::size_t i = 0; i < count; ++i) {
            if (at >= text_.size() || text_[at] != ' ')
                return false;
            ++at;
            std::size_t length = 0, digits = 0;
            while (at < text_.size() && IsDigit(text_[at]) && digits < 4) {
                length = length * 10 + static_cast<std::size_t>(text_[at] - '0');
                ++at;
                ++digits;
            }
            // One way to write each length: no leading zero, and no more than the limit.
            if (digits == 0 || (digits > 1 && text_[at - digits] == '0') || length > kMaxValueBytes ||
                at >= text_.size() || text_[at] != ':' || text_.size() - at - 1 < length)
                return false;
            values.push_back(text_.substr(at + 1, length));
            at += 1 + length;
        }
        if (at >= text_.size() || text_[at] != '\n')
            return false;
        at_ = at + 1;
        return true;
    }
    bool AtEnd() const { return at_ == text_.size(); }
    std::size_t Position() const { return at_; }
    void Skip(std::size_t n) { at_ += n; }

private:
    const std::string& text_;
    std::size_t at_ = 0;
};

bool ParseDecimal(const std::string& text, std::uint64_t& value)
{
    return !text.empty() && (text.size() == 1 || text[0] != '0') && ParseUnsigned(text, value);
}

// Days from 1970-01-01 to the date (proleptic Gregorian calendar).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const std::int64_t era = y / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

} // namespace

bool ParseUtcTime(const std::string& text, std::int64_t& seconds)
{
    static const char kShape[] = "dddd-dd-ddTdd:dd:ddZ";
    if (text.size() != sizeof kShape - 1)
        return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (kShape[i] == 'd' ? !IsDigit(text[i]) : text[i] != kShape[i])
            return false;
    auto number = [&text](std::size_t at, std::size_t n) {
        unsigned value = 0;
        for (std::size_t i = 0; i < n; ++i)
            value = value * 10 + static_cast<unsigned>(text[at + i] - '0');
        return value;
    };
    const unsigned year = number(0, 4), month = number(5, 2), day = number(8, 2);
    const unsigned hour = number(11, 2), minute = number(14, 2), second = number(17, 2);
    static const unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (year < 1970 || month < 1 || month > 12 || day < 1 ||
        day > kDays[month - 1] + (month == 2 && leap ? 1u : 0u) || hour > 23 || minute > 59 || second > 59)
        return false;
    seconds = DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
    return true;
}

std::string ParseReleaseRecord(const std::string& text, ReleaseRecord& record)
{
    if (text.size() > kMaxReleaseFileBytes)
        return "it is larger than a release record can be";
    const std::string purpose = std::string(kReleasePurpose) + "\n";
    if (text.compare(0, purpose.size(), purpose) != 0)
        return "it is not a release record";
    FieldReader reader(text);
    reader.Skip(purpose.size());
    ReleaseRecord r;
    std::vector<std::string> v;
    if (!reader.Field("product", v, 1) || !IsPlainText(v[0]))
        return "its product is missing or malformed";
    r.product = v[0];
    if (!reader.Field("channel", v, 1) || !IsPlainText(v[0]))
        return "its channel is missing or malformed";
    r.channel = v[0];
    if (!reader.Field("sequence", v, 1) || !ParseDecimal(v[0], r.sequence) || r.sequence == 0)
        return "its sequence number is missing or malformed";
    if (!reader.Field("expires", v, 1) || !ParseUtcTime(v[0], r.expires))
        return "its expiry time is missing or malformed";
    r.expiresText = v[0];
    for (const char* name : {kVersionFile, kNamesFile, kSizesFile, kHashesFile}) {
        SignedFile file;
        if (!reader.Field("file", v, 3) || v[0] != name || !ParseDecimal(v[1], file.size) ||
            file.size > kMaxInfoFileBytes || !IsLowerHex64(v[2]))
            return std::string("its entry for ") + name + " is missing or malformed";
        file.name = v[0];
        file.sha256 = v[2];
        r.files.push_back(file);
    }
    r.signedBytes = text.substr(0, reader.Position());
    while (!reader.AtEnd()) {
        std::string der;
        if (r.signatures.size() == kMaxReleaseSignatures || !reader.Field("signature", v, 1) ||
            !DecodeBase64(v[0], der))
            return "its signature lines are malformed";
        r.signatures.push_back(der);
    }
    if (r.signatures.empty())
        return "it carries no signature";
    record = r;
    return {};
}

ReleaseVerdict JudgeRelease(const ReleaseRecord& record, const ReleaseExpectation& expected)
{
    ReleaseVerdict verdict;
    if (record.product != expected.product || record.channel != expected.channel) {
        verdict.reason = "it is a release of " + record.product + " " + record.channel + ", this installation follows " +
                         expected.product + " " + expected.channel;
        return verdict;
    }
    if (record.expires <= expected.now) {
        verdict.kind = ReleaseVerdict::Expired;
        std::string since = record.expiresText;
        since[10] = ' ';
        since.back() = ' ';
        verdict.reason = since + "UTC";
        return verdict;
    }
    if (record.sequence < expected.installed) {
        verdict.reason = "it is release " + std::to_string(record.sequence) + ", older than release " +
                         std::to_string(expected.installed) + ", which this program folder has";
        return verdict;
    }
    verdict.kind = record.sequence == expected.installed ? ReleaseVerdict::Same : ReleaseVerdict::Newer;
    return verdict;
}

std::string SignedFileMismatch(const SignedFile& file, std::uint64_t size, const std::string& sha256Hex)
{
    if (size != file.size)
        return file.name + " has " + std::to_string(size) + " bytes, the signed release names " +
               std::to_string(file.size);
    if (sha256Hex != file.sha256)
        return file.name + " is not the file the signed release names";
    return {};
}

} // namespace kelt::update
