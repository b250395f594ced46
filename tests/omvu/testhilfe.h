#pragma once
// The input system on a scripted source with a fixed clock, a captured log and a handler that
// writes down every event it receives.

#include "omvu/omvu_inputsystem.h"
#include "plattform/eingabe/plattform_eingabe_skript.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace OmvuTest {

using Plattform::GeraeteArt;
using Plattform::SkriptEingabe;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::FloatNear;
using ::testing::IsEmpty;
using ::testing::Pointwise;

constexpr uint64_t kTastatur = 1;
constexpr uint64_t kMaus = 2;
// The product word of a pad in the pad list.
constexpr uint32_t kPadWort = 0x028E045E;

// Writes each event as a short line; events whose kind is in verbrauchen are consumed, and on
// those in aussteigen the handler takes itself out of the system before it writes them down.
class Protokollant : public Omvu::InputHandler {
public:
    std::vector<std::string> ereignisse;
    std::set<std::string> verbrauchen;
    std::set<std::string> aussteigen;

    using K = Omvu::Keyboard;
    using M = Omvu::Mouse;
    using J = Omvu::Joystick;
    using D = Omvu::Device;
    bool HandleKey(K* d, uint32_t n, bool an) override { return Neu("key", d, Knopf(n, an)); }
    bool HandleMouseMove(M* d, float x, float y) override { return Neu("move", d, Zahl(x) + " " + Zahl(y)); }
    bool HandleMouseButton(M* d, size_t n, bool an) override { return Neu("mbutton", d, Knopf(n, an)); }
    bool HandleMouseAxis(M* d, float w) override { return Neu("wheel", d, Zahl(w)); }
    bool HandleJoystickButton(J* d, size_t n, bool an) override { return Neu("jbutton", d, Knopf(n, an)); }
    bool HandleJoystickAxis(J* d, size_t n, float w) override { return Neu("jaxis", d, Achse(n, w)); }
    bool HandleCharacter(K* d, uint32_t z) override { return Neu("char", d, std::to_string(z)); }
    bool HandleButton(D* d, size_t n, bool an) override { return Neu("button", d, Knopf(n, an)); }
    bool HandleAxis(D* d, size_t n, float w) override { return Neu("axis", d, Achse(n, w)); }
    void HandleDigitalChannel(const Omvu::DigitalChannel& c) override {
        ereignisse.push_back("digital " + std::to_string(c.channelId) + (c.state ? " on" : " off"));
    }
    void HandleAnalogChannel(const Omvu::AnalogChannel& c) override {
        ereignisse.push_back("analog " + std::to_string(c.channelId) + " " + Zahl(c.value));
    }

    // The events since the last call.
    std::vector<std::string> Nimm() { return std::exchange(ereignisse, {}); }

    static std::string Zahl(float wert) {
        char text[32];
        snprintf(text, sizeof text, "%g", double(wert));
        return text;
    }

private:
    static std::string Knopf(size_t n, bool an) { return std::to_string(n) + (an ? " down" : " up"); }
    static std::string Achse(size_t n, float wert) { return std::to_string(n) + " " + Zahl(wert); }
    bool Neu(const std::string& art, Omvu::Device* d, const std::string& text) {
        if (aussteigen.count(art) != 0)
            Omvu::gInstance->SetHandler(nullptr);
        ereignisse.push_back(art + " d" + std::to_string(d->GetId()) + " " + text);
        return verbrauchen.count(art) != 0;
    }
};

class Umgebung : public ::testing::Test {
protected:
    static inline std::unique_ptr<Plattform::SkriptEingabe> sNaechste;
    static inline uint32_t sUhr = 0;
    static inline std::vector<std::string> sLog;
    static inline char sFensterAttrappe = 0;

    Plattform::SkriptEingabe* quelle = nullptr;
    Protokollant handler;

    static GLFWwindow* Fenster() { return reinterpret_cast<GLFWwindow*>(&sFensterAttrappe); }

    void SetUp() override {
        sNaechste = std::make_unique<Plattform::SkriptEingabe>();
        quelle = sNaechste.get();
        quelle->geraete = {{GeraeteArt::Tastatur, kTastatur, "keyboard"}, {GeraeteArt::Maus, kMaus, "mouse"}};
        sUhr = 1000;
        sLog.clear();
        Plattform::SetzeEingabeFabrik([](GLFWwindow* f) -> std::unique_ptr<Plattform::EingabeQuelle> {
            return f ? std::move(sNaechste) : nullptr;
        });
        Plattform::SetzeEingabeUhr([] { return sUhr; });
        Omvu::gLogCallback = [](const char* zeile) { sLog.emplace_back(zeile); };
    }

    void TearDown() override {
        Omvu::Shutdown();
        Plattform::SetzeEingabeFabrik(nullptr);
        Plattform::SetzeEingabeUhr(nullptr);
        Omvu::gLogCallback = nullptr;
    }

    // Creates the system with the handler installed and runs the first frame.
    void Starte(bool ersterFrame = true) {
        ASSERT_TRUE(Omvu::Initialize(Fenster()));
        System().SetHandler(&handler);
        if (ersterFrame)
            Frame();
        handler.Nimm();
    }

    // Two pads of one kind around a plain controller with 3 buttons and 4 axes.
    void StarteMitDrei() {
        quelle->steuergeraete = {{0, kPadWort, 11, 6, Plattform::SteuerFehler::Keiner},
                                 {1, 0x00060079, 3, 4, Plattform::SteuerFehler::Keiner},
                                 {2, kPadWort, 11, 6, Plattform::SteuerFehler::Keiner}};
        quelle->padListe = {kPadWort, kPadWort};
        quelle->pads = {{0, {}}, {1, {}}};
        quelle->joysticks[1] = {};
        Starte();
    }

    static Omvu::InputSystem& System() { return *Omvu::gInstance; }
    static Omvu::Device& Geraet(size_t id) { return *System().GetDevices()[id]; }
    static Omvu::Keyboard& Tastatur() { return *System().GetFirstKeyboard(); }
    static Omvu::Mouse& Maus() { return *System().GetFirstMouse(); }

    static void Frame(uint32_t millisekunden = 16, int anzahl = 1) {
        for (int i = 0; i < anzahl; ++i) {
            sUhr += millisekunden;
            System().Update();
        }
    }
    void Cursor(float x, float y) {
        quelle->cursorX = x;
        quelle->cursorY = y;
    }

    void Druecke(uint32_t code, uint32_t zeichen = 0) {
        quelle->Pumpe(SkriptEingabe::Taste(kTastatur, code, true, zeichen));
    }
    void Lasse(uint32_t code) { quelle->Pumpe(SkriptEingabe::Taste(kTastatur, code, false)); }
};

} // namespace OmvuTest
