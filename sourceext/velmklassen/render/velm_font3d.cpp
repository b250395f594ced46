#include "velmklassen/render/velm_font3d.h"

#include "velmklassen/kern/velm_konsole.h"
#include "velmklassen/kern/velm_segmentleser.h"
#include "velmklassen/kern/velm_speicher.h"
#include "velmklassen/render/velm_blockgfx3d.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

constexpr float kFehlendeBreite = 0.3f;

bool IstFortsetzung(char c) {
    return (uint8_t(c) & 0xC0) == 0x80;
}

} // namespace

uint32_t Velm_LiesUtf8(const char*& text) {
    const uint8_t lead = uint8_t(*text);
    if (lead == 0) {
        return 0;
    }
    ++text;
    if (lead < 192) {
        return lead;
    }
    const int folgen = lead >= 240 ? 3 : lead >= 224 ? 2 : 1;
    uint32_t codepunkt = lead & (lead >= 224 ? 15 : 31);
    for (int i = 0; i < folgen; ++i) {
        if (*text == 0) {
            // The text ends inside the sequence: the zero is left for the caller to end with.
            return 0;
        }
        if (!IstFortsetzung(*text)) {
            return kVelm_KaputterCodepunkt;
        }
        codepunkt = codepunkt << 6 | (uint8_t(*text++) & 63);
    }
    return codepunkt;
}

Velm_Font3D::Velm_Font3D()
    : mAtlas(std::make_unique<Velm_BlockGfx3D>(0, 0, 0)), mPuffer(new char[kPufferGroesse + 3]()) {}

Velm_Font3D::~Velm_Font3D() = default;

bool Velm_Font3D::HatBuchstabe(uint32_t codepunkt) const {
    return codepunkt < mBuchstaben.size() && mAtlas->HatGrafik(codepunkt);
}

const Velm_Font3DBuchstabe* Velm_Font3D::Buchstabe(uint32_t codepunkt) const {
    return HatBuchstabe(codepunkt) ? &mBuchstaben[codepunkt] : nullptr;
}

float Velm_Font3D::Vorschub(const Velm_Font3DBuchstabe* buchstabe) const {
    if (buchstabe == nullptr) {
        return kFehlendeBreite * mHoehe;
    }
    return float(buchstabe->mVorschub) * mSkalierung + mHoehe * mAbstand;
}

float Velm_Font3D::BuchstabenBreite(uint32_t codepunkt) const {
    return Vorschub(Buchstabe(codepunkt));
}

void Velm_Font3D::SetHoehe(float hoehe) {
    mHoehe = hoehe;
    mSkalierung = mNativeHoehe != 0 ? hoehe / mNativeHoehe : 0;
}

void Velm_Font3D::SetAusrichtung(uint32_t horizontal, uint32_t vertikal) {
    mHAusrichtung = horizontal;
    mVAusrichtung = vertikal;
}

void Velm_Font3D::SetStandardWerte() {
    mHoehe = mNativeHoehe;
    mSkalierung = 1;
    mAbstand = 0.1f;
    mFarbe = {1, 1, 1, 1};
    mHAusrichtung = kLinks;
    mVAusrichtung = kOben;
    mWinkel = 0;
}

float Velm_Font3D::GetTextBreite(const char* text) const {
    float breite = 0;
    if (text == nullptr) {
        return breite;
    }
    for (uint32_t c = Velm_LiesUtf8(text); c != 0; c = Velm_LiesUtf8(text)) {
        breite += BuchstabenBreite(c);
    }
    return breite;
}

void Velm_Font3D::InternZeichneZeile(float x, float y, const char* text) {
    if (text == nullptr) {
        return;
    }
    const float s = mWinkel != 0 ? std::sin(mWinkel) : 0.0f;
    const float c = mWinkel != 0 ? std::cos(mWinkel) : 1.0f;
    y -= mNativeHoehe != 0 ? 4 * mHoehe / mNativeHoehe : 0;
    for (uint32_t cp = Velm_LiesUtf8(text); cp != 0; cp = Velm_LiesUtf8(text)) {
        const Velm_Font3DBuchstabe* b = Buchstabe(cp);
        if (b != nullptr) {
            const Velm_BlockGfxEintrag& e = mAtlas->mEintraege[cp];
            mAtlas->ZeichneGrafik(cp, x + float(b->mVersatzX) * mSkalierung,
                                  y + float(b->mVersatzY) * mSkalierung, mFarbe,
                                  float(e.breite) * mSkalierung, float(e.hoehe) * mSkalierung, mWinkel);
        }
        const float w = Vorschub(b);
        x += w * c;
        y += w * s;
    }
}

void Velm_Font3D::Fluten() {
    if (mSofortZeichnen && !mAtlas->mWarteschlange.empty()) {
        mAtlas->Zeichne();
    }
}

void Velm_Font3D::ZeichneText(float x, float y, const char* text) {
    if (mHAusrichtung != kLinks || mVAusrichtung != kOben) {
        const float s = std::sin(mWinkel);
        const float c = std::cos(mWinkel);
        const float v = mVAusrichtung == kUnten ? 1.0f : mVAusrichtung == kVMitte ? 0.5f : 0.0f;
        x += v * mHoehe * s;
        y -= v * mHoehe * c;
        const float h = mHAusrichtung == kRechts ? 1.0f : mHAusrichtung == kMitte ? 0.5f : 0.0f;
        const float breite = h != 0 ? GetTextBreite(text) : 0;
        x -= h * breite * c;
        y -= h * breite * s;
    }
    InternZeichneZeile(x, y, text);
    Fluten();
}

void Velm_Font3D::Formatiere(const char* format, va_list argumente) {
    std::vsnprintf(mPuffer.get(), kPufferGroesse, format, argumente);
}

void Velm_Font3D::ZeichneFormatiert(float x, float y, const char* format, ...) {
    va_list argumente;
    va_start(argumente, format);
    Formatiere(format, argumente);
    va_end(argumente);
    ZeichneText(x, y, mPuffer.get());
}

void Velm_Font3D::ZeichneTextImBereich(float x, float y, float breite, float hoehe, const char* format, ...) {
    va_list argumente;
    va_start(argumente, format);
    Formatiere(format, argumente);
    va_end(argumente);
    const float zeilenHoehe = mNativeHoehe * mSkalierung;
    const uint64_t erlaubt =
        zeilenHoehe > 0 && hoehe / zeilenHoehe >= 1 ? uint64_t(std::min(hoehe / zeilenHoehe, 1e6f)) : 1;
    BrecheUm(breite, erlaubt);
    ZeichneZeilen(x, y, breite, hoehe, zeilenHoehe);
    Fluten();
}

void Velm_Font3D::BrecheUm(float breite, uint64_t erlaubt) {
    const float punkte = GetTextBreite("...");
    mZeilen.clear();
    const char* p = mPuffer.get();
    bool textEnde = false;
    while (!textEnde && mZeilen.size() < erlaubt) {
        const float platz = mZeilen.size() + 1 == erlaubt ? std::max(breite - punkte, punkte) : breite;
        mZeilen.push_back(NaechsteZeile(p, platz, textEnde));
    }
    if (!textEnde && *p != 0) {
        // The end lies within the 9999 characters of text, so the buffer's three spare bytes
        // take the dots and their zero.
        Zeile& letzte = mZeilen.back();
        std::memcpy(const_cast<char*>(letzte.ende), "...", 4);
        letzte.ende += 3;
        letzte.breite += punkte;
    }
}

Velm_Font3D::Zeile Velm_Font3D::NaechsteZeile(const char*& p, float platz, bool& textEnde) const {
    Zeile zeile{p, p, 0};
    Zeile umbruch{nullptr, nullptr, 0};
    for (;;) {
        const char* vor = p;
        const uint32_t cp = Velm_LiesUtf8(p);
        if (cp == 0 || cp == '\n') {
            textEnde = cp == 0;
            zeile.ende = vor;
            return zeile;
        }
        const Velm_Font3DBuchstabe* b = Buchstabe(cp);
        const float w = Vorschub(b);
        const bool luecke = b == nullptr;
        // A line takes one code point at least, or a box narrower than a glyph would never
        // get past it. A gap that does not fit is itself where the line breaks.
        if (zeile.breite + w > platz && vor != zeile.anfang) {
            if (luecke) {
                // A gap at the very end leaves nothing for another line.
                zeile.ende = vor;
                textEnde = *p == 0;
            } else if (umbruch.anfang != nullptr) {
                zeile.ende = umbruch.ende;
                zeile.breite = umbruch.breite;
                p = umbruch.anfang;
            } else {
                zeile.ende = vor;
                p = vor;
            }
            return zeile;
        }
        if (luecke) {
            umbruch = {p, vor, zeile.breite};
        }
        zeile.breite += w;
    }
}

void Velm_Font3D::ZeichneZeilen(float x, float y, float breite, float hoehe, float zeilenHoehe) {
    const uint64_t n = mZeilen.size();
    const float block = float(n) * zeilenHoehe + float(n - 1);
    float y0 = y;
    if (mVAusrichtung == kVMitte) {
        y0 += 0.5f * (hoehe - block);
    } else if (mVAusrichtung == kUnten) {
        y0 += hoehe - block;
    }
    for (uint64_t i = 0; i < n; ++i) {
        const Zeile& zeile = mZeilen[i];
        // The line ends in the buffer for as long as it is drawn.
        char* schnitt = const_cast<char*>(zeile.ende);
        const char gerettet = *schnitt;
        *schnitt = 0;
        float xi = x;
        if (mHAusrichtung == kMitte) {
            xi += 0.5f * (breite - zeile.breite);
        } else if (mHAusrichtung == kRechts) {
            xi += breite - zeile.breite;
        }
        InternZeichneZeile(xi, y0 + float(i) * (zeilenHoehe + 1), zeile.anfang);
        *schnitt = gerettet;
    }
}

void Velm_Font3D::ZeichneWarteschlange() {
    mAtlas->mZentriert = false;
    mAtlas->Zeichne();
}

void Velm_Font3D::ErzeugeMipStufen() {
    mAtlas->ErzeugeMipStufen();
}

void Velm_Font3D::AddBuchstabe(uint32_t codepunkt, const TBereich& bild, uint64_t x, uint64_t y,
                               uint64_t breite, uint64_t hoehe, int32_t versatzX, int32_t versatzY,
                               int32_t vorschub) {
    if (mNativeHoehe == 0) {
        mNativeHoehe = 24;
        mHoehe = 24;
        mSkalierung = 1;
    } else if (mNativeHoehe != 24) {
        Velm_Konsole::Schreibe("!Velm_Font3D::AddBuchstabe( '%c', ..., %d, %d, %d, %d): Neuer Buchstabe hat "
                               "abweichende Höhe (%d anstatt %d).",
                               int(codepunkt), int(x), int(y), int(breite), int(hoehe), 24,
                               int(mNativeHoehe));
        return;
    }
    mAtlas->AddGrafik(codepunkt, bild, x, y, breite, hoehe);
    if (codepunkt >= mBuchstaben.size()) {
        mBuchstaben.resize(std::bit_ceil(uint64_t(codepunkt) + 1));
    }
    mBuchstaben[codepunkt] = {versatzX, versatzY, vorschub};
}

bool Velm_Font3D::Laden(const std::filesystem::path& pfad) {
    TSpeicher speicher;
    if (!speicher.LadeDatei(pfad)) {
        Velm_Konsole::Schreibe("!Velm_Font3D::Laden( \"%s\"): Datei konnte nicht gelesen werden.",
                               pfad.c_str());
        return false;
    }
    return InternLaden(speicher, pfad.c_str());
}

bool Velm_Font3D::InternLaden(TSpeicher& speicher, const char* name) {
    char magie[4] = {};
    speicher.LiesBlock(magie, 4);
    const uint32_t version = Velm_LiesU32BE(speicher);
    const float nativeHoehe = std::bit_cast<float>(Velm_LiesU32BE(speicher));
    // Every size and position of the text is scaled by this height: it must be one.
    if (std::memcmp(magie, "FNTH", 4) != 0 || !(nativeHoehe > 0 && std::isfinite(nativeHoehe))) {
        Velm_Konsole::Schreibe("!Velm_Font3D::Laden( \"%s\"): Header ist ungültig.", name);
        return false;
    }
    char kennung[4] = {};
    speicher.LiesBlock(kennung, 4);
    auto atlas = std::make_unique<Velm_BlockGfx3D>(0, 0, 0);
    if (std::memcmp(kennung, "BLKG", 4) != 0 || !atlas->Laden(speicher)) {
        return false;
    }
    const uint64_t anzahl = version >= 258 ? Velm_LiesU32BE(speicher) : 256;
    std::vector<Velm_Font3DBuchstabe> buchstaben;
    if (version >= 257) {
        if (speicher.Ueberlauf() || anzahl > speicher.Rest() / 12) {
            Velm_Konsole::Schreibe("!Velm_Font3D::Laden( \"%s\"): Datei ist abgeschnitten.", name);
            return false;
        }
        buchstaben.resize(anzahl);
        for (Velm_Font3DBuchstabe& b : buchstaben) {
            b.mVersatzX = int32_t(Velm_LiesU32BE(speicher));
            b.mVersatzY = int32_t(Velm_LiesU32BE(speicher));
            b.mVorschub = int32_t(Velm_LiesU32BE(speicher));
        }
    } else {
        buchstaben.resize(anzahl);
        for (uint64_t c = 0; c < anzahl; ++c) {
            buchstaben[c].mVorschub = atlas->HatGrafik(c) ? int32_t(atlas->mEintraege[c].breite) : 0;
        }
    }
    mNativeHoehe = nativeHoehe;
    mHoehe = nativeHoehe;
    mSkalierung = 1;
    mAtlas = std::move(atlas);
    mBuchstaben = std::move(buchstaben);
    return true;
}

bool Velm_Font3D::Speichern(const std::filesystem::path& pfad) const {
    TSpeicher speicher;
    InternSpeichern(speicher);
    if (!speicher.SpeichereDatei(pfad)) {
        Velm_Konsole::Schreibe("!Velm_Font3D::Speichern( \"%s\"): Datei konnte nicht geschrieben werden.",
                               pfad.c_str());
        return false;
    }
    return true;
}

void Velm_Font3D::InternSpeichern(TSpeicher& speicher) const {
    speicher.SchreibeBlock("FNTH", 4);
    Velm_SchreibeU32BE(speicher, kVersion);
    Velm_SchreibeU32BE(speicher, std::bit_cast<uint32_t>(mNativeHoehe));
    speicher.SchreibeBlock("BLKG", 4);
    mAtlas->Speichern(speicher);
    Velm_SchreibeU32BE(speicher, uint32_t(mBuchstaben.size()));
    for (const Velm_Font3DBuchstabe& b : mBuchstaben) {
        Velm_SchreibeU32BE(speicher, uint32_t(b.mVersatzX));
        Velm_SchreibeU32BE(speicher, uint32_t(b.mVersatzY));
        Velm_SchreibeU32BE(speicher, uint32_t(b.mVorschub));
    }
}
