#include "nadrel/welt/baum.h"

#include "nadrel/welt/matrix.h"
#include "nadrel/welt/zufall.h"

#include <algorithm>
#include <cmath>

namespace Spiel {

namespace {

constexpr float kPi = 3.1415927f;
// Foliage radius and flattening never fall below this, so their ratio stays defined.
constexpr float kLaubMinimum = 0.00390625f;
// A branch thinner than this stops growing.
constexpr float kMindestRadius = 0.05f;

// One 64-bit draw per value.
float Gleichverteilt(Zufallsgenerator& zufall) {
    return std::generate_canonical<float, 24>(zufall);
}

// A curve with the coefficients of one branch.
struct GezogeneKurve {
    float a, b, c, rauschen;

    float Wert(float t, Zufallsgenerator& zufall) const {
        return a + b * t + c * t * t + rauschen * Gleichverteilt(zufall);
    }
};

GezogeneKurve Ziehe(const Kurve& kurve, Zufallsgenerator& zufall) {
    GezogeneKurve k;
    k.a = kurve.c0 + Gleichverteilt(zufall) * kurve.c0Streuung;
    k.b = kurve.c1 + Gleichverteilt(zufall) * kurve.c1Streuung;
    k.c = kurve.c2 + Gleichverteilt(zufall) * kurve.c2Streuung;
    k.rauschen = kurve.rauschen;
    return k;
}

bool ZuNah(const std::vector<float>& winkel, float kandidat, float toleranz) {
    return std::any_of(winkel.begin(), winkel.end(),
                       [&](float alpha) { return AzimutAbstand(alpha, kandidat) < toleranz; });
}

// The parent direction tilted about its horizontal axis, then turned about itself by the azimuth.
Vektor Schrittrichtung(const Vektor& d, float neigung, float azimut) {
    const float waagrecht = std::sqrt(d.x * d.x + d.z * d.z);
    const Vektor achse = waagrecht == 0 ? Vektor{0, 0, 1} : Vektor{d.z / waagrecht, 0, -d.x / waagrecht};
    const Vektor v = d * std::cos(neigung) + Kreuzprodukt(achse, d) * std::sin(neigung);
    return Drehe(DrehMatrix(d, azimut), v);
}

// Start and end values of one growth step.
struct Querschnitt {
    float radius;
    float laubRadius;
    float laubAbflachung;
};

Segment MacheSegment(const Vektor& start, const Vektor& d, float laenge, const Querschnitt& anfang,
                     const Querschnitt& ende) {
    Segment s;
    s.start = start;
    s.richtung = d;
    const Vektor bezug = std::fabs(d.y) > 0.999f ? Vektor{0, 0, 1} : Vektor{d.z, 0, -d.x};
    s.e1 = Normiert(Kreuzprodukt(d, bezug));
    s.e2 = Kreuzprodukt(s.e1, d);
    // A step of no length changes nothing along it and holds no points; dividing by its length
    // would make every rate NaN and every point count undefined.
    const auto rate = [laenge](float von, float bis) { return laenge > 0 ? (bis - von) / laenge : 0.0f; };
    s.radius = anfang.radius;
    s.radiusAenderung = rate(anfang.radius, ende.radius);
    s.laubRadius = anfang.laubRadius;
    s.laubRadiusAenderung = rate(anfang.laubRadius, ende.laubRadius);
    s.laubVerhaeltnis = anfang.laubRadius / anfang.laubAbflachung;
    s.laubVerhaeltnisAenderung = rate(s.laubVerhaeltnis, ende.laubRadius / ende.laubAbflachung);
    s.laenge = laenge;
    return s;
}

// The countdown to a child level's next sprouting point along the current branch.
struct Spross {
    float rest;
    GezogeneKurve intervall;
};

float ZufallsAnteil() {
    return ZufallsZahl() / 32767;
}

// A point drawn uniformly in the box, x first.
Vektor PunktImKasten(const Vektor& min, const Vektor& max) {
    Vektor p;
    p.x = min.x + ZufallsAnteil() * (max.x - min.x);
    p.y = min.y + ZufallsAnteil() * (max.y - min.y);
    p.z = min.z + ZufallsAnteil() * (max.z - min.z);
    return p;
}

// The box around two spheres.
void Kasten(const Vektor& a, float ra, const Vektor& b, float rb, Vektor& min, Vektor& max) {
    min = {std::min(a.x - ra, b.x - rb), std::min(a.y - ra, b.y - rb), std::min(a.z - ra, b.z - rb)};
    max = {std::max(a.x + ra, b.x + rb), std::max(a.y + ra, b.y + rb), std::max(a.z + ra, b.z + rb)};
}

void StreueHolz(Feld<Punkt>& punkte, const Segment& s) {
    const float mitte = s.radius + s.radiusAenderung * s.laenge * 0.5f;
    const int n = int(200 * mitte * mitte * s.laenge);
    const Vektor ende = s.start + s.richtung * s.laenge;
    Vektor min, max;
    Kasten(s.start, s.radius, ende, s.radius + s.radiusAenderung * s.laenge, min, max);
    for (int i = 0; i < n; ++i) {
        const Vektor p = PunktImKasten(min, max);
        const float c = std::clamp(Skalarprodukt(p - s.start, s.richtung), 0.0f, s.laenge);
        const Vektor abstand = p - (s.start + s.richtung * c);
        const float r = s.radius + s.radiusAenderung * c;
        if (r > 0 && Skalarprodukt(abstand, abstand) < r * r)
            punkte.Anhaengen({p.x, p.y, p.z, kHolzAttribut});
    }
}

// A tube of elliptic cross-section: half-axis a / q along e1, a along e2.
void StreueLaub(Feld<Punkt>& punkte, const Segment& s) {
    const float a = s.laubRadius + s.laubRadiusAenderung * s.laenge * 0.5f;
    const float q = s.laubVerhaeltnis + s.laubVerhaeltnisAenderung * s.laenge * 0.5f;
    const int n = int(20 * a * a / q * s.laenge);
    const Vektor ende = s.start + s.richtung * s.laenge;
    const float weiteAnfang = std::max(s.laubRadius, s.laubVerhaeltnis);
    const float weiteEnde = std::max(s.laubRadius + s.laubRadiusAenderung * s.laenge,
                                     s.laubVerhaeltnis + s.laubVerhaeltnisAenderung * s.laenge);
    Vektor min, max;
    Kasten(s.start, weiteAnfang, ende, weiteEnde, min, max);
    for (int i = 0; i < n; ++i) {
        const Vektor p = PunktImKasten(min, max);
        const Vektor relativ = p - s.start;
        const float d = Skalarprodukt(relativ, s.richtung);
        const float e1 = Skalarprodukt(relativ, s.e1);
        const float e2 = Skalarprodukt(relativ, s.e2);
        const float c = std::clamp(d, 0.0f, s.laenge);
        const float ac = s.laubRadius + s.laubRadiusAenderung * c;
        const float qc = s.laubVerhaeltnis + s.laubVerhaeltnisAenderung * c;
        const float e1q = e1 * qc;
        if ((d - c) * (d - c) + e1q * e1q + e2 * e2 < ac * ac)
            punkte.Anhaengen({p.x, p.y, p.z, kLaubAttribut});
    }
}

} // namespace

float AzimutAbstand(float alpha, float beta) {
    return kPi - std::fmod(std::fabs(std::fabs(alpha - beta) - kPi), kPi);
}

void WachseAeste(std::vector<float>& winkel, std::vector<Segment>& segmente, Zufallsgenerator& zufall,
                 const Vektor& start, const Vektor& elternRichtung, const Ebene& ebene, float skala) {
    winkel.clear();
    // Only the constant part of the count is used; its other two coefficients are drawn anyway.
    const GezogeneKurve anzahl = Ziehe(ebene.anzahl, zufall);
    const int n = int(anzahl.a + anzahl.rauschen * Gleichverteilt(zufall) + 0.5f);

    std::vector<float> kindWinkel;
    std::vector<Spross> sprosse(ebene.kinder.size());
    for (int ast = 0; ast < n; ++ast) {
        // Branches of one point keep apart in azimuth; the tolerance halves until a candidate fits.
        float toleranz = kPi / 2;
        GezogeneKurve azimut = Ziehe(ebene.azimut, zufall);
        while (ZuNah(winkel, azimut.a, toleranz)) {
            toleranz *= 0.5f;
            azimut = Ziehe(ebene.azimut, zufall);
        }
        winkel.push_back(azimut.a);

        const GezogeneKurve neigung = Ziehe(ebene.neigung, zufall);
        const GezogeneKurve schritt = Ziehe(ebene.schritt, zufall);
        const GezogeneKurve radius = Ziehe(ebene.radius, zufall);
        const GezogeneKurve laubRadius = Ziehe(ebene.laubRadius, zufall);
        const GezogeneKurve laubAbflachung = Ziehe(ebene.laubAbflachung, zufall);
        Ziehe(ebene.unbenutzt, zufall);
        const int schritte =
            int(ebene.schrittzahl + Gleichverteilt(zufall) * ebene.schrittzahlStreuung + 0.5f);
        Querschnitt anfang;
        anfang.radius = (radius.a + Gleichverteilt(zufall) * radius.rauschen) * skala;
        anfang.laubRadius = kLaubMinimum;
        anfang.laubAbflachung = kLaubMinimum;
        Gleichverteilt(zufall);
        const float laubStart = (ebene.laubStart + Gleichverteilt(zufall) * ebene.laubStartStreuung) * skala;
        for (size_t k = 0; k < ebene.kinder.size(); ++k) {
            const Ebene& kind = ebene.kinder[k];
            sprosse[k].rest =
                (kind.ersterAbstand + Gleichverteilt(zufall) * kind.ersterAbstandStreuung) * skala;
            sprosse[k].intervall = Ziehe(kind.intervall, zufall);
        }

        Vektor punkt = start;
        float t = 0;
        for (int i = 0; i < schritte; ++i) {
            // Direction and length follow t at the step's start, the cross-section t at its end.
            const float neigungWert = neigung.Wert(t, zufall);
            const float azimutWert = azimut.Wert(t, zufall);
            const float laenge = schritt.Wert(t, zufall) * skala;
            t += laenge;
            Querschnitt ende;
            ende.radius = radius.Wert(t, zufall) * skala;
            ende.laubRadius = kLaubMinimum;
            ende.laubAbflachung = kLaubMinimum;
            if (t > laubStart) {
                ende.laubRadius = std::max(laubRadius.Wert(t, zufall) * skala, kLaubMinimum);
                ende.laubAbflachung = std::max(laubAbflachung.Wert(t, zufall) * skala, kLaubMinimum);
            }
            Gleichverteilt(zufall);

            // Every step leaves the parent's direction anew, so a branch wanders but never curls.
            const Vektor richtung = Schrittrichtung(elternRichtung, neigungWert, azimutWert);
            segmente.push_back(MacheSegment(punkt, richtung, laenge, anfang, ende));
            punkt += richtung * laenge;
            anfang = ende;
            if (ende.radius < kMindestRadius)
                break;

            for (size_t k = 0; k < ebene.kinder.size(); ++k) {
                Spross& spross = sprosse[k];
                if (spross.rest <= 0) {
                    WachseAeste(kindWinkel, segmente, zufall, punkt, richtung, ebene.kinder[k], ende.radius);
                    spross.rest += spross.intervall.Wert(t, zufall) * skala;
                }
                spross.rest -= laenge;
            }
        }
    }
}

void StreuePunkteAufAesten(Feld<Punkt>& punkte, const std::vector<Segment>& segmente) {
    for (const Segment& s : segmente) {
        StreueHolz(punkte, s);
        StreueLaub(punkte, s);
    }
}

std::vector<Segment> ErzeugeAeste(const Vektor& basis, int saat, const BaumParameter& parameter) {
    Zufallsgenerator zufall{uint64_t(saat)};
    const float skala = parameter.skala + Gleichverteilt(zufall) * parameter.skalaStreuung;
    std::vector<float> winkel;
    std::vector<Segment> segmente;
    WachseAeste(winkel, segmente, zufall, basis, {0, 1, 0}, parameter.stamm, skala);
    WachseAeste(winkel, segmente, zufall, basis, {0, 1, 0}, parameter.zweiteEbene, skala);
    return segmente;
}

void ErzeugeBaum(Feld<Punkt>& punkte, const Vektor& basis, int saat, const BaumParameter& parameter) {
    StreuePunkteAufAesten(punkte, ErzeugeAeste(basis, saat, parameter));
}

void BaueBaum(Feld<Punkt>& punkte, const Vektor& basis, int saat) {
    static const BaumParameter parameter = StandardBaum();
    ErzeugeBaum(punkte, basis, saat, parameter);
}

BaumParameter StandardBaum() {
    Ebene ast{};
    ast.ersterAbstand = 8;
    ast.ersterAbstandStreuung = 3;
    ast.intervall = {3, 1, -0.002f, 0.001f, -0.00001f, 0, 1};
    ast.anzahl = {2.2f, 1, 0.001f, 0, 0, 0, 1};
    ast.neigung = {0.9f, 0.2f, 0.01f, 0.006f, -0.0001f, 0, 0.1f};
    ast.azimut = {0, 3.14f, 0, 0, 0, 0, 0.2f};
    ast.schritt = {2, 0.5f, -0.003f, 0.002f, -0.00002f, 0, 0.5f};
    ast.radius = {0.7f, 0.1f, -0.003f, 0.0007f, 0, 0, 0.03f};
    ast.schrittzahl = 12;
    ast.schrittzahlStreuung = 3;
    ast.laubStart = 7;
    ast.laubStartStreuung = 2;
    ast.laubRadius = {5, 1, 0.02f, 0.004f, -0.0003f, 0, 1};
    ast.laubAbflachung = {2.5f, 0.5f, 0.01f, 0.002f, -0.00015f, 0, 0.5f};
    ast.unbenutzt = {2, 0, 0, 0, 0, 0, 0.5f};

    BaumParameter baum{};
    baum.skala = 0.3f;
    baum.skalaStreuung = 0.1f;
    baum.stamm.anzahl = {1, 0, 0, 0, 0, 0, 0};
    baum.stamm.neigung = {0, 0.2f, 0, 0.001f, 0, 0, 0};
    baum.stamm.azimut = {0, 3.1415927f, 0, 0.01f, 0, 0, 0};
    baum.stamm.schritt = {3, 0.5f, -0.002f, -0.0003f, 0, 0, 0.3f};
    baum.stamm.radius = {1, 0.1f, -0.002f, 0, 0, 0, 0.05f};
    baum.stamm.schrittzahl = 17;
    baum.stamm.schrittzahlStreuung = 3;
    baum.stamm.kinder = {ast};
    // The second level sprouts nothing, but still draws its count.
    return baum;
}

} // namespace Spiel
