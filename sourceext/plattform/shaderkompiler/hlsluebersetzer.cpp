#include "plattform/shaderkompiler/hlsluebersetzer.h"

#include "plattform/shaderkompiler/ganzzahlkonstanten.h"
#include "plattform/shaderkompiler/globalenamen.h"
#include "plattform/shaderkompiler/registeranordnung.h"

#include <glslang/MachineIndependent/localintermediate.h>
#include <glslang/Public/ResourceLimits.h>
#include <glslang/Public/ShaderLang.h>
#include <glslang/SPIRV/GlslangToSpv.h>
#include <spirv_cross/spirv_glsl.hpp>

#include <algorithm>
#include <cctype>
#include <limits>
#include <map>
#include <mutex>

namespace Plattform {

namespace {

using spirv_cross::CompilerGLSL;
using spirv_cross::SPIRType;

// The highest TEXCOORDn a vertex input may have: locations run to 15.
constexpr uint32_t kVertexTexKoordMax = 14;
constexpr uint32_t kFarbAusgabenMax = 4;

// Direct3D 9's half-pixel offset, the flip into targets stored with row 0 at the top, and the
// depth range [0, w] moved to GL's [-w, w]; velm_epilog is (1 / viewport width, 1 / height, 0, 0).
constexpr const char* kVertexEpilogKopf = R"(
uniform vec4 velm_epilog;

void main()
{
    velm_main();
)";
constexpr const char* kVertexEpilog = R"(    gl_Position.x += velm_epilog.x * gl_Position.w;
    gl_Position.y = velm_epilog.y * gl_Position.w - gl_Position.y;
    gl_Position.z = 2.0 * gl_Position.z - gl_Position.w;
}
)";

void StarteGlslang() {
    static std::once_flag einmal;
    std::call_once(einmal, [] { glslang::InitializeProcess(); });
}

// What the syntax tree knows and SPIR-V no longer does: the order in which samplers were declared,
// the source line of every global, and which were given a register of their own.
struct Deklarationen {
    std::vector<std::string> sampler;
    std::map<std::string, int> zeilen;
    std::vector<std::string> mitRegister;
};

Deklarationen LiesDeklarationen(const glslang::TIntermediate& zwischen) {
    Deklarationen d;
    glslang::TIntermAggregate* wurzel =
        zwischen.getTreeRoot() ? zwischen.getTreeRoot()->getAsAggregate() : nullptr;
    if (wurzel == nullptr || wurzel->getSequence().empty()) {
        return d;
    }
    glslang::TIntermAggregate* objekte = wurzel->getSequence().back()->getAsAggregate();
    if (objekte == nullptr || objekte->getOp() != glslang::EOpLinkerObjects) {
        return d;
    }
    for (TIntermNode* knoten : objekte->getSequence()) {
        const glslang::TIntermSymbol* symbol = knoten->getAsSymbolNode();
        if (symbol == nullptr) {
            continue;
        }
        const glslang::TType& typ = symbol->getType();
        if (typ.getBasicType() == glslang::EbtSampler) {
            d.sampler.emplace_back(symbol->getName().c_str());
            if (typ.getQualifier().hasBinding()) {
                d.mitRegister.emplace_back(symbol->getName().c_str());
            }
        } else if (typ.getQualifier().storage == glslang::EvqUniform && typ.isStruct()) {
            for (const glslang::TTypeLoc& mitglied : *typ.getStruct()) {
                d.zeilen[mitglied.type->getFieldName().c_str()] = mitglied.loc.line;
                if (mitglied.type->getQualifier().hasOffset()) {
                    d.mitRegister.emplace_back(mitglied.type->getFieldName().c_str());
                }
            }
        }
    }
    return d;
}

// A varying narrower than a float4: it crosses between the stages as a vec4 named by its
// semantic and lives inside the stage under a name of its own with its own type.
struct BreiteVarying {
    std::string schnittstelle;
    std::string eigen;
    uint32_t komponenten;
};

struct Kontext {
    const HlslAuftrag& auftrag;
    HlslErgebnis& ergebnis;
    Deklarationen deklarationen;
    const char* praefix; // "vs_" or "ps_"
    std::vector<BreiteVarying> verbreitert;
    std::map<uint32_t, D3DXPARAMETER_TYPE> ganzzahlTypen; // global block member -> INT or BOOL

    // A message in glslang's form, so that every error of a failed compilation reads alike.
    void Fehler(const std::string& name, const std::string& text) {
        const auto zeile = deklarationen.zeilen.find(name);
        ergebnis.meldungen +=
            "ERROR: " + (auftrag.quellName.empty() ? std::string("0") : auftrag.quellName) + ":";
        if (zeile != deklarationen.zeilen.end()) {
            ergebnis.meldungen += std::to_string(zeile->second) + ":";
        }
        ergebnis.meldungen += " '" + name + "' : " + text + "\n";
    }
};

EShLanguage GlslangStufe(ShaderStufe stufe) {
    return stufe == kStufePixel ? EShLangFragment : EShLangVertex;
}

// The source as glslang takes it. glslang keeps the addresses of the text, its length and its
// name, and the preamble's, until it has parsed: they live here for as long.
struct GlslangQuelle {
    EShLanguage stufe;
    const char* text;
    int laenge;
    const char* name;
    bool mitName;
    std::string praeambel;
    const char* einstieg;
};

constexpr EShMessages kNachrichten = EShMessages(EShMsgSpvRules | EShMsgVulkanRules | EShMsgReadHlsl |
                                                 EShMsgHlslDX9Compatible | EShMsgHlslLegalization);

void RichteEin(glslang::TShader& shader, const GlslangQuelle& q) {
    if (q.mitName) {
        shader.setStringsWithLengthsAndNames(&q.text, &q.laenge, &q.name, 1);
    } else {
        shader.setStringsWithLengths(&q.text, &q.laenge, 1);
    }
    shader.setPreamble(q.praeambel.c_str());
    shader.setEntryPoint(q.einstieg);
    // HLSL is only accepted with Vulkan as the client; nothing of Vulkan reaches the GLSL.
    shader.setEnvInput(glslang::EShSourceHlsl, q.stufe, glslang::EShClientVulkan, 100);
    shader.setEnvClient(glslang::EShClientVulkan, glslang::EShTargetVulkan_1_0);
    shader.setEnvTarget(glslang::EShTargetSpv, glslang::EShTargetSpv_1_0);
    // Keeps the semantics in SPIR-V, which name the inputs and outputs.
    shader.setEnvTargetHlslFunctionality1();
    shader.setAutoMapBindings(true);
    shader.setAutoMapLocations(true);
}

// A global declared twice must fail before glslang parses it (see globalenamen.h). Text that
// does not preprocess gives no output here and fails the parse with glslang's own message.
bool OhneDoppelteGlobale(Kontext& k, const GlslangQuelle& q) {
    glslang::TShader vorlauf(q.stufe);
    RichteEin(vorlauf, q);
    std::string vorverarbeitet;
    glslang::TShader::ForbidIncluder ohneInclude;
    vorlauf.preprocess(GetDefaultResources(), 100, ENoProfile, false, false, kNachrichten, &vorverarbeitet,
                       ohneInclude);
    const std::string doppelt = DoppelteGlobale(vorverarbeitet, k.auftrag.quellName);
    k.ergebnis.meldungen += doppelt;
    return doppelt.empty();
}

// Parses and reads what SPIR-V will no longer tell: the declarations.
bool Parse(Kontext& k, glslang::TShader& shader) {
    const bool geparst = shader.parse(GetDefaultResources(), 100, false, kNachrichten);
    k.ergebnis.meldungen += shader.getInfoLog();
    if (!geparst) {
        return false;
    }
    // glslang accepts HLSL without its entry point and generates an empty shader.
    if (shader.getIntermediate()->getNumEntryPoints() == 0) {
        k.Fehler(k.auftrag.einstieg, "entry point not found");
        return false;
    }
    k.deklarationen = LiesDeklarationen(*shader.getIntermediate());
    // The engine finds every register through the constant table, which gives them in declaration
    // order; a register of one's own would be overlaid by that order.
    if (!k.deklarationen.mitRegister.empty()) {
        k.Fehler(k.deklarationen.mitRegister.front(),
                 "register() and packoffset() are not available; registers follow the declaration order");
        return false;
    }
    return true;
}

bool LinkeZuSpirv(Kontext& k, glslang::TShader& shader, EShLanguage stufe, std::vector<uint32_t>& spirv) {
    glslang::TProgram programm;
    programm.addShader(&shader);
    if (!programm.link(kNachrichten)) {
        k.ergebnis.meldungen += programm.getInfoLog();
        return false;
    }
    glslang::SpvOptions optionen;
    optionen.disableOptimizer = false; // HLSL needs legalising before SPIR-V is valid
    spv::SpvBuildLogger protokoll;
    glslang::GlslangToSpv(*programm.getIntermediate(stufe), spirv, &protokoll, &optionen);
    k.ergebnis.meldungen += protokoll.getAllMessages();
    return !spirv.empty();
}

// 1. the source as glslang takes it, 2. no global declared twice, 3. parsed with its declarations
// read, 4. linked and turned into SPIR-V.
bool ErzeugeSpirv(Kontext& k, std::vector<uint32_t>& spirv) {
    // glslang takes the length as int, and reads a negative one as "up to the zero byte".
    if (k.auftrag.quelle.size() > size_t(std::numeric_limits<int>::max())) {
        k.Fehler(k.auftrag.einstieg, "source text too long");
        return false;
    }
    GlslangQuelle quelle{.stufe = GlslangStufe(k.auftrag.stufe),
                         .text = k.auftrag.quelle.data(),
                         .laenge = int(k.auftrag.quelle.size()),
                         .name = k.auftrag.quellName.c_str(),
                         .mitName = !k.auftrag.quellName.empty(),
                         .praeambel = {},
                         .einstieg = k.auftrag.einstieg.c_str()};
    for (const auto& [makro, wert] : k.auftrag.makros) {
        quelle.praeambel += "#define " + makro + " " + wert + "\n";
    }
    if (!OhneDoppelteGlobale(k, quelle)) {
        return false;
    }
    glslang::TShader shader(quelle.stufe);
    RichteEin(shader, quelle);
    return Parse(k, shader) && LinkeZuSpirv(k, shader, quelle.stufe, spirv);
}

// The global constants: checked, laid out in registers, flattened to vs_c[N] / ps_c[N] and
// described for the constant table as far as the shader uses them.
bool BearbeiteKonstanten(Kontext& k, CompilerGLSL& c, const spirv_cross::ShaderResources& res) {
    if (res.uniform_buffers.empty()) {
        return true;
    }
    for (const spirv_cross::Resource& block : res.uniform_buffers) {
        if (c.get_name(block.base_type_id) != "$Global") {
            k.Fehler(c.get_name(block.base_type_id),
                     "cbuffer is not available in the Direct3D 9 dialect; declare constants as globals");
            return false;
        }
    }
    const spirv_cross::Resource& global = res.uniform_buffers.front();
    const uint32_t blockId = global.base_type_id;
    const uint32_t registerMax = k.auftrag.stufe == kStufePixel ? kPixelRegisterMax : kVertexRegisterMax;
    uint32_t register_ = 0;
    for (uint32_t i = 0; i < c.get_type(blockId).member_types.size(); ++i) {
        const std::string& name = c.get_member_name(blockId, i);
        if (!IstRegisterTyp(c, c.get_type(c.get_type(blockId).member_types[i]))) {
            k.Fehler(name, "shader constants must be float, vector, matrix, or one-dimensional arrays and "
                           "structures of them; int and bool only outside structures");
            return false;
        }
        register_ += MitgliedRegister(c, blockId, i);
        if (register_ > registerMax) {
            k.Fehler(name, "constants need more than the " + std::to_string(registerMax) +
                               " float4 registers of the profile");
            return false;
        }
    }
    LegeStrukturAus(c, blockId);
    k.ergebnis.blob.konstantenRegister = register_;

    std::vector<uint32_t> benutzt;
    for (const spirv_cross::BufferRange& bereich : c.get_active_buffer_ranges(global.id)) {
        benutzt.push_back(bereich.index);
    }
    std::sort(benutzt.begin(), benutzt.end());
    benutzt.erase(std::unique(benutzt.begin(), benutzt.end()), benutzt.end());
    for (uint32_t index : benutzt) {
        k.ergebnis.konstanten.push_back(BeschreibeMitglied(c, blockId, index, 0));
        if (const auto ganz = k.ganzzahlTypen.find(index); ganz != k.ganzzahlTypen.end()) {
            k.ergebnis.konstanten.back().typ = ganz->second;
        }
    }

    // The flattened array takes the name of the block's type.
    c.set_name(blockId, std::string(k.praefix) + "c");
    c.flatten_buffer_block(global.id);
    return true;
}

bool BearbeiteSampler(Kontext& k, CompilerGLSL& c, const spirv_cross::ShaderResources& res) {
    if (!res.separate_images.empty() || !res.separate_samplers.empty() || !res.storage_images.empty()) {
        const auto& r = !res.separate_images.empty()     ? res.separate_images.front()
                        : !res.separate_samplers.empty() ? res.separate_samplers.front()
                                                         : res.storage_images.front();
        k.Fehler(c.get_name(r.id), "only sampler2D and samplerCUBE are available in the Direct3D 9 dialect");
        return false;
    }
    struct Sampler {
        size_t reihenfolge;
        uint32_t id;
        uint32_t typId;
        std::string name;
    };
    std::vector<Sampler> sampler;
    const std::vector<std::string>& deklariert = k.deklarationen.sampler;
    for (const spirv_cross::Resource& r : res.sampled_images) {
        const std::string name = c.get_name(r.id);
        const size_t reihenfolge =
            size_t(std::find(deklariert.begin(), deklariert.end(), name) - deklariert.begin());
        sampler.push_back({reihenfolge, r.id, r.type_id, name});
    }
    std::stable_sort(sampler.begin(), sampler.end(),
                     [](const Sampler& a, const Sampler& b) { return a.reihenfolge < b.reihenfolge; });

    const uint32_t samplerMax = k.auftrag.stufe == kStufePixel ? kPixelSamplerMax : kVertexSamplerMax;
    for (uint32_t s = 0; s < sampler.size(); ++s) {
        const SPIRType& typ = c.get_type(sampler[s].typId);
        if (!typ.array.empty() || (typ.image.dim != spv::Dim2D && typ.image.dim != spv::DimCube)) {
            k.Fehler(sampler[s].name, "only single sampler2D and samplerCUBE are available");
            return false;
        }
        if (s >= samplerMax) {
            k.Fehler(sampler[s].name,
                     "more than the " + std::to_string(samplerMax) + " samplers of the profile");
            return false;
        }
        KonstantenBeschreibung beschreibung;
        beschreibung.name = sampler[s].name;
        beschreibung.registerSatz = D3DXRS_SAMPLER;
        beschreibung.registerIndex = s;
        beschreibung.klasse = D3DXPC_OBJECT;
        beschreibung.typ = typ.image.dim == spv::DimCube ? D3DXPT_SAMPLERCUBE : D3DXPT_SAMPLER2D;
        k.ergebnis.konstanten.push_back(std::move(beschreibung));

        c.set_name(sampler[s].id, std::string(k.praefix) + "s" + std::to_string(s));
        c.unset_decoration(sampler[s].id, spv::DecorationBinding);
        c.unset_decoration(sampler[s].id, spv::DecorationDescriptorSet);
    }
    k.ergebnis.blob.samplerAnzahl = uint32_t(sampler.size());
    return true;
}

// Semantics in one spelling: upper case with an index, "TEXCOORD" being "TEXCOORD0".
struct Semantik {
    std::string basis;
    uint32_t index = 0;
    std::string Name() const { return basis + std::to_string(index); }
};

Semantik LiesSemantik(const CompilerGLSL& c, uint32_t id) {
    std::string text = c.get_decoration_string(id, spv::DecorationHlslSemanticGOOGLE);
    for (char& z : text) {
        z = char(std::toupper(static_cast<unsigned char>(z)));
    }
    size_t ziffern = text.size();
    while (ziffern > 0 && std::isdigit(static_cast<unsigned char>(text[ziffern - 1]))) {
        --ziffern;
    }
    // More digits than any register number are part of the name, not an index.
    if (text.size() - ziffern > 3) {
        ziffern = text.size();
    }
    Semantik s;
    s.basis = text.substr(0, ziffern);
    if (ziffern < text.size()) {
        s.index = uint32_t(std::stoul(text.substr(ziffern)));
    }
    return s;
}

// Varyings are matched by name in GLSL, so both stages name them by semantic. Direct3D 9 matches
// them by register alone: a pixel shader may read a float2 where the vertex shader wrote a float4.
// GLSL demands equal types, so every float varying narrower than a float4 crosses as a vec4.
void BenenneVarying(Kontext& k, CompilerGLSL& c, const spirv_cross::Resource& r, const Semantik& semantik) {
    const std::string name = "velm_" + semantik.Name();
    c.unset_decoration(r.id, spv::DecorationLocation);
    c.unset_decoration(r.id, spv::DecorationComponent);
    const SPIRType& typ = c.get_type(r.type_id);
    if (typ.basetype != SPIRType::Float || typ.columns != 1 || typ.vecsize >= 4 || !typ.array.empty()) {
        c.set_name(r.id, name);
        return;
    }
    const std::string eigen = (k.auftrag.stufe == kStufeVertex ? "velm_o_" : "velm_i_") + semantik.Name();
    c.set_name(r.id, eigen);
    k.verbreitert.push_back({name, eigen, typ.vecsize});
}

// Turns the declaration "[qualifiers] out|in vecN eigen;" into a plain global "vecN eigen;" and
// the interface variable "[qualifiers] out|in vec4 schnittstelle;".
bool VerbreitereDeklaration(std::string& glsl, const BreiteVarying& v, const std::string& richtung) {
    const size_t stelle = glsl.find(" " + v.eigen + ";\n");
    if (stelle == std::string::npos) {
        return false;
    }
    const size_t anfang = glsl.rfind('\n', stelle) + 1;
    const std::string zeile = glsl.substr(anfang, stelle - anfang);
    const size_t wort = zeile.rfind(richtung + " ");
    if (wort == std::string::npos || (wort > 0 && zeile[wort - 1] != ' ')) {
        return false;
    }
    const std::string typ = zeile.substr(wort + richtung.size() + 1);
    const std::string neu =
        typ + " " + v.eigen + ";\n" + zeile.substr(0, wort) + richtung + " vec4 " + v.schnittstelle + ";\n";
    glsl.replace(anfang, stelle + v.eigen.size() + 3 - anfang, neu);
    return true;
}

// The widening a vertex shader's main ends with: the missing components as in a vertex attribute.
std::string SchreibeVerbreiterung(const BreiteVarying& v) {
    static const char* const kFuellung[] = {"", ", 0.0, 0.0, 1.0", ", 0.0, 1.0", ", 1.0"};
    return "    " + v.schnittstelle + " = vec4(" + v.eigen + kFuellung[v.komponenten] + ");\n";
}

// And the narrowing a pixel shader's main starts with.
std::string LiesVerbreiterung(const BreiteVarying& v) {
    static const char* const kKomponenten[] = {"", ".x", ".xy", ".xyz"};
    return "    " + v.eigen + " = " + v.schnittstelle + kKomponenten[v.komponenten] + ";\n";
}

bool BearbeiteVertexSchnittstelle(Kontext& k, CompilerGLSL& c, const spirv_cross::ShaderResources& res) {
    for (const spirv_cross::Resource& r : res.stage_inputs) {
        const Semantik s = LiesSemantik(c, r.id);
        if (s.basis == "POSITION" && s.index == 0) {
            c.set_decoration(r.id, spv::DecorationLocation, 0);
        } else if (s.basis == "TEXCOORD" && s.index <= kVertexTexKoordMax) {
            c.set_decoration(r.id, spv::DecorationLocation, s.index + 1);
        } else {
            k.Fehler(c.get_name(r.id), "vertex input semantic '" + s.Name() +
                                           "' is not available; use POSITION0 and TEXCOORD0 to TEXCOORD14");
            return false;
        }
    }
    for (const spirv_cross::Resource& r : res.stage_outputs) {
        const Semantik s = LiesSemantik(c, r.id);
        // glslang takes only "POSITION" for the position; the engine writes "POSITION0".
        if (s.basis == "POSITION" && s.index == 0) {
            c.unset_decoration(r.id, spv::DecorationLocation);
            c.set_decoration(r.id, spv::DecorationBuiltIn, spv::BuiltInPosition);
        } else {
            BenenneVarying(k, c, r, s);
        }
    }
    return true;
}

bool BearbeitePixelSchnittstelle(Kontext& k, CompilerGLSL& c, const spirv_cross::ShaderResources& res) {
    // Only what a vertex shader can write reaches a pixel shader.
    for (const spirv_cross::Resource& r : res.stage_inputs) {
        const Semantik s = LiesSemantik(c, r.id);
        if (s.basis != "TEXCOORD" && s.basis != "COLOR") {
            k.Fehler(c.get_name(r.id),
                     "pixel input semantic '" + s.Name() + "' is not available; use TEXCOORDn or COLORn");
            return false;
        }
        BenenneVarying(k, c, r, s);
    }
    for (const spirv_cross::Resource& r : res.stage_outputs) {
        const Semantik s = LiesSemantik(c, r.id);
        if (s.basis != "COLOR" || s.index >= kFarbAusgabenMax) {
            k.Fehler(c.get_name(r.id),
                     "pixel output semantic '" + s.Name() + "' is not available; use COLOR0 to COLOR3");
            return false;
        }
        c.set_name(r.id, "velm_" + s.Name());
        c.set_decoration(r.id, spv::DecorationLocation, s.index);
    }
    return true;
}

bool ErzeugeGlsl(Kontext& k, std::vector<uint32_t> spirv) {
    std::string fehler;
    if (!GanzzahlenAlsFloat(spirv, k.ganzzahlTypen, fehler)) {
        k.Fehler("$Global", fehler);
        return false;
    }
    CompilerGLSL c(std::move(spirv));
    const auto aktiv = c.get_active_interface_variables();
    c.set_enabled_interface_variables(aktiv);
    const spirv_cross::ShaderResources res = c.get_shader_resources(aktiv);

    const bool vertex = k.auftrag.stufe == kStufeVertex;
    if (!BearbeiteKonstanten(k, c, res) || !BearbeiteSampler(k, c, res) ||
        !(vertex ? BearbeiteVertexSchnittstelle(k, c, res) : BearbeitePixelSchnittstelle(k, c, res))) {
        return false;
    }

    CompilerGLSL::Options optionen;
    optionen.version = 330;
    optionen.es = false;
    optionen.enable_420pack_extension = false;
    c.set_common_options(optionen);
    std::string glsl = c.compile();

    const std::string version = "#version 330\n";
    if (glsl.compare(0, version.size(), version) == 0) {
        glsl.replace(0, version.size(), "#version 330 core\n");
    }
    for (const BreiteVarying& v : k.verbreitert) {
        if (!VerbreitereDeklaration(glsl, v, vertex ? "out" : "in")) {
            k.Fehler(v.eigen, "no declaration of the varying in the generated GLSL");
            return false;
        }
    }
    if (vertex || !k.verbreitert.empty()) {
        // SPIRV-Cross writes the entry point last.
        const std::string einstieg = "void main()\n";
        const size_t stelle = glsl.rfind(einstieg);
        if (stelle == std::string::npos) {
            k.Fehler(k.auftrag.einstieg, "no entry point in the generated GLSL");
            return false;
        }
        glsl.replace(stelle, einstieg.size(), "void velm_main()\n");
    }
    if (vertex) {
        glsl += kVertexEpilogKopf;
        for (const BreiteVarying& v : k.verbreitert) {
            glsl += SchreibeVerbreiterung(v);
        }
        glsl += kVertexEpilog;
    } else if (!k.verbreitert.empty()) {
        glsl += "\nvoid main()\n{\n";
        for (const BreiteVarying& v : k.verbreitert) {
            glsl += LiesVerbreiterung(v);
        }
        glsl += "    velm_main();\n}\n";
    }
    k.ergebnis.blob.glsl = std::move(glsl);
    return true;
}

} // namespace

HlslErgebnis UebersetzeHlsl(const HlslAuftrag& auftrag) {
    StarteGlslang();
    HlslErgebnis ergebnis;
    ergebnis.blob.stufe = auftrag.stufe;
    Kontext k{auftrag, ergebnis, {}, auftrag.stufe == kStufePixel ? "ps_" : "vs_", {}, {}};
    try {
        std::vector<uint32_t> spirv;
        ergebnis.erfolg = ErzeugeSpirv(k, spirv) && ErzeugeGlsl(k, std::move(spirv));
    } catch (const std::exception& fehler) {
        ergebnis.meldungen += std::string("ERROR: ") + fehler.what() + "\n";
        ergebnis.erfolg = false;
    }
    if (!ergebnis.erfolg) {
        ergebnis.blob.glsl.clear();
        ergebnis.konstanten.clear();
    }
    return ergebnis;
}

} // namespace Plattform
