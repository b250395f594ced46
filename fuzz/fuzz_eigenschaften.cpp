// Property-tree XML: any text either loads or ends in a Velm_Ausnahme, and every loaded node can
// be found by its path and turned back into text that reads as the same value.

#include "velmklassen/kern/velm_ausnahme.h"
#include "velmklassen/kern/velm_eigenschaften.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void Pruefe(bool bedingung) {
    if (!bedingung)
        std::abort();
}

void Besuche(const TEigenschaften& wurzel, const TEigenschaften& knoten, const std::string& pfad) {
    Pruefe(wurzel.Finde(pfad) == &knoten);
    if (knoten.TypName()) {
        TEigenschaften kopie;
        kopie.SetzeAusText(knoten.TypName(), knoten.AlsText());
        Pruefe(kopie.GetWert().index() == knoten.GetWert().index());
    }
    for (const auto& [name, kind] : knoten.Kinder())
        if (name.find('.') == std::string::npos)
            Besuche(wurzel, *kind, pfad.empty() ? name : pfad + "." + name);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* daten, size_t groesse) {
    const std::string text(reinterpret_cast<const char*>(daten), groesse);

    TEigenschaften wurzel;
    try {
        TEigenschaften_Serialisierung::LadeEigenschaftenAusXmlText(wurzel, text);
    } catch (const Velm_Ausnahme&) {
    }
    Besuche(wurzel, wurzel, "");

    // The value parsers on their own, with the whole input as the text.
    for (const char* typ : {"TVektor", "TAlphaFarbe", "string", "int", "unsigned int", "float"}) {
        TEigenschaften knoten("k");
        try {
            knoten.SetzeAusText(typ, text);
        } catch (const Velm_Ausnahme&) {
            Pruefe(knoten.TypName() == nullptr);
        }
    }
    return 0;
}
