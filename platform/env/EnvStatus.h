// EnvStatus: the result of an Env operation, as a Windows system error code.
//
// Thread-safety: a value type; distinct objects may be used from different threads.
#pragma once

#include <cstdint>
#include <string>

// Names of the KrEnv library that other libraries and tests may use.
#define KR_ENV_API __attribute__((visibility("default")))

namespace kitroster {

// Windows system error codes that callers test for.
constexpr uint32_t kErrorSuccess = 0;
constexpr uint32_t kErrorInvalidFunction = 1;
constexpr uint32_t kErrorFileNotFound = 2;
constexpr uint32_t kErrorPathNotFound = 3;
constexpr uint32_t kErrorAccessDenied = 5;
constexpr uint32_t kErrorInvalidHandle = 6;
constexpr uint32_t kErrorNotEnoughMemory = 8;
constexpr uint32_t kErrorWriteFault = 29;
constexpr uint32_t kErrorReadFault = 30;
constexpr uint32_t kErrorSharingViolation = 32;
constexpr uint32_t kErrorNotSameDevice = 17;
constexpr uint32_t kErrorGenFailure = 31;
constexpr uint32_t kErrorLockViolation = 33;
constexpr uint32_t kErrorHandleDiskFull = 39;
constexpr uint32_t kErrorNotSupported = 50;
constexpr uint32_t kErrorBadNetPath = 53;
constexpr uint32_t kErrorUnexpectedNetError = 59;
constexpr uint32_t kErrorFileExists = 80;
constexpr uint32_t kErrorInvalidParameter = 87;
constexpr uint32_t kErrorDiskFull = 112;
constexpr uint32_t kErrorInvalidName = 123;
constexpr uint32_t kErrorDirNotEmpty = 145;
constexpr uint32_t kErrorAlreadyExists = 183;
constexpr uint32_t kErrorFileTooLarge = 223;
constexpr uint32_t kErrorDirectory = 267;  // "the directory name is invalid": not a folder
constexpr uint32_t kErrorIoDevice = 1117;
constexpr uint32_t kErrorTooManyLinks = 1142;
constexpr uint32_t kErrorCantResolveFilename = 1921;

class KR_ENV_API EnvStatus {
  public:
    EnvStatus() = default;
    static EnvStatus Ok() { return EnvStatus(); }
    // A failure with a Windows error code, the errno behind it (0 when none) and a
    // message that names the file involved.
    static EnvStatus Error(uint32_t error, int errnoValue, std::string message);
    // A failure from errno, mapped to the nearest Windows error code (Win32ErrorFromErrno).
    // `context` names the operation and the file, e.g. "open C:\data\x.zrr".
    static EnvStatus FromErrno(int errnoValue, const std::string& context);

    bool ok() const { return m_error == kErrorSuccess; }
    uint32_t error() const { return m_error; }
    int errnoValue() const { return m_errno; }
    const std::string& message() const { return m_message; }
    // "OK", or the message followed by the Windows error and the errno text.
    std::string ToString() const;

  private:
    uint32_t m_error = kErrorSuccess;
    int m_errno = 0;
    std::string m_message;
};

// The Windows error code nearest to an errno value. ENOENT maps to kErrorFileNotFound;
// callers that know the missing piece is a folder use kErrorPathNotFound instead (the
// POSIX Env does). EEXIST maps to kErrorAlreadyExists; creating a file that exists is
// kErrorFileExists, which the POSIX Env chooses itself. Unknown values map to
// kErrorGenFailure.
KR_ENV_API uint32_t Win32ErrorFromErrno(int errnoValue);

}  // namespace kitroster
