#pragma once
// The process-wide audio system: started before the program entry, it lists the sound drivers,
// falls back to no sound without one, owns the channels and samples and closes them at exit.

#include "plattform/audio/fmod.h"
#include "velmklassen/kern/velm_slotfeld.h"

#include <cstdint>
#include <string>
#include <vector>

class Velm_AudioKanal;
class Velm_AudioSample;

// One driver as the sound library reports it.
struct Velm_AudioTreiber {
    std::string mName; // at most 255 bytes
    uint64_t mFaehigkeiten = 0;
    uint64_t mAusgaberate = 0; // Hz
    int64_t mLautsprecher = FMOD_SPEAKERMODE_STEREO;
    bool mNutzbar = false; // name and capabilities were both read
};

class Velm_Audio {
public:
    // The lowest library version the start-up accepts.
    static constexpr unsigned int kMindestVersion = 0x44450;

    // Start-up: every failure is logged and leaves the program running without sound.
    Velm_Audio();
    ~Velm_Audio();
    Velm_Audio(const Velm_Audio&) = delete;
    Velm_Audio& operator=(const Velm_Audio&) = delete;

    // Deletes every sample and channel and releases the system; does nothing once closed.
    void Beenden();

    // Writes "!text" and the code's line "!  Fehler code: description".
    static void MeldeFehler(const char* text, FMOD_RESULT code);

    FMOD::System* System() const { return mSystem; }
    const std::vector<Velm_AudioTreiber>& Treiber() const { return mTreiber; }
    // Owned pointers, deleted by `Beenden`.
    TSlotFeld<Velm_AudioKanal*>& Kanaele() { return mKanaele; }
    TSlotFeld<Velm_AudioSample*>& Samples() { return mSamples; }

private:
    void LiesTreiber(int anzahl);

    FMOD::System* mSystem = nullptr;
    std::vector<Velm_AudioTreiber> mTreiber;
    TSlotFeld<Velm_AudioKanal*> mKanaele;
    TSlotFeld<Velm_AudioSample*> mSamples;
    // Whether sound is set up; this program sets none up, so it stays false.
    bool mBereit = false;
};

// The one audio system of the process. Its static initialiser runs after the log's, so it is
// closed at exit while the log and the variables it reads still exist.
extern Velm_Audio gAudio;
