#include "plattform/audio/fmod.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace {

// ALSA prints its own complaints to standard error; a machine without a sound card would get one
// for every probe. The results are reported through the result codes instead.
void Schweige(const char*, int, const char*, int, const char*, ...) {}

FMOD_SPEAKERMODE ModusAusKanaelen(unsigned int kanaele) {
    if (kanaele >= 8)
        return FMOD_SPEAKERMODE_7POINT1;
    if (kanaele >= 6)
        return FMOD_SPEAKERMODE_5POINT1;
    if (kanaele == 5)
        return FMOD_SPEAKERMODE_SURROUND;
    if (kanaele >= 3)
        return FMOD_SPEAKERMODE_QUAD;
    return kanaele == 2 ? FMOD_SPEAKERMODE_STEREO : FMOD_SPEAKERMODE_MONO;
}

struct FormatBit {
    snd_pcm_format_t format;
    FMOD_CAPS bit;
};
constexpr FormatBit kFormate[] = {
    {SND_PCM_FORMAT_U8, FMOD_CAPS_OUTPUT_FORMAT_PCM8},
    {SND_PCM_FORMAT_S16_LE, FMOD_CAPS_OUTPUT_FORMAT_PCM16},
    {SND_PCM_FORMAT_S24_3LE, FMOD_CAPS_OUTPUT_FORMAT_PCM24},
    {SND_PCM_FORMAT_S32_LE, FMOD_CAPS_OUTPUT_FORMAT_PCM32},
    {SND_PCM_FORMAT_FLOAT_LE, FMOD_CAPS_OUTPUT_FORMAT_PCMFLOAT},
};

// The drivers are the sound cards, numbered in ALSA's order when they were first counted.
class AlsaSystem final : public FMOD::System {
public:
    FMOD_RESULT getVersion(unsigned int* version) override {
        if (!version)
            return FMOD_ERR_INVALID_PARAM;
        *version = FMOD_VERSION;
        return FMOD_OK;
    }

    FMOD_RESULT getNumDrivers(int* anzahl) override {
        if (!anzahl)
            return FMOD_ERR_INVALID_PARAM;
        if (const FMOD_RESULT e = ZaehleKarten(); e != FMOD_OK)
            return e;
        *anzahl = int(mKarten.size());
        return FMOD_OK;
    }

    FMOD_RESULT getDriverInfo(int id, char* name, int namelen, void*) override {
        int karte = 0;
        if (const FMOD_RESULT e = Karte(id, karte); e != FMOD_OK)
            return e;
        if (!name || namelen < 1)
            return FMOD_ERR_INVALID_PARAM;
        char* langname = nullptr;
        if (snd_card_get_longname(karte, &langname) < 0 || !langname)
            return FMOD_ERR_OUTPUT_DRIVERCALL;
        const size_t laenge = std::min(std::strlen(langname), size_t(namelen - 1));
        std::memcpy(name, langname, laenge);
        name[laenge] = 0;
        std::free(langname);
        return FMOD_OK;
    }

    FMOD_RESULT getDriverCaps(int id, FMOD_CAPS* caps, int* rate, FMOD_SPEAKERMODE* modus) override {
        int karte = 0;
        if (const FMOD_RESULT e = Karte(id, karte); e != FMOD_OK)
            return e;
        const std::string geraet = "hw:" + std::to_string(karte) + ",0";
        snd_pcm_t* pcm = nullptr;
        if (snd_pcm_open(&pcm, geraet.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0)
            return FMOD_ERR_OUTPUT_DRIVERCALL;
        snd_pcm_hw_params_t* parameter = nullptr;
        snd_pcm_hw_params_alloca(&parameter);
        const FMOD_RESULT ergebnis = LiesFaehigkeiten(pcm, parameter, caps, rate, modus);
        snd_pcm_close(pcm);
        return ergebnis;
    }

    // Nothing plays through this back end, so the output has nothing to switch; only the type
    // is checked.
    FMOD_RESULT setOutput(FMOD_OUTPUTTYPE art) override {
        const bool bekannt = art == FMOD_OUTPUTTYPE_AUTODETECT || art == FMOD_OUTPUTTYPE_ALSA ||
                             art == FMOD_OUTPUTTYPE_NOSOUND;
        return bekannt ? FMOD_OK : FMOD_ERR_INVALID_PARAM;
    }

    FMOD_RESULT release() override {
        delete this;
        return FMOD_OK;
    }

private:
    FMOD_RESULT ZaehleKarten() {
        mKarten.clear();
        int karte = -1;
        for (;;) {
            if (snd_card_next(&karte) < 0)
                return FMOD_ERR_OUTPUT_ENUMERATION;
            if (karte < 0)
                break;
            mKarten.push_back(karte);
        }
        mGezaehlt = true;
        return FMOD_OK;
    }

    FMOD_RESULT Karte(int id, int& karte) {
        if (!mGezaehlt) {
            if (const FMOD_RESULT e = ZaehleKarten(); e != FMOD_OK)
                return e;
        }
        if (id < 0 || size_t(id) >= mKarten.size())
            return FMOD_ERR_INVALID_PARAM;
        karte = mKarten[size_t(id)];
        return FMOD_OK;
    }

    static FMOD_RESULT LiesFaehigkeiten(snd_pcm_t* pcm, snd_pcm_hw_params_t* parameter, FMOD_CAPS* caps,
                                        int* rate, FMOD_SPEAKERMODE* modus) {
        if (snd_pcm_hw_params_any(pcm, parameter) < 0)
            return FMOD_ERR_OUTPUT_DRIVERCALL;
        FMOD_CAPS bits = FMOD_CAPS_NONE;
        for (const FormatBit& f : kFormate) {
            if (snd_pcm_hw_params_test_format(pcm, parameter, f.format) == 0)
                bits |= f.bit;
        }
        unsigned int kanaele = 0;
        if (snd_pcm_hw_params_get_channels_max(parameter, &kanaele) < 0 || kanaele == 0)
            return FMOD_ERR_OUTPUT_FORMAT;
        if (kanaele > 2)
            bits |= FMOD_CAPS_OUTPUT_MULTICHANNEL;
        unsigned int frequenz = 48000;
        if (snd_pcm_hw_params_set_rate_near(pcm, parameter, &frequenz, nullptr) < 0)
            return FMOD_ERR_OUTPUT_FORMAT;
        if (caps)
            *caps = bits;
        if (rate)
            *rate = int(frequenz);
        if (modus)
            *modus = ModusAusKanaelen(kanaele);
        return FMOD_OK;
    }

    std::vector<int> mKarten;
    bool mGezaehlt = false;
};

FMOD_RESULT ErstelleAlsa(FMOD::System** system) {
    snd_lib_error_set_handler(&Schweige);
    *system = new (std::nothrow) AlsaSystem;
    return *system ? FMOD_OK : FMOD_ERR_MEMORY;
}

constinit Plattform::AudioFabrik gFabrik = nullptr;

} // namespace

FMOD_RESULT FMOD_System_Create(FMOD::System** system) {
    if (!system)
        return FMOD_ERR_INVALID_PARAM;
    *system = nullptr;
    return gFabrik ? gFabrik(system) : ErstelleAlsa(system);
}

Plattform::AudioFabrik Plattform::SetzeAudioFabrik(AudioFabrik fabrik) {
    const AudioFabrik vorher = gFabrik;
    gFabrik = fabrik;
    return vorher;
}
