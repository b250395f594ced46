#include "plattform/system/plattform_faden.h"

#include <atomic>
#include <pthread.h>
#include <signal.h>
#include <sys/mman.h>
#include <system_error>
#include <unistd.h>

namespace Plattform {

namespace {
std::atomic<int> gVerbleibendeStarts{-1};

// Plain data with constant initialisation: a signal handler reads it without a guard.
struct StapelBereich {
    uintptr_t mUnten;
    uintptr_t mOben;
};
constinit thread_local StapelBereich tStapel{0, 0};

// Takes one start from the hook's budget; false when the budget is spent.
bool DarfStarten() {
    int verbleibend = gVerbleibendeStarts.load();
    while (verbleibend >= 0) {
        if (verbleibend == 0)
            return false;
        if (gVerbleibendeStarts.compare_exchange_weak(verbleibend, verbleibend - 1))
            return true;
    }
    return true;
}
} // namespace

std::thread StarteFaden(const std::string& name, std::function<void()> rumpf) {
    if (!DarfStarten())
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again),
                                "Faden-Start gesperrt");
    std::thread faden([rumpf = std::move(rumpf)] {
        TSignalstapel stapel;
        rumpf();
    });
    // The kernel keeps 15 characters and a terminator; a longer name would be refused whole.
    pthread_setname_np(faden.native_handle(), name.substr(0, 15).c_str());
    return faden;
}

TSignalstapel::TSignalstapel() {
    pthread_attr_t attribute;
    if (pthread_getattr_np(pthread_self(), &attribute) == 0) {
        void* unten = nullptr;
        size_t groesse = 0;
        if (pthread_attr_getstack(&attribute, &unten, &groesse) == 0)
            tStapel = {uintptr_t(unten), uintptr_t(unten) + groesse};
        pthread_attr_destroy(&attribute);
    }

    const size_t seite = size_t(sysconf(_SC_PAGESIZE));
    void* block = mmap(nullptr, kGroesse + seite, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED)
        return;
    // A handler that runs off its stack then faults on the guard page instead of writing elsewhere.
    mprotect(block, seite, PROT_NONE);
    stack_t stapel{};
    stapel.ss_sp = static_cast<char*>(block) + seite;
    stapel.ss_size = kGroesse;
    if (sigaltstack(&stapel, nullptr) != 0) {
        munmap(block, kGroesse + seite);
        return;
    }
    mBlock = block;
    mBlockGroesse = kGroesse + seite;
}

TSignalstapel::~TSignalstapel() {
    tStapel = {0, 0};
    if (!mBlock)
        return;
    stack_t aus{};
    aus.ss_flags = SS_DISABLE;
    sigaltstack(&aus, nullptr);
    munmap(mBlock, mBlockGroesse);
}

bool StapelGrenzen(uintptr_t& unten, uintptr_t& oben) {
    unten = tStapel.mUnten;
    oben = tStapel.mOben;
    return oben != 0;
}

void SetzeFadenstartGrenze(int anzahl) {
    gVerbleibendeStarts.store(anzahl < 0 ? -1 : anzahl);
}

} // namespace Plattform
