#include "common/SplitPath.h"

#include <algorithm>

#include "platform/app/KitrosterApp.h"
#include "platform/oxb_exception/ZRLogSite.h"

using kitroster::EnvStatus;

static CZRLogSite s_log("VIDEO_AVCOMMON");

namespace {

bool IsSeparator(char ch) {
    return ch == '\\' || ch == '/';
}

// The parts of a path as the Windows runtime's splitter returns them.
struct PathParts {
    CString drive;  // "X:" or empty
    CString dir;    // with its trailing separator, or empty
    CString name;
    CString ext;  // from the last dot of the name, or empty
};

// Splits like _splitpath: the drive when the second character is ':', the directory up to
// and including the last separator, and the extension from the last dot after it.
PathParts SplitParts(const CString& path) {
    PathParts parts;
    int pos = 0;
    if (path.GetLength() >= 2 && path[1] == ':') {
        parts.drive = path.Left(2);
        pos = 2;
    }
    int nameStart = pos;
    int dot = -1;
    for (int i = pos; i < path.GetLength(); ++i) {
        if (IsSeparator(path[i])) {
            nameStart = i + 1;
        } else if (path[i] == '.') {
            dot = i;
        }
    }
    parts.dir = path.Mid(pos, nameStart - pos);
    if (dot >= nameStart) {
        parts.name = path.Mid(nameStart, dot - nameStart);
        parts.ext = path.Mid(dot);
    } else {
        parts.name = path.Mid(nameStart);
    }
    return parts;
}

// Joins like _makepath: the drive letter and ':', the directory with a backslash added
// when it ends in neither separator, the name, and the extension with a dot inserted when
// it lacks one.
CString MakePath(const CString& drive, const CString& dir, const CString& name,
                 const CString& ext) {
    CString path;
    if (!drive.IsEmpty()) {
        path += drive[0];
        path += ':';
    }
    if (!dir.IsEmpty()) {
        path += dir;
        if (!IsSeparator(dir[dir.GetLength() - 1]))
            path += '\\';
    }
    path += name;
    if (!ext.IsEmpty() && ext[0] != '.')
        path += '.';
    path += ext;
    return path;
}

bool IsNotFound(uint32_t error) {
    return error == kitroster::kErrorFileNotFound || error == kitroster::kErrorPathNotFound ||
           error == kitroster::kErrorBadNetPath;
}

}  // namespace

SplitPath::SplitPath(const char* path) : m_env(GetKitrosterApp().GetEnv()) {
    CString full(path);
    full.Trim();
    _decompose(full);
    _log();
}

SplitPath::SplitPath(const char* folder, const char* fileName) : m_env(GetKitrosterApp().GetEnv()) {
    _join(folder, fileName);
    _log();
}

SplitPath::SplitPath(const char* folder, const char* name, const char* ext)
    : m_env(GetKitrosterApp().GetEnv()) {
    if (name) {
        const CString fileName = MakePath("", "", name, ext);
        _join(folder, fileName);
    }
    _log();
}

SplitPath::~SplitPath() = default;

void SplitPath::_decompose(const CString& fullPath) {
    const PathParts parts = SplitParts(fullPath);
    m_fullPath = fullPath;
    m_drive = parts.drive;
    m_folder = parts.drive + parts.dir;
    m_folder.TrimRight("\\/");
    m_title = parts.name;
    m_ext = parts.ext;
    m_fileName = parts.name + parts.ext;
    m_server.Empty();
    m_serverState = -1;
    m_suffixPosition = -1;
}

void SplitPath::_join(const char* folder, const char* fileName) {
    if (!folder || !fileName)
        return;
    const PathParts file = SplitParts(fileName);
    CString dir(folder);
    dir.TrimRight("\\/");
    if (!dir.IsEmpty())
        dir += '\\';
    const PathParts base = SplitParts(dir);
    _decompose(MakePath(base.drive, base.dir, file.name, file.ext));
}

void SplitPath::_log() const {
    ZR_LOG(s_log, ZRLOG_DETAIL, "SplitPath() drive(%s) docPath(%s) docName(%s) ext(%s) full(%s)\n",
           m_drive.GetString(), m_folder.GetString(), m_fileName.GetString(), m_ext.GetString(),
           m_fullPath.GetString());
}

CString SplitPath::GetExtension() const {
    CString ext = m_ext;
    ext.TrimLeft('.');
    return ext;
}

CString SplitPath::GetServer() const {
    if (m_serverState < 0) {
        m_serverState = 0;
        m_server.Empty();
        if (m_fullPath.GetLength() >= 9 && m_fullPath[0] == '\\' && m_fullPath[1] == '\\' &&
            m_fullPath[2] != '\\') {
            CString rest = m_fullPath;
            rest.TrimLeft('\\');
            const int end = rest.FindOneOf("\\/");
            CString server = end < 0 ? rest : rest.Left(end);
            if (!server.IsEmpty()) {
                m_server = server.MakeUpper();
                m_serverState = 1;
            }
        }
    }
    return m_server;
}

bool SplitPath::IsUNC() const {
    GetServer();
    return m_serverState == 1;
}

bool SplitPath::_exists(const CString& path, const char* operation) const {
    if (path.IsEmpty())
        return false;
    const EnvStatus status = m_env->Access(path.str(), kitroster::kAccessExists);
    if (status.ok())
        return true;
    if (!IsNotFound(status.error()))
        return true;  // there, but we may not look
    ZR_LOG(s_log, ZRLOG_INFO, "SplitPath::%s() GetLastError() is %lx, _doserrno is %lx", operation,
           static_cast<unsigned long>(status.error()),
           static_cast<unsigned long>(status.errnoValue()));
    return false;
}

bool SplitPath::exists() const {
    return _exists(m_fullPath, "exists");
}

bool SplitPath::pathExists() const {
    return _exists(m_folder, "pathExists");
}

bool SplitPath::CanWrite() const {
    return m_env->Access(m_fullPath.str(), kitroster::kAccessCanWrite).ok();
}

bool SplitPath::CanRead() const {
    return m_env->Access(m_fullPath.str(), kitroster::kAccessCanRead).ok();
}

bool SplitPath::CanReadWrite() const {
    return m_env->Access(m_fullPath.str(), kitroster::kAccessCanReadWrite).ok();
}

bool SplitPath::MakeWritable() {
    kitroster::FileInfo info;
    if (m_fullPath.IsEmpty() || !m_env->GetFileInfo(m_fullPath.str(), &info).ok())
        return false;
    if (info.isDirectory)
        return false;
    if (!info.readOnly)
        return true;
    return m_env->SetReadOnly(m_fullPath.str(), false).ok();
}

bool SplitPath::MakeReadOnly() {
    kitroster::FileInfo info;
    if (m_fullPath.IsEmpty() || !m_env->GetFileInfo(m_fullPath.str(), &info).ok())
        return false;
    if (info.isDirectory)
        return false;
    if (info.readOnly)
        return true;
    return m_env->SetReadOnly(m_fullPath.str(), true).ok();
}

bool SplitPath::CreateFolder() {
    if (m_folder.IsEmpty())
        return true;
    return _createFolder(m_folder);
}

bool SplitPath::_createFolder(const CString& folder) const {
    EnvStatus status = m_env->CreateDirectory(folder.str());
    if (_isFolderNow(folder, status))
        return true;
    if (status.error() == kitroster::kErrorPathNotFound) {
        const int split = std::max(folder.ReverseFind('\\'), folder.ReverseFind('/'));
        if (split <= 0 || !_createFolder(folder.Left(split)))
            return false;
        status = m_env->CreateDirectory(folder.str());
        if (_isFolderNow(folder, status))
            return true;
    }
    ZR_LOG(s_log, ZRLOG_FAILURE, "Failed to create directory '%s' - error code: %ld",
           folder.GetString(), static_cast<long>(status.error()));
    return false;
}

bool SplitPath::_isFolderNow(const CString& folder, const EnvStatus& created) const {
    if (created.ok())
        return true;
    if (created.error() != kitroster::kErrorAlreadyExists)
        return false;
    // "Already exists" is success only for a folder: a file of that name would make every
    // later write into the folder fail. When the check itself fails, trust the error.
    kitroster::FileInfo info;
    return !m_env->GetFileInfo(folder.str(), &info).ok() || info.isDirectory;
}

bool SplitPath::GetFileInfo(uint64_t& lastWriteTime, int64_t& size) const {
    lastWriteTime = 0;
    size = -1;
    kitroster::OpenOptions options;
    options.access = kitroster::kAccessNone;
    options.share = kitroster::kShareRead | kitroster::kShareWrite;
    options.disposition = kitroster::FileDisposition::kOpenExisting;
    std::unique_ptr<kitroster::IFile> file;
    if (m_fullPath.IsEmpty() || !m_env->OpenFile(m_fullPath.str(), options, &file).ok()) {
        return false;
    }
    uint64_t bytes = 0;
    if (file->GetSize(&bytes).ok())
        size = static_cast<int64_t>(bytes);
    kitroster::FileInfo info;
    if (m_env->GetFileInfo(m_fullPath.str(), &info).ok())
        lastWriteTime = info.lastWriteTime;
    file->Close();
    return true;
}

bool SplitPath::CanCreate() {
    kitroster::OpenOptions options;
    options.access = kitroster::kAccessRead | kitroster::kAccessWrite;
    options.share = kitroster::kShareRead;
    options.disposition = kitroster::FileDisposition::kCreateAlways;
    std::unique_ptr<kitroster::IFile> file;
    if (m_fullPath.IsEmpty() || !m_env->OpenFile(m_fullPath.str(), options, &file).ok()) {
        return false;
    }
    file->Close();
    return true;
}

bool SplitPath::RenameFile(const char* newPath) {
    const SplitPath target(m_folder, SplitPath(newPath).GetFileName());
    if (m_fullPath.IsEmpty() || target.GetFileName().IsEmpty())
        return false;
    if (!m_env->MoveFile(m_fullPath.str(), target.GetFullPath().str(), false).ok())
        return false;
    *this = target;
    return true;
}

bool SplitPath::RemoveFile() {
    return !m_fullPath.IsEmpty() && m_env->DeleteFile(m_fullPath.str()).ok();
}

int SplitPath::_suffixPosition() const {
    if (m_suffixPosition < 0) {
        m_suffixPosition = 0;
        const int length = m_title.GetLength();
        if (length >= 3) {
            const int start = length >= 6 ? length - 5 : 1;
            const int underscore = m_title.ReverseFind('_');
            if (underscore >= start && underscore <= length - 2)
                m_suffixPosition = underscore;
        }
    }
    return m_suffixPosition;
}

bool SplitPath::HasNumberSuffix() const {
    return _suffixPosition() > 0;
}

int SplitPath::GetNumberSuffix() const {
    const int position = _suffixPosition();
    if (position <= 0)
        return -1;
    int value = 0;
    for (int i = position + 1; i < m_title.GetLength() && m_title[i] >= '0' && m_title[i] <= '9';
         ++i) {
        value = value * 10 + (m_title[i] - '0');
    }
    return value;
}

CString SplitPath::GetBaseName() const {
    const int position = _suffixPosition();
    return position > 0 ? m_title.Left(position) : CString();
}
