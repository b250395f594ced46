#include "testhilfen/testhilfen.h"
#include "velmklassen/kern/velm_eigenschaften.h"

#include <boost/lexical_cast.hpp>
#include <gtest/gtest.h>
#include <tinyxml.h>

#include <fstream>

namespace {

class Eigenschaften : public TLogTest {
protected:
    std::string Lade(TEigenschaften& wurzel, const std::string& xml) {
        return AusnahmeText([&] { TEigenschaften_Serialisierung::LadeEigenschaftenAusXmlText(wurzel, xml); });
    }
    std::string LadeDatei(TEigenschaften& wurzel, const std::string& name, const char* inhalt) {
        const std::filesystem::path pfad = mOrdner.Pfad() / name;
        if (inhalt)
            std::ofstream(pfad, std::ios::binary) << inhalt;
        return AusnahmeText([&] { TEigenschaften_Serialisierung::LadeEigenschaftenAusXml(wurzel, pfad); });
    }
};

const std::string kTextNichtGeladen =
    "TEigenschaften_Serialisierung::LadeEigenschaftenAusXmlText: Text nicht geladen";

} // namespace

TEST_F(Eigenschaften, JederWerttypAusTextUndZurueck) {
    struct Fall {
        const char *typ, *text, *typName, *alsText;
    };
    const Fall faelle[] = {
        {nullptr, "2.5", "float", "2.5"},
        {"doppelt", "0.5", "float", "0.5"},
        {"TVektor", "-1.5 0.333333343 1e+10", "TVektor", "-1.5 0.333333343 1e+10"},
        {"TAlphaFarbe", "1 0 0.5 0.25", "TAlphaFarbe", "1 0 0.5 0.25"},
        {"string", " a  b ", "string", " a  b "},
        {"int", "-2147483648", "int", "-2147483648"},
        {"unsigned int", "4294967295", "unsigned int", "4294967295"},
        // lexical_cast wraps a negative text around, as the unsigned conversions of C do.
        {"unsigned int", "-1", "unsigned int", "4294967295"},
    };
    for (const Fall& fall : faelle) {
        TEigenschaften knoten("k"), wieder("w");
        knoten.SetzeAusText(fall.typ, fall.text);
        EXPECT_STREQ(knoten.TypName(), fall.typName) << fall.text;
        EXPECT_EQ(knoten.AlsText(), fall.alsText);
        wieder.SetzeAusText(knoten.TypName(), knoten.AlsText());
        EXPECT_EQ(wieder.GetWert().index(), knoten.GetWert().index()) << fall.text;
        EXPECT_EQ(wieder.AlsText(), knoten.AlsText()) << fall.text;
    }
    EXPECT_EQ(boost::lexical_cast<BVektor>("  4\t5 \n 6"), (BVektor{4, 5, 6}));
}

TEST_F(Eigenschaften, UnvollstaendigerTextBehaeltDenAltenWert) {
    TEigenschaften knoten("farbe");
    knoten.SetzeAusText("TVektor", "1 2 3");
    const std::pair<const char*, const char*> faelle[] = {
        {"TVektor", "1 2"},       {"TVektor", "1 2 3 4"},
        {"TVektor", "1 2 x"},     {"TAlphaFarbe", "1 1 1"},
        {nullptr, "2,5"},         {nullptr, ""},
        {"float", "2.5 "},        {"int", "2.5"},
        {"int", "3000000000"},    {"unsigned int", "5000000000"},
        {"unsigned int", "zwei"}, {"TAlphaFarbe", ""},
    };
    for (const auto& [typ, text] : faelle) {
        const std::string meldung = AusnahmeText([&] { knoten.SetzeAusText(typ, text); });
        EXPECT_EQ(meldung, "TEigenschaften::SetzeAusText: Eigenschaft \"farbe\": \"" + std::string(text) +
                               "\" ist kein Wert vom Typ " + (typ ? typ : "float") + ".");
        EXPECT_EQ(*knoten.Hole<BVektor>(), (BVektor{1, 2, 3})) << text;
    }
    EXPECT_TRUE(
        mLog.Enthaelt("!TEigenschaften::SetzeAusText: Eigenschaft \"farbe\": \"1 2\" ist kein Wert vom "
                      "Typ TVektor."));

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
    EXPECT_EQ(Lade(wurzel, R"(<?xml version="1.0"?>
<!-- Kopf -->
<gui>
    <skala>1.5</skala>
    <button typ="string">  Los   geht's  
        <groesse typ="TVektor">
            120
            40   0
            <x>120</x>
            <y typ="int">40</y>
        </groesse>
        <leer/>
    </button>
    <button><rand typ="unsigned int">3</rand></button>
    <button typ="int">9<!-- the second text of an element is not read --></button>
</gui>)"),
              "");
    // The property parse condenses white space and puts the switch back as it was.
    EXPECT_FALSE(TiXmlBase::IsWhiteSpaceCondensed());
    TiXmlBase::SetCondenseWhiteSpace(true);
    EXPECT_EQ(wurzel.Kinder().size(), 2u);
    EXPECT_EQ(*wurzel.Finde("skala")->Hole<float>(), 1.5f);
    const TEigenschaften* button = wurzel.Finde("button");
    // Same-name siblings fill one node; the last text wins.
    EXPECT_EQ(*button->Hole<int32_t>(), 9);
    EXPECT_EQ(button->Kinder().size(), 3u);
    EXPECT_EQ(*wurzel.Finde("button.groesse")->Hole<BVektor>(), (BVektor{120, 40, 0}));
    EXPECT_EQ(*wurzel.Finde("button.groesse.y")->Hole<int32_t>(), 40);
    EXPECT_EQ(*wurzel.Finde("button.rand")->Hole<uint32_t>(), 3u);
    EXPECT_EQ(wurzel.Finde("button.leer")->TypName(), nullptr);
    EXPECT_EQ(wurzel.Finde(""), &wurzel);
    EXPECT_EQ(wurzel.Finde("button."), button);
    for (const char* fehlt : {"button.x", "button..groesse", "gui", "Button"})
        EXPECT_EQ(wurzel.Finde(fehlt), nullptr) << fehlt;

    // A second load adds to the tree.
    TEigenschaften zwei;
    Lade(zwei, "<a><x>1</x><y>2</y><s typ=\"string\">  a \n b  </s></a>");
    Lade(zwei, "<b><y>3</y><z>4</z></b>");
    EXPECT_EQ(*zwei.Finde("y")->Hole<float>(), 3.0f);
    EXPECT_EQ(zwei.Kinder().size(), 4u);
    EXPECT_EQ(*zwei.Finde("s")->Hole<std::string>(), "a b");
}

TEST_F(Eigenschaften, KaputtesXmlWirdAbgewiesen) {
    // TinyXML itself is lenient (unquoted attributes, text after the root); these it refuses.
    for (const char* xml : {"", "   ", "<a>", "<a></b>", "<a><b>1</a>", "<a x=\"1/>", "\xEF\xBB\xBF<a",
                            "<a><!-- offen </a>", "<a>&unbekannt;</a junk", "<a>\xF0", "<a x=\"\xE0\x80"}) {
        TEigenschaften wurzel;
        mLog.mZeilen.clear();
        EXPECT_EQ(Lade(wurzel, xml), kTextNichtGeladen) << xml;
        EXPECT_TRUE(
            mLog.Enthaelt("!TEigenschaften_Serialisierung::LadeEigenschaftenAusXmlText( \"<Text>\"): "))
            << xml;
    }
    // A document without any element loads nothing and is no error.
    TEigenschaften wurzel;
    EXPECT_EQ(Lade(wurzel, "<?xml version=\"1.0\"?><!-- leer -->"), "");
    EXPECT_TRUE(wurzel.Kinder().empty());
}

TEST_F(Eigenschaften, TiefeVerschachtelungOhneStapelueberlauf) {
    const auto verschachtelt = [](int tiefe) {
        std::string xml;
        for (int i = 0; i < tiefe; ++i)
            xml += "<a>";
        xml += "7";
        for (int i = 0; i < tiefe; ++i)
            xml += "</a>";
        return xml;
    };
    TEigenschaften wurzel;
    EXPECT_EQ(Lade(wurzel, verschachtelt(2000)), "");
    std::string pfad = "a";
    for (int i = 2; i < 2000; ++i)
        pfad += ".a";
    ASSERT_NE(wurzel.Finde(pfad), nullptr);
    EXPECT_EQ(*wurzel.Finde(pfad)->Hole<float>(), 7.0f);

    // Far deeper than the parser's stack allows: refused before it gets there.
    EXPECT_EQ(Lade(wurzel, verschachtelt(200000)), kTextNichtGeladen);
    EXPECT_TRUE(mLog.Enthaelt("( \"<Text>\"): Mehr als 10000 Elemente."));
    // 10,000 tags load, one more does not.
    std::string flach;
    for (int i = 0; i < 9999; ++i)
        flach += "<x/>";
    EXPECT_EQ(Lade(wurzel, "<w>" + flach + "</w>"), "");
    EXPECT_EQ(Lade(wurzel, "<w><x/>" + flach + "</w>"), kTextNichtGeladen);
}

TEST_F(Eigenschaften, AusDatei) {
    TEigenschaften wurzel;
    EXPECT_EQ(LadeDatei(wurzel, "GuiKonfig.xml",
                        "\xEF\xBB\xBF<gui>\r\n  <a typ=\"TVektor\">1\r\n2 3</a>\r\n</gui>\r\n"),
              "");
    EXPECT_EQ(*wurzel.Finde("a")->Hole<BVektor>(), (BVektor{1, 2, 3}));

    const std::string erwartet =
        "TEigenschaften_Serialisierung::LadeEigenschaftenAusXml: Datei nicht geladen";
    EXPECT_EQ(LadeDatei(wurzel, "fehlt.xml", nullptr), erwartet);
    EXPECT_TRUE(mLog.Enthaelt("fehlt.xml\"): Datei kann nicht gelesen werden."));
    EXPECT_EQ(LadeDatei(wurzel, "kaputt.xml", "<gui><a>1</a>"), erwartet);
    EXPECT_EQ(LadeDatei(wurzel, "", nullptr), erwartet); // the folder itself
}
