#pragma once
// The reference count of the compiler's objects, as in COM: a new object holds one reference and
// the last Release deletes it. Objects may be passed between threads, so the count is atomic.

#include "plattform/d3d9typen/d3d9typen.h"

#include <atomic>

namespace Plattform {

template <class Schnittstelle> class Gezaehlt : public Schnittstelle {
public:
    ULONG AddRef() final { return ++mReferenzen; }

    ULONG Release() final {
        const ULONG rest = --mReferenzen;
        if (rest == 0) {
            delete this;
        }
        return rest;
    }

protected:
    Gezaehlt() = default;
    virtual ~Gezaehlt() = default;

private:
    std::atomic<ULONG> mReferenzen{1};
};

} // namespace Plattform
