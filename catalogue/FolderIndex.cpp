#include "catalogue/FolderIndex.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "catalogue/CatalogueContext.h"
#include "catalogue/CatalogueFolder.h"
#include "catalogue/ResourceItemPersist.h"
#include "platform/app/KitrosterApp.h"
#include "platform/env/Env.h"
#include "platform/env/FileHelpers.h"

namespace NResourceItem {

namespace {

// The files the collection's Load reads.
constexpr const char* kResourceFilePattern = "_RES_*.zrr";

struct CFileEntry {
    uint64_t size = 0;
    uint64_t lastWriteTime = 0;
    uint64_t fileId = 0;   // a file replaced by a save has another id, whatever its times
    bool settled = false;  // read when its modification time was already old enough
    bool counted = false;  // false: Load skips the file (schema, no identifier)
    CString key;           // upper-cased identifier
    std::string text;      // the file's content, parsed anew for every answer
    uint64_t seen = 0;     // the last refresh that listed the file (0: none yet)
};

struct CFolderState {
    kitroster::Env* env = nullptr;  // the Env the entries were read through
    uint64_t refresh = 0;
    std::unordered_map<std::string, CFileEntry> entries;  // by file name
    // The entries of the last listing in folder order (map nodes do not move).
    std::vector<const CFileEntry*> order;
    // Made before the last listing, when the Env can watch the folder.
    std::unique_ptr<kitroster::IFolderWatch> watch;
    // The last refresh read every file, each settled and with no other name: while the
    // watch sees no change, a new listing would give the same answers.
    bool complete = false;
};

std::mutex g_mutex;
std::map<std::string, CFolderState> g_folders;  // by folder path

// Reads `name` into `*entry`; false when the file cannot be read (not remembered then).
bool _read_entry(kitroster::Env* env, const CString& folder, const std::string& name,
                 const kitroster::FileInfo& info, CFileEntry* entry) {
    const uint64_t now = env->GetSystemTimeAsFileTime();
    std::string text;
    if (!kitroster::ReadFileWhole(env, JoinCataloguePath(folder, CString(name)).str(),
                                  kMaxResourceFileBytes, &text)
             .ok())
        return false;
    *entry = CFileEntry();
    entry->size = info.size;
    entry->lastWriteTime = info.lastWriteTime;
    entry->fileId = info.fileId;
    entry->settled = info.lastWriteTime + kFolderIndexSettleTime <= now;
    int schema = 0;
    CZRauto_ptr<IResourceItem> item = CResourceItemPersistFactory::ParseResourceText(text, &schema);
    if (item && schema == RES_SCHEMA && !item->get_ID().IsEmpty()) {
        entry->counted = true;
        entry->key = item->get_ID();
        entry->key.MakeUpper();
        entry->text = std::move(text);
    }
    return true;
}

// Brings `state` up to date with `folder`: nothing when the folder's watch saw no change
// since a complete refresh, else one listing, one stat per file, and a read of every file
// that is new, changed or not yet settled. False when the folder cannot be listed (Load
// then has nothing either).
bool _refresh(kitroster::Env* env, const CString& folder, CFolderState* state) {
    if (state->env != env) {
        *state = CFolderState();
        state->env = env;
    }
    if (state->watch && state->watch->Changed())
        state->watch.reset();
    if (state->watch && state->complete)
        return true;
    // Made before the listing, so that whatever changes from here on is reported.
    if (!state->watch && !env->WatchFolder(folder.str(), kResourceFilePattern, &state->watch).ok())
        state->watch.reset();  // a network folder, or no watch to be had: list every time
    state->complete = false;
    std::vector<kitroster::FolderEntry> listed;
    if (!env->FindFilesWithInfo(folder.str(), kResourceFilePattern, &listed).ok())
        return false;
    const uint64_t refresh = ++state->refresh;
    bool complete = true;
    state->order.clear();
    state->order.reserve(listed.size());
    for (const kitroster::FolderEntry& file : listed) {
        const std::string& name = file.name;
        const kitroster::FileInfo& info = file.info;
        const bool stated = file.stated;
        if (stated && info.isDirectory)
            continue;  // Load cannot open a folder either
        if (!IsUsableListedName(name))
            continue;  // Load skips it too; joined to the folder it would name another file
        CFileEntry& entry = state->entries[name];
        const bool known = entry.seen != 0;
        if (!stated || !known || !entry.settled || entry.size != info.size ||
            entry.lastWriteTime != info.lastWriteTime || entry.fileId != info.fileId) {
            if (!_read_entry(env, folder, name, info, &entry)) {
                complete = false;
                continue;  // left unseen, so dropped below
            }
            if (!stated)
                entry.settled = false;  // nothing to compare with next time: read it again
        }
        // A file written through another name changes unseen by the folder's watch.
        complete = complete && entry.settled && !file.linked;
        entry.seen = refresh;
        state->order.push_back(&entry);
    }
    state->complete = complete;
    // Files gone from the folder, and files that could not be read, are forgotten.
    std::erase_if(state->entries, [&](const auto& item) { return item.second.seen != refresh; });
    return true;
}

}  // namespace

CZRauto_ptr<IResourceItem> FindInFolderIndex(const CString& folder, const CString& id) {
    if (id.IsEmpty())
        return {};
    CString key = id;
    key.MakeUpper();
    kitroster::Env* env = GetKitrosterApp().GetEnv();
    std::string text;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        CFolderState& state = g_folders[folder.str()];
        if (!_refresh(env, folder, &state)) {
            g_folders.erase(folder.str());
            return {};
        }
        // Load replaces an identifier by every later file that carries it.
        for (auto entry = state.order.rbegin(); entry != state.order.rend(); ++entry) {
            if ((*entry)->counted && (*entry)->key == key) {
                text = (*entry)->text;
                break;
            }
        }
    }
    if (text.empty())
        return {};
    return CResourceItemPersistFactory::ParseResourceText(text, nullptr);
}

void ClearFolderIndex() {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_folders.clear();
}

}  // namespace NResourceItem
