#include "plattform/absturz/plattform_minidump.h"

#include "plattform/absturz/plattform_abbildungen.h"
#include "plattform/absturz/plattform_abwicklung.h"
#include "plattform/system/plattform_faden.h"
#include "plattform/system/plattform_system.h"

#include <algorithm>
#include <cerrno>
#include <cpuid.h>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <ucontext.h>
#include <unistd.h>

#if !defined(__x86_64__)
#error "the minidump writer knows x86-64 only"
#endif

namespace Plattform {

namespace {

// The file's records, packed as the format lays them out.
#pragma pack(push, 4)
struct MdOrt {
    uint32_t mGroesse;
    uint32_t mRva;
};
struct MdSpeicher {
    uint64_t mAnfang;
    MdOrt mOrt;
};
struct MdKopf {
    uint32_t mSignatur, mVersion, mStromAnzahl, mVerzeichnisRva, mPruefsumme, mZeit;
    uint64_t mFlags;
};
struct MdVerzeichnis {
    uint32_t mTyp;
    MdOrt mOrt;
};
struct MdSystemInfo {
    uint16_t mArchitektur, mStufe, mRevision;
    uint8_t mProzessoren, mProduktTyp;
    uint32_t mHaupt, mNeben, mBau, mPlattform, mDienstRva;
    uint16_t mSuite, mReserviert;
    uint32_t mHersteller[3], mVersion, mMerkmale, mAmdMerkmale;
};
struct MdFaden {
    uint32_t mId, mAngehalten, mPrioritaetsKlasse, mPrioritaet;
    uint64_t mTeb;
    MdSpeicher mStapel;
    MdOrt mKontext;
};
struct MdModul {
    uint64_t mBasis;
    uint32_t mGroesse, mPruefsumme, mZeit, mNameRva;
    uint32_t mVersion[13];
    MdOrt mCv, mMisc;
    uint64_t mReserviert[2];
};
struct MdAusnahme {
    uint32_t mFaden, mAusrichtung;
    uint32_t mCode, mFlags;
    uint64_t mVerkettet, mAdresse;
    uint32_t mParameterAnzahl, mUnbenutzt;
    uint64_t mParameter[15];
    MdOrt mKontext;
};
struct MdMiscInfo {
    uint32_t mGroesse, mFlags, mProzess, mStartZeit, mNutzerZeit, mKernZeit;
};
#pragma pack(pop)
static_assert(sizeof(MdKopf) == 32 && sizeof(MdVerzeichnis) == 12 && sizeof(MdSystemInfo) == 56);
static_assert(sizeof(MdFaden) == 48 && sizeof(MdModul) == 108 && sizeof(MdAusnahme) == 168);
static_assert(sizeof(MdMiscInfo) == 24);

enum : uint32_t {
    kFadenListe = 3,
    kModulListe = 4,
    kSpeicherListe = 5,
    kAusnahme = 6,
    kSystemInfo = 7,
    kMiscInfo = 15,
};
constexpr uint32_t kSignatur = 0x504D444D;    // "MDMP"
constexpr uint32_t kVersion = 0xA793;
constexpr uint32_t kCodeViewElf = 0x4270454C; // "BpEL": an ELF build id, the format's Linux form
constexpr uint32_t kMiscProzessId = 1;
constexpr uint16_t kArchitekturAmd64 = 9;
constexpr size_t kMaxModule = 512;
constexpr uint64_t kStapelHoechstens = 256 * 1024;
constexpr uint64_t kRoteZone = 128;
constexpr uint64_t kBefehlsUmgebung = 128;

// The next code point of UTF-8 text; a malformed byte reads as U+FFFD and is passed alone.
uint32_t NaechstesZeichen(const uint8_t*& text) {
    const uint8_t erstes = *text++;
    if (erstes < 0x80)
        return erstes;
    const int folge = erstes >= 0xC2 && erstes < 0xE0   ? 1
                      : erstes >= 0xE0 && erstes < 0xF0 ? 2
                      : erstes >= 0xF0 && erstes < 0xF5 ? 3
                                                        : 0;
    if (folge == 0)
        return 0xFFFD;
    static constexpr uint32_t kKleinstes[] = {0, 0x80, 0x800, 0x10000};
    uint32_t zeichen = erstes & (0x3Fu >> folge);
    for (int i = 0; i < folge; ++i) {
        if ((text[i] & 0xC0) != 0x80)
            return 0xFFFD;
        zeichen = zeichen << 6 | (text[i] & 0x3Fu);
    }
    if (zeichen < kKleinstes[folge] || zeichen > 0x10FFFF || (zeichen >= 0xD800 && zeichen < 0xE000))
        return 0xFFFD;
    text += folge;
    return zeichen;
}

// Sequential writing with positions to patch later; the first failure sticks.
struct Schreiber {
    int mDatei;
    uint32_t mPos = 0;
    uint32_t mFehler = 0;

    uint32_t Schreibe(const void* daten, size_t groesse) {
        const uint32_t anfang = mPos;
        const char* zeiger = static_cast<const char*>(daten);
        size_t rest = groesse;
        while (rest > 0 && mFehler == 0) {
            const ssize_t n = pwrite(mDatei, zeiger, rest, off_t(mPos));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                mFehler = n < 0 ? uint32_t(errno) : uint32_t(EIO);
                break;
            }
            zeiger += n;
            rest -= size_t(n);
            mPos += uint32_t(n);
        }
        return anfang;
    }

    void Setze(uint32_t rva, const void* daten, size_t groesse) {
        if (mFehler == 0 && pwrite(mDatei, daten, groesse, off_t(rva)) != ssize_t(groesse))
            mFehler = uint32_t(errno ? errno : EIO);
    }

    void Richte4Aus() {
        static const char null[4] = {};
        if (mPos % 4)
            Schreibe(null, 4 - mPos % 4);
    }

    // Room for a record that is patched in once its parts are written.
    uint32_t Reserviere(size_t groesse) {
        static const char null[4096] = {};
        Richte4Aus();
        const uint32_t rva = mPos;
        for (size_t rest = groesse; rest > 0 && mFehler == 0;) {
            const size_t stueck = std::min(rest, sizeof null);
            Schreibe(null, stueck);
            rest -= stueck;
        }
        return rva;
    }

    // Memory of the process page by page; what cannot be read is written as zeros, so the range
    // keeps its size. A range ends at the top of the address space: a broken register's range
    // would otherwise wrap and name bytes the file does not hold.
    MdSpeicher Speicher(uint32_t prozess, uint64_t anfang, uint64_t groesse) {
        groesse = std::min(groesse, UINT64_MAX - anfang);
        char puffer[4096];
        const uint32_t rva = mPos;
        const uint64_t ende = anfang + groesse;
        for (uint64_t adresse = anfang; adresse < ende && mFehler == 0;) {
            const size_t stueck = size_t(std::min<uint64_t>(ende - adresse, 4096 - adresse % 4096));
            if (!LiesSpeicher(prozess, adresse, puffer, stueck))
                std::memset(puffer, 0, stueck);
            Schreibe(puffer, stueck);
            adresse += stueck;
        }
        return {anfang, {uint32_t(groesse), rva}};
    }

    // A length-prefixed UTF-16 string from UTF-8 text.
    uint32_t Text(const char* text) {
        Richte4Aus();
        uint32_t einheiten = 0;
        for (const uint8_t* zeiger = reinterpret_cast<const uint8_t*>(text); *zeiger;)
            einheiten += NaechstesZeichen(zeiger) > 0xFFFF ? 2 : 1;
        const uint32_t bytes = einheiten * 2;
        const uint32_t rva = Schreibe(&bytes, 4);
        uint16_t puffer[256];
        size_t n = 0;
        for (const uint8_t* zeiger = reinterpret_cast<const uint8_t*>(text); *zeiger;) {
            const uint32_t zeichen = NaechstesZeichen(zeiger);
            if (zeichen > 0xFFFF) {
                puffer[n++] = uint16_t(0xD800 + ((zeichen - 0x10000) >> 10));
                puffer[n++] = uint16_t(0xDC00 + ((zeichen - 0x10000) & 0x3FF));
            } else {
                puffer[n++] = uint16_t(zeichen);
            }
            if (n >= 254) {
                Schreibe(puffer, n * 2);
                n = 0;
            }
        }
        puffer[n++] = 0;
        Schreibe(puffer, n * 2);
        return rva;
    }
};

uint32_t SchreibeSystemInfo(Schreiber& schreiber) {
    MdSystemInfo info{};
    info.mArchitektur = kArchitekturAmd64;
    info.mPlattform = kPlattformLinux;
    const long prozessoren = sysconf(_SC_NPROCESSORS_ONLN);
    info.mProzessoren = uint8_t(std::clamp<long>(prozessoren, 1, 255));
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (__get_cpuid(0, &a, &b, &c, &d)) {
        info.mHersteller[0] = b;
        info.mHersteller[1] = d;
        info.mHersteller[2] = c;
    }
    if (__get_cpuid(1, &a, &b, &c, &d)) {
        const uint32_t familie = ((a >> 8) & 0xF) + ((a >> 20) & 0xFF);
        const uint32_t modell = ((a >> 4) & 0xF) | (((a >> 16) & 0xF) << 4);
        info.mStufe = uint16_t(familie);
        info.mRevision = uint16_t((modell << 8) | (a & 0xF));
        info.mVersion = a;
        info.mMerkmale = d;
    }
    const SystemVersion version = LiesSystemVersion();
    info.mHaupt = version.mHaupt;
    info.mNeben = version.mNeben;
    info.mBau = version.mBau;
    const uint32_t rva = schreiber.Schreibe(&info, sizeof info);
    const uint32_t dienst = schreiber.Text(version.mText);
    schreiber.Setze(rva + offsetof(MdSystemInfo, mDienstRva), &dienst, 4);
    return rva;
}

MdOrt SchreibeMiscInfo(Schreiber& schreiber, uint32_t prozess) {
    const MdMiscInfo info{sizeof(MdMiscInfo), kMiscProzessId, prozess ? prozess : uint32_t(getpid()), 0, 0, 0};
    schreiber.Richte4Aus();
    return {sizeof info, schreiber.Schreibe(&info, sizeof info)};
}

MdOrt SchreibeModulListe(Schreiber& schreiber, const ModulBereich* module, uint32_t anzahl) {
    const uint32_t rva = schreiber.Reserviere(4 + anzahl * sizeof(MdModul));
    schreiber.Setze(rva, &anzahl, 4);
    for (uint32_t i = 0; i < anzahl; ++i) {
        MdModul modul{};
        modul.mBasis = module[i].mBasis;
        modul.mGroesse = uint32_t(module[i].mGroesse);
        modul.mNameRva = schreiber.Text(module[i].mPfad);
        if (module[i].mBauIdLaenge > 0) {
            schreiber.Richte4Aus();
            modul.mCv = {4 + module[i].mBauIdLaenge, schreiber.Schreibe(&kCodeViewElf, 4)};
            schreiber.Schreibe(module[i].mBauId, module[i].mBauIdLaenge);
        }
        schreiber.Setze(rva + 4 + i * uint32_t(sizeof(MdModul)), &modul, sizeof modul);
    }
    return {4 + anzahl * uint32_t(sizeof(MdModul)), rva};
}

// From a little below the stack pointer (the red zone) to the stack's end, at most 256 KiB. After
// an overflow the pointer lies below its stack, in the guard page: then the stack is taken from its
// low end, where the frames that ran out of room lie.
MdSpeicher SchreibeStapel(Schreiber& schreiber, uint32_t prozess, const DumpFaden& faden) {
    const uint64_t zeiger = faden.mKontext.mRsp;
    const bool bekannt = faden.mStapelOben > faden.mStapelUnten;
    const uint64_t anfang = bekannt && zeiger < faden.mStapelUnten ? faden.mStapelUnten
                                                                    : zeiger - std::min(zeiger, kRoteZone);
    uint64_t ende = anfang + std::min(kStapelHoechstens, UINT64_MAX - anfang);
    if (bekannt && faden.mStapelOben > anfang)
        ende = std::min(ende, faden.mStapelOben);
    return schreiber.Speicher(prozess, anfang, ende - anfang);
}

// The exception record in the Linux conventions of the format's readers: the signal number as the
// code, si_code as the flags and the fault address (si_addr) as the address.
MdOrt SchreibeAusnahme(Schreiber& schreiber, const AusnahmeZeiger& zeiger, uint32_t faden, MdOrt kontext) {
    MdAusnahme ausnahme{};
    ausnahme.mFaden = faden;
    ausnahme.mCode = uint32_t(zeiger.mSignal);
    ausnahme.mFlags = uint32_t(zeiger.mSignalArt);
    ausnahme.mAdresse = zeiger.mFehlerAdresse;
    ausnahme.mParameterAnzahl = zeiger.mParameterAnzahl;
    std::memcpy(ausnahme.mParameter, zeiger.mParameter, sizeof ausnahme.mParameter);
    ausnahme.mKontext = kontext;
    schreiber.Richte4Aus();
    return {sizeof ausnahme, schreiber.Schreibe(&ausnahme, sizeof ausnahme)};
}

// Each thread's context and stack, patched into the thread and memory lists reserved before;
// returns where the first thread's context lies.
MdOrt SchreibeFaeden(Schreiber& schreiber, const DumpInhalt& inhalt, uint32_t fadenRva, uint32_t speicherRva) {
    MdOrt erster{};
    for (uint32_t i = 0; i < inhalt.mFadenAnzahl; ++i) {
        const DumpFaden& faden = inhalt.mFaeden[i];
        schreiber.Richte4Aus();
        const MdOrt kontext{sizeof faden.mKontext, schreiber.Schreibe(&faden.mKontext, sizeof faden.mKontext)};
        const MdSpeicher stapel = SchreibeStapel(schreiber, inhalt.mProzess, faden);
        const MdFaden eintrag{faden.mId, 0, 0, 0, 0, stapel, kontext};
        schreiber.Setze(fadenRva + 4 + i * uint32_t(sizeof(MdFaden)), &eintrag, sizeof eintrag);
        schreiber.Setze(speicherRva + 4 + i * uint32_t(sizeof(MdSpeicher)), &stapel, sizeof stapel);
        if (i == 0)
            erster = kontext;
    }
    return erster;
}

} // namespace

void KontextAusSignal(const void* ucontext, MdKontext& ziel) {
    const ucontext_t& quelle = *static_cast<const ucontext_t*>(ucontext);
    const greg_t* r = quelle.uc_mcontext.gregs;
    ziel = MdKontext{};
    ziel.mFlags = kKontextVoll;
    ziel.mRax = uint64_t(r[REG_RAX]);
    ziel.mRcx = uint64_t(r[REG_RCX]);
    ziel.mRdx = uint64_t(r[REG_RDX]);
    ziel.mRbx = uint64_t(r[REG_RBX]);
    ziel.mRsp = uint64_t(r[REG_RSP]);
    ziel.mRbp = uint64_t(r[REG_RBP]);
    ziel.mRsi = uint64_t(r[REG_RSI]);
    ziel.mRdi = uint64_t(r[REG_RDI]);
    const int hoehere[8] = {REG_R8, REG_R9, REG_R10, REG_R11, REG_R12, REG_R13, REG_R14, REG_R15};
    for (int i = 0; i < 8; ++i)
        ziel.mR[i] = uint64_t(r[hoehere[i]]);
    ziel.mRip = uint64_t(r[REG_RIP]);
    ziel.mEflags = uint32_t(r[REG_EFL]);
    const uint64_t segmente = uint64_t(r[REG_CSGSFS]);
    ziel.mCs = uint16_t(segmente);
    ziel.mGs = uint16_t(segmente >> 16);
    ziel.mFs = uint16_t(segmente >> 32);
    if (quelle.uc_mcontext.fpregs) {
        static_assert(sizeof(*quelle.uc_mcontext.fpregs) == 512);
        std::memcpy(ziel.mFxsave, quelle.uc_mcontext.fpregs, 512);
        ziel.mMxcsr = quelle.uc_mcontext.fpregs->mxcsr;
    }
}

int ErzeugeDumpDatei(const char* pfad, uint32_t& fehler) {
    const int datei = open(pfad, O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    fehler = datei < 0 ? uint32_t(errno) : 0;
    return datei;
}

bool SchreibeMiniDump(int datei, const DumpInhalt& inhalt, uint32_t& fehler) {
    Schreiber schreiber{datei};
    MdKopf kopf{kSignatur, kVersion, 0, 0, 0, uint32_t(time(nullptr)), 0};
    schreiber.Schreibe(&kopf, sizeof kopf);
    MdVerzeichnis verzeichnis[6];
    uint32_t stroeme = 0;
    verzeichnis[stroeme++] = {kSystemInfo, {sizeof(MdSystemInfo), SchreibeSystemInfo(schreiber)}};
    verzeichnis[stroeme++] = {kMiscInfo, SchreibeMiscInfo(schreiber, inhalt.mProzess)};

    const uint32_t faeden = uint32_t(inhalt.mFadenAnzahl);
    const bool mitAusnahme = inhalt.mAusnahme && faeden > 0;
    const uint32_t bereiche = faeden + (mitAusnahme ? 1 : 0);
    const uint32_t fadenRva = schreiber.Reserviere(4 + faeden * sizeof(MdFaden));
    schreiber.Setze(fadenRva, &faeden, 4);
    verzeichnis[stroeme++] = {kFadenListe, {4 + faeden * uint32_t(sizeof(MdFaden)), fadenRva}};
    const uint32_t speicherRva = schreiber.Reserviere(4 + bereiche * sizeof(MdSpeicher));
    schreiber.Setze(speicherRva, &bereiche, 4);
    verzeichnis[stroeme++] = {kSpeicherListe, {4 + bereiche * uint32_t(sizeof(MdSpeicher)), speicherRva}};
    const MdOrt ersterKontext = SchreibeFaeden(schreiber, inhalt, fadenRva, speicherRva);

    if (mitAusnahme) {
        // The bytes around the faulting instruction, so that a reader can show it.
        const uint64_t befehl = inhalt.mAusnahme->mAdresse;
        const uint64_t anfang = befehl - std::min(befehl, kBefehlsUmgebung);
        const MdSpeicher umgebung = schreiber.Speicher(inhalt.mProzess, anfang, 2 * kBefehlsUmgebung);
        schreiber.Setze(speicherRva + 4 + faeden * uint32_t(sizeof(MdSpeicher)), &umgebung, sizeof umgebung);
        verzeichnis[stroeme++] = {
            kAusnahme, SchreibeAusnahme(schreiber, *inhalt.mAusnahme, inhalt.mFaeden[0].mId, ersterKontext)};
    }
    verzeichnis[stroeme++] = {kModulListe,
                              SchreibeModulListe(schreiber, inhalt.mModule, uint32_t(inhalt.mModulAnzahl))};

    schreiber.Richte4Aus();
    kopf.mStromAnzahl = stroeme;
    kopf.mVerzeichnisRva = schreiber.Schreibe(verzeichnis, stroeme * sizeof(MdVerzeichnis));
    schreiber.Setze(0, &kopf, sizeof kopf);
    fehler = schreiber.mFehler;
    return fehler == 0;
}

bool SchreibeEigenenMiniDump(int datei, const AusnahmeZeiger* zeiger, uint32_t& fehler) {
    DumpFaden faden;
    faden.mId = zeiger ? zeiger->mFadenId : FadenId();
    if (zeiger && zeiger->mKontext) {
        KontextAusSignal(zeiger->mKontext, faden.mKontext);
    } else {
        ucontext_t jetzt;
        getcontext(&jetzt);
        KontextAusSignal(&jetzt, faden.mKontext);
    }
    FindeStapel(0, faden.mKontext.mRsp, faden.mStapelUnten, faden.mStapelOben);
    ModulBereich module[kMaxModule];
    const DumpInhalt inhalt{0, &faden, 1, module, LiesModule(module, kMaxModule), zeiger};
    return SchreibeMiniDump(datei, inhalt, fehler);
}

void SchliesseDumpDatei(int datei) {
    close(datei);
}

} // namespace Plattform
