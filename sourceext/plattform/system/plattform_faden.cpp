#include "plattform/system/plattform_faden.h"

#include <atomic>
#include <pthread.h>
#include <system_error>

namespace Plattform {

namespace {
std::atomic<int> gVerbleibendeStarts{-1};

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
    std::thread faden(std::move(rumpf));
    // The kernel keeps 15 characters and a terminator; a longer name would be refused whole.
    pthread_setname_np(faden.native_handle(), name.substr(0, 15).c_str());
    return faden;
}

void SetzeFadenstartGrenze(int anzahl) {
    gVerbleibendeStarts.store(anzahl < 0 ? -1 : anzahl);
}

} // namespace Plattform
