#pragma once
// The on-screen console's text apart from its drawing: the log lines with the scroll position,
// the input line with its cursor and completion, and the history of executed lines.

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

// Runs one line typed into the console.
using Velm_KonsolenAusfuehrung = std::function<void(const std::string& zeile)>;

struct Velm_KonsolenStand {
    // Input library key codes of the console's keys.
    enum Taste : uint32_t {
        kBackspace = 14,
        kTab = 15,
        kEnter = 28,
        kZiffernblockEnter = 156,
        kHoch = 200,
        kBildHoch = 201,
        kLinks = 203,
        kRechts = 205,
        kRunter = 208,
        kBildRunter = 209,
        kEntfernen = 211,
    };

    // Appends a log line; a scroll position on the last line follows it. Beyond 500 lines the
    // oldest 100 go and the scroll position moves back with them.
    void NeueZeile(const char* zeile);
    // A press of one of the console's keys (input library key codes): true even when it changes
    // nothing; false for any other key. Enter hands a non-empty input to `ausfuehren`.
    bool Taste(uint32_t code, const Velm_KonsolenAusfuehrung& ausfuehren);
    // Inserts the character at the cursor, then completes the word it ends: a command name as
    // the first word, a variable name later. The completion stands after the cursor, so the next
    // character refines it and Tab moves past it.
    void Tippe(uint32_t codepunkt);

    std::deque<std::string> mZeilen;
    // Index of the line drawn lowest in the panel.
    uint64_t mScrollPos = 0;
    // UTF-8; the cursor is a byte index that always stands at the start of a character.
    std::string mEingabe;
    uint64_t mCursor = 0;
    // Executed lines, oldest first; the position equals the size while not browsing.
    std::vector<std::string> mVerlauf;
    uint64_t mVerlaufPos = 0;
    // The input as it was when browsing began.
    std::string mGesicherteEingabe;

private:
    void ZeigeVerlauf();
    void Vervollstaendige();
};
