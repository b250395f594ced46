#pragma once
// The basic types and result codes that the Direct3D 9 and D3DX9 interfaces are written in.
// Our own declarations, shared by the graphics layer and the shader compiler.

#include <cstdint>

using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using UINT = uint32_t;
using INT = int32_t;
using BOOL = int32_t;
using FLOAT = float;
using LONG = int32_t;
using ULONG = uint32_t;
using HRESULT = int32_t;
using LPCSTR = const char*;
using LPSTR = char*;
using LPVOID = void*;
using LPCVOID = const void*;

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;

constexpr HRESULT S_OK = 0;
constexpr HRESULT D3D_OK = 0;
constexpr HRESULT E_FAIL = HRESULT(0x80004005u);
constexpr HRESULT E_OUTOFMEMORY = HRESULT(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = HRESULT(0x80070057u);

// Direct3D 9's own results (facility 0x876).
constexpr HRESULT D3DERR_OUTOFVIDEOMEMORY = HRESULT(0x8876017Cu);
constexpr HRESULT D3DERR_WRONGTEXTUREFORMAT = HRESULT(0x88760818u);
constexpr HRESULT D3DERR_NOTFOUND = HRESULT(0x88760866u);
constexpr HRESULT D3DERR_MOREDATA = HRESULT(0x88760867u);
constexpr HRESULT D3DERR_DEVICELOST = HRESULT(0x88760868u);
constexpr HRESULT D3DERR_DEVICENOTRESET = HRESULT(0x88760869u);
constexpr HRESULT D3DERR_NOTAVAILABLE = HRESULT(0x8876086Au);
constexpr HRESULT D3DERR_INVALIDCALL = HRESULT(0x8876086Cu);

constexpr bool SUCCEEDED(HRESULT h) {
    return h >= 0;
}
constexpr bool FAILED(HRESULT h) {
    return h < 0;
}

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};

struct POINT {
    LONG x;
    LONG y;
};

// The window a device presents to: the GLFW window the screen opened without a client API.
struct GLFWwindow;
using HWND = GLFWwindow*;

// Reference counting of every interface object. Release frees the object at zero; objects are
// never deleted any other way, hence the protected destructor.
struct IUnknown {
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    virtual ~IUnknown() = default;
};
