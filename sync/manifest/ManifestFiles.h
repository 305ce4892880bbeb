// The manifest's working files, made safe in a folder that another account may write:
// nothing here follows a symbolic link or writes into a file it did not create itself.
//
// Writers, and readers that restore the backup, hold the manifest lock (D\B.mfk, an
// advisory lock that is never written) while they touch the working files; a working
// file that is present under the lock was left by a process that died, or planted, and
// only its name is removed.
#pragma once

#include <memory>
#include <string>

#include "platform/env/Env.h"

// Creates `path` exclusively and without following a link (any entry of that name is
// removed first), open for reading and writing and shared with nobody. With `like`, the
// new file takes its owner, group and permission bits (set-id bits dropped) on the open
// descriptor, so that it is never readable by more accounts than the file it replaces.
kitroster::EnvStatus CreateWorkingFile(kitroster::Env* env, const std::string& path,
                                       const kitroster::FileInfo* like,
                                       std::unique_ptr<kitroster::IFile>* file);

// Opens an existing manifest file for reading without following a link. `*isLink` tells
// that the open failed because `path` is a symbolic link.
kitroster::EnvStatus OpenManifestForReading(kitroster::Env* env, const std::string& path,
                                            unsigned share, std::unique_ptr<kitroster::IFile>* file,
                                            bool* isLink);

// True for a failure of LinkFile that says the file system keeps no second names (FAT,
// exFAT, some network and user-space file systems), where plain renames must do.
bool LinksUnsupported(const kitroster::EnvStatus& status);

// True for a path whose extension is one of the manifest's working names (mf2, mfp, mfl,
// mfr, mfk): such a file is never the target of a write.
bool IsManifestWorkingName(const std::string& path);
