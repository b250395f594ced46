#pragma once
// The one way the engine hands an XML text to TinyXML 1, with the guards its parser lacks: it
// recurses once per nesting level, and it reads past a text that ends inside a UTF-8 sequence.

#include <cstddef>
#include <string_view>

class TiXmlDocument;

// The engine's XML files hold a few hundred elements; TinyXML's stack gives out beyond 20,000
// levels of nesting.
constexpr size_t kVelmXmlHoechsteElemente = 10000;

// The '<' that TinyXML could take for the start of an element (a letter, '_' or a byte from 127
// on follows), wherever they stand: never fewer than the depth of nesting.
size_t Velm_XmlElementAnfaenge(std::string_view text);

// Parses the text into the document; false when it has more element starts than `hoechstens`
// (the document is then left empty) or when TinyXML reports an error.
bool Velm_ParseXml(TiXmlDocument& dokument, std::string_view text,
                   size_t hoechstens = kVelmXmlHoechsteElemente);
