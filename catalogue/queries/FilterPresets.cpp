#include "catalogue/queries/FilterPresets.h"

#include <string>

#include "catalogue/queries/FilterSpec.h"
#include "platform/app/KitrosterApp.h"
#include "platform/registry/Registry.h"

namespace NResourceItem {
namespace {

kitroster::CRegistry& Registry() {
    return GetKitrosterApp().GetRegistry();
}

std::string PresetKey(int presetId) {
    CString key;
    key.Format("%s\\Filter_%d", kFiltersKey, presetId);
    return key.str();
}

}  // namespace

int ReadLastFilterId() {
    return static_cast<int>(Registry().GetDword(kFiltersKey, "lastFilterId", 1));
}

void WriteLastFilterId(int presetId) {
    Registry().SetDword(kFiltersKey, "lastFilterId", static_cast<uint32_t>(presetId));
}

void ResetFilter(IResourceFilter* base, IResourceFilter* internal) {
    CZRauto_ptr<IResourceTypeList> list = CResourceTypeList::CreateInstance();
    CZRauto_ptr<IResourceTypeList> baseList;
    if (base)
        baseList = base->GetResourceTypeList();
    if (baseList)
        for (int i = 0; i < baseList->Size(); ++i)
            list->Put(baseList->GetTypeByIndex(i));
    if (internal) {
        internal->SetResourceTypeList(list);
        internal->SetResourceIdFilterSpec("");
    }
}

void LoadFilterPreset(int presetId, IResourceFilter* base, IResourceFilter* internal) {
    if (!internal)
        return;
    const std::string key = PresetKey(presetId);
    CString types = Registry().GetString(key, "typeList", "");
    CString spec = Registry().GetString(key, "idFilterSpec", "");
    types.Trim();
    internal->SetResourceTypeList(CResourceTypeList::CreateInstance());
    if (types.IsEmpty()) {
        ResetFilter(base, internal);
    } else {
        CZRauto_ptr<IResourceTypeList> baseList;
        if (base)
            baseList = base->GetResourceTypeList();
        CZRauto_ptr<IResourceTypeList> list = internal->GetResourceTypeList();
        CString rest = types;
        CString part = TakeNextPattern(rest);
        while (!part.IsEmpty() || !rest.IsEmpty()) {
            // Types the caller's restriction no longer allows are dropped.
            if (!baseList || baseList->Has(part))
                list->Put(part);
            part = TakeNextPattern(rest);
        }
    }
    internal->SetResourceIdFilterSpec(spec);
}

void SaveFilterPreset(int presetId, IResourceFilter* filter) {
    if (!filter)
        return;
    CString joined;
    if (CZRauto_ptr<IResourceTypeList> list = filter->GetResourceTypeList()) {
        for (int i = 0; i < list->Size(); ++i) {
            if (i > 0)
                joined += ";";
            joined += list->GetTypeByIndex(i);
        }
    }
    const std::string key = PresetKey(presetId);
    Registry().SetString(key, "typeList", joined.str());
    Registry().SetString(key, "idFilterSpec", filter->GetResourceIdFilterSpec().str());
}

int ReadLastHistoryIndex(const char* key) {
    return static_cast<int>(Registry().GetDword(key, "last_index", 0));
}

std::vector<CString> ReadEntryHistory(const char* key) {
    ReadLastHistoryIndex(key);
    std::vector<CString> entries;
    for (int slot = 0; slot < kHistorySlots; ++slot) {
        CString name;
        name.Format("entry_%i", slot);
        CString text = Registry().GetString(key, name.str(), "");
        if (!text.IsEmpty())
            entries.push_back(text);
    }
    return entries;
}

int WriteEntryHistory(const char* key, const CString& text) {
    int last = ReadLastHistoryIndex(key);
    int slot = (last < 0 || last >= kHistorySlots - 1) ? 0 : last + 1;
    CString name;
    name.Format("entry_%i", slot);
    Registry().SetString(key, name.str(), text.str());
    Registry().SetDword(key, "last_index", static_cast<uint32_t>(slot));
    return slot;
}

}  // namespace NResourceItem
