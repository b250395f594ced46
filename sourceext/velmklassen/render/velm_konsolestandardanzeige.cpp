#include "velmklassen/render/velm_konsolestandardanzeige.h"

#include "velmklassen/bild/velm_bild.h"
#include "velmklassen/render/velm_blockgfx3d.h"
#include "velmklassen/render/velm_font3d.h"
#include "velmklassen/render/velm_screen3d.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace {

constexpr float kPanelHoehe = 400;
constexpr float kRand = 5;
// The input bar is this much higher than a line of text.
constexpr float kBalkenZugabe = 6;

constexpr TAlphaFarbe kPanelFarbe{0.2f, 0.3f, 0.5f, 0.5f};
constexpr TAlphaFarbe kBalkenFarbe{0.5f, 0.5f, 0.5f, 0.5f};
constexpr TAlphaFarbe kCursorFarbe{1, 1, 0, 1};
constexpr TAlphaFarbe kWeiss{1, 1, 1, 1};
constexpr TAlphaFarbe kGelb{1, 1, 0, 1};
constexpr TAlphaFarbe kRot{1, 0, 0, 1};
constexpr TAlphaFarbe kGruen{0, 1, 0, 1};

// Skips a run of at least one character of the class; false when there is none.
template <typename Klasse> bool UeberspringeLauf(std::string_view text, size_t& pos, Klasse klasse) {
    const size_t anfang = pos;
    while (pos < text.size() && klasse(static_cast<unsigned char>(text[pos])))
        ++pos;
    return pos > anfang;
}

bool UeberspringeText(std::string_view text, size_t& pos, std::string_view teil) {
    if (text.substr(pos, teil.size()) != teil)
        return false;
    pos += teil.size();
    return true;
}

// Length of the log's time and thread prefix "s:us (tXXXX): " at the start of a line; 0 for a
// line without one.
size_t LogPraefixLaenge(std::string_view zeile) {
    const auto ziffer = [](int c) { return std::isdigit(c) != 0; };
    const auto hexZiffer = [](int c) { return std::isxdigit(c) != 0; };
    size_t pos = 0;
    const bool praefix = UeberspringeLauf(zeile, pos, ziffer) && UeberspringeText(zeile, pos, ":") &&
                         UeberspringeLauf(zeile, pos, ziffer) && UeberspringeText(zeile, pos, " (t") &&
                         UeberspringeLauf(zeile, pos, hexZiffer) && UeberspringeText(zeile, pos, "): ");
    return praefix ? pos : 0;
}

} // namespace

Velm_KonsoleStandardAnzeige::Velm_KonsoleStandardAnzeige(const std::filesystem::path& schriftDatei)
    : mGrafik(std::make_unique<Velm_BlockGfx3D>(16, 16, 0)), mSchrift(std::make_unique<Velm_Font3D>()) {
    Velm_Bild weiss(16, 16, Velm_FormatA8R8G8B8, 1);
    weiss.MarkiereEcke();
    mGrafik->AddGrafik(0, weiss, 0, 0, 16, 16);
    mSchrift->Laden(schriftDatei);
}

Velm_KonsoleStandardAnzeige::~Velm_KonsoleStandardAnzeige() = default;

void Velm_KonsoleStandardAnzeige::NeueZeile(const char* zeile) {
    mStand.NeueZeile(zeile);
}

bool Velm_KonsoleStandardAnzeige::HandleKey(Omvu::Keyboard*, uint32_t code, bool gedrueckt) {
    if (!gedrueckt)
        return false;
    return mStand.Taste(code, [this](const std::string& zeile) { FuehreAus(zeile); });
}

bool Velm_KonsoleStandardAnzeige::HandleCharacter(Omvu::Keyboard*, uint32_t codepunkt) {
    // The blank usually has no glyph, yet separates the words of a command line.
    if (codepunkt == 0 || (codepunkt != ' ' && !mSchrift->HatBuchstabe(codepunkt)))
        return false;
    mStand.Tippe(codepunkt);
    return true;
}

void Velm_KonsoleStandardAnzeige::Zeichne() {
    if (!mGezeigt)
        return;
    const float breite = float(Velm_Screen3D::mDarstellung.mBreite);
    Velm_Font3D& schrift = *mSchrift;
    schrift.SetStandardWerte();
    schrift.mSofortZeichnen = false;
    const float h = schrift.mHoehe;

    mGrafik->ZeichneGrafik(0, 0, 0, kPanelFarbe, breite, kPanelHoehe);
    mGrafik->ZeichneGrafik(0, 0, kPanelHoehe, kBalkenFarbe, breite, h + kBalkenZugabe);

    const std::deque<std::string>& zeilen = mStand.mZeilen;
    std::string ohneMarke;
    float y = kPanelHoehe - h;
    for (size_t i = std::min<size_t>(mStand.mScrollPos + 1, zeilen.size()); i > 0 && y >= 0; --i, y -= h) {
        const std::string& zeile = zeilen[i - 1];
        const size_t praefix = LogPraefixLaenge(zeile);
        const char marke = praefix < zeile.size() ? zeile[praefix] : 0;
        schrift.mFarbe = marke == '?' ? kGelb : marke == '!' ? kRot : marke == '>' ? kGruen : kWeiss;
        if (marke == '?' || marke == '!') {
            ohneMarke.assign(zeile, 0, praefix).append(zeile, praefix + 1);
            schrift.ZeichneText(kRand, y, ohneMarke.c_str());
        } else {
            schrift.ZeichneText(kRand, y, zeile.c_str());
        }
    }

    const std::string& eingabe = mStand.mEingabe;
    schrift.mFarbe = kGruen;
    schrift.ZeichneFormatiert(kRand, kPanelHoehe + 3, ">%s", eingabe.c_str());

    const std::string vorCursor = eingabe.substr(0, std::min<size_t>(mStand.mCursor, eingabe.size()));
    const float cursorX = kRand + schrift.GetTextBreite(">") + schrift.GetTextBreite(vorCursor.c_str());
    mGrafik->ZeichneGrafik(0, cursorX, kPanelHoehe, kCursorFarbe, 2, h + kBalkenZugabe);

    mGrafik->Zeichne();
    schrift.ZeichneWarteschlange();
}
