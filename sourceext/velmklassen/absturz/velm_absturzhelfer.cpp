#include "velmklassen/absturz/velm_absturzhelfer.h"

#include "plattform/absturz/plattform_helfer.h"
#include "velmklassen/absturz/velm_stapelleser.h"

#include <cstdio>
#include <cstring>

namespace {

using Plattform::HelferAntwortArt;
using Plattform::kHelferKanal;

// Hands each text of the frame report to the crashed process, which logs it.
class THelferStapelleser : public Velm_Stapelleser {
public:
    explicit THelferStapelleser(uint32_t prozess) : Velm_Stapelleser(kAlleOptionen, prozess) {}

protected:
    void BeiAusgabe(const char* text) override {
        Plattform::SendeHelferAntwort(kHelferKanal, HelferAntwortArt::Text, text, std::strlen(text));
    }
};

void SchreibeDump(const Plattform::HelferAuftrag& auftrag, const std::vector<Plattform::HelferModul>& module) {
    // Where this process may not read the crashed one, the crashed process writes its dump itself.
    uint8_t probe = 0;
    if (module.empty() || !Plattform::LiesSpeicher(auftrag.mProzess, module[0].mBereich.mBasis, &probe, 1))
        return;
    Plattform::HelferDumpErgebnis ergebnis;
    const int datei = Plattform::ErzeugeDumpDatei(auftrag.mDumpPfad, ergebnis.mFehler);
    if (datei >= 0) {
        ergebnis.mErzeugt = 1;
        ergebnis.mGeschrieben = Plattform::SchreibeProzessDump(datei, auftrag, module, ergebnis.mFehler);
        Plattform::SchliesseDumpDatei(datei);
    }
    Plattform::SendeHelferAntwort(kHelferKanal, HelferAntwortArt::Dump, &ergebnis, sizeof ergebnis);
}

} // namespace

int Velm_AbsturzHelfer() {
    Plattform::BegrenzeHelfer();
    Plattform::HelferAuftrag auftrag;
    std::vector<Plattform::Rahmen> rahmen;
    std::vector<Plattform::HelferModul> module;
    if (!Plattform::IstHelferKanal(kHelferKanal) ||
        !Plattform::UebernimmHelferAuftrag(kHelferKanal, auftrag, rahmen, module)) {
        std::fprintf(stderr, "%s: this mode is started by the crash filter only.\n", Plattform::kHelferSchalter);
        return 2;
    }
    // The dump first: should the symbols fail, it is there.
    if (auftrag.mDumpPfad[0])
        SchreibeDump(auftrag, module);
    if (!rahmen.empty()) {
        THelferStapelleser leser(auftrag.mProzess);
        if (leser.GibRahmenAus(rahmen.data(), rahmen.size()))
            Plattform::SendeHelferAntwort(kHelferKanal, HelferAntwortArt::StapelEnde, nullptr, 0);
    }
    return 0;
}
