#pragma once
// A growable array of plain records that can itself live in a slot table: it is plain data, so
// the table may move it bytewise, and whoever holds it frees it with Freigeben.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>

namespace Spiel {

template <typename T> struct Feld {
    static_assert(std::is_trivially_copyable_v<T>, "records are moved bytewise");

    T* mDaten = nullptr;
    uint64_t mAnzahl = 0;
    uint64_t mKapazitaet = 0;

    // Makes room for at least n records; the contents stay.
    void Reserviere(uint64_t n) {
        if (n <= mKapazitaet)
            return;
        T* neu = static_cast<T*>(std::realloc(static_cast<void*>(mDaten), n * sizeof(T)));
        if (!neu)
            throw std::bad_alloc();
        mDaten = neu;
        mKapazitaet = n;
    }
    void Anhaengen(const T& wert) {
        if (mAnzahl == mKapazitaet)
            Reserviere(mKapazitaet < 16 ? 16 : 2 * mKapazitaet);
        mDaten[mAnzahl++] = wert;
    }
    // Keeps the capacity, so refilling every frame does not allocate.
    void Leere() { mAnzahl = 0; }
    void Freigeben() {
        std::free(static_cast<void*>(mDaten));
        *this = Feld{};
    }

    T& operator[](uint64_t i) { return mDaten[i]; }
    const T& operator[](uint64_t i) const { return mDaten[i]; }
    T* begin() { return mDaten; }
    T* end() { return mDaten + mAnzahl; }
    const T* begin() const { return mDaten; }
    const T* end() const { return mDaten + mAnzahl; }
};

} // namespace Spiel
