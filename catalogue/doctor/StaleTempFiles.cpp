#include "catalogue/doctor/StaleTempFiles.h"

#include <cctype>
#include <cerrno>
#include <memory>

#include "catalogue/CatalogueContext.h"
#include "catalogue/CatalogueFolder.h"
#include "platform/env/Env.h"

namespace NResourceItem {
namespace {

constexpr uint64_t kFileTimeUnitsPerSecond = 10000000;  // 100 ns units

bool AllOf(const std::string& text, int (*is)(int)) {
    if (text.empty())
        return false;
    for (unsigned char ch : text)
        if (!is(ch))
            return false;
    return true;
}

int IsLowerHex(int ch) {
    return std::isdigit(ch) || (ch >= 'a' && ch <= 'f');
}

// Seconds since the file's last write, or -1 when it is dated after `now`.
int64_t AgeSeconds(const kitroster::FileInfo& info, uint64_t now) {
    if (info.lastWriteTime > now)
        return -1;
    return static_cast<int64_t>((now - info.lastWriteTime) / kFileTimeUnitsPerSecond);
}

// Stale means strictly older than the limit: exactly an hour is not yet.
bool IsStale(const kitroster::FileInfo& info, uint64_t now) {
    return info.lastWriteTime <= now &&
           now - info.lastWriteTime > kStaleTempFileSeconds * kFileTimeUnitsPerSecond;
}

}  // namespace

bool IsSaveTempFileName(const std::string& name) {
    static const std::string kPrefix = ".~", kSuffix = ".tmp";
    if (name.size() <= kPrefix.size() + kSuffix.size() || name.compare(0, 2, kPrefix) != 0 ||
        name.compare(name.size() - kSuffix.size(), kSuffix.size(), kSuffix) != 0)
        return false;
    // What lies between: "<file>.<pid>.<n>.<random>", read from the right.
    std::string rest = name.substr(kPrefix.size(), name.size() - kPrefix.size() - kSuffix.size());
    std::string parts[3];
    for (std::string& part : parts) {
        const size_t dot = rest.rfind('.');
        if (dot == std::string::npos)
            return false;
        part = rest.substr(dot + 1);
        rest.erase(dot);
    }
    return !rest.empty() && parts[0].size() == 8 && AllOf(parts[0], IsLowerHex) &&
           AllOf(parts[1], [](int ch) { return std::isdigit(ch); }) &&
           AllOf(parts[2], [](int ch) { return std::isdigit(ch); });
}

kitroster::EnvStatus FindStaleTempFiles(kitroster::Env* env, const CString& folder,
                                        std::vector<SStaleTempFileFinding>* found) {
    std::vector<kitroster::FolderEntry> entries;
    const kitroster::EnvStatus listed = env->FindFilesWithInfo(folder.str(), ".~*.tmp", &entries);
    if (!listed.ok())
        return listed.error() == kitroster::kErrorPathNotFound ||
                       listed.error() == kitroster::kErrorFileNotFound
                   ? kitroster::EnvStatus::Ok()
                   : listed;
    const uint64_t now = env->GetSystemTimeAsFileTime();
    for (const kitroster::FolderEntry& entry : entries) {
        if (!entry.stated || entry.info.isDirectory || !IsSaveTempFileName(entry.name) ||
            !IsStale(entry.info, now))
            continue;
        SStaleTempFileFinding file;
        file.name = entry.name;
        file.ageSeconds = static_cast<uint64_t>(AgeSeconds(entry.info, now));
        if (!IsUsableListedName(entry.name))
            file.error = kUnusableListedNameReason;
        found->push_back(std::move(file));
    }
    return kitroster::EnvStatus::Ok();
}

void RemoveStaleTempFiles(kitroster::Env* env, const CString& folder,
                          std::vector<SStaleTempFileFinding>* files) {
    const uint64_t now = env->GetSystemTimeAsFileTime();
    for (SStaleTempFileFinding& file : *files) {
        if (!file.error.empty())
            continue;  // found to be left alone already
        if (!IsSaveTempFileName(file.name)) {
            file.error = "not a temporary file of a save";
            continue;
        }
        if (!IsUsableListedName(file.name)) {
            file.error = kUnusableListedNameReason;
            continue;
        }
        const std::string path = JoinCataloguePath(folder, CString(file.name)).str();
        // Looked at again just before, through the entry itself: a save leaves only
        // regular files, so a link, a FIFO or a device under such a name is not its
        // leftover and stays.
        kitroster::OpenOptions options;
        options.share = kitroster::kShareRead | kitroster::kShareWrite | kitroster::kShareDelete;
        options.noFollow = true;
        std::unique_ptr<kitroster::IFile> opened;
        kitroster::EnvStatus status = env->OpenFile(path, options, &opened);
        kitroster::FileInfo info;
        if (status.ok())
            status = opened->GetInfo(&info);
        opened.reset();
        if (!status.ok()) {
            if (status.error() == kitroster::kErrorAccessDenied && status.errnoValue() == ELOOP)
                file.error = "a symbolic link, not a file a save left; left as it is";
            else if (status.error() == kitroster::kErrorAccessDenied && status.errnoValue() == 0)
                file.error = "not a regular file; left as it is";
            else
                file.error = status.ToString();
            continue;
        }
        if (!IsStale(info, now)) {
            file.error = "changed since it was found";
            continue;
        }
        status = env->DeleteFile(path);
        if (status.ok())
            file.removed = true;
        else
            file.error = status.ToString();
    }
}

}  // namespace NResourceItem
