#include "plattform/grafik9/grafik9_zustand.h"

#include <algorithm>
#include <cstring>

namespace Plattform {

namespace {

GLenum GlFaktor(DWORD faktor) {
    switch (faktor) {
    case D3DBLEND_ZERO:
        return GL_ZERO;
    case D3DBLEND_SRCCOLOR:
        return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR:
        return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA:
        return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA:
        return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA:
        return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA:
        return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR:
        return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR:
        return GL_ONE_MINUS_DST_COLOR;
    default:
        return GL_ONE;
    }
}

GLenum GlOperation(DWORD operation) {
    switch (operation) {
    case D3DBLENDOP_SUBTRACT:
        return GL_FUNC_SUBTRACT;
    case D3DBLENDOP_REVSUBTRACT:
        return GL_FUNC_REVERSE_SUBTRACT;
    case D3DBLENDOP_MIN:
        return GL_MIN;
    case D3DBLENDOP_MAX:
        return GL_MAX;
    default:
        return GL_FUNC_ADD;
    }
}

GLenum GlVergleich(DWORD vergleich) {
    switch (vergleich) {
    case D3DCMP_NEVER:
        return GL_NEVER;
    case D3DCMP_LESS:
        return GL_LESS;
    case D3DCMP_EQUAL:
        return GL_EQUAL;
    case D3DCMP_LESSEQUAL:
        return GL_LEQUAL;
    case D3DCMP_GREATER:
        return GL_GREATER;
    case D3DCMP_NOTEQUAL:
        return GL_NOTEQUAL;
    case D3DCMP_GREATEREQUAL:
        return GL_GEQUAL;
    default:
        return GL_ALWAYS;
    }
}

GLenum GlAdresse(DWORD adresse) {
    switch (adresse) {
    case D3DTADDRESS_MIRROR:
        return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP:
        return GL_CLAMP_TO_EDGE;
    case D3DTADDRESS_BORDER:
        return GL_CLAMP_TO_BORDER;
    default:
        return GL_REPEAT;
    }
}

} // namespace

void GlZustand::Anlegen(bool anisotropie, float hoechsteAnisotropie) {
    mAnisotropie = anisotropie;
    mMaxAnisotropie = hoechsteAnisotropie;
    for (uint32_t platz = 0; platz < kSamplerPlaetze; ++platz) {
        glGenSamplers(1, &mSampler[platz].id);
        glBindSampler(platz, mSampler[platz].id);
    }
    // With row 0 at the top, Direct3D's clockwise front faces are counter-clockwise for GL.
    glFrontFace(GL_CCW);
}

void GlZustand::Freigeben() {
    for (SamplerObjekt& s : mSampler) {
        glDeleteSamplers(1, &s.id);
        s.id = 0;
    }
}

void GlZustand::SetzeVorgaben(bool tiefe) {
    mRender.fill(0);
    mRender[D3DRS_ZENABLE] = tiefe ? D3DZB_TRUE : D3DZB_FALSE;
    mRender[D3DRS_ZWRITEENABLE] = TRUE;
    mRender[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
    mRender[D3DRS_CULLMODE] = D3DCULL_CCW;
    mRender[D3DRS_ALPHABLENDENABLE] = FALSE;
    mRender[D3DRS_SRCBLEND] = D3DBLEND_ONE;
    mRender[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
    mRender[D3DRS_BLENDOP] = D3DBLENDOP_ADD;
    mRender[D3DRS_SEPARATEALPHABLENDENABLE] = FALSE;
    mRender[D3DRS_SRCBLENDALPHA] = D3DBLEND_ONE;
    mRender[D3DRS_DESTBLENDALPHA] = D3DBLEND_ZERO;
    mRender[D3DRS_BLENDOPALPHA] = D3DBLENDOP_ADD;
    mRender[D3DRS_COLORWRITEENABLE] = 0xF;
    // Setting the blend factors and operations applies the separate-alpha ones as well.
    for (D3DRENDERSTATETYPE zustand :
         {D3DRS_ZENABLE, D3DRS_ZWRITEENABLE, D3DRS_ZFUNC, D3DRS_CULLMODE, D3DRS_ALPHABLENDENABLE,
          D3DRS_SRCBLEND, D3DRS_BLENDOP, D3DRS_COLORWRITEENABLE}) {
        WendeRenderAn(zustand);
    }

    for (uint32_t platz = 0; platz < kSamplerPlaetze; ++platz) {
        auto& z = mSampler[platz].werte;
        z.fill(0);
        z[D3DSAMP_ADDRESSU] = D3DTADDRESS_WRAP;
        z[D3DSAMP_ADDRESSV] = D3DTADDRESS_WRAP;
        z[D3DSAMP_ADDRESSW] = D3DTADDRESS_WRAP;
        z[D3DSAMP_MAGFILTER] = D3DTEXF_POINT;
        z[D3DSAMP_MINFILTER] = D3DTEXF_POINT;
        z[D3DSAMP_MIPFILTER] = D3DTEXF_NONE;
        z[D3DSAMP_MAXANISOTROPY] = 1;
        for (D3DSAMPLERSTATETYPE zustand :
             {D3DSAMP_ADDRESSU, D3DSAMP_ADDRESSV, D3DSAMP_ADDRESSW, D3DSAMP_BORDERCOLOR, D3DSAMP_MINFILTER,
              D3DSAMP_MIPMAPLODBIAS, D3DSAMP_MAXMIPLEVEL}) {
            WendeSamplerAn(platz, zustand);
        }
    }
}

void GlZustand::SetzeRender(D3DRENDERSTATETYPE zustand, DWORD wert) {
    if (mRender[zustand] != wert) {
        mRender[zustand] = wert;
        WendeRenderAn(zustand);
    }
}

void GlZustand::SetzeSampler(uint32_t platz, D3DSAMPLERSTATETYPE zustand, DWORD wert) {
    DWORD& alt = mSampler[platz].werte[zustand];
    if (alt != wert) {
        alt = wert;
        WendeSamplerAn(platz, zustand);
    }
}

void GlZustand::StelleMaskenWiederHer() {
    WendeRenderAn(D3DRS_COLORWRITEENABLE);
    WendeRenderAn(D3DRS_ZWRITEENABLE);
}

void GlZustand::WendeRenderAn(D3DRENDERSTATETYPE zustand) {
    const auto& z = mRender;
    const bool getrennt = z[D3DRS_SEPARATEALPHABLENDENABLE] != FALSE;
    switch (zustand) {
    case D3DRS_ZENABLE:
        z[zustand] != D3DZB_FALSE ? glEnable(GL_DEPTH_TEST) : glDisable(GL_DEPTH_TEST);
        break;
    case D3DRS_ZWRITEENABLE:
        glDepthMask(z[zustand] ? GL_TRUE : GL_FALSE);
        break;
    case D3DRS_ZFUNC:
        glDepthFunc(GlVergleich(z[zustand]));
        break;
    case D3DRS_CULLMODE:
        // Front faces are Direct3D's clockwise ones (glFrontFace(GL_CCW) after the flip), so
        // CULL_CCW drops GL's back faces.
        if (z[zustand] == D3DCULL_NONE) {
            glDisable(GL_CULL_FACE);
        } else {
            glEnable(GL_CULL_FACE);
            glCullFace(z[zustand] == D3DCULL_CW ? GL_FRONT : GL_BACK);
        }
        break;
    case D3DRS_ALPHABLENDENABLE:
        z[zustand] ? glEnable(GL_BLEND) : glDisable(GL_BLEND);
        break;
    case D3DRS_SEPARATEALPHABLENDENABLE:
    case D3DRS_SRCBLEND:
    case D3DRS_DESTBLEND:
    case D3DRS_SRCBLENDALPHA:
    case D3DRS_DESTBLENDALPHA:
        glBlendFuncSeparate(GlFaktor(z[D3DRS_SRCBLEND]), GlFaktor(z[D3DRS_DESTBLEND]),
                            GlFaktor(z[getrennt ? D3DRS_SRCBLENDALPHA : D3DRS_SRCBLEND]),
                            GlFaktor(z[getrennt ? D3DRS_DESTBLENDALPHA : D3DRS_DESTBLEND]));
        if (zustand != D3DRS_SEPARATEALPHABLENDENABLE) {
            break;
        }
        [[fallthrough]];
    case D3DRS_BLENDOP:
    case D3DRS_BLENDOPALPHA:
        glBlendEquationSeparate(GlOperation(z[D3DRS_BLENDOP]),
                                GlOperation(z[getrennt ? D3DRS_BLENDOPALPHA : D3DRS_BLENDOP]));
        break;
    case D3DRS_COLORWRITEENABLE:
        glColorMask(
            (z[zustand] & D3DCOLORWRITEENABLE_RED) != 0, (z[zustand] & D3DCOLORWRITEENABLE_GREEN) != 0,
            (z[zustand] & D3DCOLORWRITEENABLE_BLUE) != 0, (z[zustand] & D3DCOLORWRITEENABLE_ALPHA) != 0);
        break;
    default:
        break;
    }
}

void GlZustand::WendeSamplerAn(uint32_t platz, D3DSAMPLERSTATETYPE zustand) {
    const GLuint s = mSampler[platz].id;
    const auto& z = mSampler[platz].werte;
    switch (zustand) {
    case D3DSAMP_ADDRESSU:
        glSamplerParameteri(s, GL_TEXTURE_WRAP_S, GLint(GlAdresse(z[zustand])));
        break;
    case D3DSAMP_ADDRESSV:
        glSamplerParameteri(s, GL_TEXTURE_WRAP_T, GLint(GlAdresse(z[zustand])));
        break;
    case D3DSAMP_ADDRESSW:
        glSamplerParameteri(s, GL_TEXTURE_WRAP_R, GLint(GlAdresse(z[zustand])));
        break;
    case D3DSAMP_BORDERCOLOR: {
        const DWORD c = z[zustand];
        const float farbe[4] = {float((c >> 16) & 0xFF) / 255.0f, float((c >> 8) & 0xFF) / 255.0f,
                                float(c & 0xFF) / 255.0f, float(c >> 24) / 255.0f};
        glSamplerParameterfv(s, GL_TEXTURE_BORDER_COLOR, farbe);
        break;
    }
    case D3DSAMP_MAGFILTER:
    case D3DSAMP_MINFILTER:
    case D3DSAMP_MIPFILTER:
    case D3DSAMP_MAXANISOTROPY: {
        const bool magLinear = z[D3DSAMP_MAGFILTER] >= D3DTEXF_LINEAR;
        const bool minLinear = z[D3DSAMP_MINFILTER] >= D3DTEXF_LINEAR;
        GLenum min = minLinear ? GL_LINEAR : GL_NEAREST;
        if (z[D3DSAMP_MIPFILTER] == D3DTEXF_POINT) {
            min = minLinear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
        } else if (z[D3DSAMP_MIPFILTER] >= D3DTEXF_LINEAR) {
            min = minLinear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
        }
        glSamplerParameteri(s, GL_TEXTURE_MAG_FILTER, magLinear ? GL_LINEAR : GL_NEAREST);
        glSamplerParameteri(s, GL_TEXTURE_MIN_FILTER, GLint(min));
        if (mAnisotropie) {
            const bool anisotrop =
                z[D3DSAMP_MINFILTER] == D3DTEXF_ANISOTROPIC || z[D3DSAMP_MAGFILTER] == D3DTEXF_ANISOTROPIC;
            const float grad =
                anisotrop ? std::clamp(float(z[D3DSAMP_MAXANISOTROPY]), 1.0f, mMaxAnisotropie) : 1.0f;
            glSamplerParameterf(s, GL_TEXTURE_MAX_ANISOTROPY_EXT, grad);
        }
        break;
    }
    case D3DSAMP_MAXMIPLEVEL:
        // Direct3D's "largest level used" is the most detailed one: a lower bound on the LOD.
        glSamplerParameterf(s, GL_TEXTURE_MIN_LOD, float(z[zustand]));
        break;
    case D3DSAMP_MIPMAPLODBIAS: {
        float bias = 0.0f;
        std::memcpy(&bias, &z[zustand], sizeof bias);
        glSamplerParameterf(s, GL_TEXTURE_LOD_BIAS, bias);
        break;
    }
    default:
        break;
    }
}

} // namespace Plattform
