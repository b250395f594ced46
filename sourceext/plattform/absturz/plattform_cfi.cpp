#include "plattform/absturz/plattform_cfi.h"

#include "plattform/absturz/plattform_abwicklung.h"

#include <cstddef>
#include <cstring>

namespace Plattform::Cfi {

namespace {

// Pointer encodings: the value's form in the low four bits, what it is relative to above them.
enum : uint8_t {
    kPeAbsolut = 0x00,
    kPeUleb = 0x01,
    kPeU2 = 0x02,
    kPeU4 = 0x03,
    kPeU8 = 0x04,
    kPeSleb = 0x09,
    kPeS2 = 0x0a,
    kPeS4 = 0x0b,
    kPeS8 = 0x0c,
    kPePcRelativ = 0x10,
    kPeDatenRelativ = 0x30,
    kPeAuslassen = 0xff,
};

// No record of a loaded module comes near this; a larger length is a broken table.
constexpr uint64_t kGroessterEintrag = 1u << 24;
constexpr int kZustandsTiefe = 8;
constexpr int kAusdruckStapel = 64;
constexpr int kAusdruckSchritte = 1000;

// Reads inside [mPos, mEnde); a read past the end yields 0 and sets mFehler.
struct Leser {
    const uint8_t* mPos;
    const uint8_t* mEnde;
    bool mFehler = false;

    bool Hat(uint64_t n) {
        mFehler = mFehler || uint64_t(mEnde - mPos) < n;
        return !mFehler;
    }
    template <typename T> T Lies() {
        T wert{};
        if (Hat(sizeof(T))) {
            std::memcpy(&wert, mPos, sizeof(T));
            mPos += sizeof(T);
        }
        return wert;
    }
    uint64_t Uleb() {
        uint64_t wert = 0;
        for (int schub = 0; Hat(1); schub += 7) {
            const uint8_t byte = *mPos++;
            if (schub < 64)
                wert |= uint64_t(byte & 0x7f) << schub;
            if (!(byte & 0x80))
                break;
        }
        return wert;
    }
    int64_t Sleb() {
        uint64_t wert = 0;
        for (int schub = 0; Hat(1);) {
            const uint8_t byte = *mPos++;
            if (schub < 64)
                wert |= uint64_t(byte & 0x7f) << schub;
            schub += 7;
            if (!(byte & 0x80)) {
                if (schub < 64 && (byte & 0x40))
                    wert |= ~uint64_t(0) << schub;
                break;
            }
        }
        return int64_t(wert);
    }
    void Ueberspringe(uint64_t n) {
        if (Hat(n))
            mPos += n;
    }
    // An encoded pointer. An indirect one is not followed: only the personality routine uses that
    // form, and the walk skips it.
    uint64_t Zeiger(uint8_t kodierung, uint64_t datenBasis) {
        if (kodierung == kPeAuslassen)
            return 0;
        const uint64_t hier = uint64_t(mPos);
        uint64_t wert = 0;
        switch (kodierung & 0x0f) {
        case kPeAbsolut:
        case kPeU8: wert = Lies<uint64_t>(); break;
        case kPeUleb: wert = Uleb(); break;
        case kPeU2: wert = Lies<uint16_t>(); break;
        case kPeU4: wert = Lies<uint32_t>(); break;
        case kPeSleb: wert = uint64_t(Sleb()); break;
        case kPeS2: wert = uint64_t(int64_t(Lies<int16_t>())); break;
        case kPeS4: wert = uint64_t(int64_t(Lies<int32_t>())); break;
        case kPeS8: wert = uint64_t(Lies<int64_t>()); break;
        default: mFehler = true;
        }
        switch (kodierung & 0x70) {
        case 0: break;
        case kPePcRelativ: wert += hier; break;
        case kPeDatenRelativ: wert += datenBasis; break;
        default: mFehler = true;
        }
        return wert;
    }
    // A block: its length, then its bytes; returns where they start.
    const uint8_t* Block(uint64_t& laenge) {
        laenge = Uleb();
        const uint8_t* anfang = mPos;
        Ueberspringe(laenge);
        return anfang;
    }
    // A block as a reader of its own; an empty one when its length runs past the end.
    Leser Teil() {
        uint64_t laenge = 0;
        const uint8_t* anfang = Block(laenge);
        return Leser{anfang, mFehler ? anfang : mPos};
    }
};

// A record of .eh_frame: where its content starts (after the length) and ends.
bool Eintrag(const uint8_t* zeiger, Leser& inhalt) {
    uint32_t kurz = 0;
    std::memcpy(&kurz, zeiger, 4);
    zeiger += 4;
    uint64_t laenge = kurz;
    if (kurz == 0xffffffff) {
        std::memcpy(&laenge, zeiger, 8);
        zeiger += 8;
    }
    if (laenge == 0 || laenge > kGroessterEintrag)
        return false;
    inhalt = Leser{zeiger, zeiger + laenge};
    return true;
}

struct Cie {
    uint64_t mCodeFaktor = 1;
    int64_t mDatenFaktor = 1;
    uint64_t mRueckSpalte = kRip;
    uint8_t mFdeKodierung = kPeAbsolut;
    bool mAugmentDaten = false;
    bool mSignal = false;
    Leser mAnweisungen{nullptr, nullptr};
};

bool LiesCie(const uint8_t* zeiger, Cie& cie) {
    Leser l{nullptr, nullptr};
    if (!Eintrag(zeiger, l) || l.Lies<uint32_t>() != 0)
        return false;
    const uint8_t version = l.Lies<uint8_t>();
    const char* augment = reinterpret_cast<const char*>(l.mPos);
    const size_t augmentLaenge = strnlen(augment, size_t(l.mEnde - l.mPos));
    l.Ueberspringe(augmentLaenge + 1);
    // Without 'z' nothing says how long the augmentation is; no compiler of ours writes one so.
    if ((version != 1 && version != 3) || (augmentLaenge > 0 && augment[0] != 'z'))
        return false;
    cie.mCodeFaktor = l.Uleb();
    cie.mDatenFaktor = l.Sleb();
    cie.mRueckSpalte = version == 1 ? l.Lies<uint8_t>() : l.Uleb();
    if (augmentLaenge > 0) {
        Leser daten = l.Teil();
        cie.mAugmentDaten = true;
        for (size_t i = 1; i < augmentLaenge && !daten.mFehler; ++i) {
            if (augment[i] == 'R')
                cie.mFdeKodierung = daten.Lies<uint8_t>();
            else if (augment[i] == 'S')
                cie.mSignal = true;
            else if (augment[i] == 'L')
                daten.Lies<uint8_t>();
            else if (augment[i] == 'P')
                daten.Zeiger(daten.Lies<uint8_t>(), 0);
            else
                break; // the rest is unknown and not needed: 'z' gave the length
        }
    }
    cie.mAnweisungen = l;
    return !l.mFehler && cie.mRueckSpalte < kRegisterAnzahl;
}

struct Fde {
    uint64_t mAnfang = 0;
    uint64_t mLaenge = 0;
    Cie mCie;
    Leser mAnweisungen{nullptr, nullptr};
};

bool LiesFde(const uint8_t* zeiger, Fde& fde) {
    Leser l{nullptr, nullptr};
    if (!Eintrag(zeiger, l))
        return false;
    const uint8_t* cieFeld = l.mPos;
    const uint32_t cieAbstand = l.Lies<uint32_t>();
    if (cieAbstand == 0 || !LiesCie(cieFeld - cieAbstand, fde.mCie))
        return false;
    fde.mAnfang = l.Zeiger(fde.mCie.mFdeKodierung, 0);
    fde.mLaenge = l.Zeiger(fde.mCie.mFdeKodierung & 0x0f, 0);
    if (fde.mCie.mAugmentDaten)
        l.Ueberspringe(l.Uleb());
    fde.mAnweisungen = l;
    return !l.mFehler;
}

// The entry for `pc` by the sorted table of .eh_frame_hdr; null when none starts at or before it.
const uint8_t* FindeFde(const uint8_t* kopf, uint64_t pc) {
    const uint64_t basis = uint64_t(kopf);
    Leser l{kopf, kopf + 4 + 2 * 8};
    const uint8_t version = l.Lies<uint8_t>();
    const uint8_t rahmenKodierung = l.Lies<uint8_t>();
    const uint8_t anzahlKodierung = l.Lies<uint8_t>();
    const uint8_t tabellenKodierung = l.Lies<uint8_t>();
    l.Zeiger(rahmenKodierung, basis);
    const uint64_t anzahl = l.Zeiger(anzahlKodierung, basis);
    // Every linker writes the table as pairs of 32-bit offsets from the header.
    if (version != 1 || l.mFehler || anzahl == 0 || tabellenKodierung != (kPeDatenRelativ | kPeS4))
        return nullptr;
    const uint8_t* tabelle = l.mPos;
    const auto feld = [&](uint64_t i) {
        int32_t wert = 0;
        std::memcpy(&wert, tabelle + i * 4, 4);
        return basis + uint64_t(int64_t(wert));
    };
    if (pc < feld(0))
        return nullptr;
    uint64_t unten = 0, oben = anzahl;
    while (oben - unten > 1) {
        const uint64_t mitte = unten + (oben - unten) / 2;
        (feld(2 * mitte) <= pc ? unten : oben) = mitte;
    }
    return reinterpret_cast<const uint8_t*>(feld(2 * unten + 1));
}

// How a register of the caller is found, relative to the canonical frame address (CFA).
enum class Art : uint8_t { Gleich, Undefiniert, Versatz, WertVersatz, Register, Ausdruck, WertAusdruck };
struct Regel {
    Art mArt = Art::Gleich;
    int64_t mWert = 0; // offset or register number
    const uint8_t* mAusdruck = nullptr;
    uint64_t mLaenge = 0;
};
struct Regeln {
    uint64_t mCfaRegister = kRsp;
    int64_t mCfaVersatz = 0;
    const uint8_t* mCfaAusdruck = nullptr;
    uint64_t mCfaLaenge = 0;
    Regel mRegel[kRegisterAnzahl];
};

// The rules a rule program sets: `mAnfang` holds those the entry's common part set, which
// DW_CFA_restore goes back to; DW_CFA_remember_state keeps states on a stack of its own.
struct Regelprogramm {
    Regelprogramm(const Cie& cie, Regeln& regeln, const Regeln& anfang)
        : mDaten(cie.mDatenFaktor), mRegeln(regeln), mAnfang(anfang) {}

    const int64_t mDaten;
    Regeln& mRegeln;
    const Regeln& mAnfang;
    Regeln mGemerkt[kZustandsTiefe];
    int mTiefe = 0;

    // An operand times the data factor, wrapping as addresses do: a broken table's large operand
    // must not overflow a signed product.
    int64_t Skaliert(uint64_t wert) const { return int64_t(wert * uint64_t(mDaten)); }
    void Setze(uint64_t reg, Art art, int64_t wert) {
        if (reg < kRegisterAnzahl)
            mRegeln.mRegel[reg] = Regel{art, wert, nullptr, 0};
    }
    void Ausdruck(Leser& l, uint64_t reg, Art art) {
        uint64_t laenge = 0;
        const uint8_t* code = l.Block(laenge);
        if (reg < kRegisterAnzahl)
            mRegeln.mRegel[reg] = Regel{art, 0, code, laenge};
    }
    void Rueck(uint64_t reg) {
        if (reg < kRegisterAnzahl)
            mRegeln.mRegel[reg] = mAnfang.mRegel[reg];
    }
    bool Anweisung(uint8_t op, Leser& l);
};

// One instruction that sets rules; false for one the walk does not know and for a state stack
// that runs over or under.
bool Regelprogramm::Anweisung(uint8_t op, Leser& l) {
    uint64_t reg = 0;
    switch ((op & 0xc0) ? (op & 0xc0) : op) {
    case 0x80: Setze(op & 0x3f, Art::Versatz, Skaliert(l.Uleb())); break;
    case 0xc0: Rueck(op & 0x3f); break;
    case 0x00: break;
    case 0x05: reg = l.Uleb(); Setze(reg, Art::Versatz, Skaliert(l.Uleb())); break;
    case 0x06: Rueck(l.Uleb()); break;
    case 0x07: Setze(l.Uleb(), Art::Undefiniert, 0); break;
    case 0x08: Setze(l.Uleb(), Art::Gleich, 0); break;
    case 0x09: reg = l.Uleb(); Setze(reg, Art::Register, int64_t(l.Uleb())); break;
    case 0x0a:
        if (mTiefe == kZustandsTiefe)
            return false;
        mGemerkt[mTiefe++] = mRegeln;
        break;
    case 0x0b:
        // The CFA rule comes back with the registers' rules, as GCC's and LLVM's unwinders
        // do and their compilers expect.
        if (mTiefe == 0)
            return false;
        mRegeln = mGemerkt[--mTiefe];
        break;
    case 0x0c:
        mRegeln.mCfaRegister = l.Uleb();
        mRegeln.mCfaVersatz = int64_t(l.Uleb());
        mRegeln.mCfaAusdruck = nullptr;
        break;
    case 0x0d: mRegeln.mCfaRegister = l.Uleb(); mRegeln.mCfaAusdruck = nullptr; break;
    case 0x0e: mRegeln.mCfaVersatz = int64_t(l.Uleb()); break;
    case 0x0f: mRegeln.mCfaAusdruck = l.Block(mRegeln.mCfaLaenge); break;
    case 0x10: Ausdruck(l, l.Uleb(), Art::Ausdruck); break;
    case 0x11: reg = l.Uleb(); Setze(reg, Art::Versatz, Skaliert(uint64_t(l.Sleb()))); break;
    case 0x12:
        mRegeln.mCfaRegister = l.Uleb();
        mRegeln.mCfaVersatz = Skaliert(uint64_t(l.Sleb()));
        mRegeln.mCfaAusdruck = nullptr;
        break;
    case 0x13: mRegeln.mCfaVersatz = Skaliert(uint64_t(l.Sleb())); break;
    case 0x14: reg = l.Uleb(); Setze(reg, Art::WertVersatz, Skaliert(l.Uleb())); break;
    case 0x15: reg = l.Uleb(); Setze(reg, Art::WertVersatz, Skaliert(uint64_t(l.Sleb()))); break;
    case 0x16: Ausdruck(l, l.Uleb(), Art::WertAusdruck); break;
    case 0x2e: l.Uleb(); break; // the size of pushed arguments: nothing for the walk
    case 0x2f: reg = l.Uleb(); Setze(reg, Art::Versatz, Skaliert(0 - l.Uleb())); break;
    default: return false;
    }
    return true;
}

// Runs a rule program up to and including the row of `ziel`: the instructions that move the
// location are taken here, the others set rules. `anfang` holds the rules the entry's common
// part set.
bool FuehreAus(Leser l, const Cie& cie, uint64_t ort, uint64_t ziel, Regeln& regeln, const Regeln& anfang) {
    Regelprogramm programm(cie, regeln, anfang);
    while (l.mPos < l.mEnde && !l.mFehler) {
        const uint8_t op = l.Lies<uint8_t>();
        uint64_t vor = 0;
        // The upper two bits carry the three most frequent instructions with their operand.
        switch ((op & 0xc0) ? (op & 0xc0) : op) {
        case 0x40: vor = op & 0x3f; break;
        case 0x01: {
            const uint64_t neu = l.Zeiger(cie.mFdeKodierung, 0);
            if (neu > ziel)
                return true;
            ort = neu;
            break;
        }
        case 0x02: vor = l.Lies<uint8_t>(); break;
        case 0x03: vor = l.Lies<uint16_t>(); break;
        case 0x04: vor = l.Lies<uint32_t>(); break;
        default:
            if (!programm.Anweisung(op, l))
                return false;
        }
        if (vor != 0) {
            ort += vor * cie.mCodeFaktor;
            if (ort > ziel)
                return true;
        }
    }
    return !l.mFehler;
}

// The stack of a DWARF expression's evaluation on the registers. A step that cannot be taken
// (too deep, nothing to take, an unknown register, unreadable memory) clears `mGut`.
struct Stapelmaschine {
    explicit Stapelmaschine(const Register& reg) : mReg(reg) {}

    const Register& mReg;
    uint64_t mStapel[kAusdruckStapel];
    int mAnzahl = 0;
    bool mGut = true;

    void Lege(uint64_t wert) {
        mGut = mGut && mAnzahl < kAusdruckStapel;
        if (mGut)
            mStapel[mAnzahl++] = wert;
    }
    uint64_t Nimm() {
        mGut = mGut && mAnzahl > 0;
        return mGut ? mStapel[--mAnzahl] : 0;
    }
    uint64_t RegisterWert(uint64_t nummer) {
        mGut = mGut && nummer < kRegisterAnzahl && mReg.mBekannt[nummer];
        return mGut ? mReg.mWert[nummer] : 0;
    }
    uint64_t Lade(uint64_t adresse, size_t groesse) {
        uint64_t wert = 0;
        mGut = mGut && groesse <= 8 && LiesSpeicher(0, adresse, &wert, groesse);
        return wert;
    }
    bool Anweisung(uint8_t op, Leser& l, const uint8_t* code);
    bool Rechne(uint8_t op, Leser& l);
};

// One operation; false for one the walk does not know and for a branch out of the expression.
// The literals, registers and register-relative addresses come in ranges of opcodes, then the
// branches and the comparisons; the rest works on the stack.
bool Stapelmaschine::Anweisung(uint8_t op, Leser& l, const uint8_t* code) {
    if (op >= 0x30 && op <= 0x4f) {
        Lege(op - 0x30u);
    } else if (op >= 0x50 && op <= 0x6f) {
        Lege(RegisterWert(op - 0x50u));
    } else if (op >= 0x70 && op <= 0x8f) {
        const uint64_t basis = RegisterWert(op - 0x70u);
        Lege(basis + uint64_t(l.Sleb()));
    } else if (op == 0x28 || op == 0x2f) {
        const int16_t sprung = l.Lies<int16_t>();
        if (op == 0x2f || Nimm() != 0) {
            if (sprung < -(l.mPos - code) || sprung > l.mEnde - l.mPos)
                return false;
            l.mPos += sprung;
        }
    } else if (op >= 0x29 && op <= 0x2e) {
        const int64_t b = int64_t(Nimm()), a = int64_t(Nimm());
        const bool wahr[] = {a == b, a >= b, a > b, a <= b, a < b, a != b};
        Lege(wahr[op - 0x29]);
    } else {
        return Rechne(op, l);
    }
    return true;
}

bool Stapelmaschine::Rechne(uint8_t op, Leser& l) {
    switch (op) {
    case 0x03: Lege(l.Lies<uint64_t>()); break;
    case 0x06: Lege(Lade(Nimm(), 8)); break;
    case 0x08: Lege(l.Lies<uint8_t>()); break;
    case 0x09: Lege(uint64_t(int64_t(l.Lies<int8_t>()))); break;
    case 0x0a: Lege(l.Lies<uint16_t>()); break;
    case 0x0b: Lege(uint64_t(int64_t(l.Lies<int16_t>()))); break;
    case 0x0c: Lege(l.Lies<uint32_t>()); break;
    case 0x0d: Lege(uint64_t(int64_t(l.Lies<int32_t>()))); break;
    case 0x0e:
    case 0x0f: Lege(l.Lies<uint64_t>()); break;
    case 0x10: Lege(l.Uleb()); break;
    case 0x11: Lege(uint64_t(l.Sleb())); break;
    case 0x12: { const uint64_t a = Nimm(); Lege(a); Lege(a); break; }
    case 0x13: Nimm(); break;
    case 0x14: { const uint64_t b = Nimm(), a = Nimm(); Lege(a); Lege(b); Lege(a); break; }
    case 0x15: {
        const uint8_t tief = l.Lies<uint8_t>();
        mGut = mGut && tief < mAnzahl;
        Lege(mGut ? mStapel[mAnzahl - 1 - tief] : 0);
        break;
    }
    case 0x16: { const uint64_t b = Nimm(), a = Nimm(); Lege(b); Lege(a); break; }
    case 0x17: { const uint64_t c = Nimm(), b = Nimm(), a = Nimm(); Lege(c); Lege(a); Lege(b); break; }
    // The magnitude in unsigned arithmetic: negating the smallest signed value would overflow.
    case 0x19: { const uint64_t a = Nimm(); Lege(int64_t(a) < 0 ? 0 - a : a); break; }
    case 0x1a: Lege(Nimm() & Nimm()); break;
    case 0x1c: { const uint64_t b = Nimm(), a = Nimm(); Lege(a - b); break; }
    case 0x1e: Lege(Nimm() * Nimm()); break;
    case 0x1f: Lege(0 - Nimm()); break;
    case 0x20: Lege(~Nimm()); break;
    case 0x21: Lege(Nimm() | Nimm()); break;
    case 0x22: Lege(Nimm() + Nimm()); break;
    case 0x23: Lege(Nimm() + l.Uleb()); break;
    case 0x24: { const uint64_t b = Nimm(), a = Nimm(); Lege(b < 64 ? a << b : 0); break; }
    case 0x25: { const uint64_t b = Nimm(), a = Nimm(); Lege(b < 64 ? a >> b : 0); break; }
    case 0x26: {
        const uint64_t b = Nimm();
        const int64_t a = int64_t(Nimm());
        Lege(uint64_t(a >> (b < 63 ? b : 63)));
        break;
    }
    case 0x27: Lege(Nimm() ^ Nimm()); break;
    case 0x90: Lege(RegisterWert(l.Uleb())); break;
    case 0x92: { const uint64_t basis = RegisterWert(l.Uleb()); Lege(basis + uint64_t(l.Sleb())); break; }
    case 0x94: { const uint8_t groesse = l.Lies<uint8_t>(); Lege(Lade(Nimm(), groesse)); break; }
    case 0x96: break;
    default: return false;
    }
    return true;
}

// Evaluates a DWARF expression on the registers; `cfa`, when given, is pushed first.
bool Werte(const uint8_t* code, uint64_t laenge, const Register& reg, const uint64_t* cfa, uint64_t& ergebnis) {
    Stapelmaschine m(reg);
    if (cfa)
        m.Lege(*cfa);
    Leser l{code, code + laenge};
    for (int schritte = 0; m.mGut && !l.mFehler && l.mPos < l.mEnde; ++schritte) {
        if (schritte == kAusdruckSchritte || !m.Anweisung(l.Lies<uint8_t>(), l, code))
            return false;
    }
    if (!m.mGut || l.mFehler || m.mAnzahl == 0)
        return false;
    ergebnis = m.mStapel[m.mAnzahl - 1];
    return true;
}

// Where the caller's value of each register is, once the CFA is known.
bool WendeAn(const Regeln& regeln, const Register& alt, uint64_t cfa, Register& neu) {
    neu = alt;
    for (int i = 0; i < kRegisterAnzahl; ++i) {
        const Regel& regel = regeln.mRegel[i];
        uint64_t adresse = 0;
        switch (regel.mArt) {
        case Art::Gleich: continue;
        case Art::Undefiniert: neu.mBekannt[i] = false; continue;
        case Art::Versatz: adresse = cfa + uint64_t(regel.mWert); break;
        case Art::WertVersatz: neu.mWert[i] = cfa + uint64_t(regel.mWert); continue;
        case Art::Register:
            if (regel.mWert < 0 || regel.mWert >= kRegisterAnzahl)
                return false;
            neu.mWert[i] = alt.mWert[regel.mWert];
            neu.mBekannt[i] = alt.mBekannt[regel.mWert];
            continue;
        case Art::Ausdruck:
            if (!Werte(regel.mAusdruck, regel.mLaenge, alt, &cfa, adresse))
                return false;
            break;
        case Art::WertAusdruck:
            if (!Werte(regel.mAusdruck, regel.mLaenge, alt, &cfa, neu.mWert[i]))
                return false;
            continue;
        }
        neu.mBekannt[i] = LiesSpeicher(0, adresse, &neu.mWert[i], 8);
    }
    return true;
}

} // namespace

bool Schritt(const uint8_t* kopf, uint64_t pc, Register& reg, bool& signalRahmen) {
    const uint8_t* eintrag = FindeFde(kopf, pc);
    Fde fde;
    if (!eintrag || !LiesFde(eintrag, fde) || pc < fde.mAnfang || pc - fde.mAnfang >= fde.mLaenge)
        return false;
    Regeln anfang;
    if (!FuehreAus(fde.mCie.mAnweisungen, fde.mCie, fde.mAnfang, UINT64_MAX, anfang, anfang))
        return false;
    Regeln regeln = anfang;
    if (!FuehreAus(fde.mAnweisungen, fde.mCie, fde.mAnfang, pc, regeln, anfang))
        return false;

    uint64_t cfa = 0;
    if (regeln.mCfaAusdruck) {
        if (!Werte(regeln.mCfaAusdruck, regeln.mCfaLaenge, reg, nullptr, cfa))
            return false;
    } else {
        if (regeln.mCfaRegister >= kRegisterAnzahl || !reg.mBekannt[regeln.mCfaRegister])
            return false;
        cfa = reg.mWert[regeln.mCfaRegister] + uint64_t(regeln.mCfaVersatz);
    }
    Register neu;
    const uint64_t spalte = fde.mCie.mRueckSpalte;
    if (!WendeAn(regeln, reg, cfa, neu) || !neu.mBekannt[spalte])
        return false;
    neu.mWert[kRip] = neu.mWert[spalte];
    neu.mBekannt[kRip] = true;
    neu.mWert[kRsp] = cfa;
    neu.mBekannt[kRsp] = true;
    signalRahmen = fde.mCie.mSignal;
    reg = neu;
    return true;
}

} // namespace Plattform::Cfi
