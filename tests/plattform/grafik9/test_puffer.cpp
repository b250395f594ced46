// Locking a buffer of the device: a range beyond its end, an unlock without a lock and a second
// lock are refused; a lock from an offset reaches to the end.

#include "testhilfe.h"

namespace grafik9test {
namespace {

TEST_F(Geraet, PufferSperren) {
    const auto vb = VertexPuffer(64, D3DUSAGE_WRITEONLY);
    void* p = nullptr;
    ErwarteAlle(D3DERR_INVALIDCALL, {vb->Lock(60, 8, &p, 0), vb->Lock(65, 0, &p, 0), vb->Unlock()});
    ASSERT_EQ(vb->Lock(16, 0, &p, 0), D3D_OK);
    std::memset(p, 0, 48);
    EXPECT_EQ(vb->Lock(0, 0, &p, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(vb->Unlock(), D3D_OK);
}

} // namespace
} // namespace grafik9test
