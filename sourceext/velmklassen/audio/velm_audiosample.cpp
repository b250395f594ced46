#include "velmklassen/audio/velm_audiosample.h"

#include "velmklassen/kern/velm_konsole.h"

Velm_AudioSample::~Velm_AudioSample() {
    if (mKlang && mKlang->release() != FMOD_OK)
        Velm_Konsole::Schreibe(
            "!Velm_AudioSample::~Velm_AudioSample(): Freigeben des Audio-Samples fehlgeschlagen");
    mKlang = nullptr;
}

FMOD_RESULT Velm_AudioSample::LiesDaten(FMOD::Sound* klang, void* daten, unsigned int laenge) {
    void* nutzdaten = nullptr;
    if (!klang || klang->getUserData(&nutzdaten) != FMOD_OK || !nutzdaten)
        return FMOD_OK;
    // A sample without a callback has nothing to give; calling the empty wrapper would throw
    // through the sound library.
    const Velm_AudioSample* sample = static_cast<const Velm_AudioSample*>(nutzdaten);
    if (sample->mRueckruf)
        sample->mRueckruf(daten, laenge);
    return FMOD_OK;
}
