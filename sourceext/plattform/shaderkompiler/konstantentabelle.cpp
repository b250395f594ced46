#include "plattform/shaderkompiler/konstantentabelle.h"

#include "plattform/shaderkompiler/gezaehlt.h"

#include <cstdlib>
#include <cstring>
#include <deque>
#include <unordered_set>

namespace Plattform {

namespace {

constexpr DWORD kVertexVersion = 0xFFFE0300;
constexpr DWORD kPixelVersion = 0xFFFF0300;
constexpr const char* kErzeuger = "Velm HLSL compiler (glslang, SPIRV-Cross)";

struct Knoten {
    std::string name;
    D3DXCONSTANT_DESC beschreibung{};
    // Members of a structure; for an array of structures those of element 0.
    std::vector<const Knoten*> mitglieder;
    // Elements of an array, each with its own members.
    std::vector<const Knoten*> elemente;
};

uint32_t Bytes(const KonstantenBeschreibung& k) {
    return k.registerSatz == D3DXRS_SAMPLER ? 4 : 4 * k.zeilen * k.spalten * k.elemente;
}

class Konstantentabelle final : public Gezaehlt<ID3DXConstantTable> {
public:
    Konstantentabelle(const std::vector<KonstantenBeschreibung>& konstanten, ShaderStufe stufe)
        : mVersion(stufe == kStufePixel ? kPixelVersion : kVertexVersion) {
        for (const KonstantenBeschreibung& k : konstanten) {
            mOben.push_back(Baue(k, 0));
        }
    }

    HRESULT GetDesc(D3DXCONSTANTTABLE_DESC* desc) override {
        if (desc == nullptr) {
            return E_INVALIDARG;
        }
        desc->Creator = kErzeuger;
        desc->Version = mVersion;
        desc->Constants = UINT(mOben.size());
        return D3D_OK;
    }

    HRESULT GetConstantDesc(D3DXHANDLE handle, D3DXCONSTANT_DESC* desc, UINT* anzahl) override {
        const Knoten* knoten = Finde(handle);
        if (knoten == nullptr || anzahl == nullptr) {
            return E_INVALIDARG;
        }
        if (desc != nullptr && *anzahl > 0) {
            *desc = knoten->beschreibung;
        }
        *anzahl = 1;
        return D3D_OK;
    }

    D3DXHANDLE GetConstant(D3DXHANDLE eltern, UINT index) override {
        const std::vector<const Knoten*>* liste = &mOben;
        if (eltern != nullptr) {
            const Knoten* knoten = Finde(eltern);
            if (knoten == nullptr) {
                return nullptr;
            }
            liste = &knoten->mitglieder;
        }
        return index < liste->size() ? Handle((*liste)[index]) : nullptr;
    }

    D3DXHANDLE GetConstantByName(D3DXHANDLE eltern, LPCSTR name) override {
        if (name == nullptr) {
            return nullptr;
        }
        const Knoten* start = nullptr;
        if (eltern != nullptr) {
            start = Finde(eltern);
            if (start == nullptr) {
                return nullptr;
            }
        }
        return Handle(FindeNachName(start, name));
    }

    D3DXHANDLE GetConstantElement(D3DXHANDLE handle, UINT index) override {
        const Knoten* knoten = Finde(handle);
        if (knoten == nullptr) {
            return nullptr;
        }
        if (knoten->elemente.empty()) {
            return index == 0 ? Handle(knoten) : nullptr;
        }
        return index < knoten->elemente.size() ? Handle(knoten->elemente[index]) : nullptr;
    }

private:
    ~Konstantentabelle() = default;

    static D3DXHANDLE Handle(const Knoten* knoten) { return reinterpret_cast<D3DXHANDLE>(knoten); }

    // `verschiebung` moves the registers to an element of an enclosing array.
    const Knoten* Baue(const KonstantenBeschreibung& k, uint32_t verschiebung) {
        Knoten& knoten = mKnoten.emplace_back();
        mHandles.insert(&knoten);
        knoten.name = k.name;
        D3DXCONSTANT_DESC& d = knoten.beschreibung;
        d.Name = knoten.name.c_str();
        d.RegisterSet = k.registerSatz;
        d.RegisterIndex = k.registerIndex + verschiebung;
        d.RegisterCount = k.registerAnzahl;
        d.Class = k.klasse;
        d.Type = k.typ;
        d.Rows = k.zeilen;
        d.Columns = k.spalten;
        d.Elements = k.elemente;
        d.StructMembers = UINT(k.mitglieder.size());
        d.Bytes = Bytes(k);
        d.DefaultValue = nullptr;
        for (const KonstantenBeschreibung& mitglied : k.mitglieder) {
            knoten.mitglieder.push_back(Baue(mitglied, verschiebung));
        }
        if (k.elemente > 1) {
            const uint32_t jeElement = k.registerAnzahl / k.elemente;
            for (uint32_t j = 0; j < k.elemente; ++j) {
                KonstantenBeschreibung element = k;
                element.elemente = 1;
                element.registerAnzahl = jeElement;
                knoten.elemente.push_back(Baue(element, verschiebung + j * jeElement));
            }
        }
        return &knoten;
    }

    // A handle is either one of ours or a constant's name.
    const Knoten* Finde(D3DXHANDLE handle) const {
        if (handle == nullptr) {
            return nullptr;
        }
        const auto* knoten = reinterpret_cast<const Knoten*>(handle);
        if (mHandles.count(knoten) != 0) {
            return knoten;
        }
        return FindeNachName(nullptr, handle);
    }

    // Names of the forms a, a[2], a.b and a[1].b, below `start` or from the top level.
    const Knoten* FindeNachName(const Knoten* start, const char* name) const {
        const std::vector<const Knoten*>* liste = start ? &start->mitglieder : &mOben;
        const Knoten* knoten = nullptr;
        const char* p = name;
        while (true) {
            const size_t laenge = std::strcspn(p, ".[");
            knoten = nullptr;
            for (const Knoten* kandidat : *liste) {
                if (kandidat->name.size() == laenge && kandidat->name.compare(0, laenge, p, laenge) == 0) {
                    knoten = kandidat;
                    break;
                }
            }
            if (knoten == nullptr) {
                return nullptr;
            }
            p += laenge;
            while (*p == '[') {
                char* ende = nullptr;
                const unsigned long index = std::strtoul(p + 1, &ende, 10);
                if (ende == p + 1 || *ende != ']' || index >= knoten->elemente.size()) {
                    return nullptr;
                }
                knoten = knoten->elemente[index];
                p = ende + 1;
            }
            if (*p == '\0') {
                return knoten;
            }
            if (*p != '.') {
                return nullptr;
            }
            ++p;
            liste = &knoten->mitglieder;
        }
    }

    const DWORD mVersion;
    std::deque<Knoten> mKnoten; // stable addresses: they are the handles
    std::unordered_set<const Knoten*> mHandles;
    std::vector<const Knoten*> mOben;
};

} // namespace

ID3DXConstantTable* ErzeugeKonstantentabelle(const std::vector<KonstantenBeschreibung>& konstanten,
                                             ShaderStufe stufe) {
    return new Konstantentabelle(konstanten, stufe);
}

} // namespace Plattform
