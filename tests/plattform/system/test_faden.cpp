#include "plattform/system/plattform_faden.h"

#include <gtest/gtest.h>

#include <atomic>
#include <pthread.h>
#include <thread>

// Longer names keep their first 15 characters instead of being refused.
TEST(Faden, TraegtDieErstenFuenfzehnZeichenSeinesNamens) {
    std::atomic<bool> weiter{false};
    std::thread faden = Plattform::StarteFaden("velm-ein-sehr-langer-name", [&] {
        while (!weiter)
            std::this_thread::yield();
    });
    char name[32] = {};
    pthread_getname_np(faden.native_handle(), name, sizeof name);
    weiter = true;
    faden.join();
    EXPECT_STREQ(name, "velm-ein-sehr-l");
}
