#include "velmklassen/kern/velm_profilmanager.h"
#include "velmklassen/kern/velm_variable.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

int gAufrufe = 0;
bool gErlauben = true;

// Asked from a static initialiser of this file: the manager and its root exist whatever the order
// in which the translation units are initialised.
const size_t gProfilKnotenBeimStart = Velm_ProfilManager::Global().Knoten().size();

} // namespace

TEST(Variable, TextSetzenJeTyp) {
    static Velm_Variable schalter("test_bool", false), zahl("test_int", 5), text("test_text", "anfang");
    // A switch is on for these words, exactly as written, and for numbers above 0.
    const std::pair<const char*, const char*> schalterTexte[] = {
        {"on", "ja"}, {"an", "ja"}, {"true", "ja"}, {"ja", "ja"}, {"2", "ja"}, {"On", "nein"}, {"-1", "nein"},
    };
    for (const auto& [eingabe, erwartet] : schalterTexte) {
        schalter.SetText(eingabe);
        EXPECT_EQ(schalter.Text(), erwartet) << eingabe;
    }
    // Integers are read as strtol reads them, clamped to 32 bits.
    const std::pair<const char*, int> zahlen[] = {
        {"  -17abc", -17}, {"99999999999999999999", INT_MAX}, {"-99999999999999999999", INT_MIN}};
    for (const auto& [eingabe, erwartet] : zahlen) {
        zahl.SetText(eingabe);
        EXPECT_EQ(zahl.Text(), std::to_string(erwartet));
        EXPECT_EQ(zahl.Int(), erwartet);
    }
    // The vectors take the first numbers, w 1 when there are fewer than four.
    text.SetText("1, 2");
    EXPECT_EQ(std::vector<float>(text.Vektor4(), text.Vektor4() + 4), std::vector<float>({1, 2, 0, 1}));
    text.SetText("3 4 5 6 7");
    EXPECT_EQ(std::vector<float>(text.Vektor4(), text.Vektor4() + 4), std::vector<float>({3, 4, 5, 6}));

    // SetInt leaves the vectors and a text variable's text alone.
    text.SetInt(7);
    EXPECT_TRUE(text.Bool());
    EXPECT_EQ(std::vector<float>(text.Vektor4(), text.Vektor4() + 4), std::vector<float>({3, 4, 5, 6}));
    EXPECT_EQ(text.Text(), "3 4 5 6 7");
}

TEST(Variable, RueckrufMitVeto) {
    gAufrufe = 0;
    // Variables stay registered until the process ends, so the tests' own variables are static.
    static Velm_Variable v("test_rueckruf", 3, 0, [](Velm_Variable&, bool, const std::string&) {
        ++gAufrufe;
        return gErlauben;
    });
    EXPECT_EQ(gAufrufe, 0); // the initial value does not reach the callback
    v.SetInt(4);
    EXPECT_EQ(gAufrufe, 2);
    gErlauben = false;
    v.SetText("9");
    v.SetBool(false);
    EXPECT_EQ(gAufrufe, 4);
    EXPECT_EQ(v.Text(), "4");
    gErlauben = true;
}

// Both registries exist from the first entry on, whatever the order of static initialisation.
TEST(Register, GleicherNameErsetztUndProfilwurzelBestehtAbStart) {
    static Velm_Variable erste("test_doppelt", 1), zweite("test_doppelt", 2);
    EXPECT_EQ(Velm_Variable::Finde("test_doppelt"), &zweite);
    EXPECT_EQ(gProfilKnotenBeimStart, 1u);
}
