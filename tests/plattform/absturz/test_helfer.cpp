// What the crash helper takes from its channel: a whole and consistent request only, whatever
// the bytes a broken process sends.

#include "plattform/absturz/plattform_helfer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

template <typename T> std::string Bytes(const T& wert) {
    return std::string(reinterpret_cast<const char*>(&wert), sizeof wert);
}

// What the helper makes of these bytes on its channel.
bool Uebernimm(const std::string& bytes, Plattform::HelferAuftrag& auftrag,
               std::vector<Plattform::HelferModul>& module) {
    int kanal[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, kanal) != 0)
        return false;
    const bool geschrieben = write(kanal[1], bytes.data(), bytes.size()) == ssize_t(bytes.size());
    close(kanal[1]);
    std::vector<Plattform::Rahmen> rahmen;
    const bool gelesen = geschrieben && Plattform::UebernimmHelferAuftrag(kanal[0], auftrag, rahmen, module);
    close(kanal[0]);
    return gelesen;
}

} // namespace

TEST(AbsturzHelfer, NimmtNurGanzeUndStimmigeAuftraege) {
    Plattform::HelferAuftrag auftrag;
    auftrag.mProzess = 42;
    auftrag.mRahmenAnzahl = 1;
    auftrag.mModulAnzahl = 1;
    std::strcpy(auftrag.mDumpPfad, "/tmp/MiniDump.dmp");
    const Plattform::Rahmen rahmen{0x1234, true};
    const Plattform::HelferModulKopf modul{0x400000, 0x2000, 3, {1, 2, 3}, 10};
    const std::string ganz = Bytes(auftrag) + Bytes(rahmen) + Bytes(modul) + "/bin/spiel";

    Plattform::HelferAuftrag gelesen;
    std::vector<Plattform::HelferModul> module;
    ASSERT_TRUE(Uebernimm(ganz, gelesen, module));
    EXPECT_EQ(gelesen.mProzess, 42u);
    ASSERT_EQ(module.size(), 1u);
    EXPECT_STREQ(module[0].mBereich.mPfad, "/bin/spiel");
    EXPECT_EQ(module[0].mBereich.mBauIdLaenge, 3u);

    const auto veraendert = [&](auto aendere) {
        Plattform::HelferAuftrag kaputt = auftrag;
        Plattform::HelferModulKopf kopf = modul;
        aendere(kaputt, kopf);
        return Bytes(kaputt) + Bytes(rahmen) + Bytes(kopf) + "/bin/spiel";
    };
    using A = Plattform::HelferAuftrag;
    using M = Plattform::HelferModulKopf;
    const std::pair<const char*, std::string> faelle[] = {
        {"leer", ""},
        {"im Kopf abgeschnitten", ganz.substr(0, 100)},
        {"in den Rahmen abgeschnitten", ganz.substr(0, sizeof(A) + 4)},
        {"im Modul abgeschnitten", ganz.substr(0, sizeof(A) + sizeof(rahmen) + 8)},
        {"im Pfad abgeschnitten", ganz.substr(0, ganz.size() - 1)},
        {"zu viele Rahmen", veraendert([](A& a, M&) { a.mRahmenAnzahl = 1 << 20; })},
        {"zu viele Module", veraendert([](A& a, M&) { a.mModulAnzahl = 1 << 20; })},
        {"zu viele Parameter", veraendert([](A& a, M&) { a.mAusnahme.mParameterAnzahl = 16; })},
        {"Dumppfad ohne Ende", veraendert([](A& a, M&) { std::memset(a.mDumpPfad, 'x', sizeof a.mDumpPfad); })},
        {"zu lange Bau-Id", veraendert([](A&, M& m) { m.mBauIdLaenge = 65; })},
        {"zu langer Pfad", veraendert([](A&, M& m) { m.mPfadLaenge = 1 << 20; })},
    };
    for (const auto& [name, bytes] : faelle)
        EXPECT_FALSE(Uebernimm(bytes, gelesen, module)) << name;
}
