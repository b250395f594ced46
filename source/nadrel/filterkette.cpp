// The chain of a filter set: which image every pass reads and writes.

#include "nadrel/filterverwaltung.h"

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

void HaengeBildAn(std::vector<FilterSatz::Bild>& bilder, uint32_t art, const std::string& name, uint64_t teiler) {
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

} // namespace

void FilterVerwaltung::BerechneFilterkette(FilterSatz& satz) {
    satz.mSchritte.clear();
    satz.mParameter.clear();
    satz.mBilder.clear();

    std::vector<FilterSatz::Schritt>& schritte = satz.mSchritte;
    std::vector<FilterSatz::Bild>& bilder = satz.mBilder;
    for (const auto& [id, effekt] : satz.mAktiv)
        for (const Filter& filter : effekt->mFilter)
            schritte.push_back({effekt, &filter, {}, {}, -1});

    HaengeBildAn(bilder, FilterSatz::kBildRoh, kErgebnis, 1);
    HaengeBildAn(bilder, FilterSatz::kBildHdr, kHdr, 1);

    for (const FilterSatz::Schritt& schritt : schritte) {
        for (const FilterEffekt::Textur& textur : schritt.mEffekt->mTexturen) {
            const int64_t vorhanden = FindeBild(bilder, textur.mName);
            if (vorhanden < 0)
                HaengeBildAn(bilder, FilterSatz::kBildTextur, textur.mName, 1);
            else if (bilder[vorhanden].mArt != FilterSatz::kBildTextur)
                Velm_Konsole::Schreibe("!Filtereffekt \"%s\" definiert Eingabetextur \"%s\", die vorher schon "
                                       "Renderziel war.",
                                       schritt.mEffekt->mName.c_str(), textur.mName.c_str());
        }
    }

    // The first effect that declares a name decides its default.
    for (FilterSatz::Schritt& schritt : schritte) {
        for (const FilterEffekt::Param& param : schritt.mEffekt->mParameter) {
            const auto gleich = [&](const FilterSatz::Parameter& p) { return p.mName == param.mName; };
            const int64_t index =
                std::find_if(satz.mParameter.begin(), satz.mParameter.end(), gleich) - satz.mParameter.begin();
            if (index == int64_t(satz.mParameter.size())) {
                FilterSatz::Parameter neu{param.mName, {}};
                std::memcpy(neu.mWert, param.mStandard, sizeof neu.mWert);
                satz.mParameter.push_back(std::move(neu));
            }
            schritt.mParameter.push_back(index);
        }
    }

    for (const FilterSatz::Schritt& schritt : schritte) {
        const Filter& filter = *schritt.mFilter;
        if (filter.mAusgabe == kErgebnis || filter.mAusgabe == kHdr)
            continue;
        const int64_t vorhanden = FindeBild(bilder, filter.mAusgabe);
        if (vorhanden < 0)
            HaengeBildAn(bilder, FilterSatz::kBildAusgabe, filter.mAusgabe, uint64_t(filter.mTeiler));
        else if (bilder[vorhanden].mArt != FilterSatz::kBildAusgabe ||
                 bilder[vorhanden].mTeiler != uint64_t(filter.mTeiler))
            Velm_Konsole::Schreibe("!FilterEffekt \"%s\", Filter \"%s\" definiert Ausgabebild mit "
                                   "konfliktbehafteten Parametern.",
                                   schritt.mEffekt->mName.c_str(), filter.mName.c_str());
    }

    // Built before the alternating images exist, so no input can name them.
    std::unordered_map<std::string, int64_t> nachName;
    for (size_t i = 0; i < bilder.size(); ++i)
        nachName.emplace(bilder[i].mName, int64_t(i));

    int64_t wechselBilder[2] = {-1, -1};
    int wechsel = 0;
    // The output of the nearest step before `i` that writes "ergebnis"; none: `ohne`.
    const auto letzteErgebnisAusgabe = [&](size_t i, int64_t ohne) {
        for (size_t j = i; j-- > 0;)
            if (schritte[j].mFilter->mAusgabe == kErgebnis)
                return schritte[j].mAusgabe;
        return ohne;
    };

    for (size_t i = 0; i < schritte.size(); ++i) {
        FilterSatz::Schritt& schritt = schritte[i];
        const Filter& filter = *schritt.mFilter;
        int position = 0;
        for (const Filter::Eingabe& eingabe : filter.mEingaben) {
            int64_t index = 0;
            if (eingabe.mBild == kErgebnis) {
                index = std::max<int64_t>(letzteErgebnisAusgabe(i, 0), 0);
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

        if (filter.mAusgabe != kErgebnis) {
            schritt.mAusgabe = nachName.at(filter.mAusgabe);
        } else if (!LiestErgebnis(filter)) {
            schritt.mAusgabe = letzteErgebnisAusgabe(i, -1);
        } else if (std::none_of(schritte.begin() + int64_t(i) + 1, schritte.end(),
                                [](const FilterSatz::Schritt& s) { return LiestErgebnis(*s.mFilter); })) {
            schritt.mAusgabe = -1;
        } else {
            int64_t& bild = wechselBilder[wechsel];
            if (bild < 0) {
                bild = int64_t(bilder.size());
                HaengeBildAn(bilder, FilterSatz::kBildAusgabe, wechsel == 0 ? "quiff" : "quoff", 1);
            }
            schritt.mAusgabe = bild;
            wechsel ^= 1;
        }
    }
}

} // namespace Spiel
