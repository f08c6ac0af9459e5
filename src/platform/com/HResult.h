#pragma once
// Result codes: 0 and positive are success (S_FALSE is 1), negative are failure.
#include "platform/com/Types.h"

namespace quorin::com {

constexpr HRESULT MakeHResult(std::uint32_t bits) { return static_cast<HRESULT>(bits); }

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;

inline constexpr HRESULT E_NOTIMPL = MakeHResult(0x80004001u);
inline constexpr HRESULT E_NOINTERFACE = MakeHResult(0x80004002u);
inline constexpr HRESULT E_POINTER = MakeHResult(0x80004003u);
inline constexpr HRESULT E_ABORT = MakeHResult(0x80004004u);
inline constexpr HRESULT E_FAIL = MakeHResult(0x80004005u);
inline constexpr HRESULT E_UNEXPECTED = MakeHResult(0x8000FFFFu);
inline constexpr HRESULT E_ACCESSDENIED = MakeHResult(0x80070005u);
inline constexpr HRESULT E_OUTOFMEMORY = MakeHResult(0x8007000Eu);
inline constexpr HRESULT E_INVALIDARG = MakeHResult(0x80070057u);

inline constexpr HRESULT DISP_E_UNKNOWNINTERFACE = MakeHResult(0x80020001u);
inline constexpr HRESULT DISP_E_MEMBERNOTFOUND = MakeHResult(0x80020003u);
inline constexpr HRESULT DISP_E_PARAMNOTFOUND = MakeHResult(0x80020004u);
inline constexpr HRESULT DISP_E_TYPEMISMATCH = MakeHResult(0x80020005u);
inline constexpr HRESULT DISP_E_UNKNOWNNAME = MakeHResult(0x80020006u);
inline constexpr HRESULT DISP_E_BADVARTYPE = MakeHResult(0x80020008u);
inline constexpr HRESULT DISP_E_EXCEPTION = MakeHResult(0x80020009u);
inline constexpr HRESULT DISP_E_OVERFLOW = MakeHResult(0x8002000Au);
inline constexpr HRESULT DISP_E_BADPARAMCOUNT = MakeHResult(0x8002000Eu);

inline constexpr HRESULT CLASS_E_NOAGGREGATION = MakeHResult(0x80040110u);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = MakeHResult(0x80040111u);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = MakeHResult(0x80040154u);
inline constexpr HRESULT REGDB_E_READREGDB = MakeHResult(0x80040150u);
inline constexpr HRESULT CO_E_CLASSSTRING = MakeHResult(0x800401F3u);

inline constexpr HRESULT CONNECT_E_NOCONNECTION = MakeHResult(0x80040200u);
inline constexpr HRESULT CONNECT_E_ADVISELIMIT = MakeHResult(0x80040201u);
inline constexpr HRESULT CONNECT_E_CANNOTCONNECT = MakeHResult(0x80040202u);

inline constexpr HRESULT OLEOBJ_E_NOVERBS = MakeHResult(0x80040180u);
inline constexpr HRESULT OLEOBJ_S_INVALIDVERB = MakeHResult(0x00040181u);

constexpr bool Succeeded(HRESULT hr) { return hr >= 0; }
constexpr bool Failed(HRESULT hr) { return hr < 0; }

} // namespace quorin::com
