#include "testhilfe.h"

#include "testhilfen/textquelle.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

struct Daten {
    TTextQuelle mQuelle;
    CppErgebnis* mErgebnis = nullptr;
};

char* Eingabe(char* puffer, int groesse, void* benutzer, FILE*) {
    return static_cast<Daten*>(benutzer)->mQuelle.LiesZeile(puffer, groesse);
}

void Ausgabe(int zeichen, void* benutzer) {
    static_cast<Daten*>(benutzer)->mErgebnis->mAusgabe += static_cast<char>(zeichen);
}

void Meldung(void* benutzer, const char* format, va_list argumente) {
    char text[2048];
    vsnprintf(text, sizeof(text), format, argumente);
    static_cast<Daten*>(benutzer)->mErgebnis->mMeldungen += text;
}

std::vector<std::pair<std::string, std::string>> gDateien;

FILE* OeffneVirtuell(const char* name, const char* modus) {
    for (const auto& [pfad, text] : gDateien)
        if (pfad == name)
            return text.empty() ? fopen("/dev/null", modus)
                                : fmemopen(const_cast<char*>(text.data()), text.size(), modus);
    return nullptr;
}

} // namespace

void SetzeVirtuelleDateien(std::vector<std::pair<std::string, std::string>> dateien) {
    gDateien = std::move(dateien);
}

CppErgebnis Vorverarbeite(const std::string& quelle, const std::vector<CppTag>& extra) {
    CppErgebnis ergebnis;
    Daten daten{{quelle.data(), quelle.size()}, &ergebnis};
    std::vector<CppTag> tags = {
        cpp_Tag(CppTag_Eingabename, "test.fx"),
        cpp_Tag(CppTag_Eingabe, &Eingabe),
        cpp_Tag(CppTag_Ausgabe, &Ausgabe),
        cpp_Tag(CppTag_Meldungen, &Meldung),
        cpp_Tag(CppTag_Benutzerdaten, &daten),
        cpp_Tag(CppTag_Zeilenmarken, 0),
        cpp_Tag(CppTag_Banner, 0),
        cpp_Tag(CppTag_DateiOeffnen, &OeffneVirtuell),
    };
    tags.insert(tags.end(), extra.begin(), extra.end());
    tags.push_back({CppTag_Ende, 0});
    CppZustand zustand;
    ergebnis.mRueckgabe = cpp_Verarbeite(tags.data(), zustand);
    return ergebnis;
}

std::string Wiederholt(const std::string& text, int anzahl) {
    std::string ergebnis;
    for (int i = 0; i < anzahl; ++i)
        ergebnis += text;
    return ergebnis;
}

void Pruefe(const std::vector<CppFall>& faelle) {
    const std::string praefix = "cpp: \"test.fx\", ";
    for (const CppFall& fall : faelle) {
        SCOPED_TRACE(fall.quelle.substr(0, 80));
        CppErgebnis e = Vorverarbeite(fall.quelle, fall.tags);
        for (size_t p = e.mMeldungen.find(praefix); p != std::string::npos; p = e.mMeldungen.find(praefix, p))
            e.mMeldungen.erase(p, praefix.size());
        EXPECT_EQ(e.mAusgabe, fall.ausgabe);
        EXPECT_EQ(e.mMeldungen, fall.meldungen);
        bool ignorieren = false;
        for (const CppTag& tag : fall.tags)
            ignorieren = tag.mTag == CppTag_FehlerIgnorieren ? tag.mWert != 0 : ignorieren;
        const bool fehler = fall.meldungen.find("Error: ") != std::string::npos && !ignorieren;
        EXPECT_EQ(e.mRueckgabe, fehler || fall.meldungen.find("Fatal: ") != std::string::npos);
    }
}
