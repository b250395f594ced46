#pragma once
// The D3DX9 shader compiler as the engine calls it: HLSL in the Direct3D 9 dialect in, the device's
// shader code (a Plattform::ShaderBlob), messages and a constant table out. Our own declarations.

#include "plattform/d3d9typen/d3d9typen.h"

using ULONG = uint32_t;

struct IDirect3DDevice9;
// The include handler is accepted for the call's shape only: the engine preprocesses its shaders
// before compiling them, so an #include that reaches the compiler is reported as an error.
struct ID3DXInclude;

// A constant's handle: the address of the table's own record for it, or a constant's name.
using D3DXHANDLE = LPCSTR;

struct D3DXMACRO {
    LPCSTR Name;
    LPCSTR Definition;
};

// Flags are accepted and have no effect: code is always generated the same way.
constexpr DWORD D3DXSHADER_DEBUG = 1 << 0;
constexpr DWORD D3DXSHADER_SKIPOPTIMIZATION = 1 << 2;

enum D3DXREGISTER_SET : uint32_t {
    D3DXRS_BOOL = 0,
    D3DXRS_INT4 = 1,
    D3DXRS_FLOAT4 = 2,
    D3DXRS_SAMPLER = 3,
};

enum D3DXPARAMETER_CLASS : uint32_t {
    D3DXPC_SCALAR = 0,
    D3DXPC_VECTOR = 1,
    D3DXPC_MATRIX_ROWS = 2,
    D3DXPC_MATRIX_COLUMNS = 3,
    D3DXPC_OBJECT = 4,
    D3DXPC_STRUCT = 5,
};

enum D3DXPARAMETER_TYPE : uint32_t {
    D3DXPT_VOID = 0,
    D3DXPT_BOOL = 1,
    D3DXPT_INT = 2,
    D3DXPT_FLOAT = 3,
    D3DXPT_SAMPLER2D = 12,
    D3DXPT_SAMPLERCUBE = 14,
};

struct D3DXCONSTANTTABLE_DESC {
    LPCSTR Creator;
    DWORD Version;  // 0xFFFE0300 for vs_3_0, 0xFFFF0300 for ps_3_0
    UINT Constants; // top-level constants
};

struct D3DXCONSTANT_DESC {
    LPCSTR Name;
    D3DXREGISTER_SET RegisterSet;
    UINT RegisterIndex;
    UINT RegisterCount;
    D3DXPARAMETER_CLASS Class;
    D3DXPARAMETER_TYPE Type;
    UINT Rows;
    UINT Columns;
    UINT Elements;
    UINT StructMembers;
    UINT Bytes;
    LPCVOID DefaultValue; // always null: initial values of globals are not kept
};

// Reference counted as in COM: a new object has one reference, the last Release deletes it.
struct ID3DXBuffer {
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
    virtual LPVOID GetBufferPointer() = 0;
    virtual DWORD GetBufferSize() = 0;

protected:
    ~ID3DXBuffer() = default;
};

// The constants a compiled shader uses. A handle stays valid while the table lives; wherever a
// handle is asked for, a constant's name ("a", "a[2]", "a.b", "a[1].b") may be passed instead.
struct ID3DXConstantTable {
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
    virtual HRESULT GetDesc(D3DXCONSTANTTABLE_DESC* pDesc) = 0;
    // Fills at most *pCount descriptions (one per handle here) and sets *pCount to the number
    // written; pConstantDesc may be null to ask for the count only.
    virtual HRESULT GetConstantDesc(D3DXHANDLE hConstant, D3DXCONSTANT_DESC* pConstantDesc, UINT* pCount) = 0;
    // With a null parent the Index-th top-level constant, else the Index-th member of a structure
    // (of element 0 when the parent is an array of structures). Null when there is none.
    virtual D3DXHANDLE GetConstant(D3DXHANDLE hConstant, UINT Index) = 0;
    virtual D3DXHANDLE GetConstantByName(D3DXHANDLE hConstant, LPCSTR pName) = 0;
    virtual D3DXHANDLE GetConstantElement(D3DXHANDLE hConstant, UINT Index) = 0;

protected:
    ~ID3DXConstantTable() = default;
};

using LPD3DXBUFFER = ID3DXBuffer*;
using LPD3DXCONSTANTTABLE = ID3DXConstantTable*;

// A new buffer of NumBytes zero bytes, for text the caller writes itself.
HRESULT D3DXCreateBuffer(DWORD NumBytes, ID3DXBuffer** ppBuffer);

// Compiles HLSL for "vs_3_0" or "ps_3_0". Success gives D3D_OK, the code in *ppShader and, when
// asked for, the constant table; failure gives E_FAIL. *ppErrorMsgs, when asked for, receives the
// compiler's zero-terminated text (errors with their source line, or warnings) or null when there
// is nothing to say.
HRESULT D3DXCompileShader(LPCSTR pSrcData, UINT SrcDataLen, const D3DXMACRO* pDefines, ID3DXInclude* pInclude,
                          LPCSTR pFunctionName, LPCSTR pProfile, DWORD Flags, ID3DXBuffer** ppShader,
                          ID3DXBuffer** ppErrorMsgs, ID3DXConstantTable** ppConstantTable);

// The same for the contents of a file; messages name the file.
HRESULT D3DXCompileShaderFromFileA(LPCSTR pSrcFile, const D3DXMACRO* pDefines, ID3DXInclude* pInclude,
                                   LPCSTR pFunctionName, LPCSTR pProfile, DWORD Flags, ID3DXBuffer** ppShader,
                                   ID3DXBuffer** ppErrorMsgs, ID3DXConstantTable** ppConstantTable);

// "vs_3_0" and "ps_3_0" for every device (the layer's device is shader model 3); null without one.
LPCSTR D3DXGetVertexShaderProfile(IDirect3DDevice9* pDevice);
LPCSTR D3DXGetPixelShaderProfile(IDirect3DDevice9* pDevice);
