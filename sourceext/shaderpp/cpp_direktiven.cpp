// Directive lines: conditional inclusion, #include with its search, #line, #pragma, #error,
// #assert, and unknown directives that pass on to the output.

#include "shaderpp/cpp_lauf.h"

#include <algorithm>

namespace {

enum class Art {
    If,
    Ifdef,
    Ifndef,
    Elif,
    Else,
    Endif,
    Include,
    Define,
    Undef,
    Pragma,
    Assert,
    Line,
    Error,
    Unbekannt
};

Art ArtVon(const std::string& name) {
    static const struct {
        const char* mName;
        Art mArt;
    } kDirektiven[] = {
        {"if", Art::If},       {"ifdef", Art::Ifdef},   {"ifndef", Art::Ifndef},   {"elif", Art::Elif},
        {"else", Art::Else},   {"endif", Art::Endif},   {"include", Art::Include}, {"define", Art::Define},
        {"undef", Art::Undef}, {"pragma", Art::Pragma}, {"assert", Art::Assert},   {"line", Art::Line},
        {"error", Art::Error},
    };
    for (const auto& d : kDirektiven)
        if (name == d.mName)
            return d.mArt;
    return Art::Unbekannt;
}

constexpr unsigned char kAussenKompiliert = 1;
constexpr unsigned char kElseGesehen = 2;
constexpr unsigned char kZweigGenommen = 4;

void SchneideLeerraumAb(std::string& text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.pop_back();
}

// In text that is not compiled only the nesting of conditionals counts. True when the directive
// is done with that.
bool UebergehtUnkompiliert(CppLauf& lauf, Art art, const std::string& name) {
    if (art == Art::If || art == Art::Ifdef || art == Art::Ifndef) {
        if (lauf.OeffneIfEbene(name.c_str()))
            lauf.UeberspringeZeile();
        return true;
    }
    if (art != Art::Elif && art != Art::Else && art != Art::Endif) {
        lauf.UeberspringeZeile();
        return true;
    }
    return false;
}

// Runs the directive. False when it has dealt with the rest of its line itself.
bool FuehreAus(CppLauf& lauf, Art art, const std::string& name) {
    switch (art) {
    case Art::If:
        lauf.If();
        return true;
    case Art::Ifdef:
    case Art::Ifndef:
        return lauf.Ifdef(name.c_str(), art == Art::Ifdef);
    case Art::Elif:
        return lauf.Elif();
    case Art::Else:
        lauf.Else();
        return true;
    case Art::Endif:
        lauf.Endif();
        return true;
    case Art::Include:
        lauf.Include();
        return false;
    case Art::Define:
        lauf.Define();
        return true;
    case Art::Undef:
        lauf.Undef();
        return true;
    case Art::Pragma:
        lauf.Passthrough("pragma");
        return false;
    case Art::Assert:
        if (!lauf.Bedingung() && !lauf.mAbbruch)
            lauf.Melde(M_Zusicherung);
        return true;
    case Art::Line:
        lauf.Line();
        return true;
    case Art::Error:
        lauf.Melde(M_ErrorDirektive);
        return true;
    case Art::Unbekannt:
        if (lauf.mOpt.mWarneUnbekannte)
            lauf.Melde(M_UnbekannteDirektive, name.c_str());
        lauf.Passthrough(name.c_str());
        return false;
    }
    return false;
}

} // namespace

bool CppLauf::OeffneIfEbene(const char* name) {
    if (mIfTiefe == kMaxIfTiefe) {
        Melde(M_ZuTiefVerschachtelt, name);
        Abbrechen();
        return false;
    }
    mIfStapel[mIfTiefe++] = mKompiliert ? kAussenKompiliert : 0;
    return true;
}

// The directive's name: "line" for a bare number, empty when neither follows the "#". False for
// a "#" alone on its line.
bool CppLauf::LiesDirektivenName(std::string& name) {
    const int c = UeberspringeLeer();
    if (c == '\n' || c == 0) {
        Zurueck(c);
        return false;
    }
    if (IstZiffer(c))
        name = "line";
    else if (IstNamensanfang(c))
        LiesName(c, name);
    if (name.empty() || IstZiffer(c))
        Zurueck(c);
    return true;
}

// Called after the "#" at the start of a line. The newline that ends the directive stays unread
// (the main loop counts it as an empty line) unless the directive wrote a line of its own.
void CppLauf::Direktive() {
    std::string name;
    if (!LiesDirektivenName(name))
        return;
    if (!mEbenen.empty() && !mEbenen.back().mIstDatei)
        Melde(M_DirektiveInMakro, name.c_str());
    const Art art = ArtVon(name);
    if (!mKompiliert && UebergehtUnkompiliert(*this, art, name))
        return;
    // #line and #pragma write a line of their own, which takes the place of a pending empty one.
    if (mLeerzeilen > 0 && (art == Art::Line || art == Art::Pragma)) {
        Schreibe('\n');
        --mLeerzeilen;
    }
    if (FuehreAus(*this, art, name) && !mAbbruch)
        PruefeZeilenrest();
}

// Only blanks may follow a directive; anything else is reported and dropped.
void CppLauf::PruefeZeilenrest() {
    const int c = UeberspringeLeer();
    if (c != '\n' && c != 0) {
        Melde(M_RestText);
        UeberspringeZeile();
    } else {
        Zurueck(c);
    }
}

unsigned char* CppLauf::InnersteIfEbene() {
    return mIfTiefe > 0 ? &mIfStapel[mIfTiefe - 1] : nullptr;
}

void CppLauf::If() {
    if (!OeffneIfEbene("if"))
        return;
    const int c = UeberspringeLeer();
    Zurueck(c);
    if (c == '\n' || c == 0)
        Melde(M_IfOhneArgument);
    else if (Bedingung())
        mIfStapel[mIfTiefe - 1] |= kZweigGenommen;
    else
        mKompiliert = false;
}

// #ifdef when `definiert`, else #ifndef. False when the line was dropped for a missing name.
bool CppLauf::Ifdef(const char* name, bool definiert) {
    if (!OeffneIfEbene(name))
        return true;
    std::string makro;
    if (!LiesNameNachLeerraum(makro, M_IfOhneArgument)) {
        UeberspringeZeile();
        return false;
    }
    if ((Finde(makro) != nullptr) == definiert)
        mIfStapel[mIfTiefe - 1] |= kZweigGenommen;
    else
        mKompiliert = false;
    return true;
}

// False when the line was dropped: after an error, or because a branch was taken already.
bool CppLauf::Elif() {
    unsigned char* ebene = InnersteIfEbene();
    if (!ebene || (*ebene & kElseGesehen)) {
        Melde(ebene ? M_NachElse : M_NichtInIf, "elif");
        UeberspringeZeile();
        return false;
    }
    if (!(*ebene & kAussenKompiliert) || (*ebene & kZweigGenommen)) {
        mKompiliert = false;
        UeberspringeZeile();
        return false;
    }
    const int c = UeberspringeLeer();
    Zurueck(c);
    if (c == '\n' || c == 0) {
        Melde(M_IfOhneArgument);
        mKompiliert = true;
        return true;
    }
    mKompiliert = Bedingung();
    if (mKompiliert)
        *ebene |= kZweigGenommen;
    return true;
}

void CppLauf::Else() {
    unsigned char* ebene = InnersteIfEbene();
    if (!ebene || (*ebene & kElseGesehen)) {
        Melde(ebene ? M_NachElse : M_NichtInIf, "else");
        return;
    }
    *ebene |= kElseGesehen;
    if (*ebene & kAussenKompiliert)
        mKompiliert = !(*ebene & kZweigGenommen) && !mKompiliert;
}

void CppLauf::Endif() {
    const unsigned char* ebene = InnersteIfEbene();
    if (!ebene) {
        Melde(M_NichtInIf, "endif");
        return;
    }
    if (!mKompiliert && (*ebene & kAussenKompiliert))
        mMarkeFaellig = true;
    mKompiliert = *ebene & kAussenKompiliert;
    --mIfTiefe;
}

// Writes "#name", a blank and the rest of the line as read, with its newline.
void CppLauf::Passthrough(const char* name) {
    std::string zeile = std::string("#") + name + " ";
    int c = Lies();
    while (c != '\n' && c != 0) {
        zeile += static_cast<char>(c);
        c = Lies();
    }
    zeile += '\n';
    Schreibe(zeile);
}

void CppLauf::Include() {
    int c = UeberspringeLeer();
    if (IstNamensanfang(c)) {
        std::string name;
        LiesName(c, name);
        CppMakro* makro = Finde(name);
        if (!makro || !Expandiere(*makro)) {
            Melde(M_IncludeSyntax);
            UeberspringeZeile();
            return;
        }
        c = UeberspringeLeer();
    }
    if (c != '<' && c != '"') {
        Zurueck(c);
        if (!mAbbruch)
            Melde(M_IncludeSyntax);
        UeberspringeZeile();
        return;
    }
    const char schluss = c == '<' ? '>' : '"';
    std::string puffer(1, static_cast<char>(c));
    for (c = Lies(); c != '\n' && c != 0; c = Lies()) {
        if (puffer.size() >= kArbeitspuffer - 1) {
            Melde(M_ZeileZuLang);
            Abbrechen();
            return;
        }
        puffer += static_cast<char>(c);
    }
    Zurueck(c);
    SchneideLeerraumAb(puffer);
    if (puffer.size() < 2 || puffer.back() != schluss) {
        Melde(M_IncludeSyntax);
        return;
    }
    const std::string name = puffer.substr(1, puffer.size() - 2);

    int dateien = 0;
    for (const CppEbene& ebene : mEbenen)
        dateien += ebene.mIstDatei;
    if (dateien > kMaxIncludeTiefe) {
        Melde(M_ZuTiefVerschachtelt, "include");
        Abbrechen();
        return;
    }
    std::string pfad;
    FILE* datei = SucheInclude(name, schluss == '"', pfad);
    if (mAbbruch)
        return;
    if (!datei) {
        if (mOpt.mIncludeFehler)
            Melde(M_IncludeFehlt, name.c_str());
        return;
    }
    OeffneDatei(datei, pfad, false);
    if (mOpt.mIncludesMelden)
        Nachricht("cpp: included \"%s\"\n", pfad.c_str());
}

// Tries an absolute name, the including file's folder (quoted names), then each directory.
FILE* CppLauf::SucheInclude(const std::string& name, bool inQuotes, std::string& pfad) {
    auto versuche = [&](const std::string& kandidat) -> FILE* {
        if (kandidat.size() >= kArbeitspuffer) {
            Melde(M_DateinameZuLang);
            Abbrechen();
            return nullptr;
        }
        FILE* datei = mOeffne ? mOeffne(kandidat.c_str(), "r") : fopen(kandidat.c_str(), "r");
        if (datei)
            pfad = kandidat;
        return datei;
    };
    if (!name.empty() && name[0] == '/')
        if (FILE* datei = versuche(name))
            return datei;
    if (inQuotes && mOpt.mImDateiordner && !mAbbruch) {
        const CppEbene* aktuell = InnersteDatei();
        const std::string& eigener = aktuell ? aktuell->mName : mEingabename;
        const size_t strich = eigener.rfind('/');
        const std::string ordner = strich == std::string::npos ? "" : eigener.substr(0, strich + 1);
        if (FILE* datei = versuche(ordner + name))
            return datei;
    }
    for (const std::string& verzeichnis : mVerzeichnisse) {
        if (mAbbruch)
            return nullptr;
        const bool mitStrich = !verzeichnis.empty() && verzeichnis.back() == '/';
        if (FILE* datei = versuche(verzeichnis + (mitStrich ? "" : "/") + name))
            return datei;
    }
    return nullptr;
}

void CppLauf::Line() {
    std::string text;
    if (!LiesZeileExpandiert(text))
        return;
    size_t i = 0;
    long zeile = 0;
    bool zahl = false;
    while (i < text.size() && IstZiffer(text[i])) {
        // Bounded well below the largest int, so that counting lines on from here cannot overflow.
        zeile = std::min<long>(zeile * 10 + (text[i++] - '0'), 1'000'000'000);
        zahl = true;
    }
    if (zahl)
        mZeile = static_cast<int>(zeile) - 1;
    while (i < text.size() && IstLeer(text[i]))
        ++i;
    std::string name = text.substr(i);
    SchneideLeerraumAb(name);
    if (!name.empty()) {
        const size_t letztes = name.rfind('"');
        if (letztes != std::string::npos)
            name.erase(letztes, 1);
        const size_t erstes = name.find('"');
        if (erstes != std::string::npos)
            name.erase(erstes, 1);
        for (auto it = mEbenen.rbegin(); it != mEbenen.rend(); ++it)
            if (it->mIstDatei) {
                it->mAnzeigeName = name;
                break;
            }
    }
    mMarkeFaellig = true;
}

// The rest of the line with macros expanded, into the bounds of the work buffer.
bool CppLauf::LiesZeileExpandiert(std::string& ziel) {
    int c = UeberspringeLeer();
    while (c != '\n' && c != 0) {
        std::string stueck;
        bool expandieren = true;
        if (c == kNichtExpandieren) {
            expandieren = false;
            c = Lies();
        }
        if (IstNamensanfang(c)) {
            LiesName(c, stueck);
            CppMakro* makro = expandieren ? Finde(stueck) : nullptr;
            if (makro && Expandiere(*makro)) {
                c = Lies();
                continue;
            }
        } else if ((c == '"' || c == '\'') && !mOpt.mEinfacheZeichen) {
            if (!ScanneLiteral(c, stueck))
                return false;
        } else if (c != kPaste && c != kNichtExpandieren && c != '\n' && c != 0) {
            stueck.assign(1, static_cast<char>(c));
        } else if (c == '\n' || c == 0) {
            break;
        }
        if (ziel.size() + stueck.size() >= kArbeitspuffer) {
            Melde(M_ZeileZuLang);
            Abbrechen();
            return false;
        }
        ziel += stueck;
        c = Lies();
    }
    Zurueck(c);
    return !mAbbruch;
}
