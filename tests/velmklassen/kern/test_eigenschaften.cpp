#include "testhilfen/testhilfen.h"
#include "velmklassen/kern/velm_eigenschaften.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

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

TEST_F(Eigenschaften, JederWerttypAusTextUndZurueck) {
    // The text form keeps every digit a float needs. A missing or unknown type name means float.
    const std::pair<const char*, const char*> faelle[] = {
        {nullptr, "2.5"},
        {"float", "0.5"},
        {"TVektor", "-1.5 0.333333343 1e+10"},
        {"string", " a  b "},
        {"int", "-2147483648"},
        {"TAlphaFarbe", "1 0 0.5 0.25"},
        {"unsigned int", "4294967295"},
    };
    for (const auto& [typ, text] : faelle) {
        TEigenschaften knoten("k");
        knoten.SetzeAusText(typ, text);
        EXPECT_STREQ(knoten.TypName(), typ ? typ : "float");
        EXPECT_EQ(knoten.AlsText(), text);
    }
}

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
    EXPECT_EQ(wurzel.Finde("b")->TypName(), nullptr);
    EXPECT_EQ(wurzel.Finde("c"), nullptr);
}

TEST_F(Eigenschaften, BaumAusXml) {
    TiXmlBase::SetCondenseWhiteSpace(false);
    TEigenschaften wurzel;
    EXPECT_EQ(Lade(wurzel, R"(<?xml version="1.0"?><!-- Kopf -->
<gui><skala>1.5</skala>
    <button typ="string">  Los   geht's  <groesse typ="TVektor">
            120
            40   0 </groesse><leer/></button>
    <button><rand typ="unsigned int">3</rand></button>
    <button typ="int">9<!-- the second text of an element is not read --></button>
</gui>)"),
              "");
    // The property parse condenses white space and puts the switch back as it was.
    EXPECT_FALSE(TiXmlBase::IsWhiteSpaceCondensed());
    TiXmlBase::SetCondenseWhiteSpace(true);
    const TEigenschaften* button = wurzel.Finde("button");
    // Same-name siblings fill one node; the last text wins.
    EXPECT_EQ(*button->Hole<int32_t>(), 9);
    EXPECT_EQ(button->Kinder().size(), 3u);
    EXPECT_EQ(*wurzel.Finde("button.groesse")->Hole<BVektor>(), (BVektor{120, 40, 0}));
    EXPECT_EQ(*wurzel.Finde("button.rand")->Hole<uint32_t>(), 3u);
    EXPECT_EQ(wurzel.Finde("button.leer")->TypName(), nullptr);
    EXPECT_EQ(wurzel.Finde(""), &wurzel);
    EXPECT_EQ(wurzel.Finde("button."), button);
    for (const char* fehlt : {"button.y", "button..groesse", "gui", "Button"})
        EXPECT_EQ(wurzel.Finde(fehlt), nullptr) << fehlt;

    // A second load adds to the tree.
    Lade(wurzel, "<b><skala>3</skala><s typ=\"string\">  a \n b  </s></b>");
    EXPECT_EQ(*wurzel.Finde("skala")->Hole<float>(), 3.0f);
    EXPECT_EQ(*wurzel.Finde("s")->Hole<std::string>(), "a b");
    EXPECT_EQ(wurzel.Kinder().size(), 3u);
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
    const std::filesystem::path pfad = mOrdner.Pfad() / "GuiKonfig.xml";
    TEigenschaften wurzel;
    const auto lade = [&] {
        return AusnahmeText([&] { TEigenschaften_Serialisierung::LadeEigenschaftenAusXml(wurzel, pfad); });
    };
    const std::string fehler = "TEigenschaften_Serialisierung::LadeEigenschaftenAusXml: Datei nicht geladen";
    EXPECT_EQ(lade(), fehler);
    EXPECT_TRUE(mLog.Enthaelt("GuiKonfig.xml\"): Datei kann nicht gelesen werden."));
    std::ofstream(pfad, std::ios::binary) << "<gui><a>1</a>";
    EXPECT_EQ(lade(), fehler);
}
