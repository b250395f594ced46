// Source reading (the stack of inputs, line joins, comments, numbers and literals) and the main
// loop with its output and line markers.

#include "shaderpp/cpp_lauf.h"

#include <algorithm>
#include <cctype>

namespace {

// One line of at most 511 characters, as the runtime's line reader delivers it. The CR of a CR LF
// pair is dropped (sources written on Windows would otherwise break line joins), and so are NUL
// bytes, which would end the line early.
void LiesDateiZeile(FILE* datei, std::string& text) {
    int c;
    while (text.size() < kArbeitspuffer - 1 && (c = getc_unlocked(datei)) != EOF) {
        if (c == '\r') {
            const int d = getc_unlocked(datei);
            if (d == '\n')
                c = '\n';
            else if (d != EOF)
                ungetc(d, datei);
        }
        if (c == 0)
            continue;
        text += static_cast<char>(c);
        if (c == '\n')
            break;
    }
}

void EntferneCrVorLf(std::string& text) {
    size_t schreib = 0;
    for (size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            text[schreib++] = text[i];
    text.resize(schreib);
}

} // namespace

// The next line of a file level. At the end the last line stays in place, so that characters
// read before the end can still be put back.
bool CppLauf::FuelleNach(CppEbene& ebene) {
    if (ebene.mEnde)
        return false;
    std::string zeile;
    if (ebene.mHaupt && mEingabe) {
        char puffer[kArbeitspuffer];
        puffer[0] = 0;
        if (const char* text = mEingabe(puffer, sizeof(puffer), mBenutzer, ebene.mDatei)) {
            zeile = text;
            EntferneCrVorLf(zeile);
        }
    } else if (ebene.mDatei) {
        LiesDateiZeile(ebene.mDatei, zeile);
    }
    if (zeile.empty()) {
        ebene.mEnde = true;
        return false;
    }
    ebene.mText = std::move(zeile);
    ebene.mPos = 0;
    ebene.mNeuAb = 0;
    return true;
}

// Removes the top level. The main input stays, so the end of the run still knows its name and line.
void CppLauf::SchliesseEbene() {
    CppEbene& ebene = mEbenen.back();
    if (ebene.mIstDatei) {
        if (ebene.mDatei && !ebene.mHaupt)
            fclose(ebene.mDatei);
        mZeile = ebene.mZeileDarunter;
        mMarkeFaellig = true;
    } else {
        mTiefe = std::max(0, mTiefe - ebene.mExpansionen);
    }
    mEbenen.pop_back();
}

int CppLauf::LiesRoh() {
    while (!mAbbruch && !mEbenen.empty()) {
        CppEbene& ebene = mEbenen.back();
        if (ebene.mPos < ebene.mText.size()) {
            const unsigned char c = ebene.mText[ebene.mPos++];
            mAusDatei = ebene.mIstDatei;
            mAusInitFunc = ebene.mInitFunc;
            if (mAusDatei) {
                if (ebene.mPos > ebene.mNeuAb) {
                    ebene.mNeuAb = ebene.mPos;
                    mOhneEingabe = 0;
                }
                // A file cannot smuggle in the mark that stops expansion.
                if (c == kNichtExpandieren)
                    continue;
                if (c == '\n')
                    ++mZeile;
            }
            return c;
        }
        if (ebene.mIstDatei && FuelleNach(ebene))
            continue;
        if (ebene.mHaupt)
            return 0;
        SchliesseEbene();
    }
    return 0;
}

// The character goes back into the buffer it came from (or the one below, across a level's end).
void CppLauf::Zurueck(int zeichen) {
    if (zeichen == 0 || mEbenen.empty())
        return;
    CppEbene& ebene = mEbenen.back();
    if (ebene.mPos == 0) {
        Melde(M_ZuVielZurueck);
        return;
    }
    ebene.mText[--ebene.mPos] = static_cast<char>(zeichen);
    if (zeichen == '\n' && ebene.mIstDatei)
        --mZeile;
}

int CppLauf::Lies() {
    for (;;) {
        int c = LiesRoh();
        if (c == '\\' && !mImDefine) {
            const int d = LiesRoh();
            if (d == '\n') {
                mMarkeFaellig = true;
                continue;
            }
            Zurueck(d);
            return c;
        }
        if (c == '\v' || c == '\f')
            return ' ';
        if (c != '/')
            return c;
        const int d = LiesRoh();
        if (d == '*')
            return LiesKommentar();
        if (d == '/' && mOpt.mZeilenkommentare)
            return LiesZeilenkommentar();
        Zurueck(d);
        return c;
    }
}

void CppLauf::SchreibeLeerraum() {
    Schreibe(mLeerraum);
    mLeerraum.clear();
}

// The rest of a "/*" comment. Returns what follows it: a newline or blank as it is, anything
// else after one blank, so that the comment separates the tokens around it.
int CppLauf::LiesKommentar() {
    const bool behalten = mKommentareAktiv;
    if (behalten) {
        SchreibeLeerraum();
        Schreibe("/*");
        mKommentarInZeile = true;
    }
    int tiefe = 1;
    while (tiefe > 0) {
        const int c = LiesRoh();
        if (c == 0) {
            if (!mAbbruch) {
                Melde(M_EndeImKommentar);
                Abbrechen();
            }
            return 0;
        }
        if (behalten)
            Schreibe(c);
        if (c == '*' || c == '/') {
            const int d = LiesRoh();
            if (c == '*' && d == '/') {
                --tiefe;
            } else if (c == '/' && d == '*') {
                if (mOpt.mWarneKommentarImKommentar)
                    Melde(M_KommentarImKommentar);
                if (mOpt.mKommentareVerschachtelt)
                    ++tiefe;
            } else {
                Zurueck(d);
                continue;
            }
            if (behalten)
                Schreibe(d);
        } else if (c == '\n' && !behalten) {
            mMarkeFaellig = true;
        }
    }
    const int c = LiesRoh();
    if (c == '\n' || IstLeer(c))
        return c;
    Zurueck(c);
    return ' ';
}

int CppLauf::LiesZeilenkommentar() {
    const bool behalten = mKommentareAktiv;
    if (behalten) {
        SchreibeLeerraum();
        Schreibe("//");
        mKommentarInZeile = true;
    }
    for (;;) {
        const int c = LiesRoh();
        if (c == '\n' || c == 0)
            return c;
        if (behalten)
            Schreibe(c);
    }
}

int CppLauf::UeberspringeLeer() {
    int c = Lies();
    while (IstLeer(c))
        c = Lies();
    return c;
}

// Drops the rest of the line; the newline stays to be read.
void CppLauf::UeberspringeZeile() {
    int c = Lies();
    while (c != '\n' && c != 0)
        c = Lies();
    Zurueck(c);
}

void CppLauf::LiesName(int erstes, std::string& name) {
    // A name met in a file ends every chain of expansions before it.
    if (mAusDatei)
        mTiefe = 0;
    name.assign(1, static_cast<char>(erstes));
    int c = Lies();
    while (IstNamenszeichen(c)) {
        name += static_cast<char>(c);
        c = Lies();
    }
    Zurueck(c);
}

// The name after blanks. Without one the character goes back and `fehler` is reported.
bool CppLauf::LiesNameNachLeerraum(std::string& name, int fehler) {
    const int c = UeberspringeLeer();
    if (!IstNamensanfang(c)) {
        Zurueck(c);
        Melde(fehler);
        return false;
    }
    LiesName(c, name);
    return true;
}

// A decimal, octal, hexadecimal or floating number with its suffixes, taken unchanged.
void CppLauf::ScanneZahl(int erstes, std::string& ziel) {
    ziel.assign(1, static_cast<char>(erstes));
    bool hex = false, oktal = false, punkt = erstes == '.', exponent = false, achtNeun = false;
    int c = Lies();
    if (erstes == '0') {
        if (c == 'x' || c == 'X') {
            hex = true;
            ziel += static_cast<char>(c);
            c = Lies();
        } else {
            oktal = true;
        }
    }
    for (;; c = Lies()) {
        if (hex ? isxdigit(c) != 0 : IstZiffer(c)) {
            achtNeun |= c == '8' || c == '9';
        } else if (!hex && c == '.' && !punkt && !exponent) {
            punkt = true;
        } else if (!hex && (c == 'e' || c == 'E') && !exponent) {
            exponent = true;
            ziel += static_cast<char>(c);
            c = Lies();
            if (c != '+' && c != '-') {
                Zurueck(c);
                continue;
            }
        } else {
            break;
        }
        ziel += static_cast<char>(c);
    }
    bool unsignedGesehen = false;
    while ((c == 'u' || c == 'U') ? !unsignedGesehen : (c == 'l' || c == 'L')) {
        unsignedGesehen |= c == 'u' || c == 'U';
        ziel += static_cast<char>(c);
        c = Lies();
    }
    Zurueck(c);
    if (oktal && achtNeun && !punkt && !exponent && !mOpt.mEinfacheZeichen)
        Melde(M_OktalZiffer);
}

// A string or character literal, taken unchanged. An unterminated one ends the run.
bool CppLauf::ScanneLiteral(int quote, std::string& ziel) {
    ziel.assign(1, static_cast<char>(quote));
    for (;;) {
        int c = LiesRoh();
        if (c == quote) {
            ziel += static_cast<char>(c);
            return true;
        }
        // An escaped newline belongs to the literal; a bare one ends it too early.
        if (c == '\\') {
            ziel += '\\';
            c = LiesRoh();
            if (c != 0) {
                ziel += static_cast<char>(c);
                continue;
            }
        }
        if (c == '\n' || c == 0) {
            if (!mAbbruch) {
                Zurueck(c);
                Melde(M_OffenerString);
                Abbrechen();
            }
            return false;
        }
        ziel += static_cast<char>(c);
    }
}

void CppLauf::Schiebe(const std::string& name, std::string text) {
    CppEbene ebene;
    ebene.mText = std::move(text);
    ebene.mZeileDarunter = mZeile;
    ebene.mName = name;
    ebene.mInitFunc = name == "__init_func__" || name == "__brace__";
    mEbenen.push_back(std::move(ebene));
}

void CppLauf::OeffneDatei(FILE* datei, const std::string& name, bool haupt) {
    CppEbene ebene;
    ebene.mZeileDarunter = mZeile;
    ebene.mDatei = datei;
    ebene.mIstDatei = true;
    ebene.mHaupt = haupt;
    ebene.mName = name;
    mEbenen.push_back(std::move(ebene));
    mZeile = 1;
    if (!haupt)
        mMarkeFaellig = true;
}

const CppEbene* CppLauf::InnersteDatei() const {
    for (auto it = mEbenen.rbegin(); it != mEbenen.rend(); ++it)
        if (it->mIstDatei)
            return &*it;
    return nullptr;
}

std::string CppLauf::DateiAnzeigeName() const {
    const CppEbene* datei = InnersteDatei();
    if (!datei)
        return mEingabename;
    return datei->mAnzeigeName.empty() ? datei->mName : datei->mAnzeigeName;
}

void CppLauf::SchreibeMarke() {
    if (mKommentareAktiv)
        Schreibe('\n');
    std::string marke = mOpt.mMarkenMitLine ? "#line " : "# ";
    marke += std::to_string(mZeile);
    if (!mEbenen.empty() && mEbenen.back().mIstDatei) {
        const std::string name = DateiAnzeigeName();
        if (name != mLetzteMarke) {
            marke += " \"" + name + "\"";
            mLetzteMarke = name;
        }
    }
    marke += '\n';
    Schreibe(marke);
    mMarkeFaellig = false;
}

void CppLauf::Hauptschleife() {
    mKommentareAktiv = mOpt.mKommentare && mKompiliert;
    for (;;) {
        mKommentarInZeile = false;
        mLeerraum.clear();
        int c = Lies();
        while (IstLeer(c)) {
            if (mOpt.mLeerraum && mLeerraum.size() < kArbeitspuffer - 1)
                mLeerraum += static_cast<char>(c);
            c = Lies();
        }
        if (c == '\n') {
            if (mKommentarInZeile)
                Schreibe('\n');
            else
                ++mLeerzeilen;
            continue;
        }
        if (c == '#') {
            mKommentareAktiv = false;
            mImDirektive = true;
            Direktive();
            mImDirektive = false;
            if (mAbbruch)
                break;
            mKommentareAktiv = mOpt.mKommentare && mKompiliert;
            continue;
        }
        if (c == 0)
            break;
        if (!mKompiliert) {
            while (c != '\n' && c != 0)
                c = Lies();
            if (c == 0)
                break;
            ++mLeerzeilen;
            continue;
        }
        if (mOpt.mZeilenmarken) {
            if (mMarkeFaellig && !mEbenen.empty() && mEbenen.back().mIstDatei)
                SchreibeMarke();
            else if (mLeerzeilen < 5)
                Schreibe(std::string(mLeerzeilen, '\n'));
            else
                SchreibeMarke();
        }
        mLeerzeilen = 0;
        SchreibeLeerraum();
        if (!Zeile(c))
            break;
    }
    if (mAbbruch)
        return;
    if (mOpt.mKlammerBilanz) {
        if (mEckig != 0)
            Melde(M_EckigeKlammern, mEckig);
        if (mRund != 0)
            Melde(M_RundeKlammern, mRund);
        if (mGeschweift != 0)
            Melde(M_GeschweifteKlammern, mGeschweift);
    }
    if (mOpt.mDefinitionenAusgeben > 0)
        GibDefinitionenAus();
}

// The compiled text of one line from its first token up to and including the newline. Returns false
// at the end of the input.
bool CppLauf::Zeile(int c) {
    for (;;) {
        if (c == 0 || mAbbruch)
            return false;
        if (c == '\n') {
            Schreibe('\n');
            if (!mAusDatei)
                mMarkeFaellig = true;
            return true;
        }
        if (IstLeer(c)) {
            c = LeerraumInZeile(c);
            continue;
        }
        bool expandieren = true;
        if (c == kNichtExpandieren) {
            c = Lies();
            if (!IstNamensanfang(c))
                continue;
            expandieren = false;
        }
        if (IstNamensanfang(c))
            NameInZeile(c, expandieren);
        else if (!ZeichenInZeile(c))
            return false;
        c = Lies();
    }
}

// Blanks inside a line: kept as they are or as one space. Returns the character after them.
int CppLauf::LeerraumInZeile(int c) {
    while (IstLeer(c)) {
        if (mLeerraum.size() < kArbeitspuffer - 1)
            mLeerraum += static_cast<char>(c);
        c = Lies();
    }
    if (!mOpt.mLeerraum)
        mLeerraum.assign(1, ' ');
    SchreibeLeerraum();
    return c;
}

// A name: a macro is expanded, a paste mark after it joins it with what follows, any other name
// is written.
void CppLauf::NameInZeile(int erstes, bool expandieren) {
    LiesName(erstes, mToken);
    if (expandieren) {
        CppMakro* makro = Finde(mToken);
        if (makro && Expandiere(*makro))
            return;
    }
    const int d = Lies();
    if (d == kPaste) {
        Paste(mToken);
        return;
    }
    Zurueck(d);
    Schreibe(mToken);
    VerfolgeName(mToken);
}

// A number, a literal or another character. False when a literal ran into the end of the input.
bool CppLauf::ZeichenInZeile(int c) {
    bool zahl = IstZiffer(c);
    if (c == '.') {
        const int d = Lies();
        Zurueck(d);
        zahl = IstZiffer(d);
    }
    if (zahl) {
        std::string text;
        ScanneZahl(c, text);
        Schreibe(text);
        VerfolgeWert();
        return true;
    }
    if ((c == '"' || c == '\'') && !mOpt.mEinfacheZeichen) {
        std::string literal;
        if (!ScanneLiteral(c, literal))
            return false;
        Schreibe(literal);
        VerfolgeWert();
        return true;
    }
    // A paste mark that follows no name has nothing to join.
    if (c != kPaste) {
        VerfolgeZeichen(c, mAusInitFunc);
        Schreibe(c);
    }
    return true;
}
