#include "velmklassen/render/velm_vertexshader.h"

#include "velmklassen/kern/velm_ausnahme.h"
#include "velmklassen/kern/velm_konsole.h"
#include "velmklassen/render/velm_internhelfer.h"

Velm_VertexShader::~Velm_VertexShader() {
    Velm::GibFrei(mShader);
    Velm::GibFrei(mKode);
    Velm::GibFrei(mMeldungen);
}

bool Velm_VertexShader::UebersetzeAusString(const char* quelle, const Velm_ShaderMakros& makros, bool leise) {
    try {
        if (!Kompiliere(quelle, makros, leise, false, mKode, mMeldungen)) {
            return false;
        }
    } catch (const Velm_Ausnahme&) {
        if (leise) {
            return false;
        }
        throw;
    }
    return InternErzeugeShader(leise);
}

const char* Velm_VertexShader::GetMeldungen() const {
    return mMeldungen != nullptr ? static_cast<const char*>(mMeldungen->GetBufferPointer()) : nullptr;
}

bool Velm_VertexShader::InternErzeugeShader(bool leise) {
    IDirect3DDevice9* geraet = Velm::Geraet();
    Velm::GibFrei(mShader);
    if (geraet == nullptr || mKode == nullptr ||
        FAILED(geraet->CreateVertexShader(static_cast<const DWORD*>(mKode->GetBufferPointer()), &mShader))) {
        mShader = nullptr;
        if (!leise) {
            Velm_Konsole::Schreibe("!Velm_VertexShader::ErzeugeShader(...): Shader-Erzeugung gescheitert.");
            VELM_BERICHT("VertexShader-Erzeugung gescheitert.", "Velm_VertexShader::InternErzeugeShader");
        }
        return false;
    }
    LiesKonstanten();
    mZustand = Velm_ObjektResident;
    return true;
}
