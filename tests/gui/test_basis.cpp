// The element tree: properties that fall back to the surface's, and children that move between
// containers, are hidden with them and go with them.

#include "testhilfe.h"

using namespace guitest;

namespace {

TEST_F(Flaeche, EigenschaftenFallenAufDieOberflaecheZurueck) {
    SetzeZahl(mFlaeche->Eigenschaften(), "text.groesse.x", 120);
    SetzeZahl(mFlaeche->Eigenschaften(), "text.groesse.y", 30);
    auto* text = Neu(new Gui::Text("t", true));
    SetzeZahl(text->Eigenschaften(), "text.groesse.y", 25);
    EXPECT_EQ(text->GibWunschGroesse(), (BVektor{120, 25, 0}));
    EXPECT_EQ(text->GibEigenschaft("fehlt", 7), 7);
}

TEST_F(Flaeche, KinderWandernVerbergenUndGehen) {
    const size_t vorher = Velm_Zeitgeber::Global().AnzahlAufrufe();
    auto* a = Neu(new Gui::VaterBasis);
    auto* b = Neu(new Gui::VaterBasis);
    auto* kind = Neu(new Kasten, a);
    b->AddKind(kind);
    EXPECT_TRUE(a->Kinder().empty());
    EXPECT_EQ(kind->Vater(), b);

    b->SetAktiv(false);
    EXPECT_FALSE(kind->IstAktiv()) << "a container passes its flag on";
    EXPECT_EQ(Velm_Zeitgeber::Global().AnzahlAufrufe(), vorher + 1) << "one layout pass for all changes";
    // Deleted with its container, a focused button leaves neither focus nor binding behind.
    auto* knopf = Knopf("k", 0, 0, a);
    knopf->SetTastenkuerzel(40);
    mFlaeche->SetFokus(knopf);
    delete a;
    EXPECT_EQ(mFlaeche->Fokus(), nullptr);
    EXPECT_TRUE(mFlaeche->Bindungen(40).empty());
    EXPECT_EQ(mFlaeche->Kinder(), (std::vector<Gui::Basis*>{b}));
}

} // namespace
