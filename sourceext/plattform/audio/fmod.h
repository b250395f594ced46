#pragma once
// The sound library as the engine's audio start-up calls it: the system object with its version,
// driver list, driver capabilities, output switch and release, and the DSP and sound objects that
// channels and samples own. Backed by ALSA's sound cards; a test hook replaces the back end.

#include <cstdint>

// Every call answers one of these; the values and texts are this back end's own.
enum FMOD_RESULT : int {
    FMOD_OK = 0,
    FMOD_ERR_INVALID_PARAM = 1,
    FMOD_ERR_MEMORY = 2,
    FMOD_ERR_OUTPUT_ENUMERATION = 3,
    FMOD_ERR_OUTPUT_DRIVERCALL = 4,
    FMOD_ERR_OUTPUT_FORMAT = 5,
    FMOD_ERR_UNSUPPORTED = 6,
};

// The back end's version in the library's hexadecimal form (major << 16 | minor << 8 | build).
constexpr unsigned int FMOD_VERSION = 0x00044460;

enum FMOD_OUTPUTTYPE : int {
    FMOD_OUTPUTTYPE_AUTODETECT = 0,
    FMOD_OUTPUTTYPE_ALSA = 1,
    FMOD_OUTPUTTYPE_NOSOUND = 2,
};

// Capability bits of a driver: the sample formats its first playback device takes, and whether
// it has more than two channels.
using FMOD_CAPS = unsigned int;
constexpr FMOD_CAPS FMOD_CAPS_NONE = 0;
constexpr FMOD_CAPS FMOD_CAPS_OUTPUT_MULTICHANNEL = 0x1;
constexpr FMOD_CAPS FMOD_CAPS_OUTPUT_FORMAT_PCM8 = 0x2;
constexpr FMOD_CAPS FMOD_CAPS_OUTPUT_FORMAT_PCM16 = 0x4;
constexpr FMOD_CAPS FMOD_CAPS_OUTPUT_FORMAT_PCM24 = 0x8;
constexpr FMOD_CAPS FMOD_CAPS_OUTPUT_FORMAT_PCM32 = 0x10;
constexpr FMOD_CAPS FMOD_CAPS_OUTPUT_FORMAT_PCMFLOAT = 0x20;

// The speaker layout that the driver's channel count allows.
enum FMOD_SPEAKERMODE : int {
    FMOD_SPEAKERMODE_RAW = 0,
    FMOD_SPEAKERMODE_MONO = 1,
    FMOD_SPEAKERMODE_STEREO = 2,
    FMOD_SPEAKERMODE_QUAD = 3,
    FMOD_SPEAKERMODE_SURROUND = 4,
    FMOD_SPEAKERMODE_5POINT1 = 5,
    FMOD_SPEAKERMODE_7POINT1 = 6,
};

namespace FMOD {

// Deleted by its own `release`, never by the caller.
class System {
public:
    virtual FMOD_RESULT getVersion(unsigned int* version) = 0;
    virtual FMOD_RESULT getNumDrivers(int* anzahl) = 0;
    // Fills a zero-terminated name of at most namelen - 1 bytes; guid must be null.
    virtual FMOD_RESULT getDriverInfo(int id, char* name, int namelen, void* guid) = 0;
    virtual FMOD_RESULT getDriverCaps(int id, FMOD_CAPS* caps, int* rate, FMOD_SPEAKERMODE* modus) = 0;
    virtual FMOD_RESULT setOutput(FMOD_OUTPUTTYPE art) = 0;
    virtual FMOD_RESULT release() = 0;

protected:
    virtual ~System() = default;
};

class DSP {
public:
    virtual FMOD_RESULT remove() = 0;
    virtual FMOD_RESULT release() = 0;

protected:
    virtual ~DSP() = default;
};

class Sound {
public:
    virtual FMOD_RESULT release() = 0;
    virtual FMOD_RESULT getUserData(void** daten) = 0;

protected:
    virtual ~Sound() = default;
};

} // namespace FMOD

FMOD_RESULT FMOD_System_Create(FMOD::System** system);
// The English description of a result; "Unknown error." for a code outside the table.
const char* FMOD_ErrorString(FMOD_RESULT ergebnis);

namespace Plattform {

// Replaces the back end that FMOD_System_Create builds; null restores ALSA. Returns the previous.
using AudioFabrik = FMOD_RESULT (*)(FMOD::System** system);
AudioFabrik SetzeAudioFabrik(AudioFabrik fabrik);

} // namespace Plattform
