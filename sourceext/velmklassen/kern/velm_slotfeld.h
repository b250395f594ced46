#pragma once
// A slot array: elements in stable slots whose indices serve as handles, with 64-bit occupancy
// words and a hint below which every slot is taken. Elements are plain values moved bytewise.

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>

template <typename T> class TSlotFeld {
    static_assert(std::is_trivially_copyable_v<T>, "slots are moved bytewise");

public:
    TSlotFeld() = default;
    ~TSlotFeld() { std::free(mBlock); }
    TSlotFeld(const TSlotFeld&) = delete;
    TSlotFeld& operator=(const TSlotFeld&) = delete;

    // The lowest free slot at or above the hint's word; grows when there is none. Does not mark it.
    uint64_t FindeFreienSlot() {
        const uint64_t woerter = mKapazitaet / 64;
        for (uint64_t w = mHinweis / 64; w < woerter; ++w) {
            if (~mBelegung[w] != 0)
                return 64 * w + uint64_t(std::countr_one(mBelegung[w]));
        }
        const uint64_t alt = mKapazitaet;
        SetKapazitaet(std::max<uint64_t>(64, 2 * mKapazitaet), true);
        return alt;
    }

    // Rounds up to a multiple of 64. Without `behalten` the slots start empty, except in an array
    // of pointers: registries of objects never drop the objects they still know.
    void SetKapazitaet(uint64_t gewuenscht, bool behalten) {
        const uint64_t neu = (gewuenscht + 63) / 64 * 64;
        uint8_t* block = nullptr;
        if (neu > 0) {
            block = static_cast<uint8_t*>(std::malloc(ElementVersatz(neu) + neu * sizeof(T)));
            if (!block)
                throw std::bad_alloc();
        }
        uint64_t* belegung = reinterpret_cast<uint64_t*>(block);
        T* slots = reinterpret_cast<T*>(block + ElementVersatz(neu));

        const uint64_t k = block && (behalten || std::is_pointer_v<T>) ? std::min(neu, mKapazitaet) : 0;
        if (k > 0) {
            std::memcpy(belegung, mBelegung, k / 8);
            std::memcpy(static_cast<void*>(slots), mSlots, k * sizeof(T));
        }
        if (neu > k)
            std::memset(belegung + k / 64, 0, (neu - k) / 8);

        std::free(mBlock);
        mBlock = block;
        mBelegung = belegung;
        mSlots = slots;
        mKapazitaet = neu;
        mHinweis = std::min(mHinweis, neu);
    }

    // Stores at a given index and marks it; grows to the next power of two above the index.
    void Setze(uint64_t i, const T& element) {
        if (i >= mKapazitaet)
            SetKapazitaet(i == 0 ? 64 : std::max<uint64_t>(64, std::bit_floor(i) << 1), true);
        mSlots[i] = element;
        mBelegung[i / 64] |= uint64_t(1) << (i % 64);
    }

    // Takes the lowest free slot and returns its index, the element's handle.
    uint64_t Einfuegen(const T& element) {
        const uint64_t i = FindeFreienSlot();
        mSlots[i] = element;
        mBelegung[i / 64] |= uint64_t(1) << (i % 64);
        ++mHinweis;
        return i;
    }

    void Entfernen(uint64_t i) {
        mBelegung[i / 64] &= ~(uint64_t(1) << (i % 64));
        mHinweis = std::min(mHinweis, i);
    }

    bool IstBelegt(uint64_t i) const { return i < mKapazitaet && (mBelegung[i / 64] >> (i % 64)) & 1; }
    T& operator[](uint64_t i) { return mSlots[i]; }
    const T& operator[](uint64_t i) const { return mSlots[i]; }
    uint64_t Kapazitaet() const { return mKapazitaet; }
    uint64_t Hinweis() const { return mHinweis; }

private:
    // The elements follow the occupancy words, aligned for T.
    static uint64_t ElementVersatz(uint64_t kapazitaet) {
        return (kapazitaet / 8 + alignof(T) - 1) / alignof(T) * alignof(T);
    }

    uint8_t* mBlock = nullptr;
    T* mSlots = nullptr;
    uint64_t* mBelegung = nullptr;
    uint64_t mKapazitaet = 0;
    uint64_t mHinweis = 0;
};
