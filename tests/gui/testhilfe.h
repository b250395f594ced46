#pragma once
// Shared by the GUI tests: the global timer stepped by hand, a settable screen size, leaf elements
// with a chosen preferred size and a recorder of key events, and a modal container.

#include "gui/gui_anordnung.h"
#include "gui/gui_oberflaeche.h"
#include "gui/gui_renderer.h"
#include "gui/gui_widgets.h"
#include "velmklassen/kern/velm_zeitgeber.h"
#include "velmklassen/render/velm_screen3d.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace guitest {

inline void Schritt(float sekunden) {
    Velm_Zeitgeber::Global().Schritt(Gui::Ticks(sekunden));
}

inline void SetzeZahl(TEigenschaften& wurzel, const std::string& pfad, float wert) {
    TEigenschaften* knoten = &wurzel;
    for (size_t anfang = 0; anfang <= pfad.size();) {
        const size_t ende = std::min(pfad.find('.', anfang), pfad.size());
        knoten = &knoten->Kind(pfad.substr(anfang, ende - anfang));
        anfang = ende + 1;
    }
    knoten->SetzeAusText("float", std::to_string(wert));
}

// A leaf that prefers a given size.
class Kasten : public Gui::Basis {
public:
    explicit Kasten(const BVektor& wunsch = {100, 40, 0}) : mWunsch(wunsch) {}
    void Zeichne(Gui::Renderer& renderer) const override { renderer.ZeichneLeer(*this); }
    BVektor GibWunschGroesse() const override { return AutomatischeGroesse() ? mWunsch : Groesse(); }

    BVektor mWunsch;
};

// Takes the focus and keeps every key event it gets.
class Horcher : public Kasten {
public:
    bool IstAktivierbar() const override { return true; }
    void BeiTaste(Gui::TasteEreignis& ereignis) override {
        mTasten.push_back(ereignis);
        ereignis.SetBehandelt();
    }
    std::vector<Gui::TasteEreignis> mTasten;
};

class Modal : public Gui::VaterBasis {
public:
    bool IstModal() const override { return true; }
};

// A surface on an 800 x 600 screen whose first layout pass has run.
class Flaeche : public ::testing::Test {
protected:
    Flaeche() {
        Velm_Screen3D::mDarstellung = {800, 600, 0, 0};
        mFlaeche = std::make_unique<Gui::Oberflaeche>("");
        Schritt(0.01f);
    }

    template <class T> T* Neu(T* element, Gui::VaterBasis* vater = nullptr) {
        (vater ? vater : mFlaeche.get())->AddKind(element);
        return element;
    }
    // A fixed-size button at a fixed place.
    Gui::Button* Knopf(const std::string& text, float x, float y, Gui::VaterBasis* vater = nullptr) {
        Gui::Button* knopf = Neu(new Gui::Button(text), vater);
        knopf->SetGroesse({100, 40, 0}, false);
        knopf->SetPosition({x, y, 0}, false);
        return knopf;
    }

    std::unique_ptr<Gui::Oberflaeche> mFlaeche;
};

} // namespace guitest
