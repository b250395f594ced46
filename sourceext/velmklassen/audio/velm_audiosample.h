#pragma once
// A loaded sound of the process-wide audio system, which owns it; the sound library pulls its
// data through the sample's callback.

#include "plattform/audio/fmod.h"

#include <cstdint>
#include <functional>

class Velm_AudioSample {
public:
    using Rueckruf = std::function<void(void* daten, uint32_t laenge)>;

    Velm_AudioSample() = default;
    ~Velm_AudioSample();
    Velm_AudioSample(const Velm_AudioSample&) = delete;
    Velm_AudioSample& operator=(const Velm_AudioSample&) = delete;

    // The read callback handed to the sound library: passes the request on to the callback of the
    // sample stored as the sound's user data.
    static FMOD_RESULT LiesDaten(FMOD::Sound* klang, void* daten, unsigned int laenge);

    // Owned; null when none.
    FMOD::Sound* mKlang = nullptr;
    Rueckruf mRueckruf;
};
