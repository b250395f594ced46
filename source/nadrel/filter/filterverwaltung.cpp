#include "nadrel/filter/filterverwaltung.h"

#include "velmklassen/kern/velm_ausnahme.h"
#include "velmklassen/kern/velm_konsole.h"
#include "velmklassen/kern/velm_speicher.h"
#include "velmklassen/kern/velm_xml.h"
#include "velmklassen/render/velm_indexbuffer.h"
#include "velmklassen/render/velm_screen3d.h"
#include "velmklassen/render/velm_vertexbuffer.h"
#include "velmklassen/render/velm_vertexeingabe.h"
#include "velmklassen/render/velm_zeichenkontext.h"
#include "velmklassen/render/velm_zustaende.h"

#include <tinyxml.h>

namespace Spiel {

namespace {

constexpr const char* kPraefix = "filter.";
constexpr const char* kSuffix = ".xml";

bool IstEffektDatei(const std::string& name) {
    return name.starts_with(kPraefix) && name.ends_with(kSuffix);
}

// The effect files directly in the folder, in directory order; none when it cannot be listed.
std::vector<std::filesystem::path> SammleEffektDateien(const std::filesystem::path& ordner) {
    std::vector<std::filesystem::path> dateien;
    std::error_code fehler;
    for (std::filesystem::directory_iterator it(ordner, fehler), ende; !fehler && it != ende;
         it.increment(fehler)) {
        std::error_code statusFehler;
        if (it->is_regular_file(statusFehler) && IstEffektDatei(it->path().filename().string()))
            dateien.push_back(it->path());
    }
    if (fehler) {
        Velm_Konsole::Schreibe("!FilterVerwaltung::FilterVerwaltung(): Ordner \"%s\" ist nicht lesbar - %s.",
                               ordner.c_str(), fehler.message().c_str());
        dateien.clear();
    }
    return dateien;
}

} // namespace

FilterVerwaltung::FilterVerwaltung(const std::filesystem::path& ordner) : mOrdner(ordner) {
    Velm_ZeichenKontext& kontext = *Velm_Screen3D::Kontext;

    mQuadEingabe.reset(kontext.ErzeugeVertexEingabe());
    mQuadEingabe->AddKanal(0, Velm_VertexFloat4, 0, false);
    mQuadEingabe->AddKanal(0, Velm_VertexFloat2, 16, false);
    mQuadEingabe->Beenden();

    // x, y, z, w, u, v: the whole viewport, the texture's top row at the top.
    float ecken[4][6] = {{-1, -1, 0.1f, 1, 0, 1}, {1, -1, 0.1f, 1, 1, 1}, {-1, 1, 0.1f, 1, 0, 0}, {1, 1, 0.1f, 1, 1, 0}};
    Velm_Initialdaten vertices{ecken, sizeof ecken, 0};
    mQuadVertices.reset(kontext.ErzeugeVertexBuffer(0, 0, vertices));
    uint16_t indizes[6] = {0, 1, 2, 1, 3, 2};
    Velm_Initialdaten indexDaten{indizes, sizeof indizes, 0};
    mQuadIndizes.reset(kontext.ErzeugeIndexBuffer(indexDaten));

    for (uint32_t i = 0; i < 4; ++i) {
        Velm_SamplerBeschreibung beschreibung;
        beschreibung.mFilter = (i & 2) != 0 ? kFilterLinear : 0;
        beschreibung.mAdressierung = (i & 1) != 0 ? kFilterBegrenzen : 0;
        beschreibung.mMaxAnisotropie = 16;
        beschreibung.mRandFarbe[3] = 1;
        mSampler[i].reset(kontext.ErzeugeSampler(beschreibung));
    }

    const std::vector<std::filesystem::path> dateien = SammleEffektDateien(ordner);
    mEffekte.reserve(dateien.size());
    for (const std::filesystem::path& datei : dateien)
        InternLadeEffekt(datei);
}

FilterVerwaltung::~FilterVerwaltung() {
    mEffekte.clear();
    mQuadVertices.reset();
    mQuadEingabe.reset();
    mQuadIndizes.reset();
    for (GpuZeiger<Velm_Sampler>& sampler : mSampler)
        sampler.reset();
}

void FilterVerwaltung::InternLadeEffekt(const std::filesystem::path& pfad) {
    const std::string dateiName = pfad.filename().string();
    // "filter.xml" passes both name tests, yet no name is left between them.
    if (dateiName.size() < 11) {
        Velm_Konsole::Schreibe("!FilterVerwaltung::InternLadeEffekt(): Datei \"%s\" benennt keinen Effekt.",
                               pfad.c_str());
        return;
    }

    // Shader sources need their line breaks and indentation.
    TiXmlBase::SetCondenseWhiteSpace(false);
    TSpeicher datei;
    const bool gelesen = datei.LadeDatei(pfad);
    const std::string_view text(reinterpret_cast<const char*>(datei.Daten()), datei.Groesse());
    TiXmlDocument dokument;
    if (!gelesen || !Velm_ParseXml(dokument, text)) {
        Velm_Konsole::Schreibe("!FilterVerwaltung::InternLadeEffekt(): Datei \"%s\" ist nicht lesbar.",
                               dateiName.c_str());
        const char* ursache = !gelesen          ? "Datei kann nicht gelesen werden"
                              : dokument.Error() ? dokument.ErrorDesc()
                                                 : "Zu viele Elemente";
        Velm_Konsole::Schreibe("!Zeile %d: %s", dokument.ErrorRow(), ursache);
        return;
    }
    const TiXmlElement* wurzel = dokument.FirstChildElement();
    if (wurzel == nullptr) {
        Velm_Konsole::Schreibe("!FilterVerwaltung::InternLadeEffekt(): Datei \"%s\" ist nicht lesbar.",
                               pfad.c_str());
        return;
    }

    const std::string name = dateiName.substr(7, dateiName.size() - 11);
    try {
        FilterEffekt effekt;
        effekt.LadeAus(name, *wurzel, *this);
        mEffekte.push_back(std::move(effekt));
    } catch (const Velm_Ausnahme& ausnahme) {
        Velm_Konsole::Schreibe("?FilterVerwaltung::InternLadeEffekt(): Laden des Filtereffekts \"%s\" ist "
                               "gescheitert - \"%s\".",
                               pfad.c_str(), ausnahme.mText.c_str());
    }
}

FilterSatz::Ressourcen FilterVerwaltung::Ressourcen() const {
    FilterSatz::Ressourcen ressourcen;
    ressourcen.mQuadVertices = mQuadVertices.get();
    ressourcen.mQuadIndizes = mQuadIndizes.get();
    for (int i = 0; i < 4; ++i)
        ressourcen.mSampler[i] = mSampler[i].get();
    return ressourcen;
}

} // namespace Spiel
