#include "plattform/grafik9/grafik9_programme.h"

#include "plattform/grafik9/grafik9_geraet.h"
#include "plattform/grafik9/grafik9_meldung.h"
#include "plattform/shaderkompiler/shaderblob.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace Plattform {

namespace {

// The length of the array uniform `name` after the linker dropped the unused tail.
GLsizei AktiveFeldGroesse(GLuint programm, const char* name) {
    GLint anzahl = 0;
    glGetProgramiv(programm, GL_ACTIVE_UNIFORMS, &anzahl);
    const std::string mitKlammer = std::string(name) + "[0]";
    for (GLint i = 0; i < anzahl; ++i) {
        char gefunden[64];
        GLsizei laenge = 0;
        GLint groesse = 0;
        GLenum typ = 0;
        glGetActiveUniform(programm, GLuint(i), sizeof gefunden, &laenge, &groesse, &typ, gefunden);
        if (mitKlammer == gefunden || std::strcmp(name, gefunden) == 0) {
            return groesse;
        }
    }
    return 0;
}

// One declaration "[qualifiers] in|out type velm_...;" of the generated GLSL.
struct Varying {
    size_t anfang = 0; // of its line
    size_t ende = 0;   // after its ";"
    std::string typ;
    std::string name;
};

std::vector<Varying> Varyings(const std::string& glsl, const std::string& richtung) {
    std::vector<Varying> liste;
    for (size_t anfang = 0; anfang < glsl.size();) {
        size_t ende = glsl.find('\n', anfang);
        ende = ende == std::string::npos ? glsl.size() : ende;
        const std::string zeile = glsl.substr(anfang, ende - anfang);
        const size_t wort = zeile.rfind(richtung + " ");
        if ((wort == 0 || (wort != std::string::npos && zeile[wort - 1] == ' ')) && zeile.back() == ';') {
            const std::string rest =
                zeile.substr(wort + richtung.size() + 1, zeile.size() - wort - richtung.size() - 2);
            const size_t blank = rest.find(' ');
            if (blank != std::string::npos && rest.compare(blank + 1, 5, "velm_") == 0) {
                liste.push_back({anfang, ende, rest.substr(0, blank), rest.substr(blank + 1)});
            }
        }
        anfang = ende + 1;
    }
    return liste;
}

// The pixel shader with every input the vertex shader does not write made a constant zero; 0 when
// it reads nothing that is not written, or the variant does not compile.
GLuint PixelVariante(const ShaderObjekt& vs, const ShaderObjekt& ps) {
    const std::vector<Varying> geschrieben = Varyings(vs.mGlsl, "out");
    std::string glsl = ps.mGlsl;
    bool geaendert = false;
    const std::vector<Varying> gelesen = Varyings(ps.mGlsl, "in");
    for (auto it = gelesen.rbegin(); it != gelesen.rend(); ++it) {
        const bool gefunden = std::any_of(geschrieben.begin(), geschrieben.end(),
                                          [&](const Varying& v) { return v.name == it->name; });
        if (!gefunden) {
            glsl.replace(it->anfang, it->ende - it->anfang,
                         "const " + it->typ + " " + it->name + " = " + it->typ + "(0);");
            geaendert = true;
        }
    }
    if (!geaendert) {
        return 0;
    }
    const GLuint id = glCreateShader(GL_FRAGMENT_SHADER);
    const char* text = glsl.c_str();
    glShaderSource(id, 1, &text, nullptr);
    glCompileShader(id);
    GLint ok = GL_FALSE;
    glGetShaderiv(id, GL_COMPILE_STATUS, &ok);
    if (ok == GL_FALSE) {
        glDeleteShader(id);
        return 0;
    }
    return id;
}

} // namespace

ShaderObjekt::~ShaderObjekt() {
    if (mId != 0) {
        glDeleteShader(mId);
    }
}

bool ShaderObjekt::Anlegen(const DWORD* kode, uint32_t stufe, uint32_t hoechstRegister,
                           uint32_t hoechstSampler) {
    // Direct3D passes the code without its length; the blob's header carries it.
    ShaderBlob blob;
    const size_t groesse = kode != nullptr ? ShaderBlobGroesse(kode) : 0;
    if (groesse == 0 || !LiesShaderBlob(kode, groesse, blob) || blob.stufe != stufe) {
        MeldeGrafik("shader code is not a %s shader blob", stufe == kStufeVertex ? "vertex" : "pixel");
        return false;
    }
    if (blob.konstantenRegister > hoechstRegister || blob.samplerAnzahl > hoechstSampler) {
        MeldeGrafik("shader uses %u registers and %u samplers, at most %u and %u are allowed",
                    blob.konstantenRegister, blob.samplerAnzahl, hoechstRegister, hoechstSampler);
        return false;
    }
    mStufe = stufe;
    mRegister = blob.konstantenRegister;
    mSampler = blob.samplerAnzahl;
    mGlsl = std::move(blob.glsl);
    return true;
}

bool ShaderObjekt::Uebersetze() {
    mId = glCreateShader(mStufe == kStufeVertex ? GL_VERTEX_SHADER : GL_FRAGMENT_SHADER);
    const char* text = mGlsl.c_str();
    glShaderSource(mId, 1, &text, nullptr);
    glCompileShader(mId);
    GLint ok = GL_FALSE;
    glGetShaderiv(mId, GL_COMPILE_STATUS, &ok);
    if (ok == GL_FALSE) {
        char protokoll[2048] = {};
        glGetShaderInfoLog(mId, sizeof protokoll, nullptr, protokoll);
        MeldeGrafik("GLSL does not compile: %s", protokoll);
        return false;
    }
    return true;
}

VertexShaderObjekt::~VertexShaderObjekt() {
    mGeraet->VergissProgramme(this);
}
PixelShaderObjekt::~PixelShaderObjekt() {
    mGeraet->VergissProgramme(this);
}

Programm& ProgrammSpeicher::Suche(const ShaderObjekt& vs, const ShaderObjekt& ps, GLint vertexEinheit) {
    const auto schluessel = std::make_pair(&vs, &ps);
    if (auto gefunden = mProgramme.find(schluessel); gefunden != mProgramme.end()) {
        return gefunden->second;
    }
    Programm& p = mProgramme[schluessel];
    const GLuint id = glCreateProgram();
    const GLuint variante = PixelVariante(vs, ps);
    glAttachShader(id, vs.mId);
    glAttachShader(id, variante != 0 ? variante : ps.mId);
    glLinkProgram(id);
    if (variante != 0) {
        // The program keeps what it needs of a shader deleted after linking.
        glDeleteShader(variante);
    }
    GLint ok = GL_FALSE;
    glGetProgramiv(id, GL_LINK_STATUS, &ok);
    if (ok == GL_FALSE) {
        char protokoll[2048] = {};
        glGetProgramInfoLog(id, sizeof protokoll, nullptr, protokoll);
        MeldeGrafik("shaders do not link: %s", protokoll);
        glDeleteProgram(id);
        return p;
    }
    p.id = id;
    p.vsKonstanten = glGetUniformLocation(id, "vs_c");
    p.psKonstanten = glGetUniformLocation(id, "ps_c");
    p.vsAnzahl = std::min<GLsizei>(AktiveFeldGroesse(id, "vs_c"), GLsizei(vs.mRegister));
    p.psAnzahl = std::min<GLsizei>(AktiveFeldGroesse(id, "ps_c"), GLsizei(ps.mRegister));
    p.epilog = glGetUniformLocation(id, "velm_epilog");
    glUseProgram(id);
    char name[16];
    for (uint32_t i = 0; i < ps.mSampler; ++i) {
        std::snprintf(name, sizeof name, "ps_s%u", i);
        glUniform1i(glGetUniformLocation(id, name), GLint(i));
    }
    for (uint32_t i = 0; i < vs.mSampler; ++i) {
        std::snprintf(name, sizeof name, "vs_s%u", i);
        glUniform1i(glGetUniformLocation(id, name), vertexEinheit + GLint(i));
    }
    return p;
}

bool ProgrammSpeicher::Vergiss(const ShaderObjekt* shader, const Programm* aktuell) {
    bool getroffen = false;
    for (auto it = mProgramme.begin(); it != mProgramme.end();) {
        if (it->first.first == shader || it->first.second == shader) {
            getroffen = getroffen || &it->second == aktuell;
            glDeleteProgram(it->second.id);
            it = mProgramme.erase(it);
        } else {
            ++it;
        }
    }
    return getroffen;
}

void ProgrammSpeicher::Freigeben() {
    for (auto& [schluessel, programm] : mProgramme) {
        glDeleteProgram(programm.id);
    }
    mProgramme.clear();
}

} // namespace Plattform
