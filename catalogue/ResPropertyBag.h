// Property bag: an ordered set of key=value properties, parsed from and written to the
// property string of a resource's connectivity and capability fields.
//
// Grammar: each property is written KEY=value; (no blanks, a ';' after every property,
// the last included), keys upper-case in first-insertion order. A value holding '=' or ';'
// is written in double quotes. Keys compare ignoring case; values keep their case. Keys
// and values may not hold '"', 0x01 or 0x02 (Set refuses them); a value holding '{' or '}'
// is written but refused when read back (the resource file delimits values with braces).
//
// Thread-safety: a bag is used by one thread at a time.
#pragma once

#include <map>
#include <vector>

#include "base/CString.h"
#include "base/KitrosterExport.h"
#include "catalogue/ZRunknown.h"

namespace NResourceItem {

class KITROSTER_API IResPropertyBag {
  public:
    // False, storing nothing, if key or value holds '"', 0x01 or 0x02. Otherwise true; an
    // empty key stores nothing; a known key keeps its position and takes the new value.
    virtual bool Set(const CString& key, const CString& value) = 0;
    // The property at `index` in insertion order (key upper-case); false when out of range.
    virtual bool Get(int index, CString& key, CString& value) = 0;
    // The value of `key` (case ignored); false, `value` unchanged, when absent.
    virtual bool Get(const CString& key, CString& value) = 0;
    virtual int Size() = 0;
    // True if the key was present.
    virtual bool Delete(const CString& key) = 0;
    virtual void Clear() = 0;
    // Replaces the content with the properties of `text`; true if at least one was stored.
    // An unclosed quote leaves the bag empty and returns false; malformed properties are
    // skipped.
    virtual bool FromString(const CString& text) = 0;
    // The property string; false (and empty text) for an empty bag.
    virtual bool ToString(CString& text) = 0;

  protected:
    ~IResPropertyBag() = default;
};

class KITROSTER_API CResPropertyBagFactory : public CZRunknown, public IResPropertyBag {
  public:
    static CZRauto_ptr<IResPropertyBag> CreateInstance();
    // A bag filled by FromString(text); the parse result is not reported.
    static CZRauto_ptr<IResPropertyBag> CreateInstance(const CString& text);

    CResPropertyBagFactory(const CResPropertyBagFactory& other);
    CResPropertyBagFactory& operator=(const CResPropertyBagFactory& other);
    ~CResPropertyBagFactory() override;

    bool Set(const CString& key, const CString& value) override;
    bool Get(int index, CString& key, CString& value) override;
    bool Get(const CString& key, CString& value) override;
    int Size() override;
    bool Delete(const CString& key) override;
    void Clear() override;
    bool FromString(const CString& text) override;
    bool ToString(CString& text) override;

  protected:
    void OnZRunknownFinalize() override;
    bool _set(const CString& key, const CString& value);
    bool _get(const CString& key, CString& value);
    bool _get(int index, CString& key, CString& value);
    bool _del(const CString& key);

  private:
    CResPropertyBagFactory();

    std::map<CString, CString> m_props;  // upper-cased key -> value; look-up only
    std::vector<CString> m_keyOrder;     // upper-cased keys in first-insertion order
};

}  // namespace NResourceItem
