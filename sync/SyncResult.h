// HRESULT-style result codes of the settings synchronisation support.
//
// A result is a signed 32-bit value: negative values are failures, 0 is S_OK and other
// non-negative values are successes that carry a meaning (S_FALSE "nothing stored").
#pragma once

#include <cstdint>

using HRESULT = int32_t;

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFF);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003);
constexpr HRESULT E_ABORT = static_cast<HRESULT>(0x80004004);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005);
constexpr HRESULT E_ACCESSDENIED = static_cast<HRESULT>(0x80070005);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057);
constexpr HRESULT HRESULT_FILE_NOT_FOUND = static_cast<HRESULT>(0x80070002);
constexpr HRESULT HRESULT_PATH_NOT_FOUND = static_cast<HRESULT>(0x80070003);
constexpr HRESULT HRESULT_SHARING_VIOLATION = static_cast<HRESULT>(0x80070020);

// Manifest results.
constexpr HRESULT ZRSYNC_E_INVALID_HEADER = static_cast<HRESULT>(0x80041001);
constexpr HRESULT ZRSYNC_E_CORRUPT_DATA = static_cast<HRESULT>(0x80041002);
// Configurator and share access results.
constexpr HRESULT ZRSYNC_E_CREATE_DIRECTORY = static_cast<HRESULT>(0x80041008);
constexpr HRESULT ZRSYNC_E_NOT_UNC = static_cast<HRESULT>(0x8004100A);
constexpr HRESULT ZRSYNC_E_SERVER_IS_LOCAL = static_cast<HRESULT>(0x8004100D);
// The server clock is outside the thresholds (a success code, so later tests still run).
constexpr HRESULT ZRSYNC_S_CLOCK_OUT_OF_RANGE = 0x3EB;

inline bool SUCCEEDED(HRESULT hr) {
    return hr >= 0;
}
inline bool FAILED(HRESULT hr) {
    return hr < 0;
}
