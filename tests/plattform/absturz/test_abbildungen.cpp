// The process's map as the crash report reads it: which mapping holds an address, where a stack
// lies after an overflow, and the file behind a mapping once its path is gone.

#include "plattform/absturz/plattform_abbildungen.h"

#include "testhilfen/testhilfen.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {

constexpr uint64_t kSeite = 4096;

std::string Lies(int datei) {
    std::string text;
    char puffer[4096];
    for (ssize_t n; (n = read(datei, puffer, sizeof puffer)) > 0;)
        text.append(puffer, size_t(n));
    close(datei);
    return text;
}

// 64 pages: what the test leaves mapped in them stays so while it runs.
struct Block {
    static constexpr uint64_t kSeiten = 64;
    uint8_t* mAnfang = static_cast<uint8_t*>(
        mmap(nullptr, kSeiten * kSeite, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    uint64_t Adresse(uint64_t seite) const { return uint64_t(mAnfang) + seite * kSeite; }
    ~Block() { munmap(mAnfang, kSeiten * kSeite); }
};

} // namespace

TEST(Abbildungen, FindetDasProgrammUndLesbarkeit) {
    std::error_code fehler;
    const std::string programm = std::filesystem::read_symlink("/proc/self/exe", fehler);
    Plattform::Abbildung abbildung;
    ASSERT_TRUE(Plattform::FindeAbbildung(0, uint64_t(&Lies), abbildung));
    EXPECT_EQ(abbildung.mPfad, programm);
    EXPECT_TRUE(abbildung.mLesbar);
    EXPECT_LE(abbildung.mAnfang, uint64_t(&Lies));
    EXPECT_GT(abbildung.mEnde, uint64_t(&Lies));
    EXPECT_FALSE(Plattform::FindeAbbildung(0, 8, abbildung));
    EXPECT_EQ(Lies(Plattform::OeffneModulDatei(0, uint64_t(&Lies), true)), TextDerDatei(programm));
}

TEST(Abbildungen, StapelUeberDerSchutzseiteOderDerLuecke) {
    // Pages 0 to 27 unmapped, a main thread's stack from 28 to 39, a guard page at 40 under a
    // thread's stack from 41 on.
    Block block;
    ASSERT_NE(block.mAnfang, MAP_FAILED);
    munmap(block.mAnfang, 28 * kSeite);
    ASSERT_EQ(mprotect(block.mAnfang + 40 * kSeite, kSeite, PROT_NONE), 0);
    struct Fall {
        const char* mName;
        uint64_t mZeiger;
        uint64_t mUnten; // 0: no stack
        uint64_t mOben;
    };
    const Fall faelle[] = {
        {"im Stapel eines Fadens", block.Adresse(50), block.Adresse(41), block.Adresse(64)},
        {"in seiner Schutzseite", block.Adresse(40) + 8, block.Adresse(41), block.Adresse(64)},
        {"im Stapel des Hauptfadens", block.Adresse(30), block.Adresse(28), block.Adresse(40)},
        {"in der Luecke knapp darunter", block.Adresse(26), block.Adresse(28), block.Adresse(40)},
        {"weit darunter", block.Adresse(2), 0, 0},
    };
    for (const Fall& fall : faelle) {
        SCOPED_TRACE(fall.mName);
        uint64_t unten = 0, oben = 0;
        ASSERT_EQ(Plattform::FindeStapel(0, fall.mZeiger, unten, oben), fall.mUnten != 0);
        if (fall.mUnten != 0) {
            EXPECT_EQ(unten, fall.mUnten);
            // The mapping above the block may have merged with its last pages.
            EXPECT_GE(oben, fall.mOben);
        }
    }
}

TEST(Abbildungen, GeloeschteDateiBleibtUeberIhreAbbildungLesbar) {
    TTempOrdner ordner;
    const std::filesystem::path pfad = ordner.Pfad() / "datei";
    const std::string inhalt(2 * kSeite, 'x');
    std::ofstream(pfad) << inhalt;
    const int datei = open(pfad.c_str(), O_RDONLY);
    void* abgebildet = mmap(nullptr, inhalt.size(), PROT_READ, MAP_PRIVATE, datei, 0);
    close(datei);
    ASSERT_NE(abgebildet, MAP_FAILED);
    std::filesystem::remove(pfad);

    Plattform::Abbildung abbildung;
    ASSERT_TRUE(Plattform::FindeAbbildung(0, uint64_t(abgebildet) + 100, abbildung));
    EXPECT_EQ(abbildung.mPfad, pfad.string() + " (deleted)");
    const int wieder = Plattform::OeffneModulDatei(0, uint64_t(abgebildet), false);
    if (wieder < 0 && errno == EPERM)
        GTEST_SKIP() << "this process may not open its mappings' files";
    EXPECT_EQ(Lies(wieder), inhalt);
    munmap(abgebildet, inhalt.size());
}
