// The chain of a filter set: which image every pass reads and writes.

#include "nadrel/filter/filterverwaltung.h"

#include "velmklassen/kern/velm_konsole.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

namespace Spiel {

namespace {

constexpr const char* kErgebnis = "ergebnis";
constexpr const char* kHdr = "hdr_ref";

// Index of the image of that name, or -1.
int64_t FindeBild(const std::vector<FilterSatz::Bild>& bilder, const std::string& name) {
    for (size_t i = 0; i < bilder.size(); ++i)
        if (bilder[i].mName == name)
            return int64_t(i);
    return -1;
}

void HaengeBildAn(std::vector<FilterSatz::Bild>& bilder, uint32_t art, const std::string& name,
                  uint64_t teiler) {
    FilterSatz::Bild bild;
    bild.mArt = art;
    bild.mName = name;
    bild.mTeiler = teiler;
    bilder.push_back(std::move(bild));
}

bool LiestErgebnis(const Filter& filter) {
    return std::any_of(filter.mEingaben.begin(), filter.mEingaben.end(),
                       [](const Filter::Eingabe& e) { return e.mBild == kErgebnis; });
}

// One step for every filter of every active effect, in the order of their ids.
void LegeSchritteAn(FilterSatz& satz) {
    for (const auto& [id, effekt] : satz.mAktiv)
        for (const Filter& filter : effekt->mFilter)
            satz.mSchritte.push_back({effekt, &filter, {}, {}, -1});
}

// The textures the effects declare as inputs. A name that is an image of another kind already
// stays that image.
void SammleTexturen(FilterSatz& satz) {
    for (const FilterSatz::Schritt& schritt : satz.mSchritte) {
        for (const FilterEffekt::Textur& textur : schritt.mEffekt->mTexturen) {
            const int64_t vorhanden = FindeBild(satz.mBilder, textur.mName);
            if (vorhanden < 0)
                HaengeBildAn(satz.mBilder, FilterSatz::kBildTextur, textur.mName, 1);
            else if (satz.mBilder[vorhanden].mArt != FilterSatz::kBildTextur)
                Velm_Konsole::Schreibe(
                    "!Filtereffekt \"%s\" definiert Eingabetextur \"%s\", die vorher schon "
                    "Renderziel war.",
                    schritt.mEffekt->mName.c_str(), textur.mName.c_str());
        }
    }
}

// The set's parameters with their defaults, and each step's indices into them. The first effect
// that declares a name decides its default.
void SammleParameter(FilterSatz& satz) {
    for (FilterSatz::Schritt& schritt : satz.mSchritte) {
        for (const FilterEffekt::Param& param : schritt.mEffekt->mParameter) {
            const auto gleich = [&](const FilterSatz::Parameter& p) { return p.mName == param.mName; };
            const int64_t index = std::find_if(satz.mParameter.begin(), satz.mParameter.end(), gleich) -
                                  satz.mParameter.begin();
            if (index == int64_t(satz.mParameter.size())) {
                FilterSatz::Parameter neu{param.mName, {}};
                std::memcpy(neu.mWert, param.mStandard, sizeof neu.mWert);
                satz.mParameter.push_back(std::move(neu));
            }
            schritt.mParameter.push_back(index);
        }
    }
}

// The images the steps write besides "ergebnis" and "hdr_ref". Every step that writes one name
// must give it the same divisor.
void SammleAusgaben(FilterSatz& satz) {
    for (const FilterSatz::Schritt& schritt : satz.mSchritte) {
        const Filter& filter = *schritt.mFilter;
        if (filter.mAusgabe == kErgebnis || filter.mAusgabe == kHdr)
            continue;
        const int64_t vorhanden = FindeBild(satz.mBilder, filter.mAusgabe);
        if (vorhanden < 0)
            HaengeBildAn(satz.mBilder, FilterSatz::kBildAusgabe, filter.mAusgabe, uint64_t(filter.mTeiler));
        else if (satz.mBilder[vorhanden].mArt != FilterSatz::kBildAusgabe ||
                 satz.mBilder[vorhanden].mTeiler != uint64_t(filter.mTeiler))
            Velm_Konsole::Schreibe("!FilterEffekt \"%s\", Filter \"%s\" definiert Ausgabebild mit "
                                   "konfliktbehafteten Parametern.",
                                   schritt.mEffekt->mName.c_str(), filter.mName.c_str());
    }
}

using BilderNachName = std::unordered_map<std::string, int64_t>;

BilderNachName NachName(const std::vector<FilterSatz::Bild>& bilder) {
    BilderNachName nachName;
    for (size_t i = 0; i < bilder.size(); ++i)
        nachName.emplace(bilder[i].mName, int64_t(i));
    return nachName;
}

// The output of the nearest step before `i` that writes "ergebnis"; none: `ohne`.
int64_t LetzteErgebnisAusgabe(const std::vector<FilterSatz::Schritt>& schritte, size_t i, int64_t ohne) {
    for (size_t j = i; j-- > 0;)
        if (schritte[j].mFilter->mAusgabe == kErgebnis)
            return schritte[j].mAusgabe;
    return ohne;
}

// "ergebnis" reads what the nearest step before wrote there, or the scene image when no step did
// or its output went to the destination. A name no image has is reported and reads the scene image.
void OrdneEingabenZu(FilterSatz& satz, size_t i, const BilderNachName& nachName) {
    FilterSatz::Schritt& schritt = satz.mSchritte[i];
    const Filter& filter = *schritt.mFilter;
    int position = 0;
    for (const Filter::Eingabe& eingabe : filter.mEingaben) {
        int64_t index = 0;
        if (eingabe.mBild == kErgebnis) {
            index = std::max<int64_t>(LetzteErgebnisAusgabe(satz.mSchritte, i, 0), 0);
        } else if (const auto it = nachName.find(eingabe.mBild); it != nachName.end()) {
            index = it->second;
        } else {
            Velm_Konsole::Schreibe("!FilterVerwaltung::BerechneFilterkette(): Das %d. Eingabebild \"%s\" des "
                                   "Filters \"%s\" im Effekt \"%s\" konnte nicht zugeordnet werden. Rohbild "
                                   "der Engine wird verwendet.",
                                   position, eingabe.mBild.c_str(), filter.mName.c_str(),
                                   schritt.mEffekt->mName.c_str());
        }
        schritt.mEingaben.push_back(index);
        ++position;
    }
}

// "quiff" and "quoff", made when first needed, which the steps that read and write "ergebnis"
// take in turns.
struct Wechselbilder {
    int64_t mBild[2] = {-1, -1};
    int mNaechstes = 0;
};

// A named output goes into its image. "ergebnis" from a step that does not read it goes where the
// nearest step before wrote it (the destination when none did); from one that reads it, to the
// destination when no later step reads it, else into the alternating images.
void OrdneAusgabeZu(FilterSatz& satz, size_t i, const BilderNachName& nachName, Wechselbilder& wechsel) {
    FilterSatz::Schritt& schritt = satz.mSchritte[i];
    const Filter& filter = *schritt.mFilter;
    if (filter.mAusgabe != kErgebnis) {
        schritt.mAusgabe = nachName.at(filter.mAusgabe);
    } else if (!LiestErgebnis(filter)) {
        schritt.mAusgabe = LetzteErgebnisAusgabe(satz.mSchritte, i, -1);
    } else if (std::none_of(satz.mSchritte.begin() + int64_t(i) + 1, satz.mSchritte.end(),
                            [](const FilterSatz::Schritt& s) { return LiestErgebnis(*s.mFilter); })) {
        schritt.mAusgabe = -1;
    } else {
        int64_t& bild = wechsel.mBild[wechsel.mNaechstes];
        if (bild < 0) {
            bild = int64_t(satz.mBilder.size());
            const char* name = wechsel.mNaechstes == 0 ? "quiff" : "quoff";
            HaengeBildAn(satz.mBilder, FilterSatz::kBildAusgabe, name, 1);
        }
        schritt.mAusgabe = bild;
        wechsel.mNaechstes ^= 1;
    }
}

} // namespace

void FilterVerwaltung::BerechneFilterkette(FilterSatz& satz) {
    satz.mSchritte.clear();
    satz.mParameter.clear();
    satz.mBilder.clear();

    LegeSchritteAn(satz);
    HaengeBildAn(satz.mBilder, FilterSatz::kBildRoh, kErgebnis, 1);
    HaengeBildAn(satz.mBilder, FilterSatz::kBildHdr, kHdr, 1);
    SammleTexturen(satz);
    SammleParameter(satz);
    SammleAusgaben(satz);

    // Taken before the alternating images exist, so no input can name them.
    const BilderNachName nachName = NachName(satz.mBilder);
    Wechselbilder wechsel;
    for (size_t i = 0; i < satz.mSchritte.size(); ++i) {
        OrdneEingabenZu(satz, i, nachName);
        OrdneAusgabeZu(satz, i, nachName, wechsel);
    }
}

} // namespace Spiel
