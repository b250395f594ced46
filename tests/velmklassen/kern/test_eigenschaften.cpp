#include "testhilfen/testhilfen.h"
#include "velmklassen/kern/velm_eigenschaften.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <array>
#include <fstream>

namespace {

class Eigenschaften : public TLogTest {
protected:
    std::string Lade(TEigenschaften& wurzel, const std::string& xml) {
        return AusnahmeText([&] { TEigenschaften_Serialisierung::LadeEigenschaftenAusXmlText(wurzel, xml); });
    }
};

const std::string kTextNichtGeladen =
    "TEigenschaften_Serialisierung::LadeEigenschaftenAusXmlText: Text nicht geladen";

std::string Mal(int anzahl, const std::string& text) {
    std::string ergebnis;
    while (anzahl-- > 0)
        ergebnis += text;
    return ergebnis;
}

} // namespace

TEST_F(Eigenschaften, UnvollstaendigerTextBehaeltDenAltenWert) {
    TEigenschaften knoten("farbe");
    knoten.SetzeAusText("TVektor", "1 2 3");
    const std::pair<const char*, const char*> faelle[] = {
        {"TVektor", "1 2"}, {"TVektor", "1 2 3 4"}, {"TAlphaFarbe", "1 1 1"},       {nullptr, "2,5"},
        {"int", "2.5"},     {"int", "3000000000"},  {"unsigned int", "5000000000"}, {"unsigned int", "zwei"},
    };
    for (const auto& [typ, text] : faelle) {
        const std::string meldung = AusnahmeText([&] { knoten.SetzeAusText(typ, text); });
        EXPECT_EQ(meldung, "TEigenschaften::SetzeAusText: Eigenschaft \"farbe\": \"" + std::string(text) +
                               "\" ist kein Wert vom Typ " + (typ ? typ : "float") + ".");
        EXPECT_EQ(mLog.Texte().back(), "!" + meldung);
        EXPECT_EQ(*knoten.Hole<BVektor>(), (BVektor{1, 2, 3})) << text;
    }

    // Inside a load the exception ends it: what was read before stays, the rest is not read.
    TEigenschaften wurzel;
    EXPECT_EQ(Lade(wurzel, "<w><a>1</a><b typ=\"TVektor\">1 2</b><c>3</c></w>"),
              "TEigenschaften::SetzeAusText: Eigenschaft \"b\": \"1 2\" ist kein Wert vom Typ TVektor.");
    EXPECT_EQ(*wurzel.Finde("a")->Hole<float>(), 1.0f);
    EXPECT_EQ(wurzel.Finde("c"), nullptr);
}

TEST_F(Eigenschaften, BaumAusXml) {
    TiXmlBase::SetCondenseWhiteSpace(false);
    TEigenschaften wurzel;
    EXPECT_EQ(Lade(wurzel,
                   "<gui><skala>1.5</skala><f typ=\"float\">0.5</f><button typ=\"string\">  Los   geht's  "
                   "<groesse typ=\"TVektor\">\n -1.5\n  0.333333343   1e+10 </groesse><leer/></button>"
                   "<button><rand typ=\"unsigned int\">4294967295</rand></button><text typ=\"string\"> "
                   "a \n b </text><button typ=\"int\">-2147483648<!-- a second text is not read -->x</button>"
                   "<button><farbe typ=\"TAlphaFarbe\">1 0 0.5 0.25</farbe></button></gui>"),
              "");
    // The property parse condenses white space and puts the switch back as it was.
    EXPECT_FALSE(TiXmlBase::IsWhiteSpaceCondensed());
    TiXmlBase::SetCondenseWhiteSpace(true);
    // Same-name siblings fill one node, the last text wins. A missing or unknown type name means float,
    // and the text form keeps every digit a float needs.
    const std::array<const char*, 3> werte[] = {
        {"skala", "float", "1.5"},
        {"f", "float", "0.5"},
        {"text", "string", "a b"},
        {"button", "int", "-2147483648"},
        {"button.groesse", "TVektor", "-1.5 0.333333343 1e+10"},
        {"button.rand", "unsigned int", "4294967295"},
        {"button.farbe", "TAlphaFarbe", "1 0 0.5 0.25"},
    };
    for (const auto& [pfad, typName, alsText] : werte) {
        ASSERT_NE(wurzel.Finde(pfad), nullptr) << pfad;
        EXPECT_STREQ(wurzel.Finde(pfad)->TypName(), typName) << pfad;
        EXPECT_EQ(wurzel.Finde(pfad)->AlsText(), alsText);
    }
    EXPECT_EQ(wurzel.Finde("button.leer")->TypName(), nullptr);
    EXPECT_EQ(wurzel.Finde(""), &wurzel);
    EXPECT_EQ(wurzel.Finde("button."), wurzel.Finde("button"));
    for (const char* fehlt : {"button.y", "button..groesse", "gui", "Button"})
        EXPECT_EQ(wurzel.Finde(fehlt), nullptr) << fehlt;

    // A second load adds to the tree.
    Lade(wurzel, "<b><skala>3</skala></b>");
    EXPECT_EQ(*wurzel.Finde("skala")->Hole<float>(), 3.0f);
}

TEST_F(Eigenschaften, KaputtesUndZuGrossesXmlWirdAbgewiesen) {
    // More than 10,000 element starts are refused before the parser's recursion can overflow the stack.
    std::vector<std::pair<std::string, std::string>> faelle = {
        {Mal(2000, "<a>") + "7" + Mal(2000, "</a>"), ""},
        {Mal(200000, "<a>"), kTextNichtGeladen},
        {"<w>" + Mal(9999, "<x/>") + "</w>", ""},
        {"<w>" + Mal(10000, "<x/>") + "</w>", kTextNichtGeladen},
        {"<?xml version=\"1.0\"?><!-- kein Element, kein Fehler -->", ""},
    };
    // TinyXML itself is lenient (unquoted attributes, text after the root); these it refuses.
    for (const char* xml : {"", "   ", "<a>", "<a></b>", "<a><b>1</a>", "<a x=\"1/>", "\xEF\xBB\xBF<a",
                            "<a><!-- offen </a>", "<a>&unbekannt;</a junk", "<a>\xF0", "<a x=\"\xE0\x80"})
        faelle.emplace_back(xml, kTextNichtGeladen);
    for (const auto& [xml, erwartet] : faelle) {
        TEigenschaften wurzel;
        EXPECT_EQ(Lade(wurzel, xml), erwartet) << xml.substr(0, 40);
    }
    const std::string zeile = "!TEigenschaften_Serialisierung::LadeEigenschaftenAusXmlText( \"<Text>\"): ";
    EXPECT_TRUE(mLog.Enthaelt(zeile + "Error"));
    EXPECT_TRUE(mLog.Enthaelt(zeile + "Mehr als 10000 Elemente."));
}

TEST_F(Eigenschaften, DateiDieFehltOderKaputtIst) {
    std::ofstream(mOrdner.Pfad() / "kaputt.xml", std::ios::binary) << "<gui><a>1</a>";
    for (const char* name : {"fehlt.xml", "kaputt.xml"}) {
        TEigenschaften wurzel;
        EXPECT_EQ(AusnahmeText([&] {
                      TEigenschaften_Serialisierung::LadeEigenschaftenAusXml(wurzel, mOrdner.Pfad() / name);
                  }),
                  "TEigenschaften_Serialisierung::LadeEigenschaftenAusXml: Datei nicht geladen");
    }
    EXPECT_TRUE(mLog.Enthaelt("fehlt.xml\"): Datei kann nicht gelesen werden."));
}
