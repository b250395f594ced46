#include "plattform/system/plattform_faden.h"

#include <gtest/gtest.h>

#include <atomic>
#include <pthread.h>

TEST(Faden, TraegtSeinenNamen) {
    std::atomic<bool> weiter{false};
    std::vector<std::thread> faeden;
    // Longer names keep their first 15 characters instead of being refused.
    for (const char* name : {"velm-test", "velm-ein-sehr-langer-name"})
        faeden.push_back(Plattform::StarteFaden(name, [&] {
            while (!weiter)
                std::this_thread::yield();
        }));
    char namen[2][32] = {};
    for (int i = 0; i < 2; ++i)
        pthread_getname_np(faeden[size_t(i)].native_handle(), namen[i], sizeof namen[i]);
    EXPECT_STREQ(namen[0], "velm-test");
    EXPECT_STREQ(namen[1], "velm-ein-sehr-l");
    weiter = true;
    for (std::thread& faden : faeden)
        faden.join();
}
