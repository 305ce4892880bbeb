// SplitPath: decomposition of a Windows-form path and the few file-system queries and
// actions the catalogue and the settings synchronisation need.
//
// A path is split as the Windows C runtime's path splitter does it, on every platform:
//   - a drive is the first two characters when the second is ':' ("C:");
//   - '\' and '/' both separate folders; everything up to the last separator is the
//     directory;
//   - the last '.' of the remaining name starts the extension ("a.b.c" -> "a.b" + ".c");
//   - a UNC path "\\server\share\..." has no drive; its server is found separately.
// The folder is drive plus directory without trailing separators ("C:\A\B\f.txt" ->
// "C:\A\B", "C:\f.txt" -> "C:").
//
// File-system actions go through the application's Env in effect at construction and
// report Windows error semantics: exists() treats only "not
// found" errors (2, 3, 53) as absence. Diagnostics go to the "VIDEO_AVCOMMON" logger.
//
// Thread-safety: a value object for one thread; distinct objects may be used concurrently.
#pragma once

#include <cstdint>

#include "base/CString.h"
#include "base/KitrosterExport.h"
#include "platform/env/Env.h"

// The accessors of a decomposed path.
class KITROSTER_API ISplitPath {
  public:
    virtual CString GetFullPath() const = 0;
    // File name with extension.
    virtual CString GetFileName() const = 0;
    // Drive and directory without a trailing separator.
    virtual CString GetFolder() const = 0;
    // File name without extension.
    virtual CString GetTitle() const = 0;
    // "C:", or empty for relative and UNC paths.
    virtual CString GetDrive() const = 0;
    // The extension without its leading dot(s).
    virtual CString GetExtension() const = 0;
    // The upper-cased server of a UNC path, or empty.
    virtual CString GetServer() const = 0;

  protected:
    ~ISplitPath() = default;
};

class KITROSTER_API SplitPath : public ISplitPath {
  public:
    // Trims white space at both ends of `path` and decomposes it. A null path is empty.
    explicit SplitPath(const char* path);
    // Joins `folder` and the name and extension of `fileName` (any folder part of
    // `fileName` is ignored) with exactly one backslash; a file name alone when the folder
    // is empty or only separators. A null folder or file name leaves every part empty.
    SplitPath(const char* folder, const char* fileName);
    // As above with the file name built from `name` and `ext` (a dot is inserted unless
    // `ext` is empty or begins with one). A null `ext` means no extension.
    SplitPath(const char* folder, const char* name, const char* ext);
    virtual ~SplitPath();

    CString GetFullPath() const override { return m_fullPath; }
    CString GetFileName() const override { return m_fileName; }
    CString GetFolder() const override { return m_folder; }
    CString GetTitle() const override { return m_title; }
    CString GetDrive() const override { return m_drive; }
    CString GetExtension() const override;
    CString GetServer() const override;

    // True when the path names a server ("\\server\...", at least 9 characters).
    bool IsUNC() const;

    // True when the path is there. Only "not found" errors (file 2, path 3, network path
    // 53) count as absence; any other failure (access denied, ...) means it is there.
    bool exists() const;
    // The same test on the folder.
    bool pathExists() const;
    bool CanWrite() const;
    bool CanRead() const;
    bool CanReadWrite() const;

    // Clear / set the read-only attribute of a file. False for a missing path or a
    // folder; true when nothing needs changing.
    bool MakeWritable();
    bool MakeReadOnly();

    // Creates the folder with every missing parent. True when it exists afterwards (also
    // when the folder part is empty); false when a file stands where a folder should be.
    bool CreateFolder();

    // Last-write time (file time) and size of the file. The time is 0 when the file cannot
    // be opened, the size -1 when it cannot be read. Returns whether the file was opened.
    bool GetFileInfo(uint64_t& lastWriteTime, int64_t& size) const;

    // Creates or truncates the file (read/write, denying other writers) and closes it.
    bool CanCreate();

    // Renames the file to the file name of `newPath` in this path's folder (never replacing
    // an existing file). On success this object describes the new path; on failure it is
    // unchanged.
    bool RenameFile(const char* newPath);
    // Deletes the file; true when it was deleted.
    bool RemoveFile();

    // A numbered suffix is an underscore followed by 1 to 4 characters at the end of the
    // title (fewer for titles under 6 characters): "Settings_12" -> 12 and "Settings".
    bool HasNumberSuffix() const;
    // The leading digits after the underscore (0 when there are none), or -1.
    int GetNumberSuffix() const;
    // The title before the underscore, or empty.
    CString GetBaseName() const;

  protected:
    void _decompose(const CString& fullPath);
    void _join(const char* folder, const char* fileName);
    void _log() const;
    bool _exists(const CString& path, const char* operation) const;
    bool _createFolder(const CString& folder) const;
    bool _isFolderNow(const CString& folder, const kitroster::EnvStatus& created) const;
    int _suffixPosition() const;

  private:
    CString m_fullPath;
    CString m_folder;
    CString m_fileName;
    CString m_title;
    CString m_drive;
    CString m_ext;  // with its leading dot
    mutable CString m_server;
    mutable int32_t m_serverState = -1;     // -1 not computed, 0 none, 1 found
    mutable int32_t m_suffixPosition = -1;  // -1 not computed, 0 none
    kitroster::Env* m_env;
};
