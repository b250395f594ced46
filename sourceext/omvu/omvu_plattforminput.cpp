#include "omvu/omvu_plattforminput.h"

#include "omvu/omvu_plattformjoystick.h"
#include "omvu/omvu_plattformkeyboard.h"
#include "omvu/omvu_plattformmouse.h"

#include <algorithm>
#include <stdexcept>

namespace Omvu {

namespace {

using Plattform::StartSchritt;

void Verlange(Plattform::EingabeQuelle& quelle, StartSchritt schritt, const char* fehler) {
    if (!quelle.Gelingt(schritt))
        throw std::runtime_error(fehler);
}

PlattformGeraet* AlsPlattformGeraet(Device* d) {
    return dynamic_cast<PlattformGeraet*>(d);
}

} // namespace

PlattformInput::PlattformInput(GLFWwindow* window) : mWindow(window) {
    mQuelle = Plattform::OeffneEingabe(mWindow);
    if (!mQuelle)
        throw std::runtime_error("HWND is not valid");
    mQuelle->SetzeEmpfaenger([this](const Plattform::RohSatz& satz) { LeiteWeiter(satz); });
    Verlange(*mQuelle, StartSchritt::Schnittstelle, "Unable to init DirectX8 Input");
    Verlange(*mQuelle, StartSchritt::Tastatur, "Could not init default keyboard");
    Verlange(*mQuelle, StartSchritt::Tastaturformat, "Keyboard format error");
    EnumerateDevices();
    MarkXInputControllers();
    Verlange(*mQuelle, StartSchritt::Registrierung, "failed to register for input messages");
}

PlattformInput::~PlattformInput() {
    DeleteDevices();
    mMice.clear();
    mKeyboards.clear();
    mQuelle.reset();
}

void PlattformInput::EnumerateDevices() {
    for (const Plattform::Steuergeraet& s : mQuelle->Steuergeraete()) {
        try {
            AddDevice(std::make_unique<PlattformJoystick>(*this, s));
        } catch (const std::exception&) {
            // A controller that cannot be set up is left out.
        }
    }

    std::vector<Plattform::RohGeraet> liste;
    switch (mQuelle->LiesGeraeteliste(liste)) {
    case Plattform::ListenStatus::AnzahlFehlt:
        throw std::runtime_error("unable to get device count");
    case Plattform::ListenStatus::ListeFehlt:
        throw std::runtime_error("unable to retrieve device list");
    case Plattform::ListenStatus::Ok:
        break;
    }
    for (const Plattform::RohGeraet& g : liste) {
        // Remote-desktop devices stand for the remote side's input, not a device of this machine.
        if (g.art == Plattform::GeraeteArt::Andere || g.name.find("RDP_") != std::string::npos)
            continue;
        try {
            if (g.art == Plattform::GeraeteArt::Tastatur) {
                auto k = std::make_unique<PlattformKeyboard>(*this);
                mKeyboards.emplace(g.handle, k.get());
                AddDevice(std::move(k));
            } else {
                auto m = std::make_unique<PlattformMouse>(*this);
                mMice.emplace(g.handle, m.get());
                AddDevice(std::move(m));
            }
        } catch (const std::exception&) {
        }
    }
}

// Pads get the fixed layout: each listed pad marks the first controller in device-list order with
// its product word that is not marked yet, and the n-th mark reads pad n.
void PlattformInput::MarkXInputControllers() {
    std::vector<uint32_t> worte;
    if (!mQuelle->PadListe(worte))
        return;
    uint64_t n = 0;
    for (const uint32_t wort : worte) {
        for (const auto& d : GetDevices()) {
            auto* j = dynamic_cast<PlattformJoystick*>(d.get());
            if (j && !j->IsPad() && j->GetProductWord() == wort) {
                j->SetXInputIndex(n++);
                break;
            }
        }
    }
}

void PlattformInput::LeiteWeiter(const Plattform::RohSatz& satz) {
    if (satz.art == Plattform::GeraeteArt::Maus) {
        if (const auto it = mMice.find(satz.geraet); it != mMice.end())
            it->second->ParseMessage(satz.maus);
    } else if (satz.art == Plattform::GeraeteArt::Tastatur) {
        if (const auto it = mKeyboards.find(satz.geraet); it != mKeyboards.end())
            it->second->ParseMessage(satz.tastatur);
    }
}

void PlattformInput::Update() {
    InputSystem::Update();
    for (const auto& d : GetDevices())
        if (PlattformGeraet* g = AlsPlattformGeraet(d.get()))
            g->StartFrame();
    Plattform::RohSatz satz;
    while (mQuelle->LiesSatz(satz))
        LeiteWeiter(satz);
    for (const auto& d : GetDevices())
        if (PlattformGeraet* g = AlsPlattformGeraet(d.get()))
            g->EndFrame();
    EndFirstFrames();
}

void PlattformInput::InternSetFocus(bool focused) {
    for (const auto& d : GetDevices())
        if (PlattformGeraet* g = AlsPlattformGeraet(d.get()))
            g->SetFocus(focused);
}

void PlattformInput::InternSetMouseGrab(bool grab) {
    int breite = 0, hoehe = 0;
    mQuelle->FensterGroesse(breite, hoehe);
    int x = breite / 2, y = hoehe / 2;
    if (!grab) {
        const Mouse* m = GetFirstMouse();
        x = m ? int(std::clamp(m->GetPositionX(), 0.0f, float(breite))) : 0;
        y = m ? int(std::clamp(m->GetPositionY(), 0.0f, float(hoehe))) : 0;
    }
    mQuelle->SetzeCursor(x, y);
}

} // namespace Omvu
