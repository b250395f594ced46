#include "plattform/system/plattform_system.h"
#include "velmklassen/absturz/velm_stapelleser.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <unistd.h>

namespace {

// Keeps every text instead of printing it.
class TMitschreiber : public Velm_Stapelleser {
public:
    std::string mText;

protected:
    void BeiAusgabe(const char* text) override { mText += text; }
};

// Returns the report and the line of the walk's call, which the report must name.
__attribute__((noinline)) std::string BekannteFunktion(int& zeile) {
    TMitschreiber leser;
    zeile = __LINE__ + 1;
    EXPECT_TRUE(leser.GibAufrufstapelAus(0, nullptr));
    EXPECT_EQ(leser.LetzterFehler(), 0u);
    return leser.mText;
}

std::atomic<uint32_t> gWartenderFaden{0};

// Blocks in a read that the walk interrupts; the comparison after it keeps this frame.
__attribute__((noinline)) int WarteAufZeichen(int kanal) {
    gWartenderFaden = Plattform::FadenId();
    char zeichen = 0;
    const ssize_t gelesen = read(kanal, &zeichen, 1);
    return gelesen == 1 ? zeichen : -1;
}
constexpr int kLeseZeile = __LINE__ - 3;

} // namespace

TEST(Stapelleser, AktuellerFadenNenntFunktionDateiUndZeile) {
    int zeile = 0;
    const std::string text = BekannteFunktion(zeile);
    EXPECT_EQ(text.rfind("SymInit: Symbol-SearchPath: '", 0), 0u) << text;
    EXPECT_NE(text.find("\nOS-Version: "), std::string::npos);
    EXPECT_NE(text.find("test_stapelleser.cpp (" + std::to_string(zeile) +
                        "): (anonymous namespace)::BekannteFunktion"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("): Velm_Stapelleser::GibAufrufstapelAus(unsigned int, void const*)\n"),
              std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 2), "\n\n");
}

TEST(Stapelleser, AndererFadenHaeltFuerDenGangAnUndLaeuftWeiter) {
    int kanal[2];
    ASSERT_EQ(pipe(kanal), 0);
    int ergebnis = 0;
    std::thread faden([&] { ergebnis = WarteAufZeichen(kanal[0]); });
    while (gWartenderFaden.load() == 0)
        Plattform::Schlafe(1);
    Plattform::Schlafe(50);

    TMitschreiber leser;
    EXPECT_TRUE(leser.GibAufrufstapelAus(gWartenderFaden.load(), nullptr));
    EXPECT_NE(leser.mText.find("test_stapelleser.cpp (" + std::to_string(kLeseZeile) +
                               "): (anonymous namespace)::WarteAufZeichen(int)\n"),
              std::string::npos)
        << leser.mText;
    // The read it was stopped in goes on and gets its character.
    ASSERT_EQ(write(kanal[1], "z", 1), 1);
    faden.join();
    EXPECT_EQ(ergebnis, 'z');
    close(kanal[0]);
    close(kanal[1]);

    // A thread that has ended cannot be walked.
    uint32_t beendet = 0;
    std::thread([&] { beendet = Plattform::FadenId(); }).join();
    TMitschreiber spaet;
    EXPECT_FALSE(spaet.GibAufrufstapelAus(beendet, nullptr));
    EXPECT_EQ(spaet.LetzterFehler(), Velm_Stapelleser::kFehlerBibliothek);
}

TEST(Stapelleser, RahmenZeilen) {
    const std::string lang(5000, 'n');
    const struct {
        int art;
        uint64_t adresse;
        uint32_t zeile;
        const char* texte[5]; // file, module, name, undecorated name, full undecorated name
        std::string erwartet;
    } faelle[] = {
        // clang-format off
        {0, 0x1234, 12, {"a/b.cpp", "spiel", "_Z1fv", "f", "f()"}, "a/b.cpp (12): f()\n"},
        {1, 0x1234, 7, {"a/b.cpp", "", "_Z1fv", "f", ""}, "a/b.cpp (7): f\n"},
        {1, 0x1234, 7, {"a/b.cpp", "", "_Z1fv", "", ""}, "a/b.cpp (7): _Z1fv\n"},
        {1, 0x1234, 0, {"", "libc.so.6", "raise", "raise", "raise"},
         "0x1234 (libc.so.6): (filename not available): raise\n"},
        {1, 0xab, 0, {"", "", "", "", ""},
         "0xab ((module-name not available)): (filename not available): (function-name not available)\n"},
        {1, 0x1234, 0, {"", "m", lang.c_str(), "", ""},
         ("0x1234 (m): (filename not available): " + lang).substr(0, 4095)},
        {2, 0x1234, 7, {"a/b.cpp", "", "f", "", ""}, ""},
        {1, 0, 7, {"a/b.cpp", "", "f", "", ""}, ""},
        // clang-format on
    };
    for (const auto& fall : faelle) {
        auto eintrag = std::make_unique<Velm_StapelEintrag>();
        eintrag->mAdresse = fall.adresse;
        eintrag->mZeile = fall.zeile;
        char* felder[] = {eintrag->mZeilenDatei, eintrag->mModulName, eintrag->mName,
                          eintrag->mUnverzierterName, eintrag->mVollerUnverzierterName};
        for (int i = 0; i < 5; ++i)
            std::strncpy(felder[i], fall.texte[i], sizeof eintrag->mName - 1);
        char zeile[4096];
        Velm_Stapelleser::FormatiereEintrag(fall.art, *eintrag, zeile);
        EXPECT_EQ(zeile, fall.erwartet);
    }
}
