#pragma once
// A bitmap font: UTF-8 text drawn with glyphs that are graphics of its own sprite atlas, the
// graphic id of a glyph being its code point. Loaded from a font file or rasterised from a
// scalable font; the rasterising LadeSchriftart is in velm_schriftart.cpp, the rest in
// velm_font3d.cpp.

#include "velmklassen/kern/velm_farbe.h"

#include <cstdarg>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

class TSpeicher;
class Velm_BlockGfx3D;
struct TBereich;

// One glyph, in pixels at the font's native height.
struct Velm_Font3DBuchstabe {
    int32_t mVersatzX = 0;
    int32_t mVersatzY = 0;
    int32_t mVorschub = 0;
};

class Velm_Font3D {
public:
    // The formatting buffer: 9999 characters and the terminating zero.
    static constexpr uint64_t kPufferGroesse = 10000;
    // The font-file version written by `Speichern`.
    static constexpr uint32_t kVersion = 258;
    // Horizontal and vertical alignments.
    enum : uint32_t { kLinks = 0, kMitte = 1, kRechts = 2 };
    enum : uint32_t { kOben = 0, kVMitte = 4, kUnten = 8 };

    Velm_Font3D();
    ~Velm_Font3D();
    Velm_Font3D(const Velm_Font3D&) = delete;
    Velm_Font3D& operator=(const Velm_Font3D&) = delete;

    // Reads a font file ("FNTH"). False after a "!" line when it cannot be read or is broken;
    // the font is unchanged then.
    bool Laden(const std::filesystem::path& pfad);
    // The same from a whole font file in memory, from the buffer's start; the name is for the log.
    bool InternLaden(TSpeicher& speicher, const char* name);
    // Writes the font file that `Laden` reads. False after a "!" line.
    bool Speichern(const std::filesystem::path& pfad) const;
    void InternSpeichern(TSpeicher& speicher) const;
    // Rasterises a scalable font at 24 pixels through FreeType; null after a line on failure.
    static std::unique_ptr<Velm_Font3D> LadeSchriftart(const std::filesystem::path& pfad);

    // Adds one glyph of a 24-pixel font: its pixels from the region's rectangle, its offsets and
    // advance in pixels.
    void AddBuchstabe(uint32_t codepunkt, const TBereich& bild, uint64_t x, uint64_t y, uint64_t breite,
                      uint64_t hoehe, int32_t versatzX, int32_t versatzY, int32_t vorschub);

    void SetHoehe(float hoehe);
    void SetAusrichtung(uint32_t horizontal, uint32_t vertikal);
    // Native height, spacing 0.1, white, top-left aligned, unrotated.
    void SetStandardWerte();

    // Pixels at the current height, the spacing after the last glyph included; 0 for null.
    float GetTextBreite(const char* text) const;
    // One aligned line; flushed at once while `mSofortZeichnen` is set.
    void ZeichneText(float x, float y, const char* text);
    void ZeichneFormatiert(float x, float y, const char* format, ...) __attribute__((format(printf, 4, 5)));
    // Wrapped into a box at break opportunities (glyphs the font lacks, such as the blank) and
    // line feeds; a last line that leaves text over ends in "...".
    void ZeichneTextImBereich(float x, float y, float breite, float hoehe, const char* format, ...)
        __attribute__((format(printf, 6, 7)));
    // Queues one line's glyphs from (x, y): no alignment, no flush.
    void InternZeichneZeile(float x, float y, const char* text);
    // Draws what is queued, with the atlas's centred flag cleared.
    void ZeichneWarteschlange();
    void ErzeugeMipStufen();

    // Whether the code point has a glyph: a record and an atlas graphic.
    bool HatBuchstabe(uint32_t codepunkt) const;
    // The advance of a code point at the current height: 0.3 x height for a missing glyph.
    float BuchstabenBreite(uint32_t codepunkt) const;

    float mNativeHoehe = 0;
    float mHoehe = 0;
    float mSkalierung = 1;
    float mAbstand = 0.1f; // after every glyph, as a fraction of the height
    TAlphaFarbe mFarbe{1, 1, 1, 1};
    uint32_t mHAusrichtung = kLinks;
    uint32_t mVAusrichtung = kOben;
    float mWinkel = 0;
    std::vector<Velm_Font3DBuchstabe> mBuchstaben; // indexed by code point
    bool mSofortZeichnen = true;
    std::unique_ptr<Velm_BlockGfx3D> mAtlas;

private:
    // The record of a code point that has a glyph, else null; and the advance for that record.
    const Velm_Font3DBuchstabe* Buchstabe(uint32_t codepunkt) const;
    float Vorschub(const Velm_Font3DBuchstabe* buchstabe) const;
    // Formats into the buffer, cut to 9999 characters.
    void Formatiere(const char* format, va_list argumente) __attribute__((format(printf, 2, 0)));
    void Fluten();

    // Three bytes beyond the text's limit, so the "..." of a cut line always fits.
    std::unique_ptr<char[]> mPuffer;
    // The lines of the last wrapped text: where each starts, where its drawn part ends (before
    // the blank or line feed it broke at) and how wide that part is.
    struct Zeile {
        const char* anfang;
        const char* ende;
        float breite;
    };
    std::vector<Zeile> mZeilen;

    // The steps of ZeichneTextImBereich: the buffer's text broken into at most `erlaubt` lines,
    // the last cut with "..." when text is left over; one line from `p` on, at most `platz` wide,
    // with `p` moved to where the next begins; the lines drawn aligned in the box.
    void BrecheUm(float breite, uint64_t erlaubt);
    Zeile NaechsteZeile(const char*& p, float platz, bool& textEnde) const;
    void ZeichneZeilen(float x, float y, float breite, float hoehe, float zeilenHoehe);
};

// Decodes one code point and moves past it. A zero byte is code point 0 and is not passed; so
// is a zero where a continuation byte belongs. A sequence broken by another byte gives
// `kVelm_KaputterCodepunkt` (drawn as a missing glyph) and stops before that byte.
constexpr uint32_t kVelm_KaputterCodepunkt = 0xFFFFFFFF;
uint32_t Velm_LiesUtf8(const char*& text);
