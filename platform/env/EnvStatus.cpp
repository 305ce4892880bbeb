// The one place where errno values become Windows error codes.
#include "platform/env/EnvStatus.h"

#include <cerrno>
#include <cstring>

namespace kitroster {

uint32_t Win32ErrorFromErrno(int errnoValue) {
    switch (errnoValue) {
        case 0:
            return kErrorSuccess;
        case ENOENT:
            return kErrorFileNotFound;
        case ENOTDIR:
            return kErrorPathNotFound;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:  // opening or deleting a folder as a file
            return kErrorAccessDenied;
        case EBADF:
            return kErrorInvalidHandle;
        case ENOMEM:
            return kErrorNotEnoughMemory;
        case EXDEV:
            return kErrorNotSameDevice;
        case EBUSY:
        case ETXTBSY:
            return kErrorSharingViolation;
        case EAGAIN:
        case EDEADLK:
        case ENOLCK:
            return kErrorLockViolation;
        case EEXIST:
            return kErrorAlreadyExists;
        case EINVAL:
            return kErrorInvalidParameter;
        case ENOSPC:
        case EDQUOT:
            return kErrorDiskFull;
        case ENAMETOOLONG:
        case EILSEQ:
            return kErrorInvalidName;
        case ENOTEMPTY:
            return kErrorDirNotEmpty;
        case EFBIG:
            return kErrorFileTooLarge;
        case EIO:
            return kErrorIoDevice;
        case EMLINK:
            return kErrorTooManyLinks;
        case ELOOP:
            return kErrorCantResolveFilename;
        case ENETDOWN:
        case ENETUNREACH:
        case EHOSTDOWN:
        case EHOSTUNREACH:
        case ETIMEDOUT:
        case ECONNREFUSED:
            return kErrorBadNetPath;
        case ESTALE:
        case ECONNRESET:
        case ECONNABORTED:
            return kErrorUnexpectedNetError;
        default:
            return kErrorGenFailure;
    }
}

EnvStatus EnvStatus::Error(uint32_t error, int errnoValue, std::string message) {
    EnvStatus status;
    // A failure must never read as success, whatever the caller passed.
    status.m_error = error == kErrorSuccess ? kErrorGenFailure : error;
    status.m_errno = errnoValue;
    status.m_message = std::move(message);
    return status;
}

EnvStatus EnvStatus::FromErrno(int errnoValue, const std::string& context) {
    return Error(Win32ErrorFromErrno(errnoValue), errnoValue, context);
}

std::string EnvStatus::ToString() const {
    if (ok())
        return "OK";
    std::string text = m_message.empty() ? std::string("operation failed") : m_message;
    text += " (Windows error " + std::to_string(m_error);
    if (m_errno != 0) {
        char buffer[128];
        // GNU strerror_r returns the text, which may or may not be `buffer`.
        const char* reason = strerror_r(m_errno, buffer, sizeof buffer);
        text += ", errno " + std::to_string(m_errno) + ": " + reason;
    }
    text += ")";
    return text;
}

}  // namespace kitroster
