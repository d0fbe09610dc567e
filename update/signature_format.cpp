#include "update/signature_format.h"

#include <cstdint>

namespace kelt::update {

const char kSignatureFile[] = "update.sig";

namespace {

int Base64Value(char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

// One DER element at a time; a failed read leaves the reader failed for good.
class DerReader {
public:
    explicit DerReader(const std::string& bytes) : data_(&bytes), at_(0), end_(bytes.size()) {}
    DerReader(const std::string& bytes, std::size_t begin, std::size_t end) : data_(&bytes), at_(begin), end_(end) {}

    // The next element must carry `tag`; `inner` reads its contents.
    bool Element(unsigned char tag, DerReader& inner)
    {
        std::size_t begin = 0, length = 0;
        if (!Header(tag, begin, length))
            return false;
        inner = DerReader(*data_, begin, begin + length);
        at_ = begin + length;
        return true;
    }
    // The next element must be exactly these bytes (tag, length and contents).
    bool Exactly(const char* bytes, std::size_t size)
    {
        if (end_ - at_ < size || data_->compare(at_, size, bytes, size) != 0)
            return false;
        at_ += size;
        return true;
    }
    bool AtEnd() const { return at_ == end_; }
    std::size_t Position() const { return at_; }
    std::size_t Left() const { return end_ - at_; }
    unsigned char Byte(std::size_t at) const { return static_cast<unsigned char>((*data_)[at]); }

private:
    bool Header(unsigned char tag, std::size_t& begin, std::size_t& length)
    {
        if (end_ - at_ < 2 || Byte(at_) != tag)
            return false;
        const unsigned char first = Byte(at_ + 1);
        std::size_t at = at_ + 2;
        if (first < 0x80) {
            length = first;
        } else if (first == 0x81) {
            if (end_ - at < 1 || Byte(at) < 0x80)  // the short form would have done
                return false;
            length = Byte(at);
            at += 1;
        } else if (first == 0x82) {
            if (end_ - at < 2 || Byte(at) == 0)
                return false;
            length = static_cast<std::size_t>(Byte(at)) << 8 | Byte(at + 1);
            at += 2;
        } else {
            return false;  // indefinite or longer than these structures can be
        }
        if (end_ - at < length)
            return false;
        begin = at;
        return true;
    }

    const std::string* data_;
    std::size_t at_, end_;
};

// One positive INTEGER of at most 32 bytes, left-padded to 32.
bool ReadScalar(DerReader& reader, std::string& out)
{
    DerReader value = reader;
    if (!reader.Element(0x02, value))
        return false;
    std::size_t begin = value.Position();
    std::size_t length = value.Left();
    if (length == 0 || (value.Byte(begin) & 0x80))
        return false;  // empty or negative
    if (value.Byte(begin) == 0) {
        if (length == 1 || !(value.Byte(begin + 1) & 0x80))
            return false;  // zero, or a leading zero that was not needed
        ++begin;
        --length;
    }
    if (length > 32)
        return false;
    std::string scalar(32 - length, '\0');
    for (std::size_t i = 0; i < length; ++i)
        scalar += static_cast<char>(value.Byte(begin + i));
    out += scalar;
    return true;
}

} // namespace

bool DecodeBase64(const std::string& text, std::string& bytes)
{
    bytes.clear();
    std::string clean;
    for (char c : text)
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
            clean += c;
    if (clean.empty() || clean.size() % 4 != 0)
        return false;
    // Padding only at the very end, one or two characters.
    std::size_t padding = 0;
    while (padding < clean.size() && clean[clean.size() - 1 - padding] == '=')
        ++padding;
    if (padding > 2)
        return false;
    const std::size_t data = clean.size() - padding;
    std::uint32_t group = 0;
    for (std::size_t i = 0; i < clean.size(); ++i) {
        const int value = i < data ? Base64Value(clean[i]) : 0;
        if (value < 0)
            return false;
        group = group << 6 | static_cast<std::uint32_t>(value);
        if (i % 4 == 3) {
            bytes += static_cast<char>(group >> 16);
            bytes += static_cast<char>(group >> 8);
            bytes += static_cast<char>(group);
            group = 0;
        }
    }
    if (padding > 0) {
        // The bits the padding leaves unused must be zero: one text, one set of bytes.
        const std::size_t last = bytes.size() - 3;
        const std::uint32_t tail = static_cast<unsigned char>(bytes[last + 2]) |
                                   (padding == 2 ? static_cast<unsigned>(static_cast<unsigned char>(bytes[last + 1])) << 8 : 0u);
        if (tail != 0)
            return false;
        bytes.resize(bytes.size() - padding);
    }
    return true;
}

bool ParseP256PublicKey(const std::string& der, std::string& point)
{
    // id-ecPublicKey (1.2.840.10045.2.1) and prime256v1 (1.2.840.10045.3.1.7).
    static const char kAlgorithm[] = "\x30\x13\x06\x07\x2A\x86\x48\xCE\x3D\x02\x01\x06\x08\x2A\x86\x48\xCE\x3D\x03\x01\x07";
    DerReader whole(der), info(der), bits(der);
    if (!whole.Element(0x30, info) || !whole.AtEnd())
        return false;
    if (!info.Exactly(kAlgorithm, sizeof kAlgorithm - 1) || !info.Element(0x03, bits) || !info.AtEnd())
        return false;
    // No unused bits, then an uncompressed point: 0x04, X, Y.
    if (bits.Left() != 66 || bits.Byte(bits.Position()) != 0x00 || bits.Byte(bits.Position() + 1) != 0x04)
        return false;
    point = der.substr(bits.Position() + 2, 64);
    return true;
}

bool ParseEcdsaSignature(const std::string& der, std::string& rs)
{
    DerReader whole(der), pair(der);
    if (!whole.Element(0x30, pair) || !whole.AtEnd())
        return false;
    std::string out;
    if (!ReadScalar(pair, out) || !ReadScalar(pair, out) || !pair.AtEnd())
        return false;
    rs = out;
    return true;
}

} // namespace kelt::update
