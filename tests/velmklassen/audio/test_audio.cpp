#include "testhilfen/testhilfen.h"
#include "velmklassen/audio/velm_audio.h"
#include "velmklassen/audio/velm_audiokanal.h"
#include "velmklassen/audio/velm_audiosample.h"
#include "velmklassen/kern/velm_konsole.h"
#include "velmklassen/kern/velm_variable.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

namespace {

using Liste = std::vector<std::string>;

// What the scripted sound library answers. A call named in `scheitert` ("create", "getVersion",
// "getNumDrivers", "getDriverInfo1", "getDriverCaps0", "setOutput", "release") answers that code.
struct Skript {
    unsigned int version = FMOD_VERSION;
    int treiber = 1;
    std::map<std::string, FMOD_RESULT> scheitert;
    int freigaben = 0;
    std::vector<FMOD_OUTPUTTYPE> ausgaben;

    FMOD_RESULT Antwort(const std::string& ruf) const {
        const auto it = scheitert.find(ruf);
        return it == scheitert.end() ? FMOD_OK : it->second;
    }
};
Skript gSkript;

class SkriptSystem final : public FMOD::System {
public:
    FMOD_RESULT getVersion(unsigned int* v) override {
        return *v = gSkript.version, gSkript.Antwort("getVersion");
    }
    FMOD_RESULT getNumDrivers(int* n) override {
        return *n = gSkript.treiber, gSkript.Antwort("getNumDrivers");
    }
    FMOD_RESULT getDriverInfo(int id, char* name, int namelen, void*) override {
        std::snprintf(name, size_t(namelen), "Karte %d", id);
        return gSkript.Antwort("getDriverInfo" + std::to_string(id));
    }
    FMOD_RESULT getDriverCaps(int id, FMOD_CAPS* caps, int* rate, FMOD_SPEAKERMODE* modus) override {
        *caps = FMOD_CAPS_OUTPUT_FORMAT_PCM16;
        *rate = 48000;
        *modus = FMOD_SPEAKERMODE_5POINT1;
        return gSkript.Antwort("getDriverCaps" + std::to_string(id));
    }
    FMOD_RESULT setOutput(FMOD_OUTPUTTYPE art) override {
        return gSkript.ausgaben.push_back(art), gSkript.Antwort("setOutput");
    }
    FMOD_RESULT release() override {
        ++gSkript.freigaben;
        delete this;
        return gSkript.Antwort("release");
    }
};

FMOD_RESULT ErstelleSkript(FMOD::System** system) {
    *system = gSkript.Antwort("create") == FMOD_OK ? new SkriptSystem : nullptr;
    return gSkript.Antwort("create");
}

// An effect or sound that answers its calls with a fixed code and counts them.
struct SkriptDsp final : FMOD::DSP {
    explicit SkriptDsp(FMOD_RESULT e = FMOD_OK, FMOD_RESULT f = FMOD_OK) : entfernen(e), freigeben(f) {}
    FMOD_RESULT entfernen, freigeben;
    int rufe = 0;
    FMOD_RESULT remove() override { return ++rufe, entfernen; }
    FMOD_RESULT release() override { return ++rufe, freigeben; }
};
struct SkriptKlang final : FMOD::Sound {
    explicit SkriptKlang(FMOD_RESULT f = FMOD_OK) : freigeben(f) {}
    FMOD_RESULT freigeben;
    void* nutzdaten = nullptr;
    int rufe = 0;
    FMOD_RESULT release() override { return ++rufe, freigeben; }
    FMOD_RESULT getUserData(void** daten) override { return *daten = nutzdaten, FMOD_OK; }
};

// The log runs with debug lines on and the scripted sound library stands in for the real one.
class Audio : public TLogTest {
protected:
    Audio() : mVorher(Plattform::SetzeAudioFabrik(&ErstelleSkript)) {
        t_debug.SetBool(true);
        gSkript = Skript{};
    }
    ~Audio() override { Plattform::SetzeAudioFabrik(mVorher); }

    Plattform::AudioFabrik mVorher;
};

const std::string kFehler1 = "!  Fehler 1: A parameter passed to the call was invalid.";
const std::string kZu = "Audio wird geschlossen.";
const std::string kKeinTreiber = "!Velm_Audio::Velm_Audio(): Keine Audio-Treiber verfügbar.";
const std::string kFaehigkeiten = "!Velm_Audio::Velm_Audio(): Fähigkeiten-Prüfung bei Treiber ";

} // namespace

TEST_F(Audio, StartUndRueckfall) {
    using Fehler = std::map<std::string, FMOD_RESULT>;
    const unsigned int v = FMOD_VERSION;
    const struct {
        unsigned int version;
        int treiber;
        Fehler scheitert;
        Liste zeilen;
        bool offen;
        Liste treiberListe; // name, rate, speaker mode, usable
    } faelle[] = {
        // clang-format off
        {v, 1, Fehler{{"create", FMOD_ERR_MEMORY}},
         {"!!Velm_Audio::Velm_Audio(): FMOD-Interface konnte nicht erstellt werden.",
          "!  Fehler 2: Out of memory."}, false, {}},
        {v, 1, Fehler{{"getVersion", FMOD_ERR_INVALID_PARAM}},
         {"!!Velm_Audio::Velm_Audio(): Versionsabfrage gescheitert.", kFehler1, kZu}, false, {}},
        {0x4444F, 1, {},
         {"!!Velm_Audio::Velm_Audio(): Falsche FMOD-Version liegt neben der Exe.", "!  Fehler 0: No errors.",
          kZu}, false, {}},
        {0x44450, 1, {}, {}, true, {"Karte 0 48000 5 1"}},
        {v, 1, Fehler{{"getNumDrivers", FMOD_ERR_OUTPUT_ENUMERATION}},
         {"!Velm_Audio::Velm_Audio(): Verfügbare Audio-Treiber konnten nicht ermittelt werden",
          "!  Fehler 3: The list of sound cards could not be read.", kZu}, false, {}},
        {v, 0, {}, {kKeinTreiber}, true, {}},
        {v, 0, Fehler{{"setOutput", FMOD_ERR_UNSUPPORTED}},
         {kKeinTreiber, "! Velm_Audio::Velm_Audio(): Nicht einmal 'kein Sound' konnte initialisiert werden."},
         true, {}},
        // A driver that failed its checks keeps no capabilities, nor a name it could not read.
        {v, 4, Fehler{{"getDriverCaps1", FMOD_ERR_OUTPUT_DRIVERCALL}, {"getDriverInfo2", FMOD_RESULT(96)},
                      {"getDriverCaps3", FMOD_RESULT(-1)}},
         {kFaehigkeiten + "1 fehlgeschlagen", "!  Fehler 4: The sound card's driver refused a call.",
          kFaehigkeiten + "2 fehlgeschlagen", "!  Fehler 96: Unknown error.",
          kFaehigkeiten + "3 fehlgeschlagen", "!  Fehler -1: Unknown error."},
         true, {"Karte 0 48000 5 1", "Karte 1 0 2 0", " 0 2 0", "Karte 3 0 2 0"}},
        // clang-format on
    };
    const std::vector<FMOD_OUTPUTTYPE> ohneTon = {FMOD_OUTPUTTYPE_NOSOUND};
    for (const auto& fall : faelle) {
        SCOPED_TRACE(&fall - faelle);
        mLog.mZeilen.clear();
        gSkript = Skript{fall.version, fall.treiber, fall.scheitert, 0, {}};
        const int freigaben = fall.scheitert.count("create") ? 0 : 1;
        {
            Velm_Audio audio;
            EXPECT_EQ(mLog.Texte(), fall.zeilen);
            EXPECT_EQ(audio.System() != nullptr, fall.offen);
            EXPECT_EQ(gSkript.freigaben, fall.offen ? 0 : freigaben);
            Liste treiber;
            for (const Velm_AudioTreiber& t : audio.Treiber())
                treiber.push_back(t.mName + " " + std::to_string(t.mAusgaberate) + " " +
                                  std::to_string(t.mLautsprecher) + " " + std::to_string(t.mNutzbar));
            EXPECT_EQ(treiber, fall.treiberListe);
            EXPECT_EQ(gSkript.ausgaben,
                      fall.offen && treiber.empty() ? ohneTon : std::vector<FMOD_OUTPUTTYPE>{});
        }
        EXPECT_EQ(gSkript.freigaben, freigaben);
    }
}

TEST_F(Audio, SchliessenGibtKanaeleUndSamplesEinmalFrei) {
    SkriptDsp echoGut, echoSchlecht(FMOD_ERR_INVALID_PARAM, FMOD_ERR_UNSUPPORTED);
    SkriptKlang klangGut, klangSchlecht(FMOD_ERR_MEMORY);
    gSkript.scheitert = {{"release", FMOD_ERR_OUTPUT_DRIVERCALL}};
    Velm_Audio audio;
    for (SkriptDsp* echo : {&echoGut, &echoSchlecht, static_cast<SkriptDsp*>(nullptr)}) {
        Velm_AudioKanal* kanal = new Velm_AudioKanal;
        kanal->mEcho = echo;
        audio.Kanaele().Einfuegen(kanal);
    }
    for (SkriptKlang* klang : {&klangGut, &klangSchlecht}) {
        Velm_AudioSample* sample = new Velm_AudioSample;
        sample->mKlang = klang;
        audio.Samples().Einfuegen(sample);
    }
    audio.Beenden();
    audio.Beenden();
    EXPECT_EQ(
        mLog.Texte(),
        (Liste{kZu, "!Velm_AudioSample::~Velm_AudioSample(): Freigeben des Audio-Samples fehlgeschlagen",
               "!Velm_AudioKanal::~Velm_AudioKanal(): Entfernen des Echo-DSPs gescheitert.", kFehler1,
               "!Velm_AudioKanal::~Velm_AudioKanal(): Freigeben des Echo-DSPs gescheitert.",
               "!  Fehler 6: The call is not supported.",
               "!Velm_Audio::Beenden(): Schliessen von FMOD schlug fehl.",
               "!  Fehler 4: The sound card's driver refused a call."}));
    EXPECT_EQ(gSkript.freigaben, 1);
    EXPECT_EQ(echoGut.rufe + echoSchlecht.rufe, 4);
    EXPECT_EQ(klangGut.rufe + klangSchlecht.rufe, 2);
    EXPECT_FALSE(audio.Kanaele().IstBelegt(0) || audio.Samples().IstBelegt(0));
}

TEST_F(Audio, LiesDatenReichtNurAnEinenVorhandenenRueckrufWeiter) {
    Velm_AudioSample sample;
    std::vector<std::pair<void*, uint32_t>> rufe;
    SkriptKlang klang;
    char puffer[4];
    EXPECT_EQ(Velm_AudioSample::LiesDaten(&klang, puffer, 4), FMOD_OK);
    klang.nutzdaten = &sample;
    EXPECT_EQ(Velm_AudioSample::LiesDaten(&klang, puffer, 4), FMOD_OK);
    sample.mRueckruf = [&](void* daten, uint32_t laenge) { rufe.emplace_back(daten, laenge); };
    EXPECT_EQ(Velm_AudioSample::LiesDaten(&klang, puffer, 4), FMOD_OK);
    EXPECT_EQ(rufe, (std::vector<std::pair<void*, uint32_t>>{{puffer, 4u}}));
}

// This machine has no sound card: the real back end lists none and the start-up takes the
// no-sound path without an error line.
TEST_F(Audio, AlsaOhneKarteNimmtKeinenSound) {
    Plattform::SetzeAudioFabrik(nullptr);
    Velm_Audio audio;
    ASSERT_NE(audio.System(), nullptr);
    if (!audio.Treiber().empty())
        GTEST_SKIP() << "this machine has a sound card";
    EXPECT_EQ(mLog.Texte(), Liste{kKeinTreiber});
}

// The global audio system closes at exit before the log does: its closing line reaches the file.
TEST_F(Audio, GlobalesAudioSchliesstVorDemLog) {
    EXPECT_EXIT(
        {
            Velm_Konsole::Starte(mOrdner.Pfad(), "ende.log");
            std::exit(0);
        },
        testing::ExitedWithCode(0), "");
    const std::string inhalt = TextDerDatei(mOrdner.Pfad() / "ende.log");
    EXPECT_NE(inhalt.find("): Audio wird geschlossen.\n"), std::string::npos) << inhalt;
}
