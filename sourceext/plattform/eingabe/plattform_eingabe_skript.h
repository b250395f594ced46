#pragma once
// A scripted input source for tests: devices, controllers, cursor and failures are plain fields; key,
// character, button, wheel and motion records are pumped at once or held for the next update.

#include "plattform/eingabe/plattform_eingabe.h"

#include <deque>
#include <map>
#include <optional>
#include <utility>

namespace Plattform {

class SkriptEingabe final : public EingabeQuelle {
public:
    static RohSatz Taste(uint64_t geraet, uint32_t code, bool gedrueckt, uint32_t zeichen = 0);
    // A dead key: no character, its spacing accent waits for the next key.
    static RohSatz TotTaste(uint64_t geraet, uint32_t code, uint32_t akzent);
    static RohSatz Knopf(uint64_t geraet, unsigned knopf, bool gedrueckt);
    static RohSatz Rad(uint64_t geraet, int16_t menge);
    static RohSatz Bewegung(uint64_t geraet, int32_t dx, int32_t dy, bool absolut = false);

    // Delivers a record as the window's event pump would, straight to the receiver.
    void Pumpe(const RohSatz& satz);
    // Holds a record until the next update reads it.
    void Puffere(const RohSatz& satz) { puffer.push_back(satz); }

    bool Gelingt(StartSchritt schritt) override { return scheitertBei != schritt; }
    void SetzeEmpfaenger(Empfaenger e) override { mEmpfaenger = std::move(e); }
    ListenStatus LiesGeraeteliste(std::vector<RohGeraet>& liste) override;
    bool LiesSatz(RohSatz& satz) override;
    bool LiesCursor(float& x, float& y) override;
    void SetzeCursor(int x, int y) override { cursorGesetzt.emplace_back(x, y); }
    void FensterGroesse(int& b, int& h) override {
        b = breite;
        h = hoehe;
    }
    std::string TastenName(uint32_t code) override;
    std::vector<Steuergeraet> Steuergeraete() override { return steuergeraete; }
    bool PadListe(std::vector<uint32_t>& produktWorte) override;
    bool LiesPad(uint64_t padIndex, PadZustand& zustand) override;
    bool LiesJoystick(uint64_t handle, JoystickZustand& zustand) override;

    std::optional<StartSchritt> scheitertBei;
    std::vector<RohGeraet> geraete;
    ListenStatus listenStatus = ListenStatus::Ok;
    std::deque<RohSatz> puffer;

    bool cursorLesbar = true;
    float cursorX = 0;
    float cursorY = 0;
    int breite = 800;
    int hoehe = 600;
    std::vector<std::pair<int, int>> cursorGesetzt;

    std::vector<Steuergeraet> steuergeraete;
    bool padListeLesbar = true;
    std::vector<uint32_t> padListe;
    // A pad or controller without an entry fails its read.
    std::map<uint64_t, PadZustand> pads;
    std::map<uint64_t, JoystickZustand> joysticks;
    std::map<uint64_t, uint32_t> padLesungen;

private:
    Empfaenger mEmpfaenger;
};

} // namespace Plattform
