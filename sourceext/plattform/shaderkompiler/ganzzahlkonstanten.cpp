#include "plattform/shaderkompiler/ganzzahlkonstanten.h"

#include <spirv_cross/spirv.hpp>

#include <algorithm>
#include <cstring>
#include <set>

namespace Plattform {

namespace {

constexpr size_t kKopfWorte = 5;
constexpr size_t kSchranke = 3; // the header word with the id bound

struct Befehl {
    size_t pos;
    uint32_t op;
    uint32_t laenge;
};

// The rewriting works on one module: its instructions, what they declare, and what it adds.
struct Modul {
    explicit Modul(std::vector<uint32_t>& spirv) : worte(spirv), schranke(spirv[kSchranke]) {}

    std::vector<uint32_t>& worte;
    std::vector<Befehl> befehle;
    std::map<uint32_t, size_t> deklaration;             // id -> index of the instruction that declares it
    std::vector<uint32_t> neueTypen;                    // declared right before the block's structure
    std::map<size_t, std::vector<uint32_t>> nachBefehl; // more instructions after an instruction
    uint32_t schranke;
    size_t blockIndex = 0;

    uint32_t Wort(size_t befehl, size_t i) const { return worte[befehle[befehl].pos + i]; }
    const Befehl* Deklaration(uint32_t id) const {
        const auto it = deklaration.find(id);
        return it != deklaration.end() ? &befehle[it->second] : nullptr;
    }
    uint32_t Op(uint32_t id) const {
        const Befehl* b = Deklaration(id);
        return b != nullptr ? b->op : 0;
    }
    uint32_t Operand(uint32_t id, size_t i) const { return worte[Deklaration(id)->pos + i]; }
    uint32_t NeueId() { return schranke++; }
    void Neu(std::vector<uint32_t>& ziel, spv::Op op, std::initializer_list<uint32_t> operanden) {
        ziel.push_back(uint32_t(operanden.size() + 1) << 16 | op);
        ziel.insert(ziel.end(), operanden);
    }

    std::map<uint32_t, uint32_t> floatFuer; // int type -> float type of the same shape
    std::map<uint32_t, uint32_t> zeigerAuf; // float type -> pointer to it in uniform storage
    uint32_t floatTyp = 0;
};

bool Zerlege(Modul& m) {
    for (size_t pos = kKopfWorte; pos < m.worte.size();) {
        const uint32_t laenge = m.worte[pos] >> 16;
        if (laenge == 0 || pos + laenge > m.worte.size()) {
            return false;
        }
        const uint32_t op = m.worte[pos] & 0xFFFF;
        m.befehle.push_back({pos, op, laenge});
        const bool mitTyp = op == spv::OpConstant || op == spv::OpVariable || op == spv::OpAccessChain ||
                            op == spv::OpInBoundsAccessChain;
        const bool typ = op == spv::OpTypeInt || op == spv::OpTypeFloat || op == spv::OpTypeVector ||
                         op == spv::OpTypeArray || op == spv::OpTypeStruct || op == spv::OpTypePointer;
        if (typ && laenge > 1) {
            m.deklaration[m.worte[pos + 1]] = m.befehle.size() - 1;
        } else if (mitTyp && laenge > 2) {
            m.deklaration[m.worte[pos + 2]] = m.befehle.size() - 1;
        }
        pos += laenge;
    }
    return true;
}

// The name of an OpName, whose text starts at its second operand.
bool HeisstSo(const Modul& m, size_t befehl, const char* name) {
    const Befehl& b = m.befehle[befehl];
    const size_t bytes = (b.laenge - 2) * 4;
    const char* text = reinterpret_cast<const char*>(&m.worte[b.pos + 2]);
    return std::strlen(name) < bytes && std::strncmp(text, name, bytes) == 0;
}

// 1 for int, 2 for uint, 0 for anything else; scalars and vectors.
int Ganzzahl(const Modul& m, uint32_t typ) {
    if (m.Op(typ) == spv::OpTypeVector) {
        typ = m.Operand(typ, 2);
    }
    if (m.Op(typ) != spv::OpTypeInt || m.Operand(typ, 2) != 32) {
        return 0;
    }
    return m.Operand(typ, 3) != 0 ? 1 : 2;
}

uint32_t FloatTyp(Modul& m, uint32_t typ) {
    if (const auto it = m.floatFuer.find(typ); it != m.floatFuer.end()) {
        return it->second;
    }
    uint32_t neu = 0;
    if (m.Op(typ) == spv::OpTypeInt) {
        if (m.floatTyp == 0) {
            m.floatTyp = m.NeueId();
            m.Neu(m.neueTypen, spv::OpTypeFloat, {m.floatTyp, 32});
        }
        neu = m.floatTyp;
    } else if (m.Op(typ) == spv::OpTypeVector) {
        const uint32_t komponente = FloatTyp(m, m.Operand(typ, 2));
        neu = m.NeueId();
        m.Neu(m.neueTypen, spv::OpTypeVector, {neu, komponente, m.Operand(typ, 3)});
    } else {
        const uint32_t element = FloatTyp(m, m.Operand(typ, 2));
        neu = m.NeueId();
        m.Neu(m.neueTypen, spv::OpTypeArray, {neu, element, m.Operand(typ, 3)});
        // The array's stride goes with it.
        for (size_t i = 0; i < m.befehle.size(); ++i) {
            if (m.befehle[i].op == spv::OpDecorate && m.Wort(i, 1) == typ &&
                m.Wort(i, 2) == spv::DecorationArrayStride) {
                m.Neu(m.nachBefehl[i], spv::OpDecorate, {neu, spv::DecorationArrayStride, m.Wort(i, 3)});
            }
        }
    }
    m.floatFuer[typ] = neu;
    return neu;
}

uint32_t ZeigerAuf(Modul& m, uint32_t typ) {
    if (const auto it = m.zeigerAuf.find(typ); it != m.zeigerAuf.end()) {
        return it->second;
    }
    const uint32_t neu = m.NeueId();
    m.Neu(m.neueTypen, spv::OpTypePointer, {neu, spv::StorageClassUniform, typ});
    m.zeigerAuf[typ] = neu;
    return neu;
}

// What a load through a rewritten access chain becomes: its float type and its integer kind.
struct Kette {
    uint32_t ganzTyp;
    uint32_t floatTyp;
    int art;
};

// The operands of an instruction that may name an id; literals are left out where they sit in
// the instructions a shader body uses.
bool NenntId(const Modul& m, size_t befehl, const std::set<uint32_t>& ids) {
    const Befehl& b = m.befehle[befehl];
    size_t ende = b.laenge;
    switch (b.op) {
    case spv::OpExtInst:
        return std::any_of(&m.worte[b.pos + 5], &m.worte[b.pos + b.laenge],
                           [&](uint32_t w) { return ids.count(w); });
    case spv::OpCompositeExtract:
        ende = 4;
        break;
    case spv::OpVectorShuffle:
        ende = 5;
        break;
    case spv::OpLine:
    case spv::OpSelectionMerge:
    case spv::OpLoopMerge:
    case spv::OpName:
    case spv::OpMemberName:
    case spv::OpDecorate:
    case spv::OpMemberDecorate:
        return false;
    default:
        break;
    }
    return std::any_of(&m.worte[b.pos + 1], &m.worte[b.pos + ende], [&](uint32_t w) { return ids.count(w); });
}

// The id of the structure named "$Global", or 0.
uint32_t GlobalerBlock(const Modul& m) {
    uint32_t block = 0;
    for (size_t i = 0; i < m.befehle.size() && block == 0; ++i) {
        if (m.befehle[i].op == spv::OpName && HeisstSo(m, i, "$Global")) {
            block = m.Wort(i, 1);
        }
    }
    return block;
}

// A 32-bit float type declared before the block, which the new types can reuse; else 0.
uint32_t VorhandenerFloatTyp(const Modul& m) {
    for (size_t i = 0; i < m.blockIndex; ++i) {
        if (m.befehle[i].op == spv::OpTypeFloat && m.Wort(i, 2) == 32) {
            return m.Wort(i, 1);
        }
    }
    return 0;
}

// The members to rewrite: int or uint scalars and vectors, and arrays of them. Returns member
// index -> float type, and enters each member's type for the constant table.
std::map<uint32_t, uint32_t> WaehleGlieder(Modul& m, std::map<uint32_t, D3DXPARAMETER_TYPE>& typen) {
    const Befehl& struktur = m.befehle[m.blockIndex];
    std::map<uint32_t, uint32_t> neuerTyp;
    for (uint32_t i = 0; i + 2 < struktur.laenge; ++i) {
        const uint32_t typ = m.worte[struktur.pos + 2 + i];
        const uint32_t element = m.Op(typ) == spv::OpTypeArray ? m.Operand(typ, 2) : typ;
        if (const int art = Ganzzahl(m, element)) {
            typen[i] = art == 1 ? D3DXPT_INT : D3DXPT_BOOL;
            neuerTyp[i] = FloatTyp(m, typ);
        }
    }
    return neuerTyp;
}

// The variables of the block's type: the pointers every access chain into it starts from.
std::set<uint32_t> BlockVariablen(const Modul& m, uint32_t block) {
    std::set<uint32_t> variablen;
    for (size_t i = 0; i < m.befehle.size(); ++i) {
        if (m.befehle[i].op == spv::OpVariable && m.Op(m.Wort(i, 1)) == spv::OpTypePointer &&
            m.Operand(m.Wort(i, 1), 3) == block) {
            variablen.insert(m.Wort(i, 2));
        }
    }
    return variablen;
}

// Access chains into the rewritten members, by result id.
struct Ketten {
    std::map<uint32_t, Kette> nachId;
    std::set<uint32_t> ids;
};

// Access chains into the rewritten members point at floats now.
bool BiegeKettenUm(Modul& m, const std::set<uint32_t>& variablen,
                   const std::map<uint32_t, uint32_t>& neuerTyp, Ketten& ketten, std::string& fehler) {
    for (size_t i = 0; i < m.befehle.size(); ++i) {
        const Befehl& b = m.befehle[i];
        if ((b.op != spv::OpAccessChain && b.op != spv::OpInBoundsAccessChain) || b.laenge < 5 ||
            !variablen.count(m.Wort(i, 3))) {
            continue;
        }
        // A structure's member is always chosen by a constant.
        const uint32_t index = m.Wort(i, 4);
        if (m.Op(index) != spv::OpConstant || !neuerTyp.count(m.Operand(index, 3))) {
            continue;
        }
        const uint32_t ziel = m.Operand(m.Wort(i, 1), 3);
        const int art = Ganzzahl(m, ziel);
        if (art == 0) {
            fehler = "an int or bool array constant is used whole; index its elements";
            return false;
        }
        const uint32_t floatTyp = FloatTyp(m, ziel);
        m.worte[b.pos + 1] = ZeigerAuf(m, floatTyp);
        ketten.nachId[m.Wort(i, 2)] = {ziel, floatTyp, art};
        ketten.ids.insert(m.Wort(i, 2));
    }
    return true;
}

// Every load through them reads a float and converts it to what the shader computes with. Any
// other use of a chain is refused.
bool WandleLadungen(Modul& m, const Ketten& ketten, std::string& fehler) {
    for (size_t i = 0; i < m.befehle.size(); ++i) {
        const Befehl& b = m.befehle[i];
        const bool kette = b.op == spv::OpAccessChain || b.op == spv::OpInBoundsAccessChain;
        if (b.op == spv::OpLoad && b.laenge >= 4 && ketten.nachId.count(m.Wort(i, 3))) {
            const Kette& k = ketten.nachId.at(m.Wort(i, 3));
            const uint32_t ergebnis = m.Wort(i, 2);
            const uint32_t zwischen = m.NeueId();
            m.worte[b.pos + 1] = k.floatTyp;
            m.worte[b.pos + 2] = zwischen;
            m.Neu(m.nachBefehl[i], k.art == 1 ? spv::OpConvertFToS : spv::OpConvertFToU,
                  {k.ganzTyp, ergebnis, zwischen});
        } else if (!(b.laenge > 2 && ketten.ids.count(m.Wort(i, 2)) && kette) && NenntId(m, i, ketten.ids)) {
            fehler = "an int or bool constant is used other than by reading it";
            return false;
        }
    }
    return true;
}

// The module again: the new types right before the block, the block with its float members, and
// the instructions added after theirs.
std::vector<uint32_t> SetzeZusammen(const Modul& m, const std::map<uint32_t, uint32_t>& neuerTyp) {
    std::vector<uint32_t> neu(m.worte.begin(), m.worte.begin() + kKopfWorte);
    for (size_t i = 0; i < m.befehle.size(); ++i) {
        if (i == m.blockIndex) {
            neu.insert(neu.end(), m.neueTypen.begin(), m.neueTypen.end());
        }
        const size_t anfang = neu.size();
        neu.insert(neu.end(), m.worte.begin() + long(m.befehle[i].pos),
                   m.worte.begin() + long(m.befehle[i].pos + m.befehle[i].laenge));
        if (i == m.blockIndex) {
            for (const auto& [glied, typ] : neuerTyp) {
                neu[anfang + 2 + glied] = typ;
            }
        }
        if (const auto it = m.nachBefehl.find(i); it != m.nachBefehl.end()) {
            neu.insert(neu.end(), it->second.begin(), it->second.end());
        }
    }
    neu[kSchranke] = m.schranke;
    return neu;
}

} // namespace

bool GanzzahlenAlsFloat(std::vector<uint32_t>& spirv, std::map<uint32_t, D3DXPARAMETER_TYPE>& typen,
                        std::string& fehler) {
    if (spirv.size() <= kKopfWorte) {
        return true;
    }
    Modul m(spirv);
    if (!Zerlege(m)) {
        fehler = "malformed SPIR-V";
        return false;
    }
    const uint32_t block = GlobalerBlock(m);
    if (m.Op(block) != spv::OpTypeStruct) {
        return true;
    }
    m.blockIndex = m.deklaration[block];
    m.floatTyp = VorhandenerFloatTyp(m);
    const std::map<uint32_t, uint32_t> neuerTyp = WaehleGlieder(m, typen);
    if (neuerTyp.empty()) {
        return true;
    }
    Ketten ketten;
    if (!BiegeKettenUm(m, BlockVariablen(m, block), neuerTyp, ketten, fehler) ||
        !WandleLadungen(m, ketten, fehler)) {
        return false;
    }
    spirv = SetzeZusammen(m, neuerTyp);
    return true;
}

} // namespace Plattform
