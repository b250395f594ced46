#pragma once
// The state of one preprocessor run and the operations on it. The operations are spread by topic
// over cpp_eintritt.cpp, cpp_quelle.cpp, cpp_funktionen.cpp, cpp_direktiven.cpp, cpp_makros.cpp and
// cpp_ausdruck.cpp.

#include "shaderpp/cpp.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Diagnostic codes: below 35 errors, 35 to 52 warnings, from 53 fatal.
enum CppMeldung : int {
    M_NichtInIf = 0,
    M_NachElse = 1,
    M_ErrorDirektive = 2,
    M_Zusicherung = 3,
    M_IfOhneArgument = 4,
    M_IncludeSyntax = 5,
    M_DefineSyntax = 6,
    M_Umdefiniert = 7,
    M_UndefArgument = 8,
    M_Rekursion = 9,
    M_EndeImArgument = 10,
    M_KonstanteFalsch = 11,
    M_WerteUeberlauf = 12,
    M_IfZeile = 13,
    M_OperatorKontext = 14,
    M_OperatorUeberlauf = 15,
    M_Klammern = 16,
    M_Bedingung = 17,
    M_StringImIf = 18,
    M_DefinedSyntax = 19,
    M_Zuweisung = 20,
    M_Backslash = 21,
    M_SizeofSyntax = 22,
    M_SizeofTyp = 23,
    M_SizeofKombination = 24,
    M_SizeofOhneTyp = 25,
    M_OffenerString = 26,
    M_EndeImKommentar = 27,
    M_OffeneIfs = 28,
    M_ZeichenImIf = 29,
    M_CodeImIf = 30,
    M_ZeichenNachPaste = 33,
    M_CodeNachPaste = 34,
    M_DirektiveInMakro = 36,
    M_UnbekannteDirektive = 37,
    M_RestText = 38,
    M_ZuWenigGroessen = 39,
    M_ZuVieleGroessen = 40,
    M_NichtDefiniert = 41,
    M_InternerFehler = 42,
    M_BrauchtArgumente = 43,
    M_ArgumentZahl = 44,
    M_DurchNull = 45,
    M_OktalZiffer = 46,
    M_Mehrzeichen = 47,
    M_IncludeFehlt = 48,
    M_EckigeKlammern = 49,
    M_RundeKlammern = 50,
    M_GeschweifteKlammern = 51,
    M_KommentarImKommentar = 52,
    M_ZuTiefVerschachtelt = 54,
    M_DateinameZuLang = 55,
    M_ZuVieleVerzeichnisse = 56,
    M_ZuVieleDateien = 57,
    M_ZuVieleParameter = 58,
    M_MakroBereichVoll = 59,
    M_EingebautFalsch = 60,
    M_ZuVieleArgumente = 61,
    M_ExpansionZuLang = 62,
    M_PasteZuLang = 63,
    M_ZeileZuLang = 64,
    M_KeinSpeicher = 65,
    M_ZuVielZurueck = 66,
};

// Limits of the fixed work areas; exceeding one is a fatal diagnostic, never an overflow.
constexpr size_t kArbeitspuffer = 512; // #include, #line, macro bodies, built-in values, joined names
constexpr size_t kArgumentBereich = 1024;
constexpr int kMaxParameter = 31;
constexpr int kMaxIfTiefe = 31;
constexpr size_t kMaxListe = 20; // include directories, files read first, excluded functions
constexpr int kMaxExpansionen = 1000;
// Expansions in a row while no file gives a new byte: only a macro that keeps producing itself
// (through pasting onto its own name) gets there, and it would never end.
constexpr int kMaxExpansionenOhneEingabe = 100000;
constexpr int kMaxIncludeTiefe = 200;
constexpr size_t kNamensLaenge = 50; // names kept by the function tracking

// Bytes inside stored macro bodies and expansions.
constexpr unsigned char kStringize = 28;
constexpr unsigned char kNichtExpandieren = 29;
constexpr unsigned char kPaste = 30;
constexpr unsigned char kParameter = 127;       // 127 + n: parameter n
constexpr unsigned char kQuotierterParam = 159; // quote, 159, 127 + n, quote

// Parameter counts of the special built-ins.
constexpr int kMakroOhneListe = -1;
constexpr int kEingebautLine = -2;
constexpr int kEingebautFile = -3;
constexpr int kEingebautFunction = -4;
constexpr int kEingebautFuncLine = -5;

struct CppMakro {
    std::string mKoerper; // encoded; empty means no body
    uint32_t mHash = 0;
    int mParameter = kMakroOhneListe;
    std::string mName;
};

// One input level: a file read line by line, or a text pushed back (macro expansion, joined names).
struct CppEbene {
    std::string mText;
    size_t mPos = 0;
    size_t mNeuAb = 0;      // bytes before this were read once already (and may have been put back)
    int mZeileDarunter = 0; // line of the level below when this one was opened
    FILE* mDatei = nullptr;
    bool mIstDatei = false;
    bool mHaupt = false;    // the main input: read through the input callback when one is set
    bool mInitFunc = false; // the inserted function text or its brace: starts and ends no function
    bool mEnde = false;     // the main input has delivered its last line
    std::string mName;
    std::string mAnzeigeName; // set by #line
    int mExpansionen = 0;     // macro expansions begun while this level was current
};

struct CppOptionen {
    bool mKommentare = false;
    bool mFehlerIgnorieren = false;
    bool mZeilenkommentare = true;
    int mDefinitionenAusgeben = 0;
    bool mZeilenmarken = true;
    bool mWarneUnbekannte = false;
    bool mMarkenMitLine = true;
    bool mBanner = true;
    bool mIncludesMelden = false;
    bool mKlammerBilanz = false;
    bool mLeerraum = false;
    bool mKommentareVerschachtelt = false;
    bool mWarneKommentarImKommentar = false;
    bool mIncludeFehler = true;
    bool mAusgabeAn = true;
    bool mPasteExpandiert = false;
    bool mFunktionenMelden = false;
    bool mEinfacheZeichen = false;
    bool mImDateiordner = true;
    bool mKeinProgrammMakro = false;
    bool mKeineEingebauten = false;
};

struct CppLauf {
    // Entry, options and diagnostics (cpp_eintritt.cpp)
    int Verarbeite(const CppTag* tags);
    void LiesTags(const CppTag* tags);
    void Melde(int code, ...);
    void Abbrechen() { mAbbruch = true; }
    void Nachricht(const char* format, ...);
    void Schreibe(int zeichen);
    void Schreibe(const std::string& text);

    // Source reading and output (cpp_quelle.cpp)
    int LiesRoh();
    int Lies();
    bool FuelleNach(CppEbene& ebene);
    void SchliesseEbene();
    int LiesKommentar();
    int LiesZeilenkommentar();
    void SchreibeLeerraum();
    void Zurueck(int zeichen);
    int UeberspringeLeer();
    void UeberspringeZeile();
    void LiesName(int erstes, std::string& name);
    bool LiesNameNachLeerraum(std::string& name, int fehler);
    void ScanneZahl(int erstes, std::string& ziel);
    bool ScanneLiteral(int quote, std::string& ziel);
    void Schiebe(const std::string& name, std::string text);
    void OeffneDatei(FILE* datei, const std::string& name, bool haupt);
    const CppEbene* InnersteDatei() const;
    std::string DateiAnzeigeName() const;
    void Hauptschleife();
    bool Zeile(int erstes);
    int LeerraumInZeile(int erstes);
    void NameInZeile(int erstes, bool expandieren);
    bool ZeichenInZeile(int zeichen);
    void SchreibeMarke();

    // Function tracking (cpp_funktionen.cpp)
    void VerfolgeName(const std::string& name);
    void VerfolgeWert();
    void VerfolgeZeichen(int zeichen, bool ausInitFunc);

    // Directives and conditional inclusion (cpp_direktiven.cpp)
    void Direktive();
    bool LiesDirektivenName(std::string& name);
    void PruefeZeilenrest();
    bool OeffneIfEbene(const char* name);
    unsigned char* InnersteIfEbene();
    void If();
    bool Ifdef(const char* name, bool definiert);
    bool Elif();
    void Else();
    void Endif();
    void Include();
    FILE* SucheInclude(const std::string& name, bool inQuotes, std::string& pfad);
    void Line();
    void Passthrough(const char* name);
    bool LiesZeileExpandiert(std::string& ziel);

    // Macro definition and expansion (cpp_makros.cpp)
    CppMakro* Finde(const std::string& name);
    void Speichere(const std::string& name, std::string koerper, int parameter);
    void Entferne(const std::string& name);
    bool LiesParameter(std::vector<std::string>& parameter);
    void Define();
    void Undef();
    bool Expandiere(CppMakro& makro);
    bool ZaehleExpansion(const std::string& name);
    bool ExpandiereEingebautes(const std::string& name, int art);
    bool SetzeArgumenteEin(const std::string& name, const std::string& koerper, int anzahl,
                           const std::vector<std::string>& argumente, std::string& text);
    bool SucheArgumentKlammer(const std::string& name);
    bool SammleArgumente(std::vector<std::string>& argumente);
    void Verbinde(const std::string& erster, const std::string& zweiter);
    void Paste(const std::string& erster);
    void GibDefinitionenAus();

    // #if expressions (cpp_ausdruck.cpp, their tokens in cpp_ausdruckleser.cpp)
    bool Bedingung();

    CppOptionen mOpt;
    CppEingabeFn mEingabe = nullptr;
    CppAusgabeFn mAusgabe = nullptr;
    CppMeldungFn mMeldung = nullptr;
    CppOeffneFn mOeffne = nullptr;
    void* mBenutzer = nullptr;
    std::string mEingabename = "[stdin]";
    std::vector<std::string> mVerzeichnisse;
    std::vector<std::string> mVorabDateien;
    std::string mFunktionsText;
    std::vector<std::string> mAusgenommen;

    // Counters and run control
    int mFehler = 0;
    bool mFatal = false;
    bool mAbbruch = false;
    bool mAusgabeAn = true;

    // Reader
    std::vector<CppEbene> mEbenen;
    int mZeile = 0;
    bool mAusDatei = false;    // the last character came from a file level
    bool mAusInitFunc = false; // ... from the inserted function text
    bool mImDefine = false;    // backslashes stay in macro bodies
    bool mImDirektive = false; // macro calls do not look past the end of the line
    bool mKommentareAktiv = false;
    bool mKommentarInZeile = false;
    bool mMarkeFaellig = false;
    std::string mLetzteMarke;

    // Main loop and function tracking
    int mLeerzeilen = 0;
    std::string mLeerraum;
    int mEckig = 0, mRund = 0, mGeschweift = 0;
    int mVerfolgung = 0; // 0 no candidate, 1 its parameter list is open, 2 and more closed
    int mLuecke = 0;
    int mExtraKlammern = 0;
    bool mLetztesWarName = false;
    int mEingefuegt = 0;
    std::string mLetzterName, mKandidat, mFunktion;
    int mFunktionsZeile = 0;

    // Conditional stack: bit 0 outer text compiled, bit 1 #else seen, bit 2 a branch taken
    bool mKompiliert = true;
    std::array<unsigned char, kMaxIfTiefe> mIfStapel{};
    int mIfTiefe = 0;

    // Macros
    std::array<std::vector<std::unique_ptr<CppMakro>>, 64> mTabelle;
    int mTiefe = 0;       // nested expansions, see Expandiere
    int mOhneEingabe = 0; // expansions since a file last gave a byte not read before
    std::string mAeusserstes;
    std::string mToken;
};

inline bool IstZiffer(int c) {
    return c >= '0' && c <= '9';
}
inline bool IstNamensanfang(int c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '$';
}
inline bool IstNamenszeichen(int c) {
    return IstNamensanfang(c) || IstZiffer(c);
}
inline bool IstLeer(int c) {
    return c == ' ' || c == '\t';
}

// The sizes that sizeof in #if reports; shared by every run of the process (cpp_ausdruckleser.cpp).
bool cpp_SetzeGroessen(const char* text, int& fehlercode);
