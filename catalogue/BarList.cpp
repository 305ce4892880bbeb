#include "catalogue/BarList.h"

namespace NResourceItem {

std::vector<CString> SplitBarList(const CString& value) {
    std::vector<CString> elements;
    const std::string& text = value.str();
    size_t start = 0;
    for (;;) {
        const size_t bar = text.find('|', start);
        if (bar == std::string::npos) {
            elements.emplace_back(text.substr(start));
            return elements;
        }
        elements.emplace_back(text.substr(start, bar - start));
        start = bar + 1;
    }
}

CString JoinBarList(const std::vector<CString>& elements) {
    CString joined;
    for (size_t i = 0; i < elements.size(); ++i) {
        if (i > 0)
            joined += '|';
        joined += elements[i];
    }
    return joined;
}

}  // namespace NResourceItem
