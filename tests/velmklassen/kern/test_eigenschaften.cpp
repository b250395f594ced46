#include "testhilfen/testhilfen.h"
#include "velmklassen/kern/velm_ausnahme.h"
#include "velmklassen/kern/velm_eigenschaften.h"

#include <boost/lexical_cast.hpp>
#include <gtest/gtest.h>
#include <tinyxml.h>

#include <fstream>

namespace {

class Eigenschaften : public ::testing::Test {
protected:
    Eigenschaften() { Velm_Konsole::Starte(mOrdner.Pfad(), "spiel.log"); }

    TEigenschaften LadeText(const std::string& xml) {
        TEigenschaften wurzel;
        TEigenschaften_Serialisierung::LadeEigenschaftenAusXmlText(wurzel, xml);
        return wurzel;
    }

    std::filesystem::path Datei(const std::string& name, const std::string& inhalt) {
        const std::filesystem::path pfad = mOrdner.Pfad() / name;
        std::ofstream(pfad, std::ios::binary) << inhalt;
        return pfad;
    }

    // The message of the Velm_Ausnahme the call throws, or "" when it throws none.
    template <class F> static std::string Ausnahme(F&& aufruf) {
        try {
            aufruf();
        } catch (const Velm_Ausnahme& ausnahme) {
            return ausnahme.mFunktion + ": " + ausnahme.mText;
        }
        return "";
    }

    TTempOrdner mOrdner;
    TLogMitschrift mLog;
};

} // namespace

TEST_F(Eigenschaften, JederWerttypAusText) {
    TEigenschaften knoten("k");
    EXPECT_EQ(knoten.TypName(), nullptr);
    EXPECT_EQ(knoten.AlsText(), "");

    knoten.SetzeAusText(nullptr, "2.5");
    EXPECT_STREQ(knoten.TypName(), "float");
    ASSERT_NE(knoten.Hole<float>(), nullptr);
    EXPECT_EQ(*knoten.Hole<float>(), 2.5f);

    knoten.SetzeAusText("TVektor", "1 2 3");
    EXPECT_STREQ(knoten.TypName(), "TVektor");
    EXPECT_EQ(*knoten.Hole<BVektor>(), (BVektor{1, 2, 3}));

    knoten.SetzeAusText("TAlphaFarbe", "1 0.5 0 0.25");
    EXPECT_STREQ(knoten.TypName(), "TAlphaFarbe");
    const TAlphaFarbe& farbe = *knoten.Hole<TAlphaFarbe>();
    EXPECT_EQ(farbe.r, 1.0f);
    EXPECT_EQ(farbe.g, 0.5f);
    EXPECT_EQ(farbe.b, 0.0f);
    EXPECT_EQ(farbe.a, 0.25f);

    knoten.SetzeAusText("string", "Hallo, Welt 1 2");
    EXPECT_STREQ(knoten.TypName(), "string");
    EXPECT_EQ(*knoten.Hole<std::string>(), "Hallo, Welt 1 2");

    knoten.SetzeAusText("int", "-7");
    EXPECT_STREQ(knoten.TypName(), "int");
    EXPECT_EQ(*knoten.Hole<int32_t>(), -7);

    knoten.SetzeAusText("unsigned int", "4000000000");
    EXPECT_STREQ(knoten.TypName(), "unsigned int");
    EXPECT_EQ(*knoten.Hole<uint32_t>(), 4000000000u);
    // lexical_cast wraps a negative text around, as the unsigned conversions of C do.
    knoten.SetzeAusText("unsigned int", "-1");
    EXPECT_EQ(*knoten.Hole<uint32_t>(), 4294967295u);

    knoten.SetzeAusText("doppelt", "0.5");
    EXPECT_STREQ(knoten.TypName(), "float");
    EXPECT_EQ(*knoten.Hole<float>(), 0.5f);
    EXPECT_EQ(knoten.Hole<int32_t>(), nullptr);
}

TEST_F(Eigenschaften, TextformenLesenSichZurueck) {
    const std::pair<const char*, const char*> faelle[] = {
        {"float", "0.1"},
        {"TVektor", "-1.5 0.333333343 1e+10"},
        {"TAlphaFarbe", "0.1 0.2 0.3 1"},
        {"string", " a  b "},
        {"int", "-2147483648"},
        {"unsigned int", "4294967295"},
    };
    for (const auto& [typ, text] : faelle) {
        TEigenschaften knoten("k");
        knoten.SetzeAusText(typ, text);
        TEigenschaften wieder("w");
        wieder.SetzeAusText(knoten.TypName(), knoten.AlsText());
        EXPECT_EQ(wieder.GetWert().index(), knoten.GetWert().index()) << typ;
        EXPECT_EQ(wieder.AlsText(), knoten.AlsText()) << typ;
    }
    TEigenschaften knoten("k");
    knoten.SetzeAusText("TVektor", "1 2.5 -3");
    EXPECT_EQ(knoten.AlsText(), "1 2.5 -3");
    EXPECT_EQ(boost::lexical_cast<BVektor>("  4\t5 \n 6"), (BVektor{4, 5, 6}));
    EXPECT_EQ(boost::lexical_cast<std::string>(TAlphaFarbe{1, 0, 0.5f, 1}), "1 0 0.5 1");
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
        const std::string meldung = Ausnahme([&] { knoten.SetzeAusText(typ, text); });
        EXPECT_NE(meldung.find("TEigenschaften::SetzeAusText: Eigenschaft \"farbe\": \"" + std::string(text) +
                               "\" ist kein Wert vom Typ " + (typ ? typ : "float")),
                  std::string::npos)
            << meldung;
        EXPECT_EQ(*knoten.Hole<BVektor>(), (BVektor{1, 2, 3})) << text;
    }
    EXPECT_TRUE(
        mLog.Enthaelt("!TEigenschaften::SetzeAusText: Eigenschaft \"farbe\": \"1 2\" ist kein Wert vom "
                      "Typ TVektor."));

    // A string value gives way cleanly to a number and back.
    knoten.SetzeAusText("string", std::string(100, 'x'));
    knoten.SetzeAusText("int", "5");
    EXPECT_EQ(*knoten.Hole<int32_t>(), 5);
}

TEST_F(Eigenschaften, BaumAusXml) {
    const TEigenschaften wurzel = LadeText(R"(<?xml version="1.0"?>
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
        <farbe typ="TAlphaFarbe">1 0.5 0 1</farbe>
        <leer/>
    </button>
    <button><rand typ="unsigned int">3</rand></button>
    <button typ="int">9<!-- the second text of an element is not read --></button>
</gui>)");
    EXPECT_EQ(wurzel.Name(), "");
    EXPECT_EQ(wurzel.TypName(), nullptr);
    EXPECT_EQ(wurzel.Kinder().size(), 2u);

    EXPECT_EQ(*wurzel.Finde("skala")->Hole<float>(), 1.5f);
    const TEigenschaften* button = wurzel.Finde("button");
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->Name(), "button");
    // Same-name siblings fill one node; the last text wins.
    EXPECT_EQ(*button->Hole<int32_t>(), 9);
    EXPECT_EQ(button->Kinder().size(), 4u);
    EXPECT_EQ(*wurzel.Finde("button.groesse")->Hole<BVektor>(), (BVektor{120, 40, 0}));
    EXPECT_EQ(*wurzel.Finde("button.groesse.x")->Hole<float>(), 120.0f);
    EXPECT_EQ(*wurzel.Finde("button.groesse.y")->Hole<int32_t>(), 40);
    EXPECT_EQ(wurzel.Finde("button.farbe")->Hole<TAlphaFarbe>()->g, 0.5f);
    EXPECT_EQ(*wurzel.Finde("button.rand")->Hole<uint32_t>(), 3u);
    EXPECT_EQ(wurzel.Finde("button.leer")->TypName(), nullptr);

    EXPECT_EQ(wurzel.Finde(""), &wurzel);
    EXPECT_EQ(wurzel.Finde("button."), button);
    EXPECT_EQ(wurzel.Finde("button.x"), nullptr);
    EXPECT_EQ(wurzel.Finde("button..groesse"), nullptr);
    EXPECT_EQ(wurzel.Finde("gui"), nullptr);
    EXPECT_EQ(wurzel.Finde("Button"), nullptr);
}

TEST_F(Eigenschaften, ZeichenketteWirdVerdichtetUndDerSchalterBleibtWieErWar) {
    TiXmlBase::SetCondenseWhiteSpace(false);
    const TEigenschaften wurzel =
        LadeText("<w><v typ=\"TVektor\">\n  1\n  2\n  3\n</v><s typ=\"string\">  a \n b  </s></w>");
    EXPECT_FALSE(TiXmlBase::IsWhiteSpaceCondensed());
    TiXmlBase::SetCondenseWhiteSpace(true);
    EXPECT_EQ(*wurzel.Finde("v")->Hole<BVektor>(), (BVektor{1, 2, 3}));
    EXPECT_EQ(*wurzel.Finde("s")->Hole<std::string>(), "a b");
}

TEST_F(Eigenschaften, ZweitesLadenErgaenzt) {
    TEigenschaften wurzel;
    TEigenschaften_Serialisierung::LadeEigenschaftenAusXmlText(wurzel, "<a><x>1</x><y>2</y></a>");
    TEigenschaften_Serialisierung::LadeEigenschaftenAusXmlText(wurzel, "<b><y>3</y><z>4</z></b>");
    EXPECT_EQ(*wurzel.Finde("x")->Hole<float>(), 1.0f);
    EXPECT_EQ(*wurzel.Finde("y")->Hole<float>(), 3.0f);
    EXPECT_EQ(*wurzel.Finde("z")->Hole<float>(), 4.0f);
}

TEST_F(Eigenschaften, FalscherWertEndetDasLadenMitVelmAusnahme) {
    TEigenschaften wurzel;
    const std::string meldung = Ausnahme([&] {
        TEigenschaften_Serialisierung::LadeEigenschaftenAusXmlText(
            wurzel, "<w><a>1</a><b typ=\"TVektor\">1 2</b><c>3</c></w>");
    });
    EXPECT_EQ(meldung,
              "TEigenschaften::SetzeAusText: Eigenschaft \"b\": \"1 2\" ist kein Wert vom Typ TVektor.");
    // What was read before stays, the rest is not read.
    EXPECT_EQ(*wurzel.Finde("a")->Hole<float>(), 1.0f);
    ASSERT_NE(wurzel.Finde("b"), nullptr);
    EXPECT_EQ(wurzel.Finde("b")->TypName(), nullptr);
    EXPECT_EQ(wurzel.Finde("c"), nullptr);
}

TEST_F(Eigenschaften, KaputtesXmlWirdAbgewiesen) {
    // TinyXML itself is lenient (unquoted attributes, text after the root); these it refuses.
    for (const char* xml : {"", "   ", "<a>", "<a></b>", "<a><b>1</a>", "<a x=\"1/>", "\xEF\xBB\xBF<a",
                            "<a><!-- offen </a>", "<a>&unbekannt;</a junk"}) {
        TEigenschaften wurzel;
        mLog.mZeilen.clear();
        EXPECT_EQ(Ausnahme([&] { TEigenschaften_Serialisierung::LadeEigenschaftenAusXmlText(wurzel, xml); }),
                  "TEigenschaften_Serialisierung::LadeEigenschaftenAusXmlText: Text nicht geladen")
            << xml;
        EXPECT_TRUE(
            mLog.Enthaelt("!TEigenschaften_Serialisierung::LadeEigenschaftenAusXmlText( \"<Text>\"): "))
            << xml;
    }
    // A document without any element loads nothing and is no error.
    TEigenschaften wurzel;
    TEigenschaften_Serialisierung::LadeEigenschaftenAusXmlText(wurzel,
                                                               "<?xml version=\"1.0\"?><!-- leer -->");
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
    TEigenschaften_Serialisierung::LadeEigenschaftenAusXmlText(wurzel, verschachtelt(2000));
    std::string pfad = "a";
    for (int i = 2; i < 2000; ++i)
        pfad += ".a";
    ASSERT_NE(wurzel.Finde(pfad), nullptr);
    EXPECT_EQ(*wurzel.Finde(pfad)->Hole<float>(), 7.0f);

    // Far deeper than the parser's stack allows: refused before it gets there.
    const std::string erwartet =
        "TEigenschaften_Serialisierung::LadeEigenschaftenAusXmlText: Text nicht geladen";
    EXPECT_EQ(Ausnahme([&] {
                  TEigenschaften_Serialisierung::LadeEigenschaftenAusXmlText(wurzel, verschachtelt(200000));
              }),
              erwartet);
    EXPECT_TRUE(mLog.Enthaelt("( \"<Text>\"): Mehr als 10000 Elemente."));
    // 10,000 tags load, one more does not.
    std::string flach;
    for (int i = 0; i < 9999; ++i)
        flach += "<x/>";
    EXPECT_EQ(Ausnahme([&] {
                  TEigenschaften_Serialisierung::LadeEigenschaftenAusXmlText(wurzel, "<w>" + flach + "</w>");
              }),
              "");
    EXPECT_EQ(Ausnahme([&] {
                  TEigenschaften_Serialisierung::LadeEigenschaftenAusXmlText(wurzel,
                                                                             "<w><x/>" + flach + "</w>");
              }),
              erwartet);
}

TEST_F(Eigenschaften, AusDatei) {
    TEigenschaften wurzel;
    TEigenschaften_Serialisierung::LadeEigenschaftenAusXml(
        wurzel,
        Datei("GuiKonfig.xml", "\xEF\xBB\xBF<gui>\r\n  <a typ=\"TVektor\">1\r\n2 3</a>\r\n</gui>\r\n"));
    EXPECT_EQ(*wurzel.Finde("a")->Hole<BVektor>(), (BVektor{1, 2, 3}));

    const std::string erwartet =
        "TEigenschaften_Serialisierung::LadeEigenschaftenAusXml: Datei nicht geladen";
    const std::filesystem::path fehlt = mOrdner.Pfad() / "fehlt.xml";
    EXPECT_EQ(Ausnahme([&] { TEigenschaften_Serialisierung::LadeEigenschaftenAusXml(wurzel, fehlt); }),
              erwartet);
    EXPECT_TRUE(mLog.Enthaelt("fehlt.xml\"): Datei kann nicht gelesen werden."));
    const std::filesystem::path kaputt = Datei("kaputt.xml", "<gui><a>1</a>");
    EXPECT_EQ(Ausnahme([&] { TEigenschaften_Serialisierung::LadeEigenschaftenAusXml(wurzel, kaputt); }),
              erwartet);
    EXPECT_EQ(
        Ausnahme([&] { TEigenschaften_Serialisierung::LadeEigenschaftenAusXml(wurzel, mOrdner.Pfad()); }),
        erwartet);
}
