// While "debugShader" is on, every translated shader is written as vs%03d.txt or ps%03d.txt into
// the working folder and compiled from there; the numbers count per stage from 0 in each process.

#include "render_testhilfe.h"

#include <fstream>
#include <sstream>

namespace {

using rendertest::Kontext;

std::string Lies(const std::filesystem::path& pfad) {
    std::ifstream datei(pfad);
    std::stringstream s;
    s << datei.rdbuf();
    return s.str();
}

class ShaderDump : public Kontext {
protected:
    void SetUp() override {
        Kontext::SetUp();
        mVorher = std::filesystem::current_path();
        std::filesystem::current_path(mOrdner.Pfad());
        debugShader.SetBool(true);
    }
    void TearDown() override {
        debugShader.SetBool(false);
        std::filesystem::current_path(mVorher);
        Kontext::TearDown();
    }
    std::filesystem::path mVorher;
    TTempOrdner mOrdner;
};

TEST_F(ShaderDump, NummernJeStufeUndNichtGeschriebeneDumps) {
    rendertest::Quad erstes(K());
    EXPECT_TRUE(std::filesystem::exists("vs000.txt"));
    EXPECT_TRUE(std::filesystem::exists("ps000.txt"));
    EXPECT_NE(Lies("vs000.txt").find("void main( float2 ecke : POSITION0, out float4 pos : POSITION0"),
              std::string::npos);
    EXPECT_NE(Lies("ps000.txt").find("out float4 ergebnis : COLOR0"), std::string::npos);

    // A dump that cannot be written is not compiled from the file: the shader comes from memory.
    std::filesystem::create_directory("vs001.txt");
    std::filesystem::create_directory("ps001.txt");
    rendertest::Quad zweites(K());
    EXPECT_NE(zweites.vertexShader->mShader, nullptr);
    EXPECT_NE(zweites.pixelShader->mShader, nullptr);
    EXPECT_EQ(mBrueche.Anzahl(), 0);

    rendertest::Quad drittes(K());
    EXPECT_TRUE(std::filesystem::is_regular_file("vs002.txt"));
    EXPECT_TRUE(std::filesystem::is_regular_file("ps002.txt"));
    EXPECT_FALSE(std::filesystem::exists("vs003.txt"));

    // Compiled from the file, messages still name the author's line: the dump keeps line markers.
    Velm_PixelShader* kaputt = K().ErzeugePixelShader();
    EXPECT_FALSE(kaputt->UebersetzeAusString("$raus float4 f;\n$main() { f = nichtDa; }\n", {}, true));
    ASSERT_NE(kaputt->GetMeldungen(), nullptr);
    EXPECT_NE(std::string(kaputt->GetMeldungen()).find("SpoeSpoe:2: 'nichtDa'"), std::string::npos);
    EXPECT_NE(Lies("ps003.txt").find("#line 1"), std::string::npos);

    K().GibObjektFrei(kaputt);
    for (rendertest::Quad* q : {&erstes, &zweites, &drittes}) {
        q->GibFrei(K());
    }
}

} // namespace
