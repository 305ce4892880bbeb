#include "sync/manifest/ManifestFiles.h"

#include "common/SplitPath.h"

using kitroster::Env;
using kitroster::EnvStatus;

EnvStatus CreateWorkingFile(Env* env, const std::string& path, const kitroster::FileInfo* like,
                            std::unique_ptr<kitroster::IFile>* file) {
    kitroster::OpenOptions options;
    options.access = kitroster::kAccessRead | kitroster::kAccessWrite;
    options.share = kitroster::kShareNone;
    options.disposition = kitroster::FileDisposition::kCreateNew;
    options.noFollow = true;
    EnvStatus opened = env->OpenFile(path, options, file);
    if (opened.error() == kitroster::kErrorFileExists) {
        // Removing the name never touches what a link points to.
        env->DeleteFile(path);
        opened = env->OpenFile(path, options, file);
    }
    if (!opened.ok() || !like)
        return opened;
    kitroster::FileInfo narrowed = *like;
    narrowed.mode &= 0777;
    EnvStatus set = (*file)->SetOwnerAndMode(narrowed);
    if (set.ok() || set.error() == kitroster::kErrorNotSupported)
        return EnvStatus::Ok();
    (*file)->Close();
    file->reset();
    env->DeleteFile(path);
    return set;
}

EnvStatus OpenManifestForReading(Env* env, const std::string& path, unsigned share,
                                 std::unique_ptr<kitroster::IFile>* file, bool* isLink) {
    *isLink = false;
    kitroster::OpenOptions options;
    options.access = kitroster::kAccessRead;
    options.share = share;
    options.disposition = kitroster::FileDisposition::kOpenExisting;
    options.noFollow = true;
    EnvStatus opened = env->OpenFile(path, options, file);
    if (opened.error() == kitroster::kErrorAccessDenied) {
        kitroster::LinkInfo link;
        *isLink = env->GetLinkInfo(path, &link).ok() && link.isLink;
    }
    return opened;
}

bool LinksUnsupported(const EnvStatus& status) {
    switch (status.error()) {
        case kitroster::kErrorNotSupported:   // ENOTSUP, EOPNOTSUPP, ENOSYS
        case kitroster::kErrorAccessDenied:   // EPERM: FAT and exFAT refuse link()
        case kitroster::kErrorNotSameDevice:  // EXDEV: some network file systems
        case kitroster::kErrorInvalidFunction:
        case kitroster::kErrorTooManyLinks:
            return true;
        default:
            return false;
    }
}

bool IsManifestWorkingName(const std::string& path) {
    const CString extension = SplitPath(path.c_str()).GetExtension();
    for (const char* working : {"mf2", "mfp", "mfl", "mfr", "mfk"}) {
        if (extension.CompareNoCase(working) == 0)
            return true;
    }
    return false;
}
