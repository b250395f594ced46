#include "plattform/absturz/plattform_absturz.h"

#include "plattform/absturz/plattform_abbildungen.h"
#include "plattform/system/plattform_faden.h"
#include "plattform/system/plattform_ordner.h"
#include "plattform/system/plattform_system.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <elf.h>
#include <fcntl.h>
#include <link.h>
#include <signal.h>
#include <string>
#include <sys/utsname.h>
#include <ucontext.h>
#include <unistd.h>

namespace Plattform {

namespace {

constexpr int kSignale[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGTRAP, SIGABRT};
constexpr size_t kSignalAnzahl = sizeof kSignale / sizeof kSignale[0];

struct sigaction gVorher[kSignalAnzahl];
std::atomic<AusnahmeFilter> gFilter{nullptr};
std::atomic<uint32_t> gBerichtenderFaden{0};

constexpr uint64_t kUeberlaufAbstand = 64 * 1024;

// Descriptors held from the filter's installation on and given back first thing in the handler: a
// process that leaked every descriptor (a common cause of the crash itself) still gets its report
// into the log file, its helper started and its dump written. The handler needs two at a time.
int gReserve[4] = {-1, -1, -1, -1};

void NimmReserve() {
    for (int& datei : gReserve)
        if (datei < 0)
            datei = open("/", O_PATH | O_CLOEXEC);
}

void GibReserveFrei() {
    for (int& datei : gReserve) {
        if (datei >= 0)
            close(datei);
        datei = -1;
    }
}

int SignalIndex(int signal) {
    for (size_t i = 0; i < kSignalAnzahl; ++i)
        if (kSignale[i] == signal)
            return int(i);
    return -1;
}

uint64_t Befehlszeiger(const ucontext_t* kontext) {
    return uint64_t(kontext->uc_mcontext.gregs[REG_RIP]);
}

// A fault close below the thread's stack or the stack pointer is taken for an overflow: fibers
// run on their own blocks, whose guard pages lie below the stack pointer, not the thread's stack.
bool IstStapelUeberlauf(uint64_t adresse, const ucontext_t* kontext) {
    const uint64_t zeiger = uint64_t(kontext->uc_mcontext.gregs[REG_RSP]);
    uintptr_t unten = 0, oben = 0;
    if (StapelGrenzen(unten, oben) && adresse < unten && unten - adresse <= kUeberlaufAbstand)
        return true;
    return adresse <= zeiger + 4096 && zeiger - std::min(zeiger, adresse) <= kUeberlaufAbstand;
}

uint32_t Code(int signal, const siginfo_t* info, const ucontext_t* kontext) {
    using namespace AusnahmeCode;
    const int art = info->si_code;
    switch (signal) {
    case SIGSEGV:
        return IstStapelUeberlauf(uint64_t(info->si_addr), kontext) ? kStapelUeberlauf : kZugriffsverletzung;
    case SIGBUS:
        return art == BUS_ADRALN ? kFehlausrichtung : kSeitenfehler;
    case SIGILL:
        return art == ILL_PRVOPC || art == ILL_PRVREG ? kPrivilegierteAnweisung : kUngueltigeAnweisung;
    case SIGFPE:
        switch (art) {
        case FPE_INTDIV: return kGanzDivisionDurchNull;
        case FPE_INTOVF: return kGanzUeberlauf;
        case FPE_FLTDIV: return kFliessDivisionDurchNull;
        case FPE_FLTOVF: return kFliessUeberlauf;
        case FPE_FLTUND: return kFliessUnterlauf;
        case FPE_FLTRES: return kFliessUngenau;
        case FPE_FLTSUB: return kFeldgrenze;
        default: return kFliessUngueltig;
        }
    case SIGTRAP:
        return art == TRAP_TRACE ? kEinzelschritt : kHaltepunkt;
    default:
        return kCppAusnahme;
    }
}

AusnahmeZeiger Beschreibe(int signal, const siginfo_t* info, const ucontext_t* kontext, uint32_t faden) {
    AusnahmeZeiger zeiger;
    zeiger.mSignal = signal;
    zeiger.mSignalArt = info->si_code;
    zeiger.mFehlerAdresse = uint64_t(info->si_addr);
    zeiger.mKontext = kontext;
    zeiger.mFadenId = faden;
    zeiger.mCode = Code(signal, info, kontext);
    zeiger.mAdresse = Befehlszeiger(kontext);
    // The kernel reports a breakpoint's instruction pointer behind the int3 (one byte).
    if (signal == SIGTRAP && info->si_code == SI_KERNEL)
        zeiger.mAdresse -= 1;
    if (signal == SIGSEGV) {
        const uint64_t fehler = uint64_t(kontext->uc_mcontext.gregs[REG_ERR]);
        zeiger.mParameterAnzahl = 2;
        zeiger.mParameter[0] = (fehler & 0x10) ? 8 : (fehler & 0x2) ? 1 : 0;
        zeiger.mParameter[1] = uint64_t(info->si_addr);
    }
    return zeiger;
}

// Faults of the processor happen again when the handler returns; a breakpoint, an abort and
// signals sent by a process do not, so those are raised again.
bool KommtWieder(int signal, const siginfo_t* info) {
    return info->si_code > 0 && signal != SIGTRAP && signal != SIGABRT;
}

void Behandle(int signal, siginfo_t* info, void* roh) {
    const uint32_t faden = FadenId();
    uint32_t frei = 0;
    if (!gBerichtenderFaden.compare_exchange_strong(frei, faden)) {
        // Another thread is reporting and will end the process; this one must not run on.
        for (;;)
            pause();
    }
    GibReserveFrei();
    alarm(kWachhundSekunden);
    const AusnahmeZeiger zeiger = Beschreibe(signal, info, static_cast<const ucontext_t*>(roh), faden);
    const AusnahmeFilter filter = gFilter.load();
    const int ergebnis = filter ? filter(&zeiger) : kWeiterSuchen;
    alarm(0);
    NimmReserve();
    gBerichtenderFaden.store(0);
    if (ergebnis == kAusfuehrungFortsetzen)
        return;

    struct sigaction jetzt;
    sigaction(signal, nullptr, &jetzt);
    if ((jetzt.sa_flags & SA_SIGINFO) && jetzt.sa_sigaction == &Behandle) {
        struct sigaction standard{};
        standard.sa_handler = SIG_DFL;
        sigaction(signal, &standard, nullptr);
    }
    if (!KommtWieder(signal, info))
        raise(signal);
}

int GibAnVorherigeWeiter(const AusnahmeZeiger* zeiger) {
    const int i = SignalIndex(zeiger->mSignal);
    if (i >= 0)
        sigaction(zeiger->mSignal, &gVorher[i], nullptr);
    return kWeiterSuchen;
}

// ---- modules and sections

struct ModulSuche {
    uint64_t mAdresse;
    uint64_t mLadeVersatz;
    const char* mPfad;
    bool mProgramm;
};

const char* ModulPfad(const char* name) {
    return name && name[0] ? name : ProgrammPfadText();
}

int PruefeModul(dl_phdr_info* info, size_t, void* daten) {
    auto* suche = static_cast<ModulSuche*>(daten);
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr)& kopf = info->dlpi_phdr[i];
        const uint64_t anfang = info->dlpi_addr + kopf.p_vaddr;
        if (kopf.p_type == PT_LOAD && suche->mAdresse >= anfang && suche->mAdresse < anfang + kopf.p_memsz) {
            suche->mLadeVersatz = info->dlpi_addr;
            suche->mPfad = ModulPfad(info->dlpi_name);
            suche->mProgramm = !info->dlpi_name || !info->dlpi_name[0];
            return 1;
        }
    }
    return 0;
}

// The section table is not mapped at run time, so it is read from the file with plain reads.
void FindeAbschnitt(int datei, uint64_t relativ, AdressOrt& ort) {
    ElfW(Ehdr) kopf;
    if (pread(datei, &kopf, sizeof kopf, 0) != ssize_t(sizeof kopf) || std::memcmp(kopf.e_ident, ELFMAG, SELFMAG) != 0 ||
        kopf.e_shentsize != sizeof(ElfW(Shdr)))
        return;
    ElfW(Shdr) abschnitte[64];
    for (uint32_t erster = 0; erster < kopf.e_shnum; erster += 64) {
        const uint32_t anzahl = std::min<uint32_t>(64, kopf.e_shnum - erster);
        const ssize_t groesse = ssize_t(anzahl * sizeof(ElfW(Shdr)));
        if (pread(datei, abschnitte, size_t(groesse), off_t(kopf.e_shoff + erster * sizeof(ElfW(Shdr)))) != groesse)
            return;
        for (uint32_t i = 0; i < anzahl; ++i) {
            const ElfW(Shdr)& a = abschnitte[i];
            // The upper bound is inclusive: the last byte's successor still counts.
            if ((a.sh_flags & SHF_ALLOC) && a.sh_addr <= relativ && relativ <= a.sh_addr + a.sh_size) {
                ort.mAbschnitt = erster + i;
                ort.mVersatz = relativ - a.sh_addr;
                return;
            }
        }
    }
}

struct ModulListe {
    ModulBereich* mModule;
    size_t mMax;
    size_t mAnzahl;
};

// The GNU build id from a note segment as it is mapped; false when the segment holds none.
bool LiesBauId(const uint8_t* notizen, uint64_t groesse, ModulBereich& modul) {
    const auto aufgerundet = [](uint64_t n) { return (n + 3) & ~uint64_t(3); };
    uint64_t pos = 0;
    while (pos + sizeof(ElfW(Nhdr)) <= groesse) {
        ElfW(Nhdr) kopf;
        std::memcpy(&kopf, notizen + pos, sizeof kopf);
        const uint64_t name = pos + sizeof kopf;
        const uint64_t inhalt = name + aufgerundet(kopf.n_namesz);
        pos = inhalt + aufgerundet(kopf.n_descsz);
        if (pos > groesse)
            return false;
        if (kopf.n_type == NT_GNU_BUILD_ID && kopf.n_namesz == 4 && std::memcmp(notizen + name, "GNU", 4) == 0 &&
            kopf.n_descsz <= ModulBereich::kMaxBauId) {
            modul.mBauIdLaenge = kopf.n_descsz;
            std::memcpy(modul.mBauId, notizen + inhalt, kopf.n_descsz);
            return true;
        }
    }
    return false;
}

int SammleModul(dl_phdr_info* info, size_t, void* daten) {
    auto* liste = static_cast<ModulListe*>(daten);
    if (liste->mAnzahl == liste->mMax)
        return 1;
    ModulBereich& modul = liste->mModule[liste->mAnzahl];
    modul = ModulBereich{UINT64_MAX, 0, ModulPfad(info->dlpi_name), 0, {}};
    uint64_t oben = 0;
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr)& kopf = info->dlpi_phdr[i];
        const uint64_t anfang = info->dlpi_addr + kopf.p_vaddr;
        if (kopf.p_type == PT_NOTE && modul.mBauIdLaenge == 0)
            LiesBauId(reinterpret_cast<const uint8_t*>(anfang), kopf.p_memsz, modul);
        if (kopf.p_type != PT_LOAD)
            continue;
        modul.mBasis = std::min<uint64_t>(modul.mBasis, anfang);
        oben = std::max<uint64_t>(oben, anfang + kopf.p_memsz);
    }
    if (oben > modul.mBasis) {
        modul.mGroesse = oben - modul.mBasis;
        ++liste->mAnzahl;
    }
    return 0;
}

} // namespace

const char* SystemText(uint32_t code) {
    using namespace AusnahmeCode;
    struct Zuordnung {
        uint32_t mCode;
        int mSignal;
    };
    static constexpr Zuordnung kZuordnung[] = {
        {kFehlausrichtung, SIGBUS},        {kHaltepunkt, SIGTRAP},           {kEinzelschritt, SIGTRAP},
        {kZugriffsverletzung, SIGSEGV},    {kSeitenfehler, SIGBUS},          {kUngueltigeAnweisung, SIGILL},
        {kFeldgrenze, SIGFPE},             {kFliessDivisionDurchNull, SIGFPE}, {kFliessUngenau, SIGFPE},
        {kFliessUngueltig, SIGFPE},        {kFliessUeberlauf, SIGFPE},       {kFliessUnterlauf, SIGFPE},
        {kGanzDivisionDurchNull, SIGFPE},  {kGanzUeberlauf, SIGFPE},         {kPrivilegierteAnweisung, SIGILL},
        {kStapelUeberlauf, SIGSEGV},       {kCppAusnahme, SIGABRT},
    };
    // sigdescr_np, not strsignal: the same untranslated text, without the locale's allocations.
    for (const Zuordnung& eintrag : kZuordnung)
        if (eintrag.mCode == code)
            return sigdescr_np(eintrag.mSignal);
    return "";
}

AusnahmeFilter SetzeAusnahmeFilter(AusnahmeFilter filter) {
    unsetenv("DEBUGINFOD_URLS");
    ProgrammPfadText();
    NimmReserve();
    gFilter.store(filter);
    struct sigaction aktion{};
    aktion.sa_sigaction = &Behandle;
    aktion.sa_flags = SA_SIGINFO | SA_ONSTACK;
    // A fault inside the handler then ends the process at once instead of nesting.
    sigemptyset(&aktion.sa_mask);
    for (int signal : kSignale)
        sigaddset(&aktion.sa_mask, signal);
    for (size_t i = 0; i < kSignalAnzahl; ++i) {
        struct sigaction alt;
        if (sigaction(kSignale[i], &aktion, &alt) != 0)
            continue;
        if (!((alt.sa_flags & SA_SIGINFO) && alt.sa_sigaction == &Behandle))
            gVorher[i] = alt;
    }
    return &GibAnVorherigeWeiter;
}

bool FindeAdressOrt(uint64_t adresse, AdressOrt& ort) {
    ModulSuche suche{adresse, 0, nullptr, false};
    ort = AdressOrt{};
    if (!dl_iterate_phdr(&PruefeModul, &suche) || !suche.mPfad)
        return false;
    const size_t laenge = std::min(std::strlen(suche.mPfad), sizeof ort.mModul - 1);
    std::memcpy(ort.mModul, suche.mPfad, laenge);
    // The path may name another file by now (the program was rebuilt while it ran), or none.
    int datei = OeffneModulDatei(0, adresse, suche.mProgramm);
    if (datei < 0)
        datei = open(suche.mPfad, O_RDONLY | O_CLOEXEC);
    if (datei >= 0) {
        FindeAbschnitt(datei, adresse - suche.mLadeVersatz, ort);
        close(datei);
    }
    return true;
}

size_t LiesModule(ModulBereich* module, size_t max) {
    ModulListe liste{module, max, 0};
    dl_iterate_phdr(&SammleModul, &liste);
    return liste.mAnzahl;
}

SystemVersion LiesSystemVersion() {
    SystemVersion version;
    utsname name{};
    if (uname(&name) != 0)
        return version;
    uint32_t* teile[3] = {&version.mHaupt, &version.mNeben, &version.mBau};
    const char* text = name.release;
    for (uint32_t* teil : teile) {
        while (*text >= '0' && *text <= '9')
            *teil = *teil * 10 + uint32_t(*text++ - '0');
        if (*text == '.')
            ++text;
    }
    const size_t laenge = std::min(std::strlen(name.version), sizeof version.mText - 1);
    std::memcpy(version.mText, name.version, laenge);
    return version;
}

const char* ProgrammPfadText() {
    // The first call comes from `SetzeAusnahmeFilter`, outside any handler. Never freed: a crash
    // may come while the statics are torn down at exit.
    static const std::string* const pfad = new std::string(ProgrammPfad().value_or(std::filesystem::path()));
    return pfad->c_str();
}

} // namespace Plattform
