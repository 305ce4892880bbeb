#include "sync/config/IniFile.h"

namespace ZRSYNC {

namespace {

std::string Trim(const std::string& text) {
    size_t begin = text.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos)
        return std::string();
    size_t end = text.find_last_not_of(" \t\r\n");
    return text.substr(begin, end - begin + 1);
}

std::string Upper(const std::string& text) {
    CString upper(text);
    upper.MakeUpper();
    return std::string(upper.GetString(), static_cast<size_t>(upper.GetLength()));
}

}  // namespace

CIniFile::CIniFile(const std::string& text) {
    std::map<std::string, std::string>* section = nullptr;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = Trim(text.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line[0] == ';')
            continue;
        if (line[0] == '[') {
            size_t close = line.find(']');
            const std::string name =
                Trim(close == std::string::npos ? line.substr(1) : line.substr(1, close - 1));
            section = &m_sections[Upper(name)];
            continue;
        }
        size_t equals = line.find('=');
        if (!section || equals == std::string::npos)
            continue;
        const std::string key = Upper(Trim(line.substr(0, equals)));
        if (!key.empty())
            section->emplace(key, Trim(line.substr(equals + 1)));
    }
}

std::optional<std::string> CIniFile::GetString(const std::string& section,
                                               const std::string& key) const {
    auto s = m_sections.find(Upper(section));
    if (s == m_sections.end())
        return std::nullopt;
    auto k = s->second.find(Upper(key));
    if (k == s->second.end())
        return std::nullopt;
    return k->second;
}

int CIniFile::GetInt(const std::string& section, const std::string& key, int defaultValue) const {
    std::optional<std::string> value = GetString(section, key);
    if (!value)
        return defaultValue;
    const std::string& v = *value;
    size_t i = 0;
    bool negative = false;
    if (i < v.size() && (v[i] == '-' || v[i] == '+'))
        negative = v[i++] == '-';
    uint32_t number = 0;
    if (i + 1 < v.size() && v[i] == '0' && (v[i + 1] == 'x' || v[i + 1] == 'X')) {
        for (i += 2; i < v.size(); ++i) {
            char c = v[i];
            int digit = (c >= '0' && c <= '9')   ? c - '0'
                        : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                        : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                                 : -1;
            if (digit < 0)
                break;
            number = number * 16u + static_cast<uint32_t>(digit);
        }
    } else {
        for (; i < v.size() && v[i] >= '0' && v[i] <= '9'; ++i)
            number = number * 10u + static_cast<uint32_t>(v[i] - '0');
    }
    if (negative)
        number = 0u - number;
    return static_cast<int>(number);
}

}  // namespace ZRSYNC
