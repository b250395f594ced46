#include "plattform/shaderkompiler/shaderblob.h"

#include <gtest/gtest.h>

using Plattform::ShaderBlob;

namespace {

ShaderBlob Beispiel() {
    ShaderBlob blob;
    blob.stufe = Plattform::kStufePixel;
    blob.konstantenRegister = 224;
    blob.samplerAnzahl = 3;
    blob.glsl = "#version 330 core\nvoid main() {}\n";
    return blob;
}

} // namespace

TEST(ShaderBlob, UeberstehtHinUndZurueck) {
    const std::vector<uint8_t> bytes = Plattform::SchreibeShaderBlob(Beispiel());
    ShaderBlob gelesen;
    ASSERT_TRUE(Plattform::LiesShaderBlob(bytes.data(), bytes.size(), gelesen));
    EXPECT_EQ(gelesen.stufe, Plattform::kStufePixel);
    EXPECT_EQ(gelesen.konstantenRegister, 224u);
    EXPECT_EQ(gelesen.samplerAnzahl, 3u);
    EXPECT_EQ(gelesen.glsl, Beispiel().glsl);
}

TEST(ShaderBlob, LeererTextIstGueltig) {
    ShaderBlob leer;
    const std::vector<uint8_t> bytes = Plattform::SchreibeShaderBlob(leer);
    ShaderBlob gelesen = Beispiel();
    ASSERT_TRUE(Plattform::LiesShaderBlob(bytes.data(), bytes.size(), gelesen));
    EXPECT_EQ(gelesen.stufe, Plattform::kStufeVertex);
    EXPECT_TRUE(gelesen.glsl.empty());
}

TEST(ShaderBlob, JedesAbgeschnitteneStueckWirdAbgelehnt) {
    const std::vector<uint8_t> bytes = Plattform::SchreibeShaderBlob(Beispiel());
    for (size_t laenge = 0; laenge < bytes.size(); ++laenge) {
        // A copy of exactly this length, so that the sanitizer sees any read past it.
        const std::vector<uint8_t> stueck(bytes.begin(), bytes.begin() + laenge);
        ShaderBlob gelesen;
        EXPECT_FALSE(Plattform::LiesShaderBlob(stueck.data(), stueck.size(), gelesen)) << laenge;
        EXPECT_TRUE(gelesen.glsl.empty());
    }
    ShaderBlob gelesen;
    EXPECT_FALSE(Plattform::LiesShaderBlob(nullptr, 0, gelesen));
}

TEST(ShaderBlob, FalscheKennungStufeOderLaengeWerdenAbgelehnt) {
    const std::vector<uint8_t> gut = Plattform::SchreibeShaderBlob(Beispiel());
    ShaderBlob gelesen;

    std::vector<uint8_t> bytes = gut;
    bytes[0] = 'X';
    EXPECT_FALSE(Plattform::LiesShaderBlob(bytes.data(), bytes.size(), gelesen));

    bytes = gut;
    bytes[4] = 2; // no third stage
    EXPECT_FALSE(Plattform::LiesShaderBlob(bytes.data(), bytes.size(), gelesen));

    bytes = gut;
    bytes[19] = 0x80; // a text length far past the end
    EXPECT_FALSE(Plattform::LiesShaderBlob(bytes.data(), bytes.size(), gelesen));

    bytes = gut;
    bytes.push_back(0); // trailing byte
    EXPECT_FALSE(Plattform::LiesShaderBlob(bytes.data(), bytes.size(), gelesen));
}

TEST(ShaderBlob, GroesseAusDemKopf) {
    const std::vector<uint8_t> bytes = Plattform::SchreibeShaderBlob(Beispiel());
    EXPECT_EQ(Plattform::ShaderBlobGroesse(bytes.data()), bytes.size());
    const uint8_t fremd[20] = {'D', 'X', 'B', 'C'};
    EXPECT_EQ(Plattform::ShaderBlobGroesse(fremd), 0u);
    EXPECT_EQ(Plattform::ShaderBlobGroesse(nullptr), 0u);
}
