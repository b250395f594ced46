#pragma once
// An audio channel of the process-wide audio system, which owns it; destroying it releases its
// echo effect.

#include "plattform/audio/fmod.h"

class Velm_AudioKanal {
public:
    Velm_AudioKanal() = default;
    ~Velm_AudioKanal();
    Velm_AudioKanal(const Velm_AudioKanal&) = delete;
    Velm_AudioKanal& operator=(const Velm_AudioKanal&) = delete;

    // Owned; null when the channel has no echo.
    FMOD::DSP* mEcho = nullptr;
};
