#include "platform/treeweave/KeyTree.h"

namespace {

// Placeholder returned for absent keys, so that GetAt(...)->AsCStr(nullptr) is "".
const CLstring& EmptyValue() {
    static const CLstring empty("", -1);
    return empty;
}

}  // namespace

CLstring::CLstring(const char* text, int length) : m_text(text ? CString(text, length) : CString()) {}

CString CLstring::AsCStr(const char* /*format*/) const { return m_text; }

CKeyTree::~CKeyTree() = default;

CItem* CKeyTree::AddKey(const char* key, CItem* value) {
    auto& slot = m_items[key ? key : ""];
    slot.reset(value);
    return slot.get();
}

const CItem* CKeyTree::GetAt(const char* key) const {
    const auto it = m_items.find(key ? key : "");
    return it != m_items.end() && it->second ? it->second.get() : &EmptyValue();
}

bool CKeyTree::HasKey(const char* key) const { return m_items.count(key ? key : "") != 0; }
