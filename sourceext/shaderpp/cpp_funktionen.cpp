// The tracking of function definitions in the compiled text, on the bracket counts it keeps: which
// function the output is in (for __FUNCTION__ and __FUNC_LINE__), and the text inserted after the
// opening brace of each.

#include "shaderpp/cpp_lauf.h"

void CppLauf::VerfolgeName(const std::string& name) {
    mLuecke = 0;
    mLetztesWarName = true;
    if (mVerfolgung == 0)
        mLetzterName = name.substr(0, kNamensLaenge);
}

void CppLauf::VerfolgeWert() {
    mLuecke = 0;
    mLetztesWarName = false;
}

// Follows C-like declarations: a name, a parenthesised list at the outer level and then "{" make
// a function definition.
void CppLauf::VerfolgeZeichen(int c, bool ausInitFunc) {
    ++mLuecke;
    switch (c) {
    case '(':
        if (mRund == 0 && mGeschweift == 0) {
            if (mLuecke == 2) {
                mLuecke = 1;
                mVerfolgung = 0;
            } else if (mVerfolgung == 0 && mLuecke == 1 && mLetztesWarName) {
                mKandidat = mLetzterName;
                mVerfolgung = 1;
            } else {
                ++mExtraKlammern;
            }
        }
        ++mRund;
        break;
    case ')':
        --mRund;
        if (mRund == 0 && mGeschweift == 0 && mVerfolgung >= 1 && mExtraKlammern == 0) {
            ++mVerfolgung;
            mLuecke = 1;
        }
        break;
    case ',':
    case ';':
        if (mLuecke == 2) {
            mVerfolgung = 0;
            mExtraKlammern = 0;
            mLuecke = 1;
        }
        break;
    case '[':
        ++mEckig;
        break;
    case ']':
        --mEckig;
        break;
    case '{':
        // A brace of the inserted text starts no function: the insertion would insert itself
        // again for ever. So there are never more insertions than braces in the input.
        if (mGeschweift == 0 && mVerfolgung >= 2 && !ausInitFunc) {
            mFunktion = mKandidat;
            mFunktionsZeile = mZeile;
            if (mOpt.mFunktionenMelden)
                Nachricht("#> Function defined at line %d: %s <#\n", mFunktionsZeile, mFunktion.c_str());
            bool ausgenommen = false;
            for (const std::string& name : mAusgenommen)
                ausgenommen |= name == mFunktion;
            if (!mFunktionsText.empty() && !ausgenommen) {
                // Read next: the text, then a second "{" that the extra "}" at the end closes.
                Schiebe("__brace__", "{");
                Schiebe("__init_func__", mFunktionsText);
                mEingefuegt = 1;
            }
        }
        ++mGeschweift;
        break;
    case '}':
        mLuecke = 0;
        --mGeschweift;
        if (mGeschweift == mEingefuegt && !ausInitFunc) {
            mFunktion.clear();
            mFunktionsZeile = 0;
            mVerfolgung = 0;
            if (mEingefuegt) {
                Schreibe('}');
                --mGeschweift;
                mEingefuegt = 0;
            }
        }
        mExtraKlammern = 0;
        break;
    default:
        break;
    }
}
