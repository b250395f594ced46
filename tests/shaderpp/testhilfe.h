#pragma once
// Runs the preprocessor over texts in memory, with the tag list the engine's shader code uses
// (line markers and banner off), and collects the output and the message lines.

#include "shaderpp/cpp.h"

#include <string>
#include <vector>

struct CppErgebnis {
    int mRueckgabe = 0;
    std::string mAusgabe;
    std::string mMeldungen;
};

// Extra tags come after the defaults, so they override them.
CppErgebnis Vorverarbeite(const std::string& quelle, const std::vector<CppTag>& extra = {});

// One run and all it must give. Message lines about the main input are written without their
// prefix 'cpp: "test.fx", '. The result must be 1 exactly when a line reports an error (unless the
// tags ignore errors) or a fatal condition.
struct CppFall {
    std::string quelle;
    std::string ausgabe;
    std::string meldungen = "";
    std::vector<CppTag> tags = {};
};
void Pruefe(const std::vector<CppFall>& faelle);
std::string Wiederholt(const std::string& text, int anzahl);
// The extra tags of a case, e.g. Tags(cpp_Tag(CppTag_Banner, 1)).
template <class... T> std::vector<CppTag> Tags(T... tags) {
    return {tags...};
}

// Include files served from memory through the file-open callback: a name maps to a text.
void SetzeVirtuelleDateien(std::vector<std::pair<std::string, std::string>> dateien);
