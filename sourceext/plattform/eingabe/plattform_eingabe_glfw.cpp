// The input of one GLFW window. GLFW's callbacks stand in for the raw-input messages of the window
// procedure; the callbacks installed before are kept, called after ours and restored at the end.

#include "plattform/eingabe/plattform_eingabe.h"

#include <GLFW/glfw3.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace Plattform {

namespace {

constexpr uint64_t kTastaturHandle = 1;
constexpr uint64_t kMausHandle = 2;
constexpr int kMausKnoepfe = 5;

struct GlfwJoystick {
    int jid = 0;
    uint32_t produktWort = 0;
    bool istPad = false;
    uint32_t knopfAnzahl = 0;
    uint32_t achsAnzahl = 0;
};

class GlfwEingabe;
GlfwEingabe* gAktiv = nullptr;

class GlfwEingabe final : public EingabeQuelle {
public:
    explicit GlfwEingabe(GLFWwindow* fenster) : mFenster(fenster) {
        // X11 key codes are the Linux key codes plus 8, Wayland's are the Linux key codes.
        const int escape = glfwGetKeyScancode(GLFW_KEY_ESCAPE);
        mVersatz = escape > 0 ? escape - 1 : 8;
        FindeJoysticks();
    }

    ~GlfwEingabe() override {
        if (!mVerbunden)
            return;
        glfwSetKeyCallback(mFenster, mAlteTaste);
        glfwSetCharCallback(mFenster, mAltesZeichen);
        glfwSetMouseButtonCallback(mFenster, mAlterKnopf);
        glfwSetScrollCallback(mFenster, mAltesRad);
        glfwSetInputMode(mFenster, GLFW_LOCK_KEY_MODS, mAlteSperrModi);
        gAktiv = nullptr;
    }

    bool Gelingt(StartSchritt) override { return true; }

    void SetzeEmpfaenger(Empfaenger empfaenger) override {
        mEmpfaenger = std::move(empfaenger);
        if (mVerbunden)
            return;
        gAktiv = this;
        mAlteTaste = glfwSetKeyCallback(mFenster, BeiTaste);
        mAltesZeichen = glfwSetCharCallback(mFenster, BeiZeichen);
        mAlterKnopf = glfwSetMouseButtonCallback(mFenster, BeiKnopf);
        mAltesRad = glfwSetScrollCallback(mFenster, BeiRad);
        // Num Lock decides whether the keypad's decimal key is a digit key or Delete.
        mAlteSperrModi = glfwGetInputMode(mFenster, GLFW_LOCK_KEY_MODS);
        glfwSetInputMode(mFenster, GLFW_LOCK_KEY_MODS, GLFW_TRUE);
        mVerbunden = true;
    }

    ListenStatus LiesGeraeteliste(std::vector<RohGeraet>& liste) override {
        liste = {{GeraeteArt::Tastatur, kTastaturHandle, "GLFW keyboard"},
                 {GeraeteArt::Maus, kMausHandle, "GLFW mouse"}};
        return ListenStatus::Ok;
    }

    // The last key press of a pump may still wait for its character; the update takes it here.
    bool LiesSatz(RohSatz& satz) override {
        if (!mHatWartend)
            return false;
        satz = mWartend;
        mHatWartend = false;
        return true;
    }

    bool LiesCursor(float& x, float& y) override {
        double cx = 0, cy = 0;
        glfwGetCursorPos(mFenster, &cx, &cy);
        x = float(cx);
        y = float(cy);
        return true;
    }

    void SetzeCursor(int x, int y) override { glfwSetCursorPos(mFenster, x, y); }

    void FensterGroesse(int& breite, int& hoehe) override { glfwGetWindowSize(mFenster, &breite, &hoehe); }

    std::string TastenName(uint32_t code) override {
        const char* fest = FesterTastenName(code);
        if (*fest)
            return fest;
        const uint32_t taste = CodeZuLinuxTaste(code);
        if (taste == 0)
            return "";
        const char* name = glfwGetKeyName(GLFW_KEY_UNKNOWN, int(taste) + mVersatz);
        return name ? name : "";
    }

    std::vector<Steuergeraet> Steuergeraete() override {
        std::vector<Steuergeraet> liste;
        for (const GlfwJoystick& j : mJoysticks)
            liste.push_back(
                {uint64_t(j.jid), j.produktWort, j.knopfAnzahl, j.achsAnzahl, SteuerFehler::Keiner});
        return liste;
    }

    bool PadListe(std::vector<uint32_t>& produktWorte) override {
        produktWorte.clear();
        for (const GlfwJoystick& j : mJoysticks)
            if (j.istPad)
                produktWorte.push_back(j.produktWort);
        return true;
    }

    bool LiesPad(uint64_t padIndex, PadZustand& zustand) override {
        const GlfwJoystick* pad = NtesPad(padIndex);
        GLFWgamepadstate s;
        if (!pad || !glfwGetGamepadState(pad->jid, &s))
            return false;
        zustand = PadAusGlfw(s.buttons, s.axes);
        return true;
    }

    bool LiesJoystick(uint64_t handle, JoystickZustand& zustand) override {
        const GlfwJoystick* j = nullptr;
        for (const GlfwJoystick& k : mJoysticks)
            if (uint64_t(k.jid) == handle)
                j = &k;
        if (!j)
            return false;
        int achsAnzahl = 0, knopfAnzahl = 0;
        const float* achsen = glfwGetJoystickAxes(j->jid, &achsAnzahl);
        const unsigned char* knoepfe = glfwGetJoystickButtons(j->jid, &knopfAnzahl);
        if (!achsen || !knoepfe)
            return false;
        zustand = {};
        for (int i = 0; i < std::min(achsAnzahl, int(j->achsAnzahl)); ++i)
            zustand.achsen[i] = achsen[i];
        for (int i = 0; i < std::min(knopfAnzahl, int(j->knopfAnzahl)); ++i)
            if (knoepfe[i] == GLFW_PRESS)
                zustand.knoepfe |= uint64_t(1) << i;
        return true;
    }

private:
    void FindeJoysticks() {
        for (int jid = GLFW_JOYSTICK_1; jid <= GLFW_JOYSTICK_LAST; ++jid) {
            if (!glfwJoystickPresent(jid))
                continue;
            GlfwJoystick j;
            j.jid = jid;
            j.produktWort = ProduktWortAusGuid(glfwGetJoystickGUID(jid));
            j.istPad = glfwJoystickIsGamepad(jid);
            int achsen = 0, knoepfe = 0, huete = 0;
            glfwGetJoystickAxes(jid, &achsen);
            glfwGetJoystickButtons(jid, &knoepfe);
            glfwGetJoystickHats(jid, &huete);
            // GLFW appends four buttons per hat (its default); hats are not read, so drop them.
            knoepfe = std::max(0, knoepfe - 4 * huete);
            j.knopfAnzahl = std::min(uint32_t(knoepfe), kMaxKnoepfe);
            j.achsAnzahl = std::min(uint32_t(achsen), kMaxAchsen);
            mJoysticks.push_back(j);
        }
    }

    const GlfwJoystick* NtesPad(uint64_t n) const {
        for (const GlfwJoystick& j : mJoysticks)
            if (j.istPad && n-- == 0)
                return &j;
        return nullptr;
    }

    void Sende(const RohSatz& satz) {
        if (mEmpfaenger)
            mEmpfaenger(satz);
    }

    // A key press waits for the character that GLFW sends right after it; anything else that
    // arrives first sends it without one.
    void SendeWartend() {
        if (!mHatWartend)
            return;
        mHatWartend = false;
        Sende(mWartend);
    }

    void Taste(int scancode, int aktion, int modi) {
        SendeWartend();
        const uint32_t code = scancode > mVersatz
                                  ? LinuxTasteZuCode(uint32_t(scancode - mVersatz), modi & GLFW_MOD_NUM_LOCK)
                                  : 0;
        if (code == 0)
            return;
        RohSatz satz;
        satz.art = GeraeteArt::Tastatur;
        satz.geraet = kTastaturHandle;
        satz.tastatur.code = code;
        satz.tastatur.gedrueckt = aktion != GLFW_RELEASE;
        if (!satz.tastatur.gedrueckt) {
            Sende(satz);
            return;
        }
        mWartend = satz;
        mHatWartend = true;
    }

    void Zeichen(unsigned int zeichen) {
        if (!mHatWartend)
            return;
        mWartend.tastatur.uebersetzung = 1;
        mWartend.tastatur.zeichen = zeichen;
        SendeWartend();
    }

    void Knopf(int knopf, int aktion) {
        SendeWartend();
        if (knopf < 0 || knopf >= kMausKnoepfe)
            return;
        RohSatz satz;
        satz.art = GeraeteArt::Maus;
        satz.geraet = kMausHandle;
        satz.maus.knopfFlags =
            aktion == GLFW_PRESS ? MausKnopfRunter(unsigned(knopf)) : MausKnopfHoch(unsigned(knopf));
        Sende(satz);
    }

    // The horizontal wheel has no place in the records and is dropped.
    void Rad(double y) {
        SendeWartend();
        const long menge = std::clamp(std::lround(y * 120.0), -32768l, 32767l);
        if (menge == 0)
            return;
        RohSatz satz;
        satz.art = GeraeteArt::Maus;
        satz.geraet = kMausHandle;
        satz.maus.knopfFlags = kMausRad;
        satz.maus.knopfDaten = int16_t(menge);
        Sende(satz);
    }

    static void BeiTaste(GLFWwindow* fenster, int taste, int scancode, int aktion, int modi) {
        GlfwEingabe* q = gAktiv;
        if (!q || q->mFenster != fenster)
            return;
        q->Taste(scancode, aktion, modi);
        if (q->mAlteTaste)
            q->mAlteTaste(fenster, taste, scancode, aktion, modi);
    }

    static void BeiZeichen(GLFWwindow* fenster, unsigned int zeichen) {
        GlfwEingabe* q = gAktiv;
        if (!q || q->mFenster != fenster)
            return;
        q->Zeichen(zeichen);
        if (q->mAltesZeichen)
            q->mAltesZeichen(fenster, zeichen);
    }

    static void BeiKnopf(GLFWwindow* fenster, int knopf, int aktion, int modi) {
        GlfwEingabe* q = gAktiv;
        if (!q || q->mFenster != fenster)
            return;
        q->Knopf(knopf, aktion);
        if (q->mAlterKnopf)
            q->mAlterKnopf(fenster, knopf, aktion, modi);
    }

    static void BeiRad(GLFWwindow* fenster, double x, double y) {
        GlfwEingabe* q = gAktiv;
        if (!q || q->mFenster != fenster)
            return;
        q->Rad(y);
        if (q->mAltesRad)
            q->mAltesRad(fenster, x, y);
    }

    GLFWwindow* mFenster;
    int mVersatz = 8;
    std::vector<GlfwJoystick> mJoysticks;
    Empfaenger mEmpfaenger;
    bool mVerbunden = false;
    GLFWkeyfun mAlteTaste = nullptr;
    GLFWcharfun mAltesZeichen = nullptr;
    GLFWmousebuttonfun mAlterKnopf = nullptr;
    GLFWscrollfun mAltesRad = nullptr;
    int mAlteSperrModi = GLFW_FALSE;
    RohSatz mWartend;
    bool mHatWartend = false;
};

int16_t ZuStick(float wert) {
    return int16_t(std::clamp(std::lround(wert * 32767.0f), -32768l, 32767l));
}

// GLFW reports a trigger from -1 (released) to 1 (pressed).
uint8_t ZuAbzug(float wert) {
    return uint8_t(std::clamp(std::lround((wert + 1.0f) * 127.5f), 0l, 255l));
}

int HexWert(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Four hex digits of a little-endian 16-bit word; 0 when one of them is no hex digit.
uint32_t LiesGuidWort(const char* guid, int zeichen) {
    uint32_t wert = 0;
    for (int i : {2, 3, 0, 1}) {
        const int ziffer = HexWert(guid[zeichen + i]);
        if (ziffer < 0)
            return 0;
        wert = wert << 4 | uint32_t(ziffer);
    }
    return wert;
}

} // namespace

uint32_t ProduktWortAusGuid(const char* guid) {
    if (!guid || strnlen(guid, 32) < 32)
        return 0;
    return LiesGuidWort(guid, 16) << 16 | LiesGuidWort(guid, 8);
}

PadZustand PadAusGlfw(const unsigned char knoepfe[15], const float achsen[6]) {
    static constexpr struct {
        int glfw;
        uint16_t bit;
    } kKnoepfe[] = {
        {GLFW_GAMEPAD_BUTTON_A, kPadA},
        {GLFW_GAMEPAD_BUTTON_B, kPadB},
        {GLFW_GAMEPAD_BUTTON_X, kPadX},
        {GLFW_GAMEPAD_BUTTON_Y, kPadY},
        {GLFW_GAMEPAD_BUTTON_LEFT_BUMPER, kPadLinkeSchulter},
        {GLFW_GAMEPAD_BUTTON_RIGHT_BUMPER, kPadRechteSchulter},
        {GLFW_GAMEPAD_BUTTON_BACK, kPadZurueck},
        {GLFW_GAMEPAD_BUTTON_START, kPadStart},
        {GLFW_GAMEPAD_BUTTON_LEFT_THUMB, kPadLinkerStick},
        {GLFW_GAMEPAD_BUTTON_RIGHT_THUMB, kPadRechterStick},
        {GLFW_GAMEPAD_BUTTON_DPAD_UP, kPadHoch},
        {GLFW_GAMEPAD_BUTTON_DPAD_RIGHT, kPadRechts},
        {GLFW_GAMEPAD_BUTTON_DPAD_DOWN, kPadRunter},
        {GLFW_GAMEPAD_BUTTON_DPAD_LEFT, kPadLinks},
    };
    PadZustand pad;
    for (const auto& k : kKnoepfe)
        if (knoepfe[k.glfw] == GLFW_PRESS)
            pad.knoepfe |= k.bit;
    // GLFW's sticks point down with positive y; the pad layout points up with it.
    pad.linksX = ZuStick(achsen[GLFW_GAMEPAD_AXIS_LEFT_X]);
    pad.linksY = ZuStick(-achsen[GLFW_GAMEPAD_AXIS_LEFT_Y]);
    pad.rechtsX = ZuStick(achsen[GLFW_GAMEPAD_AXIS_RIGHT_X]);
    pad.rechtsY = ZuStick(-achsen[GLFW_GAMEPAD_AXIS_RIGHT_Y]);
    pad.linkerAbzug = ZuAbzug(achsen[GLFW_GAMEPAD_AXIS_LEFT_TRIGGER]);
    pad.rechterAbzug = ZuAbzug(achsen[GLFW_GAMEPAD_AXIS_RIGHT_TRIGGER]);
    return pad;
}

std::unique_ptr<EingabeQuelle> OeffneGlfwEingabe(GLFWwindow* fenster) {
    if (!fenster)
        return nullptr;
    return std::make_unique<GlfwEingabe>(fenster);
}

} // namespace Plattform
