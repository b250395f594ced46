// The unwinder's rules and DWARF expressions, through one step over a table made in memory.

#include "plattform/absturz/plattform_cfi.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace {

// .eh_frame_hdr with a one-entry table, then a CIE with the rule program, then an FDE that covers
// [code, code + 0x100) of the table's own bytes.
class Tabelle {
public:
    explicit Tabelle(const std::vector<uint8_t>& programm) {
        mBytes.reserve(256); // the table holds addresses into itself
        const uint64_t basis = uint64_t(mBytes.data());
        Fuege({1, 0x1b, 0x03, 0x3b}); // version; frame pointer pc-relative, count, table data-relative
        Fuege32(0);
        Fuege32(1);
        const size_t eintrag = mBytes.size();
        Fuege32(0);
        Fuege32(0);
        const size_t cie = mBytes.size();
        Fuege32(0);
        Fuege32(0);                                    // CIE id
        Fuege({1, 'z', 'R', 0, 1, 0x78, 16, 1, 0x00}); // factors 1 and -8, column 16, absolute pointers
        Fuege(programm);
        Laenge(cie);
        const size_t fde = mBytes.size();
        Fuege32(0);
        Fuege32(uint32_t(mBytes.size() - cie));
        mCode = basis;
        Fuege64(mCode);
        Fuege64(0x100);
        Fuege({0});
        Laenge(fde);
        // The code starts at the header itself, so its table entry is 0.
        const int32_t fdeVersatz = int32_t(fde);
        std::memcpy(&mBytes[eintrag + 4], &fdeVersatz, 4);
        EXPECT_EQ(uint64_t(mBytes.data()), basis);
    }

    const uint8_t* Kopf() const { return mBytes.data(); }
    uint64_t Code() const { return mCode; }

private:
    void Fuege(const std::vector<uint8_t>& bytes) { mBytes.insert(mBytes.end(), bytes.begin(), bytes.end()); }
    void Fuege32(uint32_t wert) {
        Fuege({uint8_t(wert), uint8_t(wert >> 8), uint8_t(wert >> 16), uint8_t(wert >> 24)});
    }
    void Fuege64(uint64_t wert) {
        Fuege32(uint32_t(wert));
        Fuege32(uint32_t(wert >> 32));
    }
    void Laenge(size_t anfang) {
        const uint32_t laenge = uint32_t(mBytes.size() - anfang - 4);
        std::memcpy(&mBytes[anfang], &laenge, 4);
    }

    std::vector<uint8_t> mBytes;
    uint64_t mCode = 0;
};

// The rule program whose CFA is the expression's value.
std::vector<uint8_t> CfaAusdruck(const std::vector<uint8_t>& ausdruck) {
    std::vector<uint8_t> programm{0x0f, uint8_t(ausdruck.size())}; // DW_CFA_def_cfa_expression
    programm.insert(programm.end(), ausdruck.begin(), ausdruck.end());
    return programm;
}

// The registers before the step: the stack pointer and the return address.
Plattform::Cfi::Register Vorher() {
    Plattform::Cfi::Register reg;
    reg.mWert[Plattform::Cfi::kRsp] = 0x7000;
    reg.mBekannt[Plattform::Cfi::kRsp] = true;
    reg.mWert[Plattform::Cfi::kRip] = 0x1234;
    reg.mBekannt[Plattform::Cfi::kRip] = true;
    return reg;
}

struct AusdruckFall {
    const char* name;
    std::vector<uint8_t> ausdruck;
    uint64_t cfa;
};

TEST(Cfi, CfaAusEinemAusdruck) {
    const AusdruckFall faelle[] = {
        {"lit5 lit3 minus", {0x35, 0x33, 0x1c}, 2},
        {"const1s -7 abs", {0x09, 0xf9, 0x19}, 7},
        // The magnitude of the smallest value is itself, without an overflow.
        {"const8s min abs", {0x0e, 0, 0, 0, 0, 0, 0, 0, 0x80, 0x19}, 0x8000000000000000},
        {"breg7 16", {0x77, 0x10}, 0x7010},
    };
    for (const AusdruckFall& fall : faelle) {
        const Tabelle tabelle(CfaAusdruck(fall.ausdruck));
        Plattform::Cfi::Register reg = Vorher();
        bool signal = true;
        ASSERT_TRUE(Plattform::Cfi::Schritt(tabelle.Kopf(), tabelle.Code() + 8, reg, signal)) << fall.name;
        EXPECT_EQ(reg.mWert[Plattform::Cfi::kRsp], fall.cfa) << fall.name;
        EXPECT_EQ(reg.mWert[Plattform::Cfi::kRip], 0x1234u) << fall.name;
        EXPECT_FALSE(signal) << fall.name;
    }
}

// The instructions with 2^61 + 1 (as ULEB128 and SLEB128 alike) for their last operand: times the
// data factor -8 that is -2^64 - 8, beyond a signed 64-bit product.
std::vector<uint8_t> MitGrossemVersatz(std::vector<uint8_t> programm) {
    programm.insert(programm.end(), {0x81, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x20});
    return programm;
}

TEST(Cfi, GrosseVersaetzeLaufenUmWieAdressen) {
    const struct {
        const char* name;
        std::vector<uint8_t> programm;
        uint64_t rsp, rip;
    } faelle[] = {
        {"def_cfa_sf rsp", MitGrossemVersatz({0x12, 7}), 0x7000 - 8, 0x1234},
        {"def_cfa rsp 8, def_cfa_offset_sf", MitGrossemVersatz({0x0c, 7, 8, 0x13}), 0x7000 - 8, 0x1234},
        {"def_cfa rsp 8, val_offset rip", MitGrossemVersatz({0x0c, 7, 8, 0x14, 16}), 0x7008, 0x7000},
        {"def_cfa rsp 8, val_offset_sf rip", MitGrossemVersatz({0x0c, 7, 8, 0x15, 16}), 0x7008, 0x7000},
    };
    for (const auto& fall : faelle) {
        const Tabelle tabelle(fall.programm);
        Plattform::Cfi::Register reg = Vorher();
        bool signal = true;
        ASSERT_TRUE(Plattform::Cfi::Schritt(tabelle.Kopf(), tabelle.Code() + 8, reg, signal)) << fall.name;
        EXPECT_EQ(reg.mWert[Plattform::Cfi::kRsp], fall.rsp) << fall.name;
        EXPECT_EQ(reg.mWert[Plattform::Cfi::kRip], fall.rip) << fall.name;
    }
}

// A CIE whose augmentation says it runs on past the record, at the end of readable memory: the step
// fails without reading beyond the record.
TEST(Cfi, AugmentierungUeberDasEndeDesEintragsWirdNichtGelesen) {
    const size_t seite = size_t(sysconf(_SC_PAGESIZE));
    void* block = mmap(nullptr, 3 * seite, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(block, MAP_FAILED);
    uint8_t* const bytes = static_cast<uint8_t*>(block);
    ASSERT_EQ(mprotect(bytes + seite, seite, PROT_NONE), 0);
    // The CIE closes the first page: its last byte gives the augmentation one byte, the record none.
    uint8_t* const cie = bytes + seite - 16;
    const uint8_t cieBytes[16] = {12, 0, 0, 0, 0, 0, 0, 0, 1, 'z', 'R', 0, 1, 0x78, 16, 1};
    std::memcpy(cie, cieBytes, sizeof cieBytes);
    // The third page: .eh_frame_hdr whose one entry covers the header itself, then the FDE.
    uint8_t* const kopf = bytes + 2 * seite;
    const uint8_t kopfBytes[20] = {1, 0x1b, 0x03, 0x3b, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 20, 0, 0, 0};
    std::memcpy(kopf, kopfBytes, sizeof kopfBytes);
    const uint32_t fde[2] = {21, uint32_t(kopf + 24 - cie)};
    std::memcpy(kopf + 20, fde, sizeof fde);

    Plattform::Cfi::Register reg = Vorher();
    bool signal = false;
    EXPECT_FALSE(Plattform::Cfi::Schritt(kopf, uint64_t(kopf) + 8, reg, signal));
    munmap(block, 3 * seite);
}

} // namespace
