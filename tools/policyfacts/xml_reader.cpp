#include "tools/policyfacts/xml_reader.h"

#include <cstdint>

namespace kelt::policy {
namespace {

void AppendUtf8(std::string& out, std::uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool IsNameChar(char c) {
    return !IsSpace(c) && c != '=' && c != '>' && c != '/' && c != '<' && c != '"' && c != '\'' && c != '\0';
}

class Parser {
public:
    Parser(const std::string& text, const std::string& where) : s_(text), where_(where) {}

    std::unique_ptr<XmlElement> Document() {
        SkipMisc();
        if (!Peek("<")) Fail("no root element");
        auto root = Element();
        SkipMisc();
        if (pos_ != s_.size()) Fail("content after the root element");
        return root;
    }

private:
    [[noreturn]] void Fail(const std::string& message) const {
        int line = 1;
        for (size_t i = 0; i < pos_ && i < s_.size(); ++i) line += s_[i] == '\n';
        throw XmlError(where_ + ":" + std::to_string(line) + ": " + message);
    }

    bool Peek(const char* text) const { return s_.compare(pos_, std::char_traits<char>::length(text), text) == 0; }

    void SkipTo(const char* end) {
        const size_t at = s_.find(end, pos_);
        if (at == std::string::npos) Fail(std::string("missing '") + end + "'");
        pos_ = at + std::char_traits<char>::length(end);
    }

    void SkipSpace() {
        while (pos_ < s_.size() && IsSpace(s_[pos_])) ++pos_;
    }

    // Whitespace, comments, processing instructions and a document type declaration.
    void SkipMisc() {
        for (;;) {
            SkipSpace();
            if (Peek("<?")) SkipTo("?>");
            else if (Peek("<!--")) SkipTo("-->");
            else if (Peek("<!DOCTYPE")) SkipTo(">");
            else return;
        }
    }

    std::string Name() {
        const size_t start = pos_;
        while (pos_ < s_.size() && IsNameChar(s_[pos_])) ++pos_;
        if (pos_ == start) Fail("name expected");
        return s_.substr(start, pos_ - start);
    }

    std::string Decode(const std::string& raw) {
        std::string out;
        for (size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] != '&') {
                out += raw[i];
                continue;
            }
            const size_t end = raw.find(';', i);
            if (end == std::string::npos) Fail("unterminated character reference");
            const std::string name = raw.substr(i + 1, end - i - 1);
            if (name == "lt") out += '<';
            else if (name == "gt") out += '>';
            else if (name == "amp") out += '&';
            else if (name == "quot") out += '"';
            else if (name == "apos") out += '\'';
            else if (name.size() > 1 && name[0] == '#') {
                const bool hex = name[1] == 'x' || name[1] == 'X';
                const std::string digits = name.substr(hex ? 2 : 1);
                if (digits.empty() || digits.find_first_not_of(hex ? "0123456789abcdefABCDEF" : "0123456789") != std::string::npos)
                    Fail("bad character reference '&" + name + ";'");
                const unsigned long code = std::stoul(digits, nullptr, hex ? 16 : 10);
                if (code == 0 || code > 0x10FFFF) Fail("bad character reference '&" + name + ";'");
                AppendUtf8(out, static_cast<std::uint32_t>(code));
            } else {
                Fail("unknown entity '&" + name + ";'");
            }
            i = end;
        }
        return out;
    }

    std::unique_ptr<XmlElement> Element() {
        ++pos_;  // '<'
        auto element = std::make_unique<XmlElement>();
        element->name = Name();
        for (;;) {
            SkipSpace();
            if (pos_ >= s_.size()) Fail("unterminated tag <" + element->name + ">");
            if (Peek("/>")) {
                pos_ += 2;
                return element;
            }
            if (s_[pos_] == '>') {
                ++pos_;
                break;
            }
            std::string name = Name();
            SkipSpace();
            if (pos_ >= s_.size() || s_[pos_] != '=') Fail("'=' expected after attribute " + name);
            ++pos_;
            SkipSpace();
            if (pos_ >= s_.size() || (s_[pos_] != '"' && s_[pos_] != '\'')) Fail("quoted value expected for " + name);
            const char quote = s_[pos_++];
            const size_t end = s_.find(quote, pos_);
            if (end == std::string::npos) Fail("unterminated value of " + name);
            element->attributes.emplace_back(std::move(name), Decode(s_.substr(pos_, end - pos_)));
            pos_ = end + 1;
        }
        for (;;) {
            if (pos_ >= s_.size()) Fail("element <" + element->name + "> not closed");
            if (Peek("</")) {
                pos_ += 2;
                const std::string name = Name();
                if (name != element->name) Fail("</" + name + "> closes <" + element->name + ">");
                SkipSpace();
                if (pos_ >= s_.size() || s_[pos_] != '>') Fail("'>' expected");
                ++pos_;
                return element;
            }
            if (Peek("<!--")) {
                SkipTo("-->");
            } else if (Peek("<![CDATA[")) {
                pos_ += 9;
                const size_t end = s_.find("]]>", pos_);
                if (end == std::string::npos) Fail("unterminated CDATA section");
                element->text += s_.substr(pos_, end - pos_);
                pos_ = end + 3;
            } else if (Peek("<?")) {
                SkipTo("?>");
            } else if (s_[pos_] == '<') {
                element->children.push_back(Element());
            } else {
                const size_t end = s_.find('<', pos_);
                const size_t stop = end == std::string::npos ? s_.size() : end;
                element->text += Decode(s_.substr(pos_, stop - pos_));
                pos_ = stop;
            }
        }
    }

    const std::string& s_;
    const std::string where_;
    size_t pos_ = 0;
};

} // namespace

const std::string& XmlElement::Empty() {
    static const std::string empty;
    return empty;
}

const std::string& XmlElement::Attribute(const std::string& name, const std::string& fallback) const {
    for (const auto& [n, v] : attributes)
        if (n == name) return v;
    return fallback;
}

bool XmlElement::HasAttribute(const std::string& name) const {
    for (const auto& a : attributes)
        if (a.first == name) return true;
    return false;
}

const XmlElement* XmlElement::Child(const std::string& name) const {
    for (const auto& c : children)
        if (c->name == name) return c.get();
    return nullptr;
}

std::vector<const XmlElement*> XmlElement::ChildrenNamed(const std::string& name) const {
    std::vector<const XmlElement*> result;
    for (const auto& c : children)
        if (c->name == name) result.push_back(c.get());
    return result;
}

std::string DocumentToUtf8(const std::string& bytes) {
    auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    if (bytes.size() >= 3 && byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF) return bytes.substr(3);
    if (bytes.size() < 2) return bytes;
    const bool little = byte(0) == 0xFF && byte(1) == 0xFE;
    const bool big = byte(0) == 0xFE && byte(1) == 0xFF;
    if (!little && !big) return bytes;
    std::string out;
    out.reserve(bytes.size() / 2);
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
        std::uint32_t unit = little ? (byte(i) | byte(i + 1) << 8) : (byte(i) << 8 | byte(i + 1));
        if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < bytes.size()) {
            const std::uint32_t low = little ? (byte(i + 2) | byte(i + 3) << 8) : (byte(i + 2) << 8 | byte(i + 3));
            if (low >= 0xDC00 && low < 0xE000) {
                unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        AppendUtf8(out, unit);
    }
    return out;
}

std::unique_ptr<XmlElement> ParseXml(const std::string& bytes, const std::string& where) {
    const std::string text = DocumentToUtf8(bytes);
    return Parser(text, where).Document();
}

} // namespace kelt::policy
