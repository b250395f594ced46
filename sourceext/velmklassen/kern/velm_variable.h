#pragma once
// A configuration variable: a named, typed, process-wide value that code reads directly and that
// the console command "set" and the configuration file change by name. The file functions are
// in velm_konfiguration.cpp, the command "set" in velm_konsolenbefehl.cpp, the rest in
// velm_variable.cpp.

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>

enum Velm_VariablenTyp : uint32_t {
    Velm_TypText = 0,
    Velm_TypBool = 1,
    Velm_TypInt = 2,
    Velm_TypFloat = 3,
    Velm_TypVektor3 = 4,
    Velm_TypVektor4 = 5,
};

class Velm_Variable;

// Called before a change with nachher = false (false vetoes it) and after it with nachher = true.
using Velm_VariablenRueckruf = bool (*)(Velm_Variable& variable, bool nachher, const std::string& vorschlag);

// Every registered variable by byte-wise name, and the path of the configuration file.
struct Velm_VariablenRegister {
    std::map<std::string, Velm_Variable*> mVariablen;
    std::filesystem::path mKonfigPfad;
};

class Velm_Variable {
public:
    static constexpr uint32_t kSchreibgeschuetzt = 1;
    static constexpr uint32_t kGespeichert = 2;

    // The initial value does not reach the callback. A string literal takes the text form.
    Velm_Variable(const char* name, bool wert, uint32_t flags = 0, Velm_VariablenRueckruf rueckruf = nullptr);
    Velm_Variable(const char* name, int wert, uint32_t flags = 0, Velm_VariablenRueckruf rueckruf = nullptr);
    Velm_Variable(const char* name, const char* wert, uint32_t flags = 0,
                  Velm_VariablenRueckruf rueckruf = nullptr);
    Velm_Variable(const Velm_Variable&) = delete;
    Velm_Variable& operator=(const Velm_Variable&) = delete;

    // A second registration under the same name replaces the first.
    static void Registriere(Velm_Variable& variable);
    static Velm_Variable* Finde(const std::string& name);
    // Null until the first variable registered.
    static Velm_VariablenRegister* Register();

    void SetInt(int wert);
    void SetBool(bool wert);
    void SetText(const std::string& text);
    void AktualisiereText();

    // The first variable name in name order that begins with the prefix, or "".
    static std::string Vervollstaendige(const std::string& praefix);
    // The listing of "set" without arguments.
    static void ZeigeAlle();
    // The console command "set".
    static void BefehlSet(const std::string& argumente);

    // The configuration file: loading reads ordner/dateiname and remembers that path, saving
    // writes every saved variable there (nothing before a load has named the path).
    static void LadeKonfiguration(const std::filesystem::path& ordner, const std::string& dateiname);
    static void SpeichereKonfiguration();

    const std::string& Name() const { return mName; }
    Velm_VariablenTyp Typ() const { return mTyp; }
    uint32_t Flags() const { return mFlags; }

    const std::string& Text() const { return mText; }
    int Int() const { return mInt; }
    float Float() const { return mFloat; }
    bool Bool() const { return mBool; }
    const float* Vektor4() const { return mVektor4; }

private:
    Velm_Variable(const char* name, Velm_VariablenTyp typ, uint32_t flags);
    bool Erlaubt(const std::string& vorschlag);
    void Gemeldet(const std::string& vorschlag);

    std::string mName;
    Velm_VariablenTyp mTyp;
    uint32_t mFlags;
    Velm_VariablenRueckruf mRueckruf = nullptr;
    std::string mText;
    int mInt = 0;
    float mFloat = 0;
    bool mBool = false;
    float mVektor3[3] = {0, 0, 0};
    float mVektor4[4] = {0, 0, 0, 1};
};
