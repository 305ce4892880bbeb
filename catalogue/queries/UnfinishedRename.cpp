#include "catalogue/queries/UnfinishedRename.h"

#include <map>
#include <set>
#include <string>
#include <unordered_map>

#include "catalogue/BarList.h"
#include "catalogue/CatalogueContext.h"
#include "catalogue/ResPropertyBag.h"
#include "catalogue/ResourceItem.h"
#include "platform/env/Env.h"

namespace NResourceItem {
namespace {

CString Upper(CString text) {
    text.MakeUpper();
    return text;
}

// The connectivity `original` has after a rename to `newId` with references updated: the
// collection's own rewrite, run on a copy in a collection of its own.
CString RenamedConn(IResourceItem* original, const CString& newId) {
    CZRauto_ptr<IKitroster> scratch = CKitrosterFactory::CreateInstance();
    CZRauto_ptr<IResourceItem> copy = CResourceItemFactory::CreateInstance();
    copy->set_ID(original->get_ID());
    copy->set_Conn(original->get_Conn());
    scratch->Add(copy);
    if (!scratch->Rename(original->get_ID(), newId, true))
        return original->get_Conn();
    return copy->get_Conn();
}

// The latest write time of the files `id` was loaded from; 0 when none can be read.
uint64_t LatestWriteTime(IKitroster* collection, kitroster::Env* env, const CString& id) {
    uint64_t latest = 0;
    const CString folder = GetCatalogueFolder();
    for (const CString& name : GetFilesOf(collection, id)) {
        kitroster::FileInfo info;
        if (env->GetFileInfo(JoinCataloguePath(folder, name).str(), &info).ok() &&
            info.lastWriteTime > latest)
            latest = info.lastWriteTime;
    }
    return latest;
}

// How many other resources refer to each of `targets` (upper-cased): any element of any
// connectivity value, as the rename rewrites them.
std::map<CString, int> CountReferrers(IKitroster* collection, const std::set<CString>& targets) {
    std::map<CString, int> referrers;
    CString key;
    CString value;
    for (int i = 0; i < collection->Size(); ++i) {
        CZRauto_ptr<IResourceItem> item = collection->GetItemByIndex(i);
        if (!item)
            continue;
        const CString self = Upper(item->get_ID());
        std::set<CString> named;
        CZRauto_ptr<IResPropertyBag> bag = CResPropertyBagFactory::CreateInstance(item->get_Conn());
        for (int p = 0; bag && bag->Get(p, key, value); ++p) {
            for (CString element : SplitBarList(value)) {
                element.Trim();
                element.MakeUpper();
                if (element != self && targets.count(element) != 0)
                    named.insert(element);
            }
        }
        for (const CString& target : named)
            ++referrers[target];
    }
    return referrers;
}

// What a resource and its renamed copies share: type, name, capabilities and the
// connectivity, where it names the resource itself, as a rename to one placeholder
// identifier writes it.
std::string LikenessKey(IResourceItem* item) {
    CString conn = item->get_Conn();
    if (conn.Find(item->get_ID()) >= 0)
        conn = RenamedConn(item, "RENAMED_COPY_OF_ITSELF");
    return item->get_Type().str() + '\x01' + item->get_Name().str() + '\x01' +
           item->get_Caps().str() + '\x01' + conn.str();
}

}  // namespace

bool IsRenamedCopy(IResourceItem* original, IResourceItem* copy) {
    if (!original || !copy || original == copy)
        return false;
    const CString newId = copy->get_ID();
    if (newId.IsEmpty() || original->get_ID().CompareNoCase(newId) == 0)
        return false;
    if (original->get_Type() != copy->get_Type() || original->get_Name() != copy->get_Name() ||
        original->get_Caps() != copy->get_Caps())
        return false;
    const CString conn = copy->get_Conn();
    if (conn == original->get_Conn())
        return true;
    // Only a connectivity that names the resource itself changes in a rename.
    return original->get_Conn().Find(original->get_ID()) >= 0 &&
           conn == RenamedConn(original, newId);
}

bool FinishRename(IKitroster* collection, const CString& oldId, const CString& newId,
                  bool updateReferences) {
    if (!collection)
        return false;
    CZRauto_ptr<IResourceItem> original = collection->GetItemById(oldId);
    CZRauto_ptr<IResourceItem> copy = collection->GetItemById(newId);
    if (!IsRenamedCopy(original, copy))
        return false;
    // References hold the stored spelling, which the rewrite compares exactly.
    const CString storedOldId = original->get_ID();
    const CString storedNewId = copy->get_ID();
    collection->Delete(storedNewId);
    if (collection->Rename(storedOldId, storedNewId, updateReferences))
        return true;
    collection->Add(copy);
    return false;
}

std::vector<SUnfinishedRename> FindUnfinishedRenames(IKitroster* collection, kitroster::Env* env,
                                                     bool finish) {
    std::vector<SUnfinishedRename> found;
    if (!collection || !env)
        return found;
    // Copies are alike (LikenessKey); only resources alike to another are compared.
    std::unordered_map<std::string, std::vector<CZRauto_ptr<IResourceItem>>> alike;
    for (int i = 0; i < collection->Size(); ++i) {
        CZRauto_ptr<IResourceItem> item = collection->GetItemByIndex(i);
        if (item)
            alike[LikenessKey(item)].push_back(item);
    }
    std::set<CString> targets;
    for (const auto& [key, items] : alike) {
        if (items.size() > 1) {
            for (const CZRauto_ptr<IResourceItem>& item : items)
                targets.insert(Upper(item->get_ID()));
        }
    }
    if (targets.empty())
        return found;
    const std::map<CString, int> referrers = CountReferrers(collection, targets);
    auto countOf = [&](const CString& id) {
        const auto it = referrers.find(Upper(id));
        return it == referrers.end() ? 0 : it->second;
    };
    for (const auto& [key, items] : alike) {
        if (items.size() < 2)
            continue;
        for (const CZRauto_ptr<IResourceItem>& original : items) {
            const int oldReferrers = countOf(original->get_ID());
            if (oldReferrers == 0)
                continue;
            uint64_t oldTime = 0;
            for (const CZRauto_ptr<IResourceItem>& copy : items) {
                if (!IsRenamedCopy(original, copy))
                    continue;
                if (oldTime == 0)
                    oldTime = LatestWriteTime(collection, env, original->get_ID());
                const uint64_t copyTime = LatestWriteTime(collection, env, copy->get_ID());
                // The rename writes the copy's file after the old one was written.
                if (oldTime == 0 || copyTime <= oldTime)
                    continue;
                found.push_back(
                    {original->get_ID(), copy->get_ID(), oldReferrers, countOf(copy->get_ID())});
            }
        }
    }
    if (finish) {
        for (SUnfinishedRename& rename : found)
            rename.finished = FinishRename(collection, rename.oldId, rename.newId, true);
    }
    return found;
}

}  // namespace NResourceItem
