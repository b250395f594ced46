#include "velmklassen/kern/velm_utf8.h"

namespace {
void Haenge(std::string& text, uint32_t c) {
    if (c == 0)
        return;
    if (c < 0x80) {
        text += char(c);
    } else if (c < 0x800) {
        text += char(0xC0 | c >> 6);
        text += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        text += char(0xE0 | c >> 12);
        text += char(0x80 | ((c >> 6) & 0x3F));
        text += char(0x80 | (c & 0x3F));
    } else {
        text += char(0xF0 | c >> 18);
        text += char(0x80 | ((c >> 12) & 0x3F));
        text += char(0x80 | ((c >> 6) & 0x3F));
        text += char(0x80 | (c & 0x3F));
    }
}
} // namespace

std::string Velm_KodiereUtf8(uint32_t codepunkt) {
    std::string text;
    Haenge(text, codepunkt);
    return text;
}

std::string Velm_WandleUtf16InUtf8(const char16_t* anfang, const char16_t* ende) {
    std::string text;
    for (const char16_t* p = anfang; p < ende; ++p) {
        uint32_t c = *p;
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (p + 1 == ende)
                break;
            c = 0x10000 + ((c & 0x3FF) << 10 | (uint32_t(*++p) & 0x3FF));
        }
        Haenge(text, c);
    }
    return text;
}
