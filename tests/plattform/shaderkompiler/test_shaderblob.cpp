#include "plattform/shaderkompiler/shaderblob.h"

#include <gtest/gtest.h>

#include <tuple>

using Plattform::ShaderBlob;

TEST(ShaderBlob, HinUndZurueckUndJedeVerfaelschungAbgelehnt) {
    const ShaderBlob beispiel{Plattform::kStufePixel, 224, 3, "#version 330 core\nvoid main() {}\n"};
    for (const ShaderBlob& blob : {ShaderBlob{}, beispiel}) {
        const std::vector<uint8_t> bytes = Plattform::SchreibeShaderBlob(blob);
        ShaderBlob gelesen{Plattform::kStufePixel, 1, 1, "alt"};
        ASSERT_TRUE(Plattform::LiesShaderBlob(bytes.data(), bytes.size(), gelesen));
        EXPECT_EQ(std::tie(gelesen.stufe, gelesen.konstantenRegister, gelesen.samplerAnzahl, gelesen.glsl),
                  std::tie(blob.stufe, blob.konstantenRegister, blob.samplerAnzahl, blob.glsl));
        EXPECT_EQ(Plattform::ShaderBlobGroesse(bytes.data()), bytes.size());
    }
    const std::vector<uint8_t> gut = Plattform::SchreibeShaderBlob(beispiel);
    for (size_t laenge = 0; laenge < gut.size(); ++laenge) {
        // A copy of exactly this length, so that the sanitizer sees any read past it.
        const std::vector<uint8_t> stueck(gut.begin(), gut.begin() + laenge);
        ShaderBlob gelesen;
        EXPECT_FALSE(Plattform::LiesShaderBlob(stueck.data(), stueck.size(), gelesen)) << laenge;
        EXPECT_TRUE(gelesen.glsl.empty());
    }
    // A wrong tag, a third stage, a text length far past the end, a trailing byte.
    for (const auto& [stelle, wert] : {std::pair{0, 'X'}, {4, 2}, {19, 0x80}, {-1, 0}}) {
        std::vector<uint8_t> bytes = gut;
        if (stelle < 0) {
            bytes.push_back(uint8_t(wert));
        } else {
            bytes[size_t(stelle)] = uint8_t(wert);
        }
        ShaderBlob gelesen;
        EXPECT_FALSE(Plattform::LiesShaderBlob(bytes.data(), bytes.size(), gelesen)) << stelle;
    }
    ShaderBlob gelesen;
    EXPECT_FALSE(Plattform::LiesShaderBlob(nullptr, 0, gelesen));
    const uint8_t fremd[20] = {'D', 'X', 'B', 'C'};
    EXPECT_EQ(Plattform::ShaderBlobGroesse(fremd), 0u);
    EXPECT_EQ(Plattform::ShaderBlobGroesse(nullptr), 0u);
}
