#include "velmklassen/audio/velm_audio.h"

#include "velmklassen/audio/velm_audiokanal.h"
#include "velmklassen/audio/velm_audiosample.h"
#include "velmklassen/kern/velm_konsole.h"

#include <cstdio>
#include <utility>

Velm_Audio gAudio;

namespace {

template <typename T> void LoescheAlle(TSlotFeld<T*>& feld) {
    for (uint64_t i = 0; i < feld.Kapazitaet(); ++i) {
        if (feld.IstBelegt(i)) {
            delete feld[i];
            feld.Entfernen(i);
        }
    }
}

} // namespace

Velm_Audio::Velm_Audio() {
    if (const FMOD_RESULT e = FMOD_System_Create(&mSystem); e != FMOD_OK) {
        MeldeFehler("!Velm_Audio::Velm_Audio(): FMOD-Interface konnte nicht erstellt werden.", e);
        mSystem = nullptr;
        return;
    }

    unsigned int version = 0;
    if (const FMOD_RESULT e = mSystem->getVersion(&version); e != FMOD_OK) {
        MeldeFehler("!Velm_Audio::Velm_Audio(): Versionsabfrage gescheitert.", e);
        Beenden();
        return;
    }
    if (version < kMindestVersion) {
        MeldeFehler("!Velm_Audio::Velm_Audio(): Falsche FMOD-Version liegt neben der Exe.", FMOD_OK);
        Beenden();
        return;
    }

    int anzahl = 0;
    if (const FMOD_RESULT e = mSystem->getNumDrivers(&anzahl); e != FMOD_OK) {
        MeldeFehler("Velm_Audio::Velm_Audio(): Verfügbare Audio-Treiber konnten nicht ermittelt werden", e);
        Beenden();
        return;
    }
    if (anzahl < 1) {
        Velm_Konsole::Schreibe("!Velm_Audio::Velm_Audio(): Keine Audio-Treiber verfügbar.");
        if (mSystem->setOutput(FMOD_OUTPUTTYPE_NOSOUND) != FMOD_OK)
            Velm_Konsole::Schreibe(
                "! Velm_Audio::Velm_Audio(): Nicht einmal 'kein Sound' konnte initialisiert werden.");
        return;
    }
    LiesTreiber(anzahl);
}

void Velm_Audio::LiesTreiber(int anzahl) {
    mTreiber.reserve(size_t(anzahl));
    for (int i = 0; i < anzahl; ++i) {
        Velm_AudioTreiber treiber;
        char name[256] = {};
        FMOD_RESULT e = mSystem->getDriverInfo(i, name, sizeof(name), nullptr);
        if (e == FMOD_OK) {
            treiber.mName = name;
            FMOD_CAPS faehigkeiten = 0;
            int rate = 0;
            FMOD_SPEAKERMODE modus = FMOD_SPEAKERMODE_STEREO;
            e = mSystem->getDriverCaps(i, &faehigkeiten, &rate, &modus);
            if (e == FMOD_OK) {
                treiber.mFaehigkeiten = faehigkeiten;
                treiber.mAusgaberate = uint64_t(uint32_t(rate));
                treiber.mLautsprecher = modus;
                treiber.mNutzbar = true;
            }
        }
        if (e != FMOD_OK) {
            char text[160];
            std::snprintf(text, sizeof(text),
                          "Velm_Audio::Velm_Audio(): Fähigkeiten-Prüfung bei Treiber %d fehlgeschlagen", i);
            MeldeFehler(text, e);
        }
        mTreiber.push_back(std::move(treiber));
    }
}

Velm_Audio::~Velm_Audio() {
    Beenden();
}

void Velm_Audio::Beenden() {
    if (!mSystem)
        return;
    Velm_Konsole::SchreibeDebug("Audio wird geschlossen.");
    LoescheAlle(mSamples);
    LoescheAlle(mKanaele);
    if (const FMOD_RESULT e = mSystem->release(); e != FMOD_OK)
        MeldeFehler("Velm_Audio::Beenden(): Schliessen von FMOD schlug fehl.", e);
    mSystem = nullptr;
    mBereit = false;
}

void Velm_Audio::MeldeFehler(const char* text, FMOD_RESULT code) {
    Velm_Konsole::Schreibe("!%s", text);
    Velm_Konsole::Schreibe("!  Fehler %d: %s", int(code), FMOD_ErrorString(code));
}
