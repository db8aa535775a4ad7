#pragma once
// Result codes at every component and graph boundary: negative is a failure, S_OK (0) and
// S_FALSE (1) are successes. The numeric values are the customary ones, so codes read the
// same in logs, tests and error texts as everywhere else they are known.

#include <cstdint>
#include <string>

namespace vidlume {

using HRESULT = int32_t;
using ULONG = uint32_t;

constexpr HRESULT MakeHResult(uint32_t code) { return static_cast<HRESULT>(code); }

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_UNEXPECTED = MakeHResult(0x8000FFFF);
constexpr HRESULT E_NOINTERFACE = MakeHResult(0x80004002);
constexpr HRESULT E_POINTER = MakeHResult(0x80004003);
constexpr HRESULT E_ABORT = MakeHResult(0x80004004);
constexpr HRESULT E_FAIL = MakeHResult(0x80004005);
constexpr HRESULT E_ACCESSDENIED = MakeHResult(0x80070005);
constexpr HRESULT E_OUTOFMEMORY = MakeHResult(0x8007000E);
constexpr HRESULT E_INVALIDARG = MakeHResult(0x80070057);
constexpr HRESULT CLASS_E_NOAGGREGATION = MakeHResult(0x80040110);
constexpr HRESULT REGDB_E_CLASSNOTREG = MakeHResult(0x80040154);

// Operating-system error numbers, as returned by the settings key wrapper and folded into
// HRESULTs by HResultFromWin32.
enum Win32Error : long {
    ERROR_SUCCESS = 0,
    ERROR_FILE_NOT_FOUND = 2,
    ERROR_PATH_NOT_FOUND = 3,
    ERROR_ACCESS_DENIED = 5,
    ERROR_INVALID_HANDLE = 6,
    ERROR_INVALID_DATA = 13,
    ERROR_WRITE_FAULT = 29,
    ERROR_INVALID_PARAMETER = 87,
    ERROR_MORE_DATA = 234,
};

constexpr HRESULT HResultFromWin32(long error)
{
    return error <= 0 ? static_cast<HRESULT>(error)
                      : MakeHResult((static_cast<uint32_t>(error) & 0xFFFF) | 0x80070000u);
}

constexpr bool Succeeded(HRESULT hr) { return hr >= 0; }
constexpr bool Failed(HRESULT hr) { return hr < 0; }

// "0x80004005" - for error texts and test failure messages.
std::string HResultToString(HRESULT hr);

} // namespace vidlume

#define SUCCEEDED(hr) (::vidlume::Succeeded(hr))
#define FAILED(hr) (::vidlume::Failed(hr))
