#include "velmklassen/render/velm_konsolenstand.h"

#include "velmklassen/kern/velm_konsolenbefehl.h"
#include "velmklassen/kern/velm_utf8.h"
#include "velmklassen/kern/velm_variable.h"

namespace {

constexpr size_t kMaxZeilen = 500;
constexpr size_t kVerworfeneZeilen = 100;
// Page Up stops here, so the panel never scrolls up into emptiness.
constexpr uint64_t kObersteScrollPos = 10;

bool IstFolgebyte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

size_t VorigesZeichen(const std::string& text, size_t pos) {
    do
        --pos;
    while (pos > 0 && IstFolgebyte(text[pos]));
    return pos;
}

size_t NaechstesZeichen(const std::string& text, size_t pos) {
    do
        ++pos;
    while (pos < text.size() && IstFolgebyte(text[pos]));
    return pos;
}

} // namespace

void Velm_KonsolenStand::NeueZeile(const char* zeile) {
    const bool folgt = mScrollPos + 1 >= mZeilen.size();
    mZeilen.emplace_back(zeile);
    if (folgt)
        mScrollPos = mZeilen.size() - 1;
    if (mZeilen.size() > kMaxZeilen) {
        mZeilen.erase(mZeilen.begin(), mZeilen.begin() + kVerworfeneZeilen);
        mScrollPos = mScrollPos > kVerworfeneZeilen ? mScrollPos - kVerworfeneZeilen : 0;
    }
}

bool Velm_KonsolenStand::Taste(uint32_t code, const Velm_KonsolenAusfuehrung& ausfuehren) {
    switch (code) {
    case kBildHoch:
        if (mScrollPos > kObersteScrollPos)
            --mScrollPos;
        return true;
    case kBildRunter:
        if (mScrollPos + 1 < mZeilen.size())
            ++mScrollPos;
        return true;
    case kBackspace:
        if (mCursor > 0) {
            const size_t anfang = VorigesZeichen(mEingabe, mCursor);
            mEingabe.erase(anfang, mCursor - anfang);
            mCursor = anfang;
        }
        return true;
    case kEntfernen:
        if (mCursor < mEingabe.size())
            mEingabe.erase(mCursor, NaechstesZeichen(mEingabe, mCursor) - mCursor);
        return true;
    case kLinks:
        if (mCursor > 0)
            mCursor = VorigesZeichen(mEingabe, mCursor);
        return true;
    case kRechts:
        if (mCursor < mEingabe.size())
            mCursor = NaechstesZeichen(mEingabe, mCursor);
        return true;
    case kHoch:
        if (mVerlaufPos > 0) {
            if (mVerlaufPos == mVerlauf.size())
                mGesicherteEingabe = mEingabe;
            --mVerlaufPos;
            ZeigeVerlauf();
        }
        return true;
    case kRunter:
        if (mVerlaufPos < mVerlauf.size()) {
            ++mVerlaufPos;
            ZeigeVerlauf();
        }
        return true;
    case kEnter:
    case kZiffernblockEnter:
        if (!mEingabe.empty()) {
            mVerlauf.push_back(mEingabe);
            ausfuehren(mVerlauf.back());
        }
        mEingabe.clear();
        mCursor = 0;
        mScrollPos = mZeilen.empty() ? 0 : mZeilen.size() - 1;
        mVerlaufPos = mVerlauf.size();
        return true;
    case kTab:
        if (mEingabe.empty()) {
            mEingabe = "set ";
            mCursor = mEingabe.size();
        } else if (const size_t blank = mEingabe.find(' ', mCursor); blank != std::string::npos) {
            mCursor = blank + 1;
        } else {
            mEingabe += ' ';
            mCursor = mEingabe.size();
        }
        return true;
    default:
        return false;
    }
}

void Velm_KonsolenStand::ZeigeVerlauf() {
    mEingabe = mVerlaufPos == mVerlauf.size() ? mGesicherteEingabe : mVerlauf[mVerlaufPos];
    mCursor = mEingabe.size();
}

void Velm_KonsolenStand::Tippe(uint32_t codepunkt) {
    const std::string zeichen = Velm_KodiereUtf8(codepunkt);
    mEingabe.insert(mCursor, zeichen);
    mCursor += zeichen.size();
    Vervollstaendige();
}

void Velm_KonsolenStand::Vervollstaendige() {
    size_t anfang = mCursor;
    while (anfang > 0 && mEingabe[anfang - 1] != ' ')
        --anfang;
    const std::string praefix = mEingabe.substr(anfang, mCursor - anfang);
    if (praefix.empty())
        return;

    // What stands after the cursor up to the word's end is the previous completion.
    const size_t ende = mEingabe.find(' ', mCursor);
    mEingabe.erase(mCursor, ende == std::string::npos ? std::string::npos : ende - mCursor);
    const std::string kandidat = anfang == 0 ? Velm_Konsolenbefehl::Vervollstaendige(praefix)
                                             : Velm_Variable::Vervollstaendige(praefix);
    if (kandidat.size() > praefix.size())
        mEingabe.insert(mCursor, kandidat, praefix.size());
}
