#include "velmklassen/render/velm_vertexshader.h"

#include "velmklassen/kern/velm_ausnahme.h"
#include "velmklassen/kern/velm_konsole.h"
#include "velmklassen/render/velm_internhelfer.h"

Velm_VertexShader::~Velm_VertexShader() {
    Velm::GibFrei(mShader);
}

bool Velm_VertexShader::UebersetzeAusString(const char* quelle, const Velm_ShaderMakros& makros, bool leise) {
    return KompiliereLeiseOderWirf(quelle, makros, leise, false) && InternErzeugeShader(leise);
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
