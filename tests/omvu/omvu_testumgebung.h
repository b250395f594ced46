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
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr uint64_t kTastatur = 1;
constexpr uint64_t kMaus = 2;

// Writes each event as a short line; events whose kind is in verbrauchen are consumed.
class Protokollant : public Omvu::InputHandler {
public:
    std::vector<std::string> ereignisse;
    std::set<std::string> verbrauchen;

    bool HandleKey(Omvu::Keyboard* k, uint32_t code, bool an) override { return Notiere("key", k, code, an); }
    bool HandleMouseMove(Omvu::Mouse* m, float x, float y) override {
        return Notiere("move", m, Zahl(x) + " " + Zahl(y));
    }
    bool HandleMouseButton(Omvu::Mouse* m, size_t knopf, bool an) override {
        return Notiere("mbutton", m, knopf, an);
    }
    bool HandleMouseAxis(Omvu::Mouse* m, float menge) override { return Notiere("wheel", m, Zahl(menge)); }
    bool HandleJoystickButton(Omvu::Joystick* j, size_t knopf, bool an) override {
        return Notiere("jbutton", j, knopf, an);
    }
    bool HandleJoystickAxis(Omvu::Joystick* j, size_t achse, float wert) override {
        return Notiere("jaxis", j, std::to_string(achse) + " " + Zahl(wert));
    }
    bool HandleCharacter(Omvu::Keyboard* k, uint32_t zeichen) override {
        return Notiere("char", k, std::to_string(zeichen));
    }
    bool HandleButton(Omvu::Device* d, size_t knopf, bool an) override {
        return Notiere("button", d, knopf, an);
    }
    bool HandleAxis(Omvu::Device* d, size_t achse, float wert) override {
        return Notiere("axis", d, std::to_string(achse) + " " + Zahl(wert));
    }
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
    bool Notiere(const std::string& art, Omvu::Device* d, size_t knopf, bool an) {
        return Notiere(art, d, std::to_string(knopf) + (an ? " down" : " up"));
    }
    bool Notiere(const std::string& art, Omvu::Device* d, const std::string& text) {
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
        Plattform::SetzeEingabeFabrik(&Fabrik);
        Plattform::SetzeEingabeUhr([] { return sUhr; });
        Omvu::gLogCallback = [](const char* zeile) { sLog.emplace_back(zeile); };
    }

    void TearDown() override {
        Omvu::Shutdown();
        Plattform::SetzeEingabeFabrik(nullptr);
        Plattform::SetzeEingabeUhr(nullptr);
        Omvu::gLogCallback = nullptr;
        sNaechste.reset();
    }

    static std::unique_ptr<Plattform::EingabeQuelle> Fabrik(GLFWwindow* fenster) {
        if (!fenster)
            return nullptr;
        return std::move(sNaechste);
    }

    // Creates the system with the handler installed and runs the first frame.
    void Starte(bool ersterFrame = true) {
        ASSERT_TRUE(Omvu::Initialize(Fenster()));
        System().SetHandler(&handler);
        if (ersterFrame)
            Frame();
        handler.Nimm();
    }

    static Omvu::InputSystem& System() { return *Omvu::gInstance; }
    static Omvu::Keyboard& Tastatur() { return *System().GetFirstKeyboard(); }
    static Omvu::Mouse& Maus() { return *System().GetFirstMouse(); }

    static void Frame(uint32_t millisekunden = 16) {
        sUhr += millisekunden;
        System().Update();
    }

    void Druecke(uint32_t code, uint32_t zeichen = 0) {
        quelle->Pumpe(SkriptEingabe::Taste(kTastatur, code, true, zeichen));
    }
    void Lasse(uint32_t code) { quelle->Pumpe(SkriptEingabe::Taste(kTastatur, code, false)); }
};

} // namespace OmvuTest
