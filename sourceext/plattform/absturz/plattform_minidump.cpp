#include "plattform/absturz/plattform_minidump.h"

#include "plattform/system/plattform_faden.h"
#include "plattform/system/plattform_system.h"

#include <algorithm>
#include <cerrno>
#include <cpuid.h>
#include <cstddef>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/syscall.h>
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
// The x86-64 thread context.
struct MdKontext {
    uint64_t mHeim[6];
    uint32_t mFlags, mMxcsr;
    uint16_t mCs, mDs, mEs, mFs, mGs, mSs;
    uint32_t mEflags;
    uint64_t mDr[6];
    uint64_t mRax, mRcx, mRdx, mRbx, mRsp, mRbp, mRsi, mRdi;
    uint64_t mR[8];
    uint64_t mRip;
    uint8_t mFxsave[512];
    uint8_t mVektor[26 * 16];
    uint64_t mVektorSteuerung, mDebugSteuerung, mSprung[4];
};
#pragma pack(pop)
static_assert(sizeof(MdKopf) == 32 && sizeof(MdVerzeichnis) == 12 && sizeof(MdSystemInfo) == 56);
static_assert(sizeof(MdFaden) == 48 && sizeof(MdModul) == 108 && sizeof(MdAusnahme) == 168);
static_assert(sizeof(MdKontext) == 1232 && offsetof(MdKontext, mRip) == 0xF8 && offsetof(MdKontext, mFxsave) == 0x100);

enum : uint32_t {
    kFadenListe = 3,
    kModulListe = 4,
    kSpeicherListe = 5,
    kAusnahme = 6,
    kSystemInfo = 7,
};
constexpr uint32_t kSignatur = 0x504D444D; // "MDMP"
constexpr uint32_t kVersion = 0xA793;
constexpr uint32_t kKontextVoll = 0x10001F; // x86-64: control, integer, segments, floating point, debug
constexpr uint16_t kArchitekturAmd64 = 9;
constexpr size_t kMaxModule = 512;
constexpr uint64_t kStapelHoechstens = 256 * 1024;
constexpr uint64_t kRoteZone = 128;

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

    // Memory of this process: the kernel reads it for us and answers EFAULT where nothing is
    // mapped, which then reads as zeros, so the range keeps its size. The raw system call, because
    // a sanitizer's pwrite would object to reading stack memory outside the live frames.
    MdSpeicher Speicher(uint64_t anfang, uint64_t groesse) {
        static const char null[4096] = {};
        const uint32_t rva = mPos;
        uint64_t adresse = anfang;
        const uint64_t ende = anfang + groesse;
        while (adresse < ende && mFehler == 0) {
            const size_t stueck = size_t(std::min<uint64_t>(ende - adresse, 4096 - adresse % 4096));
            const ssize_t n = syscall(SYS_pwrite64, mDatei, adresse, stueck, off_t(mPos));
            if (n > 0) {
                mPos += uint32_t(n);
                adresse += uint64_t(n);
            } else if (n < 0 && errno == EFAULT) {
                Schreibe(null, stueck);
                adresse += stueck;
            } else if (!(n < 0 && errno == EINTR)) {
                mFehler = n < 0 ? uint32_t(errno) : uint32_t(EIO);
            }
        }
        return {anfang, {uint32_t(groesse), rva}};
    }

    // A length-prefixed UTF-16 string; our texts are paths and version strings, taken byte-wise.
    uint32_t Text(const char* text) {
        Richte4Aus();
        const uint32_t laenge = uint32_t(std::strlen(text));
        const uint32_t bytes = laenge * 2;
        const uint32_t rva = Schreibe(&bytes, 4);
        uint16_t zeichen[256];
        for (uint32_t i = 0; i <= laenge; i += 256) {
            const uint32_t n = std::min<uint32_t>(256, laenge + 1 - i);
            for (uint32_t k = 0; k < n; ++k)
                zeichen[k] = uint8_t(i + k < laenge ? text[i + k] : 0);
            Schreibe(zeichen, n * 2);
        }
        return rva;
    }
};

void FuelleKontext(const ucontext_t& quelle, MdKontext& ziel) {
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

uint32_t SchreibeModulListe(Schreiber& schreiber, uint32_t& groesse) {
    ModulBereich module[kMaxModule];
    const uint32_t anzahl = uint32_t(LiesModule(module, kMaxModule));
    const uint32_t rva = schreiber.Schreibe(&anzahl, 4);
    for (uint32_t i = 0; i < anzahl; ++i) {
        MdModul modul{};
        modul.mBasis = module[i].mBasis;
        modul.mGroesse = uint32_t(module[i].mGroesse);
        schreiber.Schreibe(&modul, sizeof modul);
    }
    groesse = 4 + anzahl * uint32_t(sizeof(MdModul));
    for (uint32_t i = 0; i < anzahl; ++i) {
        const uint32_t name = schreiber.Text(module[i].mPfad);
        schreiber.Setze(rva + 4 + i * uint32_t(sizeof(MdModul)) + offsetof(MdModul, mNameRva), &name, 4);
    }
    return rva;
}

// From a little below the stack pointer (the red zone) to the stack's top, at most 256 KiB.
MdSpeicher SchreibeStapel(Schreiber& schreiber, uint64_t zeiger) {
    uintptr_t unten = 0, oben = 0;
    const uint64_t anfang = zeiger - kRoteZone;
    uint64_t ende = anfang + kStapelHoechstens;
    if (StapelGrenzen(unten, oben) && zeiger >= unten && zeiger < oben)
        ende = std::min<uint64_t>(ende, oben);
    return schreiber.Speicher(anfang, ende - anfang);
}

} // namespace

int ErzeugeDumpDatei(const char* pfad, uint32_t& fehler) {
    const int datei = open(pfad, O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    fehler = datei < 0 ? uint32_t(errno) : 0;
    return datei;
}

bool SchreibeMiniDump(int datei, const AusnahmeZeiger* zeiger, uint32_t& fehler) {
    ucontext_t jetzt;
    const ucontext_t* kontext = zeiger ? static_cast<const ucontext_t*>(zeiger->mKontext) : nullptr;
    if (!kontext) {
        getcontext(&jetzt);
        kontext = &jetzt;
    }
    const uint32_t fadenId = zeiger ? zeiger->mFadenId : FadenId();

    Schreiber schreiber{datei};
    MdKopf kopf{kSignatur, kVersion, 0, 0, 0, uint32_t(time(nullptr)), 0};
    schreiber.Schreibe(&kopf, sizeof kopf);

    MdVerzeichnis verzeichnis[5];
    uint32_t stroeme = 0;
    verzeichnis[stroeme++] = {kSystemInfo, {sizeof(MdSystemInfo), SchreibeSystemInfo(schreiber)}};

    schreiber.Richte4Aus();
    MdKontext register_;
    FuelleKontext(*kontext, register_);
    const MdOrt kontextOrt{sizeof register_, schreiber.Schreibe(&register_, sizeof register_)};

    MdSpeicher bereiche[2];
    uint32_t bereichAnzahl = 0;
    bereiche[bereichAnzahl++] = SchreibeStapel(schreiber, register_.mRsp);
    if (zeiger)
        bereiche[bereichAnzahl++] = schreiber.Speicher(zeiger->mAdresse - std::min<uint64_t>(zeiger->mAdresse, 128), 256);
    schreiber.Richte4Aus();

    const uint32_t eins = 1;
    const MdFaden faden{fadenId, 0, 0, 0, 0, bereiche[0], kontextOrt};
    const uint32_t fadenRva = schreiber.Schreibe(&eins, 4);
    schreiber.Schreibe(&faden, sizeof faden);
    verzeichnis[stroeme++] = {kFadenListe, {4 + sizeof faden, fadenRva}};

    uint32_t modulGroesse = 0;
    const uint32_t modulRva = SchreibeModulListe(schreiber, modulGroesse);
    verzeichnis[stroeme++] = {kModulListe, {modulGroesse, modulRva}};
    schreiber.Richte4Aus();

    const uint32_t speicherRva = schreiber.Schreibe(&bereichAnzahl, 4);
    schreiber.Schreibe(bereiche, bereichAnzahl * sizeof(MdSpeicher));
    verzeichnis[stroeme++] = {kSpeicherListe, {4 + bereichAnzahl * uint32_t(sizeof(MdSpeicher)), speicherRva}};

    if (zeiger) {
        MdAusnahme ausnahme{};
        ausnahme.mFaden = fadenId;
        ausnahme.mCode = zeiger->mCode;
        ausnahme.mAdresse = zeiger->mAdresse;
        ausnahme.mParameterAnzahl = zeiger->mParameterAnzahl;
        std::memcpy(ausnahme.mParameter, zeiger->mParameter, sizeof ausnahme.mParameter);
        ausnahme.mKontext = kontextOrt;
        verzeichnis[stroeme++] = {kAusnahme, {sizeof ausnahme, schreiber.Schreibe(&ausnahme, sizeof ausnahme)}};
    }

    kopf.mStromAnzahl = stroeme;
    kopf.mVerzeichnisRva = schreiber.Schreibe(verzeichnis, stroeme * sizeof(MdVerzeichnis));
    schreiber.Setze(0, &kopf, sizeof kopf);
    fehler = schreiber.mFehler;
    return fehler == 0;
}

void SchliesseDumpDatei(int datei) {
    close(datei);
}

} // namespace Plattform
