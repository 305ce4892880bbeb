#include "resources/profile_db/MiniXml.h"

#include <cstdint>

namespace kitroster::profiledb {

namespace {

const std::string kEmpty;

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsNameChar(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 0x80 || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
           (c >= '0' && c <= '9') || c == '_' || c == ':' || c == '-' || c == '.';
}

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

class CParser {
  public:
    explicit CParser(std::string_view doc) : m_doc(doc) {}

    std::unique_ptr<CXmlElement> Document() {
        std::unique_ptr<CXmlElement> root;
        for (;;) {
            _skip_space();
            if (_at_end()) {
                break;
            }
            if (_starts("<?")) {
                _skip_past("?>");
            } else if (_starts("<!--")) {
                _skip_past("-->");
            } else if (_starts("<!DOCTYPE")) {
                _skip_doctype();
            } else if (_starts("<")) {
                if (root) {
                    _fail("a second root element");
                }
                root = _element();
            } else {
                _fail("text outside the root element");
            }
        }
        if (!root) {
            _fail("no root element");
        }
        return root;
    }

  private:
    [[noreturn]] void _fail(const std::string& what) const {
        throw CXmlError("XML error at byte " + std::to_string(m_pos) + ": " + what);
    }
    bool _at_end() const { return m_pos >= m_doc.size(); }
    bool _starts(std::string_view s) const { return m_doc.substr(m_pos, s.size()) == s; }
    void _skip_space() {
        while (!_at_end() && IsSpace(m_doc[m_pos])) {
            ++m_pos;
        }
    }
    void _skip_past(std::string_view end) {
        const auto found = m_doc.find(end, m_pos);
        if (found == std::string_view::npos) {
            _fail("unterminated markup, expected \"" + std::string(end) + "\"");
        }
        m_pos = found + end.size();
    }
    void _skip_doctype() {
        const auto close = m_doc.find('>', m_pos);
        const auto subset = m_doc.find('[', m_pos);
        if (subset != std::string_view::npos && subset < close) {
            _fail("a DOCTYPE with an internal subset is not supported");
        }
        _skip_past(">");
    }
    void _expect(char c) {
        if (_at_end() || m_doc[m_pos] != c) {
            _fail(std::string("expected '") + c + "'");
        }
        ++m_pos;
    }
    std::string _name() {
        const auto start = m_pos;
        while (!_at_end() && IsNameChar(m_doc[m_pos])) {
            ++m_pos;
        }
        if (m_pos == start) {
            _fail("expected a name");
        }
        return std::string(m_doc.substr(start, m_pos - start));
    }

    // Decodes character data up to (not including) the stop character or '<'.
    std::string _chars(char stop) {
        std::string out;
        while (!_at_end() && m_doc[m_pos] != stop && m_doc[m_pos] != '<') {
            if (m_doc[m_pos] == '&') {
                _reference(out);
            } else {
                out += m_doc[m_pos++];
            }
        }
        return out;
    }

    void _reference(std::string& out) {
        const auto semi = m_doc.find(';', m_pos);
        if (semi == std::string_view::npos || semi - m_pos > 12) {
            _fail("unterminated character reference");
        }
        const auto ref = m_doc.substr(m_pos + 1, semi - m_pos - 1);
        if (ref == "amp") {
            out += '&';
        } else if (ref == "lt") {
            out += '<';
        } else if (ref == "gt") {
            out += '>';
        } else if (ref == "quot") {
            out += '"';
        } else if (ref == "apos") {
            out += '\'';
        } else if (ref.size() >= 2 && ref[0] == '#') {
            const bool hex = ref[1] == 'x';
            const auto digits = ref.substr(hex ? 2 : 1);
            std::uint32_t cp = 0;
            if (digits.empty()) {
                _fail("empty character reference");
            }
            for (char c : digits) {
                int v = -1;
                if (c >= '0' && c <= '9') {
                    v = c - '0';
                } else if (hex && c >= 'a' && c <= 'f') {
                    v = c - 'a' + 10;
                } else if (hex && c >= 'A' && c <= 'F') {
                    v = c - 'A' + 10;
                }
                if (v < 0) {
                    _fail("bad character reference");
                }
                cp = cp * (hex ? 16 : 10) + static_cast<std::uint32_t>(v);
                if (cp > 0x10FFFF) {
                    _fail("character reference out of range");
                }
            }
            if (cp == 0 || (cp >= 0xD800 && cp <= 0xDFFF)) {
                _fail("character reference to an invalid character");
            }
            AppendUtf8(out, cp);
        } else {
            _fail("unknown entity &" + std::string(ref) + ";");
        }
        m_pos = semi + 1;
    }

    std::unique_ptr<CXmlElement> _element() {
        if (++m_depth > 256) {
            _fail("elements nested too deeply");
        }
        _expect('<');
        auto element = std::make_unique<CXmlElement>();
        element->m_name = _name();
        for (;;) {
            _skip_space();
            if (_starts("/>")) {
                m_pos += 2;
                --m_depth;
                return element;
            }
            if (_starts(">")) {
                ++m_pos;
                break;
            }
            std::string name = _name();
            _skip_space();
            _expect('=');
            _skip_space();
            if (_at_end() || (m_doc[m_pos] != '"' && m_doc[m_pos] != '\'')) {
                _fail("expected a quoted attribute value");
            }
            const char quote = m_doc[m_pos++];
            std::string value = _chars(quote);
            _expect(quote);
            element->m_attributes.emplace_back(std::move(name), std::move(value));
        }
        for (;;) {
            if (_at_end()) {
                _fail("element <" + element->m_name + "> is not closed");
            }
            if (_starts("</")) {
                m_pos += 2;
                if (_name() != element->m_name) {
                    _fail("mismatched end tag for <" + element->m_name + ">");
                }
                _skip_space();
                _expect('>');
                --m_depth;
                return element;
            }
            if (_starts("<!--")) {
                _skip_past("-->");
            } else if (_starts("<![CDATA[")) {
                const auto start = m_pos + 9;
                _skip_past("]]>");
                element->m_text.append(m_doc.substr(start, m_pos - 3 - start));
            } else if (_starts("<?")) {
                _skip_past("?>");
            } else if (_starts("<")) {
                element->m_children.push_back(_element());
            } else {
                element->m_text += _chars('<');
            }
        }
    }

    std::string_view m_doc;
    std::size_t m_pos = 0;
    int m_depth = 0;
};

}  // namespace

const std::string& CXmlElement::Attribute(std::string_view name) const {
    for (const auto& [key, value] : m_attributes) {
        if (key == name) {
            return value;
        }
    }
    return kEmpty;
}

bool CXmlElement::HasAttribute(std::string_view name) const {
    for (const auto& attribute : m_attributes) {
        if (attribute.first == name) {
            return true;
        }
    }
    return false;
}

const CXmlElement* CXmlElement::Child(std::string_view name) const {
    for (const auto& child : m_children) {
        if (child->m_name == name) {
            return child.get();
        }
    }
    return nullptr;
}

std::vector<const CXmlElement*> CXmlElement::Children(std::string_view name) const {
    std::vector<const CXmlElement*> out;
    for (const auto& child : m_children) {
        if (child->m_name == name) {
            out.push_back(child.get());
        }
    }
    return out;
}

std::string CXmlElement::ChildText(std::string_view name) const {
    const CXmlElement* child = Child(name);
    return child ? TrimXmlSpace(child->m_text) : std::string();
}

std::string TrimXmlSpace(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsSpace(text[begin])) {
        ++begin;
    }
    while (end > begin && IsSpace(text[end - 1])) {
        --end;
    }
    return std::string(text.substr(begin, end - begin));
}

std::unique_ptr<CXmlElement> ParseXml(std::string_view document) {
    return CParser(document).Document();
}

}  // namespace kitroster::profiledb
