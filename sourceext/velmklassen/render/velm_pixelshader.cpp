#include "velmklassen/render/velm_pixelshader.h"

#include "velmklassen/kern/velm_ausnahme.h"
#include "velmklassen/kern/velm_konsole.h"
#include "velmklassen/render/velm_internhelfer.h"

Velm_PixelShader::~Velm_PixelShader() {
    Velm::GibFrei(mShader);
}

bool Velm_PixelShader::UebersetzeAusString(const char* quelle, const Velm_ShaderMakros& makros, bool leise) {
    return KompiliereLeiseOderWirf(quelle, makros, leise, true) && InternErzeugeShader(leise);
}

bool Velm_PixelShader::InternErzeugeShader(bool leise) {
    IDirect3DDevice9* geraet = Velm::Geraet();
    Velm::GibFrei(mShader);
    if (geraet == nullptr || mKode == nullptr ||
        FAILED(geraet->CreatePixelShader(static_cast<const DWORD*>(mKode->GetBufferPointer()), &mShader))) {
        mShader = nullptr;
        if (!leise) {
            Velm_Konsole::Schreibe("!Velm_PixelShader::ErzeugeShader(...): Shader-Erzeugung gescheitert.");
            VELM_BERICHT("PixelShader-Erzeugung gescheitert.", "Velm_PixelShader::InternErzeugeShader");
        }
        return false;
    }
    LiesKonstanten();
    mZustand = Velm_ObjektResident;
    return true;
}
