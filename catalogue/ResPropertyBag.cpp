#include "catalogue/ResPropertyBag.h"

#include <algorithm>
#include <string_view>

namespace NResourceItem {

namespace {

// Inside double quotes '=' and ';' are masked with these bytes while a string is parsed.
constexpr char kMaskedEquals = '\x01';
constexpr char kMaskedSemicolon = '\x02';

bool HasForbiddenByte(const CString& text) {
    for (int i = 0; i < text.GetLength(); ++i) {
        const char ch = text.GetAt(i);
        if (ch == '"' || ch == kMaskedEquals || ch == kMaskedSemicolon)
            return true;
    }
    return false;
}

CString Upper(const CString& text) {
    CString upper = text;
    return upper.MakeUpper();
}

constexpr std::string_view kWhiteSpace = " \t\r\n\v\f";
constexpr std::string_view kBlankTabSemicolon = " \t;";
constexpr std::string_view kBlankTabEquals = " \t=";

// `text` without leading bytes of `leading` and trailing white space, as CString's
// TrimLeft(leading) and TrimRight() would leave it.
std::string_view Trimmed(std::string_view text, std::string_view leading = kWhiteSpace) {
    const size_t first = text.find_first_not_of(leading);
    if (first == std::string_view::npos)
        return {};
    const size_t last = text.find_last_not_of(kWhiteSpace);
    return last == std::string_view::npos || last < first ? std::string_view()
                                                          : text.substr(first, last - first + 1);
}

}  // namespace

CResPropertyBagFactory::CResPropertyBagFactory() = default;
CResPropertyBagFactory::CResPropertyBagFactory(const CResPropertyBagFactory& other) = default;
CResPropertyBagFactory& CResPropertyBagFactory::operator=(const CResPropertyBagFactory& other) =
    default;
CResPropertyBagFactory::~CResPropertyBagFactory() = default;

CZRauto_ptr<IResPropertyBag> CResPropertyBagFactory::CreateInstance() {
    return CZRauto_ptr<IResPropertyBag>(new CResPropertyBagFactory());
}

CZRauto_ptr<IResPropertyBag> CResPropertyBagFactory::CreateInstance(const CString& text) {
    CZRauto_ptr<IResPropertyBag> bag = CreateInstance();
    if (bag)
        bag->FromString(text);
    return bag;
}

void CResPropertyBagFactory::OnZRunknownFinalize() {}

bool CResPropertyBagFactory::Set(const CString& key, const CString& value) {
    return _set(key, value);
}
bool CResPropertyBagFactory::Get(int index, CString& key, CString& value) {
    return _get(index, key, value);
}
bool CResPropertyBagFactory::Get(const CString& key, CString& value) {
    return _get(key, value);
}
int CResPropertyBagFactory::Size() {
    return static_cast<int>(m_keyOrder.size());
}
bool CResPropertyBagFactory::Delete(const CString& key) {
    return _del(key);
}

void CResPropertyBagFactory::Clear() {
    m_props.clear();
    m_keyOrder.clear();
}

bool CResPropertyBagFactory::FromString(const CString& text) {
    Clear();

    // Mask '=' and ';' inside double quotes; the quotes themselves are dropped.
    std::string masked;
    masked.reserve(static_cast<size_t>(text.GetLength()));
    bool quoted = false;
    for (const char ch : text.str()) {
        if (ch == '"') {
            quoted = !quoted;
        } else if (quoted && ch == '=') {
            masked += kMaskedEquals;
        } else if (quoted && ch == ';') {
            masked += kMaskedSemicolon;
        } else {
            masked += ch;
        }
    }
    if (quoted)
        return false;

    // Cut at every ';' in one pass and trim each token as a view, so the work stays
    // linear in the length of the text however many separators it holds.
    bool stored = false;
    const std::string_view all(masked);
    for (size_t start = 0; start <= all.size();) {
        size_t semicolon = all.find(';', start);
        if (semicolon == std::string_view::npos)
            semicolon = all.size();
        const std::string_view token = Trimmed(all.substr(start, semicolon - start));
        start = semicolon + 1;
        const size_t equals = token.find('=');
        if (token.empty() || equals == std::string_view::npos)
            continue;
        const std::string_view key = Trimmed(token.substr(0, equals), kBlankTabSemicolon);
        const std::string_view value = Trimmed(token.substr(equals), kBlankTabEquals);
        if (key.empty())
            continue;

        // Raw '=' or ';' (outside quotes) and braces make the property unreadable.
        if (value.find_first_of("\"=;{}") != std::string_view::npos)
            continue;
        CString unmasked(value);
        unmasked.Replace(kMaskedEquals, '=');
        unmasked.Replace(kMaskedSemicolon, ';');
        // A key that was quoted around '=' or ';' still holds a mask byte and is refused.
        if (Set(CString(key), unmasked))
            stored = true;
    }
    return stored;
}

bool CResPropertyBagFactory::ToString(CString& text) {
    text.Empty();
    CString key;
    CString value;
    for (int i = 0; i < Size(); ++i) {
        if (!_get(i, key, value) || HasForbiddenByte(value))
            continue;
        if (value.FindOneOf("=;") >= 0)
            value = "\"" + value + "\"";
        text.AppendFormat("%s=%s;", key.GetString(), value.GetString());
    }
    return !text.IsEmpty();
}

bool CResPropertyBagFactory::_set(const CString& key, const CString& value) {
    if (HasForbiddenByte(key) || HasForbiddenByte(value))
        return false;
    if (key.IsEmpty())
        return true;
    CString upper = Upper(key);
    auto [it, inserted] = m_props.try_emplace(upper, value);
    if (inserted) {
        m_keyOrder.push_back(std::move(upper));
    } else {
        it->second = value;
    }
    return true;
}

bool CResPropertyBagFactory::_get(const CString& key, CString& value) {
    const auto it = m_props.find(Upper(key));
    if (it == m_props.end())
        return false;
    value = it->second;
    return true;
}

bool CResPropertyBagFactory::_get(int index, CString& key, CString& value) {
    if (index < 0 || index >= Size())
        return false;
    key = m_keyOrder[static_cast<size_t>(index)];
    const auto it = m_props.find(key);
    value = it != m_props.end() ? it->second : CString();
    return true;
}

bool CResPropertyBagFactory::_del(const CString& key) {
    const auto order = std::find_if(m_keyOrder.begin(), m_keyOrder.end(),
                                    [&](const CString& k) { return k.CompareNoCase(key) == 0; });
    if (order != m_keyOrder.end())
        m_keyOrder.erase(order);
    return m_props.erase(Upper(key)) != 0;
}

}  // namespace NResourceItem
