#pragma once
// UTF-8 encoding of single code points and of UTF-16 texts.

#include <cstdint>
#include <string>

// Code point 0 gives an empty text.
std::string Velm_KodiereUtf8(uint32_t codepunkt);
// A high surrogate that is the last unit ends the conversion without output.
std::string Velm_WandleUtf16InUtf8(const char16_t* anfang, const char16_t* ende);
