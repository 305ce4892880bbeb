// The conveniences every Env offers, built on its primitive operations.
#include "platform/env/Env.h"

namespace kitroster {

EnvStatus Env::ReadFileToString(const std::string& path, std::string* contents) {
    contents->clear();
    std::unique_ptr<IFile> file;
    OpenOptions options;
    options.access = kAccessRead;
    if (EnvStatus s = OpenFile(path, options, &file); !s.ok())
        return s;
    char buffer[65536];
    for (;;) {
        size_t got = 0;
        if (EnvStatus s = file->Read(buffer, sizeof buffer, &got); !s.ok()) {
            contents->clear();
            return s;
        }
        if (got == 0)
            break;
        contents->append(buffer, got);
    }
    return file->Close();
}

EnvStatus Env::WriteStringToFile(const std::string& path, const std::string& contents, bool sync) {
    std::unique_ptr<IFile> file;
    OpenOptions options;
    options.access = kAccessWrite;
    options.share = kShareRead;
    options.disposition = FileDisposition::kCreateAlways;
    if (EnvStatus s = OpenFile(path, options, &file); !s.ok())
        return s;
    EnvStatus s = file->Write(contents.data(), contents.size());
    if (s.ok() && sync)
        s = file->Sync();
    EnvStatus closed = file->Close();
    return s.ok() ? closed : s;
}

EnvStatus Env::FindFilesWithInfo(const std::string& folder, const std::string& pattern,
                                 std::vector<FolderEntry>* entries) {
    entries->clear();
    std::vector<std::string> names;
    if (EnvStatus s = FindFiles(folder, pattern, &names); !s.ok())
        return s;
    std::string prefix = folder;
    if (!prefix.empty() && prefix.back() != '\\' && prefix.back() != '/')
        prefix += '\\';
    entries->reserve(names.size());
    for (std::string& name : names) {
        FolderEntry entry;
        entry.stated = GetFileInfo(prefix + name, &entry.info).ok();
        entry.name = std::move(name);
        entries->push_back(std::move(entry));
    }
    return EnvStatus::Ok();
}

EnvStatus Env::WatchFolder(const std::string& folder, const std::string&,
                           std::unique_ptr<IFolderWatch>* watch) {
    watch->reset();
    return EnvStatus::Error(kErrorNotSupported, 0, "watch folder " + folder + ": not supported");
}

EnvStatus Env::GetLinkInfo(const std::string& path, LinkInfo* info) {
    *info = LinkInfo();
    FileInfo file;
    if (EnvStatus s = GetFileInfo(path, &file); !s.ok())
        return s;
    info->ownerId = file.ownerId;
    return EnvStatus::Ok();
}

bool Env::FileExists(const std::string& path) {
    return Access(path, kAccessExists).ok();
}

}  // namespace kitroster
