#include "plattform/shaderkompiler/registeranordnung.h"

#include <algorithm>

namespace Plattform {

namespace {

using spirv_cross::CompilerGLSL;
using spirv_cross::SPIRType;

constexpr uint32_t kRegisterBytes = 16;

const SPIRType& ElementTyp(const CompilerGLSL& c, const SPIRType& typ) {
    return typ.array.empty() ? typ : c.get_type(typ.parent_type);
}

uint32_t StrukturRegister(const CompilerGLSL& c, uint32_t strukturId) {
    uint32_t summe = 0;
    for (uint32_t i = 0; i < c.get_type(strukturId).member_types.size(); ++i) {
        summe += MitgliedRegister(c, strukturId, i);
    }
    return summe;
}

// Registers of one element: a matrix stored by columns in Direct3D 9 terms (RowMajor in SPIR-V,
// where glslang turns HLSL rows into columns) takes one per column, else one per row.
uint32_t ElementRegister(const CompilerGLSL& c, const SPIRType& element, bool spirvZeilenweise) {
    if (element.basetype == SPIRType::Struct) {
        return StrukturRegister(c, element.self);
    }
    if (element.columns > 1) {
        return spirvZeilenweise ? element.vecsize : element.columns;
    }
    return 1;
}

} // namespace

bool IstRegisterTyp(const CompilerGLSL& c, const SPIRType& typ) {
    if (typ.array.size() > 1 || (typ.array.size() == 1 && !typ.array_size_literal[0])) {
        return false;
    }
    if (typ.basetype != SPIRType::Struct) {
        return typ.basetype == SPIRType::Float && typ.width == 32;
    }
    return std::all_of(typ.member_types.begin(), typ.member_types.end(),
                       [&](uint32_t id) { return IstRegisterTyp(c, c.get_type(id)); });
}

uint32_t MitgliedRegister(const CompilerGLSL& c, uint32_t strukturId, uint32_t index) {
    const SPIRType& typ = c.get_type(c.get_type(strukturId).member_types[index]);
    const bool zeilenweise = c.has_member_decoration(strukturId, index, spv::DecorationRowMajor);
    const uint32_t jeElement = ElementRegister(c, ElementTyp(c, typ), zeilenweise);
    return typ.array.empty() ? jeElement : jeElement * typ.array[0];
}

void LegeStrukturAus(CompilerGLSL& c, uint32_t strukturId) {
    uint32_t register_ = 0;
    const uint32_t anzahl = uint32_t(c.get_type(strukturId).member_types.size());
    for (uint32_t i = 0; i < anzahl; ++i) {
        const uint32_t typId = c.get_type(strukturId).member_types[i];
        const SPIRType& typ = c.get_type(typId);
        const SPIRType& element = ElementTyp(c, typ);
        c.set_member_decoration(strukturId, i, spv::DecorationOffset, register_ * kRegisterBytes);
        if (element.basetype == SPIRType::Struct) {
            LegeStrukturAus(c, element.self);
        } else if (element.columns > 1) {
            c.set_member_decoration(strukturId, i, spv::DecorationMatrixStride, kRegisterBytes);
        }
        if (!typ.array.empty()) {
            const bool zeilenweise = c.has_member_decoration(strukturId, i, spv::DecorationRowMajor);
            c.set_decoration(typId, spv::DecorationArrayStride,
                             ElementRegister(c, element, zeilenweise) * kRegisterBytes);
        }
        register_ += MitgliedRegister(c, strukturId, i);
    }
}

KonstantenBeschreibung BeschreibeMitglied(const CompilerGLSL& c, uint32_t strukturId, uint32_t index,
                                          uint32_t basisRegister) {
    const SPIRType& typ = c.get_type(c.get_type(strukturId).member_types[index]);
    const SPIRType& element = ElementTyp(c, typ);
    const bool zeilenweise = c.has_member_decoration(strukturId, index, spv::DecorationRowMajor);
    KonstantenBeschreibung k;
    k.name = c.get_member_name(strukturId, index);
    k.registerIndex =
        basisRegister + c.get_member_decoration(strukturId, index, spv::DecorationOffset) / kRegisterBytes;
    k.registerAnzahl = MitgliedRegister(c, strukturId, index);
    k.elemente = typ.array.empty() ? 1 : typ.array[0];
    if (element.basetype == SPIRType::Struct) {
        k.klasse = D3DXPC_STRUCT;
        k.typ = D3DXPT_VOID;
        k.spalten = 0;
        for (uint32_t m = 0; m < element.member_types.size(); ++m) {
            k.mitglieder.push_back(BeschreibeMitglied(c, element.self, m, k.registerIndex));
            const KonstantenBeschreibung& mitglied = k.mitglieder.back();
            k.spalten += mitglied.zeilen * mitglied.spalten * mitglied.elemente;
        }
    } else if (element.columns > 1) {
        k.klasse = zeilenweise ? D3DXPC_MATRIX_COLUMNS : D3DXPC_MATRIX_ROWS;
        k.zeilen = element.columns;
        k.spalten = element.vecsize;
    } else {
        k.klasse = element.vecsize > 1 ? D3DXPC_VECTOR : D3DXPC_SCALAR;
        k.spalten = element.vecsize;
    }
    return k;
}

} // namespace Plattform
