#include "velmklassen/kern/velm_variable.h"

#include "velmklassen/kern/velm_befehlszeile.h"
#include "velmklassen/kern/velm_konsole.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

// Created by whichever variable registers first, so the order of static initialisation across
// translation units does not matter.
std::unique_ptr<Velm_VariablenRegister>& RegisterHalter() {
    static std::unique_ptr<Velm_VariablenRegister> halter;
    return halter;
}

// A leading decimal integer as the C library reads it, clamped to 32 bits instead of overflowing.
int LiesInt(const std::string& text) {
    const long wert = std::strtol(text.c_str(), nullptr, 10);
    if (wert > INT_MAX)
        return INT_MAX;
    if (wert < INT_MIN)
        return INT_MIN;
    return int(wert);
}

std::string Formatiert(const char* format, double a, double b, double c, double d = 0) {
    char text[256];
    std::snprintf(text, sizeof text, format, a, b, c, d);
    return text;
}

} // namespace

Velm_Variable::Velm_Variable(const char* name, Velm_VariablenTyp typ, uint32_t flags)
    : mName(name), mTyp(typ), mFlags(flags) {}

Velm_Variable::Velm_Variable(const char* name, bool wert, uint32_t flags, Velm_VariablenRueckruf rueckruf)
    : Velm_Variable(name, Velm_TypBool, flags) {
    SetBool(wert);
    mRueckruf = rueckruf;
    Registriere(*this);
}

Velm_Variable::Velm_Variable(const char* name, int wert, uint32_t flags, Velm_VariablenRueckruf rueckruf)
    : Velm_Variable(name, Velm_TypInt, flags) {
    SetInt(wert);
    mRueckruf = rueckruf;
    Registriere(*this);
}

Velm_Variable::Velm_Variable(const char* name, const char* wert, uint32_t flags,
                             Velm_VariablenRueckruf rueckruf)
    : Velm_Variable(name, Velm_TypText, flags) {
    SetText(wert);
    mRueckruf = rueckruf;
    Registriere(*this);
}

void Velm_Variable::Registriere(Velm_Variable& variable) {
    auto& halter = RegisterHalter();
    if (!halter)
        halter = std::make_unique<Velm_VariablenRegister>();
    halter->mVariablen[variable.mName] = &variable;
}

Velm_VariablenRegister* Velm_Variable::Register() {
    return RegisterHalter().get();
}

Velm_Variable* Velm_Variable::Finde(const std::string& name) {
    Velm_VariablenRegister* reg = Register();
    if (!reg)
        return nullptr;
    const auto it = reg->mVariablen.find(name);
    return it == reg->mVariablen.end() ? nullptr : it->second;
}

bool Velm_Variable::Erlaubt(const std::string& vorschlag) {
    return !mRueckruf || mRueckruf(*this, false, vorschlag);
}

void Velm_Variable::Gemeldet(const std::string& vorschlag) {
    if (mRueckruf)
        mRueckruf(*this, true, vorschlag);
}

void Velm_Variable::SetInt(int wert) {
    const std::string vorschlag = std::to_string(wert);
    if (!Erlaubt(vorschlag))
        return;
    mInt = wert;
    mFloat = float(wert);
    mBool = wert > 0;
    AktualisiereText();
    Gemeldet(vorschlag);
}

void Velm_Variable::SetBool(bool wert) {
    const std::string vorschlag = wert ? "1" : "0";
    if (!Erlaubt(vorschlag))
        return;
    const float f = wert ? 1.0f : 0.0f;
    mInt = wert;
    mFloat = f;
    mBool = wert;
    mVektor3[0] = f;
    mVektor3[1] = mVektor3[2] = 0;
    mVektor4[0] = mVektor4[1] = mVektor4[2] = f;
    mVektor4[3] = 1;
    AktualisiereText();
    Gemeldet(vorschlag);
}

void Velm_Variable::SetText(const std::string& text) {
    if (!Erlaubt(text))
        return;
    mText = text;
    mInt = LiesInt(text);
    mFloat = Velm_LiesFloat(text);
    mBool = text == "on" || text == "an" || text == "true" || text == "ja" || mInt > 0;

    const Velm_Befehlszeile zeile = Velm_Befehlszeile::Zerlege(text);
    const size_t n = zeile.Anzahl();
    for (size_t i = 0; i < 3; ++i) {
        mVektor3[i] = i < n ? zeile.Wert(i) : 0.0f;
        mVektor4[i] = mVektor3[i];
    }
    mVektor4[3] = n > 3 ? zeile.Wert(3) : 1.0f;
    AktualisiereText();
    Gemeldet(text);
}

void Velm_Variable::AktualisiereText() {
    switch (mTyp) {
    case Velm_TypText:
        break;
    case Velm_TypBool:
        mText = mBool ? "ja" : "nein";
        break;
    case Velm_TypInt:
        mText = std::to_string(mInt);
        break;
    case Velm_TypFloat: {
        char text[64];
        std::snprintf(text, sizeof text, "%.*g", 9, double(mFloat));
        mText = text;
        break;
    }
    case Velm_TypVektor3:
        mText = Formatiert("%f, %f, %f", mVektor3[0], mVektor3[1], mVektor3[2]);
        break;
    case Velm_TypVektor4:
        mText = Formatiert("%f, %f, %f, %f", mVektor4[0], mVektor4[1], mVektor4[2], mVektor4[3]);
        break;
    }
}

std::string Velm_Variable::Vervollstaendige(const std::string& praefix) {
    Velm_VariablenRegister* reg = Register();
    if (!reg)
        return {};
    const auto it = reg->mVariablen.lower_bound(praefix);
    if (it != reg->mVariablen.end() && it->first.compare(0, praefix.size(), praefix) == 0)
        return it->first;
    return {};
}

void Velm_Variable::ZeigeAlle() {
    Velm_Konsole::Schreibe("Definierte Variablen sind:");
    Velm_VariablenRegister* reg = Register();
    if (!reg) {
        Velm_Konsole::Schreibe("!Keine Variablen definiert.");
        return;
    }
    static const char kTypBuchstaben[] = "sbifVF";
    for (const auto& [name, variable] : reg->mVariablen) {
        const char typ = variable->mTyp < 6 ? kTypBuchstaben[variable->mTyp] : '?';
        Velm_Konsole::Schreibe("%c - %c%c%c - %s: %s", typ, (variable->mFlags & kGespeichert) ? 'd' : '*',
                               (variable->mFlags & kSchreibgeschuetzt) ? 'n' : '*',
                               variable->mRueckruf ? 'f' : '*', name.c_str(), variable->mText.c_str());
    }
}
