#include "velmklassen/kern/velm_xml.h"

#include <tinyxml.h>

#include <string>

namespace {
// TinyXML steps over a UTF-8 sequence by the length its lead byte announces, also when the text
// ends inside it, and then reads on past the terminator. Zeros behind the text stop it there.
constexpr size_t kNullPolster = 16;
} // namespace

size_t Velm_XmlElementAnfaenge(std::string_view text) {
    size_t anzahl = 0;
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        const unsigned char danach = static_cast<unsigned char>(text[i + 1]);
        if (text[i] == '<' && (danach >= 127 || danach == '_' || unsigned((danach | 0x20) - 'a') < 26u))
            ++anzahl;
    }
    return anzahl;
}

bool Velm_ParseXml(TiXmlDocument& dokument, std::string_view text, size_t hoechstens) {
    if (Velm_XmlElementAnfaenge(text) > hoechstens)
        return false;
    std::string gepolstert;
    gepolstert.reserve(text.size() + kNullPolster);
    gepolstert.append(text).append(kNullPolster, '\0');
    dokument.Parse(gepolstert.c_str());
    return !dokument.Error();
}
