#include "velmklassen/kern/velm_eigenschaften.h"

#include "velmklassen/kern/velm_ausnahme.h"
#include "velmklassen/kern/velm_konsole.h"
#include "velmklassen/kern/velm_speicher.h"
#include "velmklassen/kern/velm_xml.h"

#include <boost/lexical_cast.hpp>
#include <tinyxml.h>

#include <cstring>
#include <istream>
#include <iterator>
#include <limits>
#include <ostream>
#include <sstream>

std::istream& operator>>(std::istream& strom, BVektor& v) {
    return strom >> std::ws >> v.x >> std::ws >> v.y >> std::ws >> v.z;
}

std::ostream& operator<<(std::ostream& strom, const BVektor& v) {
    return strom << v.x << ' ' << v.y << ' ' << v.z;
}

std::istream& operator>>(std::istream& strom, TAlphaFarbe& f) {
    return strom >> std::ws >> f.r >> std::ws >> f.g >> std::ws >> f.b >> std::ws >> f.a;
}

std::ostream& operator<<(std::ostream& strom, const TAlphaFarbe& f) {
    return strom << f.r << ' ' << f.g << ' ' << f.b << ' ' << f.a;
}

namespace {

constexpr const char* kTypNamen[] = {nullptr, "TVektor",      "TAlphaFarbe", "string",
                                     "int",   "unsigned int", "float"};
static_assert(std::size(kTypNamen) == std::variant_size_v<TEigenschaften::Wert>);

bool Ist(const char* typName, const char* name) {
    return std::strcmp(typName, name) == 0;
}

TEigenschaften::Wert WertAusText(const char* typName, const std::string& text) {
    if (!typName)
        return boost::lexical_cast<float>(text);
    if (Ist(typName, "TVektor"))
        return boost::lexical_cast<BVektor>(text);
    if (Ist(typName, "TAlphaFarbe"))
        return boost::lexical_cast<TAlphaFarbe>(text);
    if (Ist(typName, "string"))
        return text;
    if (Ist(typName, "int"))
        return boost::lexical_cast<int32_t>(text);
    if (Ist(typName, "unsigned int"))
        return boost::lexical_cast<uint32_t>(text);
    return boost::lexical_cast<float>(text);
}

} // namespace

void TEigenschaften::SetzeAusText(const char* typName, const std::string& text) {
    try {
        // Converted before it replaces anything, so a failure keeps the old value.
        mWert = WertAusText(typName, text);
    } catch (const boost::bad_lexical_cast&) {
        const std::string meldung = "Eigenschaft \"" + mName + "\": \"" + text + "\" ist kein Wert vom Typ " +
                                    (typName ? typName : "float") + ".";
        Velm_Konsole::Schreibe("!TEigenschaften::SetzeAusText: %s", meldung.c_str());
        VELM_WIRF(meldung.c_str(), "TEigenschaften::SetzeAusText");
    }
}

const TEigenschaften* TEigenschaften::Finde(std::string_view pfad) const {
    const TEigenschaften* knoten = this;
    while (!pfad.empty()) {
        const size_t punkt = pfad.find('.');
        const auto kind = knoten->mKinder.find(pfad.substr(0, punkt));
        if (kind == knoten->mKinder.end())
            return nullptr;
        knoten = kind->second.get();
        pfad = punkt == std::string_view::npos ? std::string_view() : pfad.substr(punkt + 1);
    }
    return knoten;
}

TEigenschaften* TEigenschaften::Finde(std::string_view pfad) {
    return const_cast<TEigenschaften*>(std::as_const(*this).Finde(pfad));
}

TEigenschaften& TEigenschaften::Kind(std::string_view name) {
    auto kind = mKinder.find(name);
    if (kind == mKinder.end())
        kind = mKinder.emplace(std::string(name), std::make_unique<TEigenschaften>(std::string(name))).first;
    return *kind->second;
}

const char* TEigenschaften::TypName() const {
    return kTypNamen[mWert.index()];
}

std::string TEigenschaften::AlsText() const {
    if (const std::string* text = Hole<std::string>())
        return *text;
    std::ostringstream strom;
    strom.precision(std::numeric_limits<float>::max_digits10);
    std::visit(
        [&](const auto& wert) {
            if constexpr (!std::is_same_v<std::decay_t<decltype(wert)>, std::monostate>)
                strom << wert;
        },
        mWert);
    return strom.str();
}

namespace TEigenschaften_Serialisierung {

namespace {

// Parses the document and loads its first element; false when TinyXML does not accept the text.
bool LadeDokument(TEigenschaften& ziel, std::string_view xml, const char* funktion,
                  const std::string& quelle) {
    if (Velm_XmlElementAnfaenge(xml) > kVelmXmlHoechsteElemente) {
        Velm_Konsole::Schreibe("!%s( \"%s\"): Mehr als %zu Elemente.", funktion, quelle.c_str(),
                               kVelmXmlHoechsteElemente);
        return false;
    }

    // Values rely on condensed white space ("1 2 3", never " 1 2 3\n"). The switch is global to
    // TinyXML and other loaders turn it off, so it is set for this parse and restored after it.
    const bool verdichtet = TiXmlBase::IsWhiteSpaceCondensed();
    TiXmlBase::SetCondenseWhiteSpace(true);
    TiXmlDocument dokument;
    const bool gelesen = Velm_ParseXml(dokument, xml);
    TiXmlBase::SetCondenseWhiteSpace(verdichtet);
    if (!gelesen) {
        Velm_Konsole::Schreibe("!%s( \"%s\"): %s (Zeile %d, Spalte %d).", funktion, quelle.c_str(),
                               dokument.ErrorDesc(), dokument.ErrorRow(), dokument.ErrorCol());
        return false;
    }
    if (const TiXmlElement* wurzel = dokument.FirstChildElement())
        LadeElement(ziel, *wurzel);
    return true;
}

} // namespace

void LadeEigenschaftenAusXml(TEigenschaften& ziel, const std::filesystem::path& pfad) {
    constexpr const char* kFunktion = "TEigenschaften_Serialisierung::LadeEigenschaftenAusXml";
    TSpeicher datei;
    if (!datei.LadeDatei(pfad)) {
        Velm_Konsole::Schreibe("!%s( \"%s\"): Datei kann nicht gelesen werden.", kFunktion, pfad.c_str());
        VELM_WIRF("Datei nicht geladen", kFunktion);
    }
    const std::string_view text(reinterpret_cast<const char*>(datei.Daten()), datei.Groesse());
    if (!LadeDokument(ziel, text, kFunktion, pfad.string()))
        VELM_WIRF("Datei nicht geladen", kFunktion);
}

void LadeEigenschaftenAusXmlText(TEigenschaften& ziel, std::string_view text) {
    constexpr const char* kFunktion = "TEigenschaften_Serialisierung::LadeEigenschaftenAusXmlText";
    if (!LadeDokument(ziel, text, kFunktion, "<Text>"))
        VELM_WIRF("Text nicht geladen", kFunktion);
}

void LadeElement(TEigenschaften& knoten, const TiXmlElement& element) {
    const char* typName = element.Attribute("typ");
    const TiXmlNode* erstes = element.FirstChild();
    if (erstes && erstes->ToText())
        knoten.SetzeAusText(typName, erstes->ValueStr());
    for (const TiXmlElement* kind = element.FirstChildElement(); kind; kind = kind->NextSiblingElement())
        LadeElement(knoten.Kind(kind->ValueStr()), *kind);
}

} // namespace TEigenschaften_Serialisierung
