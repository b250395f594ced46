#include "plattform/system/plattform_faden.h"

#include <gtest/gtest.h>

#include <atomic>
#include <pthread.h>
#include <system_error>

namespace {

std::string Fadenname(std::thread& faden) {
    char name[32] = {};
    pthread_getname_np(faden.native_handle(), name, sizeof name);
    return name;
}

TEST(Faden, LaeuftUndTraegtSeinenNamen) {
    std::atomic<bool> weiter{false};
    std::atomic<int> gelaufen{0};
    std::thread kurz = Plattform::StarteFaden("velm-test", [&] {
        ++gelaufen;
        while (!weiter)
            std::this_thread::yield();
    });
    // Longer names keep their first 15 characters instead of being refused.
    std::thread lang = Plattform::StarteFaden("velm-ein-sehr-langer-name", [&] {
        ++gelaufen;
        while (!weiter)
            std::this_thread::yield();
    });
    EXPECT_EQ(Fadenname(kurz), "velm-test");
    EXPECT_EQ(Fadenname(lang), "velm-ein-sehr-l");
    weiter = true;
    kurz.join();
    lang.join();
    EXPECT_EQ(gelaufen, 2);
}

TEST(Faden, GrenzeLaesstStartsScheiternWieDerKern) {
    Plattform::SetzeFadenstartGrenze(2);
    std::thread a = Plattform::StarteFaden("a", [] {});
    std::thread b = Plattform::StarteFaden("b", [] {});
    bool gescheitert = false;
    try {
        std::thread c = Plattform::StarteFaden("c", [] {});
        c.join();
    } catch (const std::system_error& fehler) {
        gescheitert = fehler.code() == std::errc::resource_unavailable_try_again;
    }
    EXPECT_TRUE(gescheitert);
    EXPECT_THROW(Plattform::StarteFaden("d", [] {}), std::system_error);

    Plattform::SetzeFadenstartGrenze(-1);
    std::thread e = Plattform::StarteFaden("e", [] {});
    a.join();
    b.join();
    e.join();
}

} // namespace
