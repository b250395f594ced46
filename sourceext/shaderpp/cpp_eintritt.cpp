// Entry of the preprocessor: option tags, predefined macros, diagnostics and the result.

#include "shaderpp/cpp_lauf.h"

#include <ctime>
#include <new>

namespace {

const char* const kMeldungstexte[] = {
    "#%s must be in an #if",                                   // 0
    "#%s may not follow #else",                                // 1
    "#error directive encountered",                            // 2
    "Preprocessor assertion failure",                          // 3
    "#if, #ifdef, or #ifndef without an argument",             // 4
    "#include syntax error",                                   // 5
    "#define syntax error",                                    // 6
    "Redefining defined variable \"%s\"",                      // 7
    "Illegal #undef argument",                                 // 8
    "Recursive macro definition of \"%s\"(Defined by \"%s\")", // 9
    "end of file within macro argument",                       // 10
    "misplaced constant in #if",                               // 11
    "#if value stack overflow",                                // 12
    "Illegal #if line",                                        // 13
    "Operator %s in incorrect context",                        // 14
    "expression stack overflow at op \"%s\"",                  // 15
    "unbalanced paren's, op is \"%s\"",                        // 16
    "Misplaced '?' or ':', previous operator is %s",           // 17
    "Can't use a string in an #if",                            // 18
    "Bad #if ... defined() syntax",                            // 19
    "= not allowed in #if",                                    // 20
    "Unexpected \\ in #if",                                    // 21
    "#if ... sizeof() syntax error",                           // 22
    "#if sizeof, unknown type \"%s\"",                         // 23
    "#if ... sizeof: illegal type combination",                // 24
    "#if sizeof() error, no type specified",                   // 25
    "Unterminated string",                                     // 26
    "EOF in comment",                                          // 27
    "Inside #ifdef block at end of input, depth = %d",         // 28
    "illegal character '%c' in #if",                           // 29
    "illegal character (%d decimal) in #if",                   // 30
    "#if ... sizeof: bug, unknown type code 0x%x",             // 31
    "#if bug, operand = %d.",                                  // 32
    "Strange character '%c' after ##",                         // 33
    "Strange character (%d.) after ##",                        // 34
    "",                                                        // 35
    "Control line \"%s\" within macro expansion",              // 36
    "Illegal # command \"%s\"",                                // 37
    "Unexpected text in #control line ignored",                // 38
    "too few values specified to sizeof",                      // 39
    "too many values specified to sizeof! Not used.",          // 40
    "\"%s\" wasn't defined",                                   // 41
    "Internal error!",                                         // 42
    "Macro \"%s\" needs arguments",                            // 43
    "Wrong number of macro arguments for \"%s\"",              // 44
    "%s by zero in #if, zero result assumed",                  // 45
    "Illegal digit in octal number",                           // 46
    "multi-byte constant '%c' isn't portable",                 // 47
    "Cannot open include file \"%s\"",                         // 48
    "Illegal bracket '[]' balance, depth = %d",                // 49
    "Illegal parentheses '()' balance, depth = %d",            // 50
    "Illegal brace '{}' balance, depth = %d",                  // 51
    "Nested comment",                                          // 52
    "",                                                        // 53
    "Too many nested #%s statements",                          // 54
    "Filename work buffer overflow",                           // 55
    "Too many include directories",                            // 56
    "Too many include files",                                  // 57
    "Too many arguments for macro",                            // 58
    "Macro work area overflow",                                // 59
    "Bug: Illegal __ macro \"%s\"",                            // 60
    "Too many arguments in macro expansion",                   // 61
    "Out of space in macro \"%s\" arg expansion",              // 62
    "work buffer overflow doing %s ##",                        // 63
    "Work buffer overflow",                                    // 64
    "Out of memory",                                           // 65
    "Too much pushback",                                       // 66
};
constexpr int kMeldungsZahl = sizeof(kMeldungstexte) / sizeof(kMeldungstexte[0]);

const char* Text(uint64_t wert) {
    return reinterpret_cast<const char*>(static_cast<uintptr_t>(wert));
}

std::string Formatiere(const char* format, va_list argumente) {
    va_list kopie;
    va_copy(kopie, argumente);
    const int laenge = vsnprintf(nullptr, 0, format, kopie);
    va_end(kopie);
    std::string text(laenge > 0 ? laenge : 0, '\0');
    if (laenge > 0)
        vsnprintf(text.data(), text.size() + 1, format, argumente);
    return text;
}

std::string FormatiereV(const char* format, ...) {
    va_list argumente;
    va_start(argumente, format);
    std::string text = Formatiere(format, argumente);
    va_end(argumente);
    return text;
}

} // namespace

CppZustand::CppZustand() = default;
CppZustand::~CppZustand() = default;

int cpp_Verarbeite(const CppTag* tags, CppZustand& zustand) {
    try {
        zustand.mLauf = std::make_unique<CppLauf>();
    } catch (const std::bad_alloc&) {
        return 1;
    }
    return zustand.mLauf->Verarbeite(tags);
}

bool cpp_Fatal(const CppZustand& zustand) {
    return !zustand.mLauf || zustand.mLauf->mFatal;
}

void CppLauf::Nachricht(const char* format, ...) {
    if (!mMeldung)
        return;
    va_list argumente;
    va_start(argumente, format);
    mMeldung(mBenutzer, format, argumente);
    va_end(argumente);
}

// One diagnostic line with its prefix, then one line for every input that encloses the file.
void CppLauf::Melde(int code, ...) {
    // A missing include counts as an error while the option says it is one, so the run fails.
    const bool fehler = code < 35 || (code == M_IncludeFehlt && mOpt.mIncludeFehler);
    const bool fatal = code >= 53;
    if (fehler)
        ++mFehler;
    if (fatal)
        mFatal = true;
    if (!mMeldung || code < 0 || code >= kMeldungsZahl)
        return;

    int datei = static_cast<int>(mEbenen.size()) - 1;
    while (datei >= 0 && !mEbenen[datei].mIstDatei)
        --datei;
    const char* schwere = fehler ? "Error" : fatal ? "Fatal" : "Warning";
    std::string zeile =
        FormatiereV("cpp: \"%s\", line %d: %s: ", DateiAnzeigeName().c_str(), mZeile, schwere);
    va_list argumente;
    va_start(argumente, code);
    zeile += Formatiere(kMeldungstexte[code], argumente);
    va_end(argumente);
    zeile += '\n';
    Nachricht("%s", zeile.c_str());

    for (int i = datei - 1; i >= 0; --i) {
        const CppEbene& ebene = mEbenen[i];
        const char* ende = i > 0 ? "," : ".";
        if (ebene.mIstDatei) {
            const std::string& n = ebene.mAnzeigeName.empty() ? ebene.mName : ebene.mAnzeigeName;
            Nachricht(" from file %s, line %d%s\n", n.c_str(), mEbenen[i + 1].mZeileDarunter, ende);
        } else {
            Nachricht(" from macro %s%s\n", ebene.mName.c_str(), ende);
        }
    }
}

void CppLauf::Schreibe(int zeichen) {
    if (mAusgabeAn && mAusgabe)
        mAusgabe(zeichen, mBenutzer);
}

void CppLauf::Schreibe(const std::string& text) {
    for (char c : text)
        Schreibe(static_cast<unsigned char>(c));
}

// Reads the option list; too many directories or files end the reading, not the run.
void CppLauf::LiesTags(const CppTag* tags) {
    for (const CppTag* t = tags; t && t->mTag != CppTag_Ende; ++t) {
        const bool an = t->mWert != 0;
        switch (t->mTag) {
        case CppTag_KommentareBehalten:
            mOpt.mKommentare = an;
            break;
        case CppTag_Definiere:
            if (an) {
                // Our own copy: the caller's text may be read-only.
                const std::string text = Text(t->mWert);
                const size_t gleich = text.find('=');
                if (gleich == std::string::npos)
                    Speichere(text, "1", kMakroOhneListe);
                else
                    Speichere(text.substr(0, gleich), text.substr(gleich + 1), kMakroOhneListe);
            }
            break;
        case CppTag_FehlerIgnorieren:
            mOpt.mFehlerIgnorieren = an;
            break;
        case CppTag_IncludeVerzeichnis:
            if (mVerzeichnisse.size() == kMaxListe) {
                Melde(M_ZuVieleVerzeichnisse);
                return;
            }
            if (an)
                mVerzeichnisse.emplace_back(Text(t->mWert));
            break;
        case CppTag_KeinProgrammMakro:
            mOpt.mKeinProgrammMakro = an;
            break;
        case CppTag_KeineEingebauten:
            mOpt.mKeineEingebauten = an;
            break;
        case CppTag_KeineZeilenkommentare:
            mOpt.mZeilenkommentare = !an;
            break;
        case CppTag_Groessen:
            if (an) {
                int code = 0;
                if (!cpp_SetzeGroessen(Text(t->mWert), code))
                    Melde(code);
            }
            break;
        case CppTag_Undefiniere:
            if (an) {
                const std::string name = Text(t->mWert);
                if (!IstNamensanfang(static_cast<unsigned char>(name[0])))
                    Melde(M_UndefArgument);
                else if (Finde(name))
                    Entferne(name);
                else
                    Melde(M_NichtDefiniert, name.c_str());
            }
            break;
        case CppTag_DefinitionenAusgeben:
            if (an)
                ++mOpt.mDefinitionenAusgeben;
            break;
        case CppTag_Eingabename:
            mEingabename = an ? Text(t->mWert) : "";
            if (mEingabename.empty())
                mEingabename = "[stdin]";
            break;
        case CppTag_Eingabe:
            mEingabe = reinterpret_cast<CppEingabeFn>(static_cast<uintptr_t>(t->mWert));
            break;
        case CppTag_Ausgabe:
            mAusgabe = reinterpret_cast<CppAusgabeFn>(static_cast<uintptr_t>(t->mWert));
            break;
        case CppTag_Benutzerdaten:
            mBenutzer = reinterpret_cast<void*>(static_cast<uintptr_t>(t->mWert));
            break;
        case CppTag_Zeilenmarken:
            mOpt.mZeilenmarken = an;
            break;
        case CppTag_Meldungen:
            mMeldung = reinterpret_cast<CppMeldungFn>(static_cast<uintptr_t>(t->mWert));
            break;
        case CppTag_WarneUnbekannte:
            mOpt.mWarneUnbekannte = an;
            break;
        case CppTag_MarkenMitLine:
            mOpt.mMarkenMitLine = an;
            break;
        case CppTag_Banner:
            mOpt.mBanner = an;
            break;
        case CppTag_IncludesMelden:
            mOpt.mIncludesMelden = an;
            break;
        case CppTag_KlammerBilanz:
            mOpt.mKlammerBilanz = an;
            break;
        case CppTag_LeerraumBehalten:
            mOpt.mLeerraum = an;
            break;
        case CppTag_KommentareVerschachtelt:
            mOpt.mKommentareVerschachtelt = an;
            break;
        case CppTag_WarneKommentarImKommentar:
            mOpt.mWarneKommentarImKommentar = an;
            break;
        case CppTag_IncludeFehlerMelden:
            mOpt.mIncludeFehler = an;
            break;
        case CppTag_AusgabeAn:
            mOpt.mAusgabeAn = an;
            break;
        case CppTag_VorabDatei:
        case CppTag_VorabDatei2:
            if (mVorabDateien.size() == kMaxListe) {
                Melde(M_ZuVieleDateien);
                return;
            }
            if (an)
                mVorabDateien.emplace_back(Text(t->mWert));
            break;
        case CppTag_PasteExpandiert:
            mOpt.mPasteExpandiert = an;
            break;
        case CppTag_FunktionsText:
            mFunktionsText = an ? Text(t->mWert) : "";
            break;
        case CppTag_FunktionAusnehmen:
            if (an && mAusgenommen.size() < kMaxListe)
                mAusgenommen.emplace_back(Text(t->mWert));
            break;
        case CppTag_FunktionenMelden:
            mOpt.mFunktionenMelden = an;
            break;
        case CppTag_EinfacheZeichen:
            mOpt.mEinfacheZeichen = an;
            break;
        case CppTag_IncludeImDateiordner:
            mOpt.mImDateiordner = an;
            break;
        case CppTag_DateiOeffnen:
            mOeffne = reinterpret_cast<CppOeffneFn>(static_cast<uintptr_t>(t->mWert));
            break;
        default:
            Melde(M_InternerFehler);
            break;
        }
    }
}

int CppLauf::Verarbeite(const CppTag* tags) {
    // The predefined macros come before the tags, so a tag can remove them.
    try {
        Speichere("quorrcpp", "1", kMakroOhneListe);
        Speichere("__LINE__", "", kEingebautLine);
        Speichere("__FILE__", "", kEingebautFile);
        Speichere("__FUNCTION__", "", kEingebautFunction);
        Speichere("__FUNC_LINE__", "", kEingebautFuncLine);
        static const char* const kMonate[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
        const time_t jetzt = time(nullptr);
        tm zeit{};
        localtime_r(&jetzt, &zeit);
        Speichere(
            "__DATE__",
            FormatiereV("\"%3s %2d %4d\"", kMonate[zeit.tm_mon % 12], zeit.tm_mday, zeit.tm_year + 1900),
            kMakroOhneListe);
        Speichere("__TIME__", FormatiereV("\"%2d:%02d:%02d\"", zeit.tm_hour, zeit.tm_min, zeit.tm_sec),
                  kMakroOhneListe);
    } catch (const std::bad_alloc&) {
        return 1;
    }

    try {
        LiesTags(tags);
        // Checked after all tags, so that the message callback is known.
        if (mEingabename.size() >= kArbeitspuffer) {
            Melde(M_ZeileZuLang);
        } else {
            if (mOpt.mBanner)
                Nachricht("quorrcpp: Velm shader preprocessor\n");
            // Standard input is the main input's handle; it is read only without an input callback.
            OeffneDatei(stdin, mEingabename, true);
            // The files to read first lie above the main input, the first of them on top.
            for (auto it = mVorabDateien.rbegin(); it != mVorabDateien.rend(); ++it) {
                FILE* datei = mOeffne ? mOeffne(it->c_str(), "r") : fopen(it->c_str(), "r");
                if (datei)
                    OeffneDatei(datei, *it, false);
                else if (mOpt.mIncludeFehler)
                    Melde(M_IncludeFehlt, it->c_str());
            }
            mAusgabeAn = mOpt.mAusgabeAn;
            Hauptschleife();
            if (mIfTiefe > 0)
                Melde(M_OffeneIfs, mIfTiefe);
        }
    } catch (const std::bad_alloc&) {
        Melde(M_KeinSpeicher);
    }

    for (CppEbene& ebene : mEbenen)
        if (ebene.mDatei && !ebene.mHaupt)
            fclose(ebene.mDatei);
    mEbenen.clear();

    if (mFatal)
        return 1;
    return mFehler > 0 && !mOpt.mFehlerIgnorieren ? 1 : 0;
}
