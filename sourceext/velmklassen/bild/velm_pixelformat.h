#pragma once
// The pixel formats of images and textures and their sizes. The layouts are those of the
// Direct3D formats of the same names; DXT1, DXT3 and DXT5 store 4 x 4 blocks of 8 or 16 bytes.

#include <cstdint>

enum Velm_Pixelformat : int32_t {
    Velm_FormatA8R8G8B8 = 0, // one little-endian word 0xAARRGGBB
    Velm_FormatR5G6B5 = 1,
    Velm_FormatA2B10G10R10 = 2, // name and size only: no pixel conversion
    Velm_FormatR16F = 3,
    Velm_FormatG16R16F = 4,
    Velm_FormatA16B16G16R16F = 5,
    Velm_FormatR32F = 6,
    Velm_FormatG32R32F = 7,
    Velm_FormatA32B32G32R32F = 8,
    Velm_FormatG16R16 = 9,
    Velm_FormatA16B16G16R16 = 10,
    Velm_FormatDXT1 = 11,
    Velm_FormatDXT3 = 12,
    Velm_FormatDXT5 = 13,
    Velm_FormatA8 = 14,
    Velm_FormatX1R5G5B5 = 15, // a 16-bit back buffer may have it; bit 15 unused
    Velm_FormatAnzahl = 16,
};

// 0 for a value outside the table.
constexpr uint64_t Velm_BitsProPixel(Velm_Pixelformat format) {
    constexpr uint8_t kBits[Velm_FormatAnzahl] = {32,  16, 32, 16, 32, 64, 32, 64,
                                                  128, 32, 64, 4,  8,  8,  8,  16};
    return format >= 0 && format < Velm_FormatAnzahl ? kBits[format] : 0;
}

// The DXT formats count 1 byte here; their real unit is the block.
constexpr uint64_t Velm_BytesProPixel(Velm_Pixelformat format) {
    constexpr uint8_t kBytes[Velm_FormatAnzahl] = {4, 2, 4, 2, 4, 8, 4, 8, 16, 4, 8, 1, 1, 1, 1, 2};
    return format >= 0 && format < Velm_FormatAnzahl ? kBytes[format] : 0;
}

constexpr bool Velm_IstDXT(Velm_Pixelformat format) {
    return format == Velm_FormatDXT1 || format == Velm_FormatDXT3 || format == Velm_FormatDXT5;
}

// Bytes of one 4 x 4 block.
constexpr uint64_t Velm_DXTBlockBytes(Velm_Pixelformat format) {
    return format == Velm_FormatDXT1 ? 8 : 16;
}
