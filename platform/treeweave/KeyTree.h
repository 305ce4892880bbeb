// The key tree: a keyed container of values that carries a resource's five fields between
// the resource item and the resource file code. Only its container role is used.
//
// A key that the tree does not hold reads as empty text: GetAt returns a shared empty
// placeholder value whose AsCStr yields "".
//
// Thread-safety: a tree is used by one thread at a time.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "base/CString.h"

#define KR_TREEWEAVE_API __attribute__((visibility("default")))

// Base of the values a tree holds.
class KR_TREEWEAVE_API CItem {
  public:
    virtual ~CItem() = default;
    // The value as text. `format` is reserved for numeric values; null for text.
    virtual CString AsCStr(const char* format) const = 0;
};

// A text value.
class KR_TREEWEAVE_API CLstring : public CItem {
  public:
    // Holds the first `length` bytes of `text`, or all of it when `length` is -1.
    CLstring(const char* text, int length);
    CString AsCStr(const char* format) const override;

  private:
    CString m_text;
};

class KR_TREEWEAVE_API CKeyTree {
  public:
    CKeyTree() = default;
    virtual ~CKeyTree();
    CKeyTree(const CKeyTree&) = delete;
    CKeyTree& operator=(const CKeyTree&) = delete;

    // Stores `value` under `key`, replacing an earlier value; the tree owns `value` from
    // now on. Returns the stored item.
    CItem* AddKey(const char* key, CItem* value);
    // The value under `key`, or the empty placeholder when absent. Never null. The caller
    // does not own it.
    const CItem* GetAt(const char* key) const;
    bool HasKey(const char* key) const;
    int GetCount() const { return static_cast<int>(m_items.size()); }

  private:
    std::map<std::string, std::unique_ptr<CItem>> m_items;
};
