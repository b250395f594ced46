// Bitmap fonts rasterised from scalable fonts through FreeType: a fixed character set at 24 pixels,
// each glyph through a scratch image into the font's atlas.

#include "velmklassen/bild/velm_bild.h"
#include "velmklassen/kern/velm_konsole.h"
#include "velmklassen/kern/velm_speicher.h"
#include "velmklassen/render/velm_font3d.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstring>
#include <string>

namespace {

constexpr int kGroesse = 24;
constexpr uint64_t kKratzGroesse = 48;

// The apostrophe, the printable ASCII characters without the blank, '=', '`', '{', '|' and '}',
// then the Latin and Cyrillic letters the game's texts use.
const std::string& Zeichensatz() {
    static const std::string satz = [] {
        std::string s = "'";
        for (char c = '!'; c <= '~'; ++c) {
            if (std::strchr("'=`{|}", c) == nullptr) {
                s += c;
            }
        }
        s += "¡§°¿ÀÁÂÃÄÅÆÇÉÊÍÑÓÔÕÖØÚÜßàáâãäåæçéêíñóôõöøúüýĄąĆćčďĘęěĞğİıŁłŃńňřŚśŞşšťůŹźŻżž"
             "ЁАБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвгдежзийклмнопрстуфхцчшщъыьэюяё";
        return s;
    }();
    return satz;
}

// FreeType's 26.6 values in whole pixels: toward zero, and rounded down.
int32_t ZurNull(FT_Pos wert) {
    return int32_t(wert / 64);
}
int32_t Abgerundet(FT_Pos wert) {
    return int32_t(wert >= 0 ? wert / 64 : -((-wert + 63) / 64));
}

// Ends the library and the face on every way out.
struct FreeType {
    FT_Library bibliothek = nullptr;
    FT_Face gesicht = nullptr;
    ~FreeType() {
        if (gesicht != nullptr) {
            FT_Done_Face(gesicht);
        }
        if (bibliothek != nullptr) {
            FT_Done_FreeType(bibliothek);
        }
    }
};

// Copies an 8-bit coverage bitmap into the scratch image as white with coverage for alpha.
void SchreibeGlyphe(const FT_Bitmap& bitmap, Velm_Bild& kratz, uint64_t links, uint64_t oben) {
    std::memset(kratz.mDaten, 0, kratz.mPitch * kratz.mHoehe);
    // A negative pitch stores the rows bottom-up: the top row is then the last in memory.
    const uint8_t* oberste =
        bitmap.buffer - (bitmap.pitch < 0 ? int64_t(bitmap.pitch) * (bitmap.rows - 1) : 0);
    for (uint64_t y = 0; y < bitmap.rows; ++y) {
        const uint8_t* zeile = oberste + int64_t(y) * bitmap.pitch;
        uint8_t* ziel = kratz.mDaten + (oben + y) * kratz.mPitch + links * 4;
        for (uint64_t x = 0; x < bitmap.width; ++x) {
            const uint32_t pixel = uint32_t(zeile[x]) << 24 | 0xFFFFFF;
            std::memcpy(ziel + x * 4, &pixel, 4);
        }
    }
}

} // namespace

std::unique_ptr<Velm_Font3D> Velm_Font3D::LadeSchriftart(const std::filesystem::path& pfad) {
    // The face reads from the file's bytes until it is done, so they must outlive it.
    TSpeicher datei;
    if (!datei.LadeDatei(pfad)) {
        Velm_Konsole::Schreibe("!Kann Schriftart \"%s\" nicht öffnen.", pfad.c_str());
        return nullptr;
    }
    FreeType ft;
    if (FT_Init_FreeType(&ft.bibliothek) != 0) {
        ft.bibliothek = nullptr;
        Velm_Konsole::Schreibe("!FreeType lässt sich nicht starten, Schriftart \"%s\" nicht geladen.",
                               pfad.c_str());
        return nullptr;
    }
    const FT_Error fehler =
        FT_New_Memory_Face(ft.bibliothek, datei.Daten(), FT_Long(datei.Groesse()), 0, &ft.gesicht);
    if (fehler != 0) {
        ft.gesicht = nullptr;
        Velm_Konsole::Schreibe("!Schriftart \"%s\" nicht lesbar mit Fehlercode %d.", pfad.c_str(),
                               int(fehler));
        return nullptr;
    }
    if (!(ft.gesicht->face_flags & FT_FACE_FLAG_SCALABLE)) {
        Velm_Konsole::Schreibe("?Schriftart \"%s\" ist nicht frei skalierbar.", pfad.c_str());
        return nullptr;
    }
    if (const FT_Error groesse = FT_Set_Pixel_Sizes(ft.gesicht, kGroesse, kGroesse); groesse != 0) {
        Velm_Konsole::Schreibe("!Schriftart \"%s\" nicht lesbar mit Fehlercode %d.", pfad.c_str(),
                               int(groesse));
        return nullptr;
    }

    auto font = std::make_unique<Velm_Font3D>();
    Velm_Bild kratz(kKratzGroesse, kKratzGroesse, Velm_FormatA8R8G8B8, 1);
    const char* text = Zeichensatz().c_str();
    for (uint32_t cp = Velm_LiesUtf8(text); cp != 0; cp = Velm_LiesUtf8(text)) {
        // Outlines only: an embedded bitmap may come in another pixel mode.
        if (FT_Load_Char(ft.gesicht, cp, FT_LOAD_RENDER | FT_LOAD_NO_BITMAP) != 0) {
            continue;
        }
        const FT_GlyphSlot glyphe = ft.gesicht->glyph;
        const FT_Bitmap& bitmap = glyphe->bitmap;
        const uint64_t links = uint64_t(std::max(0, glyphe->bitmap_left));
        const uint64_t oben = uint64_t(std::max(0, kGroesse - int(bitmap.rows)));
        if (bitmap.width == 0 || bitmap.rows == 0 || bitmap.pixel_mode != FT_PIXEL_MODE_GRAY ||
            bitmap.num_grays != 256 || links + bitmap.width > kKratzGroesse ||
            oben + bitmap.rows > kKratzGroesse) {
            continue;
        }
        SchreibeGlyphe(bitmap, kratz, links, oben);
        const FT_Glyph_Metrics& m = glyphe->metrics;
        font->AddBuchstabe(cp, kratz, links, oben, bitmap.width, bitmap.rows, ZurNull(m.horiBearingX),
                           std::max(0, kGroesse - ZurNull(m.horiBearingY)), Abgerundet(m.horiAdvance));
    }
    font->ErzeugeMipStufen();
    return font;
}
