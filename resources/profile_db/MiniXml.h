// A small, non-validating XML reader for the provider list the profile database is built from.
//
// It reads elements, attributes, character data, comments, processing instructions, CDATA
// sections and a DOCTYPE without an internal subset; the predefined and numeric character
// references are decoded to UTF-8. That is enough for well-formed data files; it is not a
// general XML processor (no namespaces, no DTD entities).
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kitroster::profiledb {

// Raised with a message that names the byte offset of the problem.
class CXmlError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct CXmlElement {
    std::string m_name;
    std::vector<std::pair<std::string, std::string>> m_attributes;
    std::vector<std::unique_ptr<CXmlElement>> m_children;
    std::string m_text;  // character data directly inside this element, concatenated

    // The attribute's value, or an empty string when absent.
    const std::string& Attribute(std::string_view name) const;
    bool HasAttribute(std::string_view name) const;
    // The first child element of that name, or nullptr.
    const CXmlElement* Child(std::string_view name) const;
    // All child elements of that name, in document order.
    std::vector<const CXmlElement*> Children(std::string_view name) const;
    // The child's text with surrounding white space removed; empty when there is no child.
    std::string ChildText(std::string_view name) const;
};

// Parses a whole document and returns its root element. Throws CXmlError on malformed input.
std::unique_ptr<CXmlElement> ParseXml(std::string_view document);

// Removes leading and trailing ASCII white space.
std::string TrimXmlSpace(std::string_view text);

}  // namespace kitroster::profiledb
