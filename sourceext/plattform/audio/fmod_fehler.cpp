#include "plattform/audio/fmod.h"

namespace {

// Indexed by result code.
constexpr const char* kTexte[] = {
    "No errors.",
    "A parameter passed to the call was invalid.",
    "Out of memory.",
    "The list of sound cards could not be read.",
    "The sound card's driver refused a call.",
    "The sound card does not take the requested format.",
    "The call is not supported.",
};

} // namespace

const char* FMOD_ErrorString(FMOD_RESULT ergebnis) {
    const int code = int(ergebnis);
    if (code < 0 || code >= int(sizeof(kTexte) / sizeof(kTexte[0])))
        return "Unknown error.";
    return kTexte[code];
}
