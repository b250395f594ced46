#pragma once
// The engine's image in main memory: pixels of one format, optionally with a chain of mip levels
// and optionally as one face of a cube map. Loaded from PNG and DDS, saved as PNG. The PNG loader
// and writer are in velm_png.cpp, the DDS loader in velm_dds.cpp, the rest in velm_bild.cpp.

#include "velmklassen/bild/velm_bereich.h"

#include <cstdint>
#include <filesystem>
#include <memory>

class TSpeicher;

// The levels `Velm_Bild::LockMipStufen` hands on, e.g. to a texture, which then owns the pixel
// memory of each and frees it with `Velm_Bild::GibDatenFrei`.
struct TMipStufen {
    static constexpr uint64_t kHoechstens = 16;
    TBereich mStufen[kHoechstens];
    bool mGueltig = false;
};

class Velm_Bild : public TBereich {
public:
    // Face slots of a cube map. The base face is -X: it owns the other five and its own slot
    // points to itself.
    enum Seite { kPlusY = 0, kMinusY = 1, kPlusX = 2, kMinusX = 3, kPlusZ = 4, kMinusZ = 5, kSeiten = 6 };

    Velm_Bild();
    Velm_Bild(uint64_t breite, uint64_t hoehe, Velm_Pixelformat format, uint64_t mipAnzahl);
    ~Velm_Bild();
    Velm_Bild(const Velm_Bild&) = delete;
    Velm_Bild& operator=(const Velm_Bild&) = delete;

    // Remakes the image as 2D; refused (false) on mip levels and on cube faces other than the base.
    bool SetGroesse(uint64_t breite, uint64_t hoehe, Velm_Pixelformat format, uint64_t mipAnzahl);
    // Remakes it as a cube map of that edge length with this object as the base face; refused on mip
    // levels and on the other faces of a cube map (false).
    bool SetCubeMapGroesse(uint64_t kante, Velm_Pixelformat format, uint64_t mipAnzahl);
    // Builds or trims the chain to `anzahl` levels (0: down to 1 x 1); on a base face for all faces.
    void ErzeugeMipStufen(uint64_t anzahl);
    // Links this face and each of its levels to the matching levels of the six faces, given in
    // the order -X, +X, +Y, -Y, +Z, -Z.
    void VerbindeSeiten(Velm_Bild* minusX, Velm_Bild* plusX, Velm_Bild* plusY, Velm_Bild* minusY,
                        Velm_Bild* plusZ, Velm_Bild* minusZ);

    // Level n (0 is this image), or null when there is no such level.
    Velm_Bild* GibMipStufe(uint64_t n);
    TBereich LockBereich() const { return *this; }
    // Moves the pixel memory of every level out into regions; the levels keep empty fields.
    // More than 16 levels is a caller's error: it is reported and nothing is moved.
    TMipStufen LockMipStufen();

    // Loads a PNG or DDS file, told apart by content. False after a "!" line. Paths hold UTF-8
    // (build them from u8 strings, not wide ones: those convert through the C locale).
    bool LadeBildAusDatei(const std::filesystem::path& pfad);
    // The same from a buffer positioned at the file's first byte.
    bool LadeBildAusSpeicher(TSpeicher& speicher);
    bool LadePNG(TSpeicher& speicher);
    bool LadeDDS(TSpeicher& speicher);
    // Writes an A8R8G8B8 image as 8-bit RGB PNG (alpha dropped). `flag` has no effect. False
    // and no file when the image cannot be written.
    bool SpeicherePNG(const std::filesystem::path& pfad, bool flag = false) const;

    // Bytes of one row of pixels and of one level; DXT sizes count whole blocks.
    static uint64_t BerechneZeilenGroesse(Velm_Pixelformat format, uint64_t breite);
    static uint64_t BerechneDatenGroesse(Velm_Pixelformat format, uint64_t breite, uint64_t hoehe);
    // Pixel memory of images and of the levels handed out by `LockMipStufen`.
    static uint8_t* BelegeDaten(uint64_t bytes);
    static void GibDatenFrei(uint8_t* daten);

    uint64_t MipAnzahl() const { return mMipAnzahl; }
    bool IstMipStufe() const { return mIstMipStufe; }
    bool IstCubeMap() const { return mIstCubeMap; }
    Velm_Bild* Seite(int slot) const { return mSeiten[slot]; }
    Velm_Bild* NaechsteStufe() const { return mNaechste.get(); }

private:
    static void LoescheKette(std::unique_ptr<Velm_Bild> stufe);
    bool IstBasisSeite() const { return mIstCubeMap && !mIstMipStufe && mSeiten[kMinusX] == this; }
    // Frees pixels, lower levels and, on a base face, the other faces; the result is 2D.
    void LoeseAuf();
    void BelegeEbene(uint64_t breite, uint64_t hoehe, Velm_Pixelformat format);

    uint64_t mMipAnzahl = 1; // levels from this one down
    bool mIstMipStufe = false;
    std::unique_ptr<Velm_Bild> mNaechste;
    bool mIstCubeMap = false;
    Velm_Bild* mSeiten[kSeiten] = {}; // observers, for every level of every face
    // Only a base face owns the other five, in the order +X, +Y, -Y, +Z, -Z.
    std::unique_ptr<Velm_Bild> mGeschwister[5];
};
