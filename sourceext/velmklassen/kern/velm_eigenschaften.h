#pragma once
// A tree of named, typed values looked up by dotted path ("button.groesse.x"), read from XML:
// the GUI keeps its look and sizes in one ("GuiKonfig.xml").
//
// XML form: one element per node; the optional attribute "typ" names the value's type, the
// element's text is the value, child elements are child nodes:
//   <gui><button><groesse><x>120</x><farbe typ="TAlphaFarbe">1 0.5 0 1</farbe></groesse></button></gui>

#include "velmklassen/kern/velm_farbe.h"
#include "velmklassen/kern/velm_vektor.h"

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <variant>

class TiXmlElement;

// Text forms of the two vector values: the components separated by blanks ("1 2 3",
// "1 0.5 0 1"). Reading skips blanks itself, because lexical_cast switches skipws off.
std::istream& operator>>(std::istream& strom, BVektor& v);
std::ostream& operator<<(std::ostream& strom, const BVektor& v);
std::istream& operator>>(std::istream& strom, TAlphaFarbe& f);
std::ostream& operator<<(std::ostream& strom, const TAlphaFarbe& f);

class TEigenschaften {
public:
    // Type names, in the order of the value's alternatives: none, "TVektor", "TAlphaFarbe",
    // "string", "int", "unsigned int", "float".
    using Wert = std::variant<std::monostate, BVektor, TAlphaFarbe, std::string, int32_t, uint32_t, float>;
    using KinderListe = std::map<std::string, std::unique_ptr<TEigenschaften>, std::less<>>;

    TEigenschaften() = default;
    explicit TEigenschaften(std::string name) : mName(std::move(name)) {}

    // Parses the whole text as the named type; no type name, or one not in the list above, means
    // "float". Text that does not convert throws Velm_Ausnahme naming the node and the text, and
    // the old value stays.
    void SetzeAusText(const char* typName, const std::string& text);

    // Names joined by dots, one per level; the empty path is this node. Null when a name is missing.
    const TEigenschaften* Finde(std::string_view pfad) const;
    TEigenschaften* Finde(std::string_view pfad);

    // The child of that name, created empty when there is none.
    TEigenschaften& Kind(std::string_view name);

    const std::string& Name() const { return mName; }
    // Null for a node without value.
    const char* TypName() const;
    const Wert& GetWert() const { return mWert; }
    // The value when it is of type T, else null: `if (const float* f = knoten->Hole<float>())`.
    template <class T> const T* Hole() const { return std::get_if<T>(&mWert); }
    // The value's text form, "" without value; floats keep every digit they need.
    std::string AlsText() const;
    const KinderListe& Kinder() const { return mKinder; }

private:
    std::string mName;
    Wert mWert;
    KinderListe mKinder;
};

// Loads property trees from XML. The document's first element stands for the target node (its
// own name is not stored); what it holds is added to the target, so loading twice merges, and a
// second element of the same name continues the child of that name.
namespace TEigenschaften_Serialisierung {

// A file that cannot be read or parsed throws Velm_Ausnahme "Datei nicht geladen"; a value that
// does not convert throws from `TEigenschaften::SetzeAusText`, and what was read before stays.
void LadeEigenschaftenAusXml(TEigenschaften& ziel, const std::filesystem::path& pfad);
// The same from XML text in memory; text that does not parse throws "Text nicht geladen".
void LadeEigenschaftenAusXmlText(TEigenschaften& ziel, std::string_view text);
// Reads one element into a node, its child elements into child nodes, recursively.
void LadeElement(TEigenschaften& knoten, const TiXmlElement& element);

} // namespace TEigenschaften_Serialisierung
