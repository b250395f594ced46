// The function tracking: the definitions it reports, the text it inserts after their opening
// brace, the exceptions, and what defines no function.

#include "testhilfe.h"

#include <gtest/gtest.h>

TEST(CppFunktionen, Funktionsverfolgung) {
    const std::string zwei = "void f() { x; }\nvoid h() { y; }\n";
    const auto text = [](const char* t) { return cpp_Tag(CppTag_FunktionsText, t); };
    const CppTag melden = cpp_Tag(CppTag_FunktionenMelden, 1);
    std::vector<CppTag> ausnahmen = {text("T;")};
    static const std::vector<std::string> namen = [] {
        std::vector<std::string> n;
        for (int i = 0; i < 22; ++i)
            n.push_back("f" + std::to_string(i));
        return n;
    }();
    for (const std::string& name : namen)
        ausnahmen.push_back(cpp_Tag(CppTag_FunktionAusnehmen, name.c_str()));
    Pruefe({
        {"int f(int a, float b)\n{\n  return a;\n}\nvoid g(void);\nvoid h() { if (1) { x(); } }\n",
         "int f(int a, float b)\n{PROLOG;{\nreturn a;\n}}\nvoid g(void);\nvoid h() {PROLOG;{ if (1) { x(); } "
         "}}\n",
         "#> Function defined at line 2: f <#\n#> Function defined at line 6: h <#\n",
         Tags(text("PROLOG;"), melden)},
        {"void a() { }\nvoid b() { }\n", "void a() { }\nvoid b() {{ t(); }{ }}\n", "",
         Tags(text("{ t(); }"), cpp_Tag(CppTag_FunktionAusnehmen, "a"))},
        // At most twenty exceptions are kept.
        {"void f19() {}\nvoid f20() {}\n", "void f19() {}\nvoid f20() {T;{}}\n", "", ausnahmen},
        // Braces in the inserted text start no function, so every text ends: one insertion per brace.
        {zwei, "void f() {}{{ x; }}\nvoid h() {}{{ y; }}\n", "", Tags(text("}{"))},
        {zwei, "void f() {}{ x; }\nvoid h() {}{ y; }\n", "", Tags(text("}"))},
        {zwei, "void f() {} g() {{ x; }}\nvoid h() {} g() {{ y; }}\n", "", Tags(text("} g() {"))},
        {zwei, "void f() {{{{ x; }\nvoid h() { y; }\n", "", Tags(text("{{"))},
        // Calls, pointers, initialisers and structs define no function.
        {"foo(1), bar(2);\nvoid (*fp)(int);\nint k = (3);\nstruct S { int x; };\n"
         "float4 $main(float2 uv : TEXCOORD0) : COLOR\n{\n  __FUNCTION__\n}\n",
         "foo(1), bar(2);\nvoid (*fp)(int);\nint k = (3);\nstruct S { int x; };\n"
         "float4 $main(float2 uv : TEXCOORD0) : COLOR\n{\n\"$main\"\n}\n",
         "#> Function defined at line 6: $main <#\n", Tags(melden)},
    });
}
