#pragma once
// A small XML reader for the policy template files: elements, attributes and text, with the
// five named entities and numeric character references. Comments, processing instructions and
// a document type declaration are skipped. Input in UTF-8 or UTF-16 (with its byte order mark)
// is read; names and text come out as UTF-8. Namespace prefixes are kept as written.
#include <memory>
#include <string>
#include <vector>

#include "storage/error.h"

namespace kelt::policy {

class XmlError : public kelt::Error {
public:
    explicit XmlError(const std::string& message) : kelt::Error(message) {}
};

struct XmlElement {
    std::string name;
    std::vector<std::pair<std::string, std::string>> attributes;
    std::vector<std::unique_ptr<XmlElement>> children;
    std::string text;  // the element's own character data, children's text not included

    // The attribute's value, or `fallback` when the element has none of that name.
    const std::string& Attribute(const std::string& name, const std::string& fallback = Empty()) const;
    bool HasAttribute(const std::string& name) const;
    // The first child of that name, or null.
    const XmlElement* Child(const std::string& name) const;
    std::vector<const XmlElement*> ChildrenNamed(const std::string& name) const;

private:
    static const std::string& Empty();
};

// Parses a whole document and answers its root element; a malformed document raises XmlError
// naming `where` and the line.
std::unique_ptr<XmlElement> ParseXml(const std::string& bytes, const std::string& where);

// UTF-16 with a byte order mark becomes UTF-8; a UTF-8 byte order mark is dropped; anything
// else is returned unchanged.
std::string DocumentToUtf8(const std::string& bytes);

} // namespace kelt::policy
