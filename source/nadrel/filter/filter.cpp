#include "nadrel/filter/filter.h"

#include "nadrel/filter/filterverwaltung.h"
#include "velmklassen/kern/velm_ausnahme.h"
#include "velmklassen/kern/velm_konsole.h"
#include "velmklassen/render/velm_pixelshader.h"
#include "velmklassen/render/velm_screen3d.h"
#include "velmklassen/render/velm_vertexshader.h"
#include "velmklassen/render/velm_zeichenkontext.h"
#include "velmklassen/render/velm_zustaende.h"

#include <tinyxml.h>

#include <cstdlib>
#include <cstring>

namespace Spiel {

namespace {

[[noreturn]] void WirfFilterFehler() {
    VELM_WIRF("Laden des Filters gescheitert", "Spiel::Filter::Filter");
}

// The element's text when its first child is text, else empty.
std::string TextDesErsten(const TiXmlElement* element) {
    const char* text = element != nullptr ? element->GetText() : nullptr;
    return text != nullptr ? text : std::string();
}

// Index of the text in the list, or -1.
int WortIndex(const char* text, std::initializer_list<const char*> woerter) {
    int i = 0;
    for (const char* wort : woerter) {
        if (std::strcmp(text, wort) == 0)
            return i;
        ++i;
    }
    return -1;
}

// The blend factor of a text, or -1 for an unknown one.
int64_t BlendFaktor(const char* text) {
    static constexpr int64_t kFaktoren[] = {Velm_BlendNull, Velm_BlendEins, Velm_BlendQuellAlpha,
                                            Velm_BlendInvQuellAlpha};
    const int i = WortIndex(text, {"null", "eins", "alpha", "invalpha"});
    return i < 0 ? -1 : kFaktoren[i];
}

// The attribute as a number when its whole text is one (blanks around it allowed), else the default.
float ZahlOder(const TiXmlElement& element, const char* name, float standard) {
    const char* text = element.Attribute(name);
    if (text == nullptr)
        return standard;
    char* ende = nullptr;
    const float wert = std::strtof(text, &ende);
    if (ende == text)
        return standard;
    while (*ende == ' ' || *ende == '\t' || *ende == '\n' || *ende == '\r')
        ++ende;
    return *ende == 0 ? wert : standard;
}

// The input's attribute; logs the line with the input's number and throws when it is missing or
// not one of the words (when words are given). The checks run in the order of the lines below.
const char* Pflichtwert(const TiXmlElement& element, const char* attribut, int nummer, const char* meldung) {
    const char* wert = element.Attribute(attribut);
    if (wert == nullptr) {
        Velm_Konsole::Schreibe(meldung, nummer);
        WirfFilterFehler();
    }
    return wert;
}

// Index of the optional attribute's word, 0 without the attribute; logs and throws for another word.
int Wortwahl(const TiXmlElement& element, const char* attribut, std::initializer_list<const char*> woerter,
             int nummer, const char* meldung) {
    const char* text = element.Attribute(attribut);
    const int index = text != nullptr ? WortIndex(text, woerter) : 0;
    if (index < 0) {
        Velm_Konsole::Schreibe(meldung, nummer);
        WirfFilterFehler();
    }
    return index;
}

Filter::Eingabe LiesEingabe(const TiXmlElement& element, int nummer) {
    Filter::Eingabe eingabe;
    eingabe.mBild = Pflichtwert(element, "name", nummer,
                                "!Filter::LadeAus(...): %d. Eingabe muss einen Namen über \"name\" definieren.");
    eingabe.mSampler =
        Pflichtwert(element, "sampler", nummer,
                    "!Filter::LadeAus(...): %d. Eingabe muss einen Textursampler über \"sampler\" definieren.");
    eingabe.mKonstante =
        Pflichtwert(element, "konstante", nummer,
                    "!Filter::LadeAus(...): %d. Eingabe muss eine Shaderkonstante über \"konstante\" definieren.");
    const int adressierung = Wortwahl(element, "koords", {"begrenzen", "wiederholen"}, nummer,
                                      "!Filter::LadeAus(...): Ungültige Texkoord-Einstellung in der %d. Eingabe. "
                                      "Gültige Werte sind \"begrenzen\" und \"wiederholen\".");
    const int filterung = Wortwahl(element, "filter", {"punkt", "linear"}, nummer,
                                   "!Filter::LadeAus(...): Ungültige Texturfilter-Einstellung in der %d. Eingabe. "
                                   "Gültige Werte sind \"punkt\" und \"linear\".");
    eingabe.mAdressierung = adressierung == 0 ? kFilterBegrenzen : 0;
    eingabe.mFilterung = filterung == 1 ? kFilterLinear : 0;
    return eingabe;
}

// Texts of one shader stage in the effect file and in its messages.
struct Stufe {
    const char* element;
    const char* fehlt;
    const char* gescheitert;
};
constexpr Stufe kVertexStufe = {"vertexShader", "!Filter::LadeAus(...): Filter muss VertexShader-Code definieren.",
                                "!Filter::LadeAus(...): Fehler beim Kompilieren des VertexShaders."};
constexpr Stufe kPixelStufe = {"pixelShader", "!Filter::LadeAus(...): Filter muss ein PixelShader-Skript definieren.",
                               "!Filter::LadeAus(...): Fehler beim Kompilieren des PixelShaders."};

// Takes the stage's source from the first element of its name and translates it quietly; logs the
// cause (with the compiler's messages) and throws when there is no source or it does not compile.
template <class Shader>
GpuZeiger<Shader> LadeShader(const TiXmlElement& filter, const Stufe& stufe, Shader* shader, std::string& quelle) {
    GpuZeiger<Shader> zeiger(shader);
    const TiXmlElement* element = filter.FirstChildElement(stufe.element);
    const char* text = element != nullptr ? element->GetText() : nullptr;
    if (text == nullptr) {
        Velm_Konsole::Schreibe("%s", stufe.fehlt);
        WirfFilterFehler();
    }
    quelle = text;
    if (!zeiger->UebersetzeAusString(quelle.c_str(), {}, true)) {
        const char* meldungen = zeiger->GetMeldungen();
        Velm_Konsole::Schreibe("%s", stufe.gescheitert);
        Velm_Konsole::Schreibe("!%s", meldungen != nullptr ? meldungen : "");
        WirfFilterFehler();
    }
    return zeiger;
}

} // namespace

void GpuFreigabe::operator()(Velm_BasisObjekt* objekt) const {
    if (Velm_Screen3D::Kontext != nullptr)
        Velm_Screen3D::Kontext->GibObjektFrei(objekt);
}

Filter::Filter(const std::string& name, const TiXmlElement& element, const FilterVerwaltung& verwaltung)
    : mName(name) {
    Velm_ZeichenKontext& kontext = *Velm_Screen3D::Kontext;

    int nummer = 1;
    for (const TiXmlElement* e = element.FirstChildElement("eingabe"); e; e = e->NextSiblingElement("eingabe"))
        mEingaben.push_back(LiesEingabe(*e, nummer++));

    if (const TiXmlElement* ausgabe = element.FirstChildElement("ausgabe")) {
        const char* ausgabeName = ausgabe->Attribute("name");
        if (ausgabeName == nullptr) {
            Velm_Konsole::Schreibe("!Filter::LadeAus(...): Die Ausgabe muss einen Namen über \"name\" definieren.");
            WirfFilterFehler();
        }
        mAusgabe = ausgabeName;
        const char* teiler = ausgabe->Attribute("teiler");
        if (mAusgabe != "ergebnis" && teiler != nullptr) {
            // The leading decimal number, 0 without one; far too large values saturate.
            mTeiler = std::strtoll(teiler, nullptr, 10);
            // Image sizes divide as unsigned numbers: a negative divisor would make them vanish.
            if (mTeiler <= 0) {
                Velm_Konsole::Schreibe(
                    "!Filter::LadeAus(...): Ungültige Angabe im Attribut \"teiler\" der Ausgabebild-Angabe.");
                mTeiler = 1;
            }
        }
    }

    if (const TiXmlElement* blending = element.FirstChildElement("alphablending")) {
        int64_t faktoren[2] = {Velm_BlendEins, Velm_BlendNull};
        const char* attribute[2] = {"quelle", "ziel"};
        for (int i = 0; i < 2; ++i) {
            const char* text = blending->Attribute(attribute[i]);
            if (text == nullptr)
                continue;
            faktoren[i] = BlendFaktor(text);
            if (faktoren[i] < 0) {
                Velm_Konsole::Schreibe("!Filter::LadeAus(...): Ungültige AlphaBlending-Angabe im Attribut \"%s\". "
                                       "Gültige Werte sind \"eins\", \"null\", \"alpha\" und \"invalpha\".",
                                       attribute[i]);
                WirfFilterFehler();
            }
        }
        if (faktoren[0] != Velm_BlendEins || faktoren[1] != Velm_BlendNull) {
            const Velm_AlphaZustandBeschreibung beschreibung{uint32_t(faktoren[0]), uint32_t(faktoren[1])};
            mAlphaZustand.reset(kontext.ErzeugeAlphaZustand(beschreibung));
        }
    }

    if (element.FirstChildElement("alphatest"))
        Velm_Konsole::Schreibe("?Filter::LadeAus(...): Element <alphatest> wird nicht mehr unterstützt.");

    mVertexShader = LadeShader(element, kVertexStufe, kontext.ErzeugeVertexShader(), mVertexShaderQuelle);
    mPixelShader = LadeShader(element, kPixelStufe, kontext.ErzeugePixelShader(), mPixelShaderQuelle);
    mProgramm.reset(kontext.ErzeugeProgramm(verwaltung.mQuadEingabe.get(), mVertexShader.get(),
                                            mPixelShader.get()));
}

Filter::~Filter() {
    mVertexShader.reset();
    mPixelShader.reset();
    mProgramm.reset();
    mAlphaZustand.reset();
}

void FilterEffekt::LadeAus(const std::string& name, const TiXmlElement& element,
                           const FilterVerwaltung& verwaltung) {
    mName = name;
    mBeschreibung = TextDesErsten(element.FirstChildElement("beschreibung"));

    for (const TiXmlElement* e = element.FirstChildElement("filter"); e; e = e->NextSiblingElement("filter")) {
        const int geladen = int(mFilter.size());
        const char* filterName = e->Attribute("name");
        const std::string passName = filterName != nullptr ? filterName : "Filter" + std::to_string(geladen + 1);
        try {
            mFilter.emplace_back(passName, *e, verwaltung);
        } catch (const Velm_Ausnahme& ausnahme) {
            Velm_Konsole::Schreibe("!FilterEffekt::LadeAus(...): Fehler beim Laden des %d. Filters in Effekt "
                                   "\"%s\" - %s.",
                                   geladen, mName.c_str(), ausnahme.mText.c_str());
        }
    }

    for (const TiXmlElement* e = element.FirstChildElement("textur"); e; e = e->NextSiblingElement("textur")) {
        const char* texturName = e->Attribute("name");
        if (texturName == nullptr) {
            Velm_Konsole::Schreibe("!FilterEffekt::LadeAus(...): Textureintrag in Filtereffekt \"%s\" hat kein "
                                   "\"name\"-Atribut.",
                                   mName.c_str());
            continue;
        }
        const char* beschreibung = e->Attribute("beschreibung");
        const char* standard = e->Attribute("standard");
        mTexturen.push_back({texturName, beschreibung != nullptr ? beschreibung : "",
                             standard != nullptr ? standard : ""});
    }

    for (const TiXmlElement* e = element.FirstChildElement("param"); e; e = e->NextSiblingElement("param")) {
        const int nummer = int(mParameter.size()) + 1;
        const char* paramName = e->Attribute("name");
        if (paramName == nullptr) {
            Velm_Konsole::Schreibe("!FilterEffekt::LadeAus(...): Parameter in Filtereffekt \"%s\" hat kein "
                                   "\"name\"-Atribut.",
                                   mName.c_str());
            continue;
        }
        const TiXmlElement* konstante = e->FirstChildElement("konstante");
        if (konstante == nullptr) {
            Velm_Konsole::Schreibe("!FilterEffekt::LadeAus(...): Der %d. Parameter in Filtereffekt \"%s\" hat "
                                   "kein \"konstante\"-Element.",
                                   nummer, mName.c_str());
            continue;
        }
        const char* wert = konstante->Attribute("wert");
        if (wert == nullptr) {
            Velm_Konsole::Schreibe("!FilterEffekt::LadeAus(...): Der Konstanteneintrag im %d. Parameter des "
                                   "Filtereffekts \"%s\" hat kein \"wert\"-Atribut.",
                                   nummer, mName.c_str());
            continue;
        }
        Param param{paramName, TextDesErsten(e->FirstChildElement("beschreibung")), wert};
        if (const TiXmlElement* standard = e->FirstChildElement("standard")) {
            param.mStandard[0] = ZahlOder(*standard, "r", 0);
            param.mStandard[1] = ZahlOder(*standard, "g", 0);
            param.mStandard[2] = ZahlOder(*standard, "b", 0);
            param.mStandard[3] = ZahlOder(*standard, "a", 1);
        }
        mParameter.push_back(std::move(param));
    }
}

} // namespace Spiel
