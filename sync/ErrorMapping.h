// The one place where system errors become HRESULT-style results.
//
// Env operations report Windows system error codes (EnvStatus::error, mapped from errno
// in platform/env); every step of the settings synchronisation turns them into results
// here, so a given failure has the same code whichever step met it.
#pragma once

#include "base/KitrosterExport.h"

#include <cstdint>

#include "platform/env/EnvStatus.h"
#include "sync/SyncResult.h"

namespace ZRSYNC {

// 0x80070000 | (error & 0xFFFF) for a non-zero system error; S_OK for 0.
KITROSTER_API HRESULT HResultFromWin32(uint32_t error);
// S_OK for a successful status, otherwise its system error as above; a failure without a
// system error code becomes E_UNEXPECTED.
KITROSTER_API HRESULT HResultFromEnv(const kitroster::EnvStatus& status);
// The system error of a failed status (0 when it succeeded), for the callers that keep a
// "last error" as the operating system would.
uint32_t LastErrorOf(const kitroster::EnvStatus& status);

}  // namespace ZRSYNC

namespace MANIFEST::FN {

// The result of a failed step. `systemError` is the last system error of the step (0 when
// none was reported). A non-zero error becomes its HRESULT and is logged at level 0x01
// with `text`; a zero error is logged at level 0x08 as "!!!NO FAULT!!!" and becomes
// E_UNEXPECTED.
HRESULT AssignFailedHRESULT(uint32_t systemError, const char* text);
// The same with the error taken from `status`.
HRESULT AssignFailedHRESULT(const kitroster::EnvStatus& status, const char* text);

}  // namespace MANIFEST::FN
