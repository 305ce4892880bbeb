#include "platform/env/FileHelpers.h"

#include <cstdio>

#include <algorithm>
#include <atomic>
#include <memory>

#include "platform/env/Env.h"

namespace kitroster {

namespace {

std::atomic<unsigned> g_tempCounter{0};

}  // namespace

EnvStatus ReadFileWhole(Env* env, const std::string& path, uint64_t maxBytes,
                        std::string* contents, FileInfo* info) {
    contents->clear();
    std::unique_ptr<IFile> file;
    OpenOptions options;  // read, sharing read and write, must exist
    EnvStatus status = env->OpenFile(path, options, &file);
    if (!status.ok())
        return status;
    FileInfo opened;
    status = file->GetInfo(&opened);
    if (!status.ok())
        return status;
    if (info)
        *info = opened;
    const uint64_t size = opened.size;
    if (size > maxBytes) {
        return EnvStatus::Error(kErrorFileTooLarge, 0,
                                "read " + path + ": larger than " + std::to_string(maxBytes) +
                                    " bytes");
    }
    // Ask for one byte more than the size: a file that did not grow is then read in one
    // call, and a file that grew meanwhile is still read to its end, but never past one
    // byte over the limit, which is enough to tell that it is too large.
    size_t capacity = static_cast<size_t>(size) + 1;
    for (;;) {
        const size_t used = contents->size();
        contents->resize(used + capacity);
        size_t got = 0;
        status = file->Read(contents->data() + used, capacity, &got);
        contents->resize(used + (status.ok() ? got : 0));
        if (!status.ok())
            return status;
        if (contents->size() > maxBytes) {
            return EnvStatus::Error(kErrorFileTooLarge, 0,
                                    "read " + path + ": grew past " + std::to_string(maxBytes) +
                                        " bytes");
        }
        if (got == 0 || (got < capacity && contents->size() >= size))
            break;
        capacity = static_cast<size_t>(std::min<uint64_t>(4096, maxBytes + 1 - contents->size()));
    }
    return file->Close();
}

std::string FolderOfPath(const std::string& path) {
    const size_t separator = path.find_last_of("\\/");
    return separator == std::string::npos ? std::string() : path.substr(0, separator);
}

EnvStatus WriteFileAtomically(Env* env, const std::string& path, const std::string& contents) {
    const std::string folder = FolderOfPath(path);
    const std::string name = folder.empty() ? path : path.substr(folder.size() + 1);
    // ".~RES_X.zrr.<pid>.<n>.<random>.tmp": no catalogue wildcard matches it. It is created
    // new (never opened if it exists, never through a link), so savers in other processes
    // or on other machines sharing the folder never write into one another's file.
    std::string prefix = folder.empty() ? std::string() : path.substr(0, folder.size() + 1);
    prefix += ".~";
    prefix += (!name.empty() && name[0] == '_') ? name.substr(1) : name;
    prefix += '.' + std::to_string(env->GetProcessId()) + '.';

    // The replacement keeps the old file's mode and owner: resource files hold passwords,
    // and a 0600 file must not come back world-readable. A new file gets the default mode.
    FileInfo old;
    EnvStatus status = env->GetFileInfo(path, &old);
    const bool replacing = status.ok();
    if (status.error() == kErrorFileNotFound || status.error() == kErrorPathNotFound)
        status = EnvStatus::Ok();
    if (!status.ok())
        return status;

    std::unique_ptr<IFile> file;
    OpenOptions options;
    options.access = kAccessWrite;
    options.disposition = FileDisposition::kCreateNew;
    options.noFollow = true;
    std::string temp;
    for (int attempt = 0; attempt < 4; ++attempt) {
        Guid guid;
        env->CreateGuid(&guid);  // a failure leaves zeros; the counter still differs
        char random[9];
        std::snprintf(random, sizeof random, "%02x%02x%02x%02x", guid.bytes[0], guid.bytes[1],
                      guid.bytes[2], guid.bytes[3]);
        temp = prefix + std::to_string(g_tempCounter.fetch_add(1, std::memory_order_relaxed)) +
               '.' + random + ".tmp";
        status = env->OpenFile(temp, options, &file);
        if (status.error() != kErrorFileExists)
            break;
    }
    if (!status.ok())
        return status;  // nothing was created
    // Owner and mode go on the open file before any content does, never by name: whoever
    // may write the folder can rename another file (or a link) over the temporary name.
    if (replacing)
        status = file->SetOwnerAndMode(old);
    if (status.ok())
        status = file->Write(contents.data(), contents.size());
    if (status.ok())
        status = file->Sync();
    FileInfo written;
    if (status.ok())
        status = file->GetInfo(&written);
    const EnvStatus closed = file->Close();
    if (status.ok())
        status = closed;
    file.reset();
    // Only the file written here is put in place: a name that now holds something else
    // (a link, another file) is refused rather than renamed over `path`.
    FileInfo named;
    if (status.ok() && (!env->GetFileInfo(temp, &named).ok() || named.fileId != written.fileId))
        status = EnvStatus::Error(kErrorAccessDenied, 0,
                                  "replace " + path + ": the temporary file " + temp +
                                      " was replaced by another file");
    if (status.ok())
        status = env->MoveFile(temp, path, /*replaceExisting=*/true);
    if (!status.ok()) {
        env->DeleteFile(temp);  // may not exist; nothing more to do either way
        return status;
    }
    // The rename is durable only once the folder's entry is.
    return env->SyncDirectory(folder.empty() ? std::string(".") : folder);
}

}  // namespace kitroster
