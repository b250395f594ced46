#pragma once
// The one drawing context: it creates and registers the GPU objects, caches what is bound so that
// a repeated binding costs nothing, makes every bound object usable on the device and forwards
// changes to its Direct3D 9 back end.

#include "velmklassen/kern/velm_farbe.h"
#include "velmklassen/kern/velm_slotfeld.h"
#include "velmklassen/render/velm_programm.h"
#include "velmklassen/render/velm_zeichenkontextimpldx9.h"

#include <cstdint>

class Velm_AlphaZustand;
class Velm_BasisObjekt;
class Velm_Bild;
class Velm_IndexBuffer;
class Velm_PixelShader;
class Velm_Renderziel;
class Velm_Sampler;
class Velm_Textur;
class Velm_TiefeZustand;
class Velm_VertexBuffer;
class Velm_VertexEingabe;
class Velm_VertexShader;
struct Velm_AlphaZustandBeschreibung;
struct Velm_Initialdaten;
struct Velm_RenderzielBeschreibung;
struct Velm_SamplerBeschreibung;
struct Velm_TexturInhalt;
struct Velm_TiefeZustandBeschreibung;

struct Velm_GeraeteFaehigkeiten {
    uint64_t mMaxTexturBreite = 0;
    uint64_t mMaxTexturHoehe = 0;
    uint64_t mKonstante16 = 16;
    uint64_t mMaxAnisotropie = 0; // 0: no anisotropic filtering
    uint64_t mRenderzielAnzahl = 0;
};

class Velm_ZeichenKontext {
public:
    // Marks a cached object binding as "not yet bound", so the next binding reaches the device.
    static constexpr uintptr_t kNichtGebunden = 1;
    static constexpr uint64_t kKeineRueckseite = 3;

    // Creates the device on the screen's window (headless without one) and the default states.
    Velm_ZeichenKontext();
    ~Velm_ZeichenKontext();
    Velm_ZeichenKontext(const Velm_ZeichenKontext&) = delete;
    Velm_ZeichenKontext& operator=(const Velm_ZeichenKontext&) = delete;

    // Whether the device exists.
    bool HatGeraet() const { return mDX9.Geraet() != nullptr; }

    // Factories: each object is registered until `GibObjektFrei`.
    Velm_Textur* ErzeugeTextur(uint64_t breite, uint64_t hoehe, uint64_t mipAnzahl, uint32_t formatUndFlags,
                               Velm_TexturInhalt& inhalt);
    Velm_Textur* ErzeugeTextur(uint64_t breite, uint64_t hoehe, uint64_t mipAnzahl, uint32_t formatUndFlags);
    Velm_Renderziel* ErzeugeRenderziel(const Velm_RenderzielBeschreibung& beschreibung);
    Velm_VertexBuffer* ErzeugeVertexBuffer(uint64_t groesse, uint32_t flags, Velm_Initialdaten& daten);
    Velm_IndexBuffer* ErzeugeIndexBuffer(Velm_Initialdaten& daten);
    Velm_VertexEingabe* ErzeugeVertexEingabe();
    Velm_VertexShader* ErzeugeVertexShader();
    Velm_PixelShader* ErzeugePixelShader();
    Velm_Programm* ErzeugeProgramm(Velm_VertexEingabe* eingabe, Velm_VertexShader* vertexShader,
                                   Velm_PixelShader* pixelShader);
    Velm_Sampler* ErzeugeSampler(const Velm_SamplerBeschreibung& beschreibung);
    Velm_AlphaZustand* ErzeugeAlphaZustand(const Velm_AlphaZustandBeschreibung& beschreibung);
    Velm_TiefeZustand* ErzeugeTiefeZustand(const Velm_TiefeZustandBeschreibung& beschreibung);
    // Unregisters and deletes; null is ignored. Cached bindings of the object are forgotten.
    void GibObjektFrei(Velm_BasisObjekt* objekt);

    // Binding, each filtered by the cache.
    void SetRenderZiel(Velm_Renderziel* ziel);
    void SetRenderBereich(uint64_t x, uint64_t y, uint64_t breite, uint64_t hoehe);
    void SetProgramm(Velm_Programm* programm);
    // Stride 0 is the bound program's stride of the channel; the offset is not applied.
    void SetVertexBuffer(uint64_t kanal, Velm_VertexBuffer* puffer, uint64_t versatz = 0,
                         uint64_t schritt = 0);
    void SetIndexBuffer(Velm_IndexBuffer* puffer);
    void SetTiefeZustand(Velm_TiefeZustand* zustand);
    // Null binds the default blend state.
    void SetAlphaZustand(Velm_AlphaZustand* zustand);
    void SetRueckseite();
    // The texture is a `Velm_Textur` or a `Velm_WuerfelTextur`, or null.
    void SetSampler(Velm_SamplerHandle handle, Velm_Sampler* sampler, Velm_BasisObjekt* textur);
    void SetProgrammKonstante(Velm_KonstantenHandle handle, float x, float y, float z, float w);
    void SetProgrammKonstante3(Velm_KonstantenHandle handle, float x, float y, float z) {
        SetProgrammKonstante(handle, x, y, z, 1.0f);
    }

    // Every draw is one quad of six indices, once or for n instances.
    void ZeichneIndexElemente();
    void ZeichneIndexInstanzen(uint64_t anzahl);
    // Flags: bit 0 colour, bit 1 depth.
    void Leeren(uint32_t flags, const TAlphaFarbe& farbe);
    // False when the back buffer could not be read; the image then keeps its content.
    bool LiesBildschirmInhalt(Velm_Bild& bild);
    void Praesentieren();
    bool Zuruecksetzen();

    // The "videoram" statistics.
    void GetStatistik();
    // Shut-down: reports and deletes every object still registered and releases the device.
    void MeldeNichtFreigegebene();
    void InternVergissZustand();
    // Drops the object from the bound-state cache, so its next binding reaches the device: after
    // it was freed (a new object may take its address) or evicted (its device object is new).
    void VergissGebunden(const Velm_BasisObjekt* objekt);

    Velm_ZeichenKontextImplDX9& Impl() { return mDX9; }

    Velm_GeraeteFaehigkeiten mFaehigkeiten;
    TSlotFeld<Velm_BasisObjekt*> mRegister;

    // The bound-state cache.
    uint64_t mBereichX = 0;
    uint64_t mBereichY = 0;
    uint64_t mBereichBreite = 0;
    uint64_t mBereichHoehe = 0;
    uint64_t mZielBreite = 0;
    uint64_t mZielHoehe = 0;
    Velm_Renderziel* mRenderziel = nullptr;
    Velm_Programm* mProgramm = nullptr;
    uint64_t mRueckseite = kKeineRueckseite;
    Velm_TiefeZustand* mTiefeZustand = nullptr;
    Velm_AlphaZustand* mAlphaZustand = nullptr;
    struct VertexKanal {
        Velm_VertexBuffer* mPuffer = nullptr;
        uint64_t mVersatz = 0;
        uint64_t mSchritt = 0;
    };
    VertexKanal mKanaele[4];
    Velm_IndexBuffer* mIndexBuffer = nullptr;

    Velm_AlphaZustand* mStandardAlpha = nullptr;
    Velm_TiefeZustand* mStandardTiefe = nullptr;

private:
    template <class T> T* Registriere(T* objekt);
    void Abmelden(Velm_BasisObjekt* objekt);

    Velm_ZeichenKontextImplDX9 mDX9;
    bool mGeschlossen = false;
};
