#include "velmklassen/audio/velm_audiokanal.h"

#include "velmklassen/audio/velm_audio.h"

Velm_AudioKanal::~Velm_AudioKanal() {
    if (!mEcho)
        return;
    if (const FMOD_RESULT e = mEcho->remove(); e != FMOD_OK)
        Velm_Audio::MeldeFehler("Velm_AudioKanal::~Velm_AudioKanal(): Entfernen des Echo-DSPs gescheitert.",
                                e);
    if (const FMOD_RESULT e = mEcho->release(); e != FMOD_OK)
        Velm_Audio::MeldeFehler("Velm_AudioKanal::~Velm_AudioKanal(): Freigeben des Echo-DSPs gescheitert.",
                                e);
    mEcho = nullptr;
}
