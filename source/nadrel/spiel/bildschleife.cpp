#include "nadrel/spiel/anwendung.h"

#include "nadrel/darstellung/renderer.h"
#include "nadrel/filter/filtersatz.h"
#include "nadrel/oberflaeche/eingabeempfaenger.h"
#include "nadrel/oberflaeche/overlay.h"
#include "nadrel/oberflaeche/pausemenu.h"
#include "nadrel/spiel/testhaken.h"
#include "nadrel/welt/levelbau.h"
#include "nadrel/welt/objekt.h"
#include "nadrel/welt/schluessel.h"
#include "nadrel/welt/spieler.h"
#include "nadrel/welt/szene.h"
#include "omvu/omvu_inputsystem.h"
#include "plattform/grafik9/grafik9_testhaken.h"
#include "plattform/system/plattform_system.h"
#include "velmklassen/kern/velm_konsole.h"
#include "velmklassen/kern/velm_system.h"
#include "velmklassen/kern/velm_variable.h"
#include "velmklassen/kern/velm_zeitgeber.h"
#include "velmklassen/render/velm_blockgfx3d.h"
#include "velmklassen/render/velm_font3d.h"
#include "velmklassen/render/velm_screen3d.h"
#include "velmklassen/render/velm_zeichenkontext.h"

#include <algorithm>

namespace Spiel {

namespace {

Velm_Variable zeigeFps("zeigeFps", true, Velm_Variable::kGespeichert);

// Scan codes of the keys the frame loop reads itself.
enum : uint32_t { kEscape = 1, kF1 = 59, kNumMinus = 74, kNumPlus = 78, kF11 = 87 };

constexpr uint64_t kKleinsteHoehe = 30;
constexpr uint64_t kGroessteHoehe = 960;

// Clears the receiver when the run ends in any way, so that the input system never reaches the
// run's receiver after it is gone.
struct EmpfaengerWache {
    ~EmpfaengerWache() {
        if (Omvu::gInstance != nullptr)
            Omvu::gInstance->SetHandler(nullptr);
    }
};

} // namespace

float Pausenstaerke(float staerke, int64_t schrittTicks, bool pausiert) {
    const float g = float(schrittTicks) / gZaehlerFrequenzF * 2;
    return pausiert ? std::min(staerke + g, 1.0f) : std::max(staerke - g, 0.0f);
}

int BilderProSekunde(int64_t schrittTicks) {
    if (schrittTicks <= 0)
        return 0;
    return int(1.0 / (double(schrittTicks) / gZaehlerFrequenzD) + 0.5);
}

void Anwendung::BildJob::operator()() const {
    FuerAlleBelegten(mWelt.mObjekte, [](uint64_t, Objekt* objekt) { objekt->Aktualisiere(); });
    const Spieler& spieler = *mWelt.mSpieler;
    mRenderer.ZeichneSzene(mWelt, mHoehe, spieler.mPosition, spieler.mGieren, spieler.mNicken, mFilter);
    mAnwendung.mKern.BeendeHauptschleife();
}

void Anwendung::Ausfuehren() {
    const Testhaken haken = LiesTesthaken();

    Velm_Zeitgeber spielZeit(haken.Zaehler());
    spielZeit.SetMaxSchritt(int64_t(gZaehlerFrequenzF * 0.1f));

    Buttons buttons(&spielZeit);
    EmpfaengerWache wache;
    Omvu::gInstance->SetHandler(&buttons);

    Plattform::SetzeZufallsSaat(haken.mSaat.value_or(uint32_t(Plattform::LiesZaehler())));
    Szene welt(&spielZeit);
    BaueSzene(welt);

    Renderer renderer(DatenOrdner());
    FilterSatz filter(renderer.mFilter.mEffekte);
    filter.AddFilter("pause", 0);
    FilterVerwaltung::BerechneFilterkette(filter);

    uint64_t hoehe = 60;
    float staerke = 0;

    // Held by reference: the fiber's callable then fits the function wrapper without allocating.
    const BildJob job{welt, renderer, hoehe, filter, *this};
    Velm_System& system = Velm_System::Global();
    Velm_Zeitgeber& globaleZeit = Velm_Zeitgeber::Global();
    uint64_t bilder = 0;
    while (!system.mBeenden) {
        Omvu::gInstance->Update();
        if (system.mProFrame)
            system.mProFrame();
        globaleZeit.Aktualisiere();
        Velm_Konsole::Aktualisiere();
        spielZeit.Aktualisiere();

        staerke = Pausenstaerke(staerke, globaleZeit.LetzterSchritt(), spielZeit.Pausiert());
        filter.SetParameter("staerke", staerke, 0, 0, 0);

        const Omvu::Keyboard* tastatur = Omvu::gInstance->GetFirstKeyboard();
        const auto gedrueckt = [tastatur](uint32_t code) {
            return tastatur && tastatur->WasKeyPressed(code);
        };
        if (!spielZeit.Pausiert()) {
            if (gedrueckt(kNumPlus) && hoehe < kGroessteHoehe)
                hoehe *= 2;
            if (gedrueckt(kNumMinus) && hoehe > kKleinsteHoehe)
                hoehe /= 2;
            if (gedrueckt(kEscape))
                buttons.mOberflaeche->AddKind(new PauseMenu(&spielZeit));
        }

        mKern.StarteImHauptfaden(std::cref(job));
        mKern.BearbeiteHauptschleife();

        if (gSchluesselGenommen) {
            gOverlayAtlas->ZeichneGrafik(kOverlaySchluessel, 10, 50, TAlphaFarbe{1, 1, 1, 1}, 128, 128, 0);
            gOverlayAtlas->Zeichne();
        }
        buttons.mOberflaeche->ZeichneAlles(*buttons.mRenderer);
        mKonsole->Zeichne();

        if (gedrueckt(kF1))
            SpeichereBildschirmfoto();
        if (gedrueckt(kF11))
            SchalteKonsole(buttons);

        if (zeigeFps.Bool()) {
            Velm_Font3D& schrift = *gOverlayFont;
            // The GUI draws with the same font and leaves its alignment, colour and height as its
            // last text wanted them: the corner at (10, 10) holds only with the defaults.
            schrift.SetStandardWerte();
            schrift.ZeichneFormatiert(10, 10, "%d fps", BilderProSekunde(globaleZeit.LetzterSchritt()));
            schrift.ZeichneWarteschlange();
        }

        if (bilder + 1 == haken.mGpuResetBild) {
            Plattform::ErzwingeKontextVerlust(2);
            Plattform::ErzwingeKontextFehler(haken.mKontextFehler);
        }
        Velm_Screen3D::Kontext->Praesentieren();

        ++bilder;
        if (bilder == haken.mAbsturzBild)
            LoeseAbsturzAus();
        if (bilder == haken.mBildgrenze)
            system.mBeenden = true;
    }
}

void Anwendung::SchalteKonsole(Buttons& buttons) {
    Velm_KonsoleStandardAnzeige& konsole = *mKonsole;
    if (konsole.mOffen) {
        // Closing hands the input back to the game, or a pause menu opened later could never be
        // closed again.
        Omvu::gInstance->SetHandler(&buttons);
        konsole.mGezeigt = false;
        konsole.mOffen = false;
    } else {
        konsole.mGezeigt = true;
        konsole.mOffen = true;
        Omvu::gInstance->SetHandler(&konsole);
    }
}

} // namespace Spiel
