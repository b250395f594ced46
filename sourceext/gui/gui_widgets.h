#pragma once
// The leaf elements of the toolkit: a text box, a button with a click signal and a shortcut, a
// spacer, and the tooltip the surface shows over an element that has a tooltip text.

#include "gui/gui_basis.h"

#include <boost/signals2/signal.hpp>

#include <cstdint>
#include <memory>
#include <string>

class Velm_BlockGfx3D;

namespace Gui {

class Text : public Basis {
public:
    // festeHoehe: full width in a column at the preferred height; otherwise the text also takes
    // a share of the leftover height.
    Text(std::string text, bool festeHoehe);

    void Zeichne(Renderer& renderer) const override;
    std::string GibTypName() const override { return "text"; }

    std::string mText; // UTF-8
    bool mFesteHoehe;
};

// What an element that can be switched between usable and unusable offers.
class AktivSchnittstelle {
public:
    virtual ~AktivSchnittstelle() = default;
    virtual void SetAktivierbar(bool aktivierbar) { mAktivierbar = aktivierbar; }

    bool mAktivierbar = true;
};

// A button's image: one graphic of an atlas that the image owns.
class ButtonBild {
public:
    ButtonBild();
    ButtonBild(std::unique_ptr<Velm_BlockGfx3D> atlas, uint64_t id);
    ButtonBild(ButtonBild&&) noexcept;
    ButtonBild& operator=(ButtonBild&&) noexcept;
    ~ButtonBild();

    // The graphic's size in pixels; zero when it is not in the atlas.
    BVektor Groesse() const;

    std::unique_ptr<Velm_BlockGfx3D> mAtlas; // null: no image
    uint64_t mId = ~uint64_t(0);
};

class Button : public Basis, public AktivSchnittstelle {
public:
    // With an image and no text the button takes the graphic's size and keeps it.
    explicit Button(std::string text, ButtonBild bild = {});

    void Zeichne(Renderer& renderer) const override;
    std::string GibTypName() const override { return "button"; }
    // Moves the shortcut binding from the old surface to the new one.
    void SetVater(VaterBasis* vater, Oberflaeche* oberflaeche) override;
    bool IstAktivierbar() const override { return mAktivierbar; }
    // Fires on a press of the pointer button, the confirm code or the shortcut, and consumes the
    // release too; other codes bubble on.
    void BeiTaste(TasteEreignis& ereignis) override;

    // A bound button gets its key from the surface even when it is not focused; kTasteKeine
    // unbinds.
    void SetTastenkuerzel(int64_t code);
    uint64_t LetzterKlick() const { return mLetzterKlick; }

    std::string mText;
    boost::signals2::signal<void()> mKlickSignal;
    ButtonBild mBild;

private:
    uint64_t mLetzterKlick = 0;
    int64_t mTastenkuerzel = kTasteKeine;
};

// Empty space that a column stretches vertically.
class Abstand : public Basis {
public:
    explicit Abstand(const BVektor& wunschGroesse = {});

    void Zeichne(Renderer& renderer) const override;
    // Its own preferred size, scaled, whatever the automatic flag.
    BVektor GibWunschGroesse() const override;

    BVektor mWunschGroesse;
};

class Hinweis : public Basis {
public:
    // Sized by the text's length and placed beside the owner on the side facing the middle of the
    // screen, inside the screen where it fits.
    Hinweis(std::string text, Basis* besitzer);
    // A pending deletion goes with the tooltip, so a tooltip deleted earlier is not deleted again.
    ~Hinweis() override;

    void Zeichne(Renderer& renderer) const override;
    // Fades out and deletes itself 0.5 s later.
    void Ausblenden();
    // Called when the owner goes before the tooltip does.
    void VergissBesitzer() { mBesitzer = nullptr; }

    Basis* Besitzer() const { return mBesitzer; }
    const std::string& GibText() const { return mText; }

private:
    Basis* mBesitzer;
    std::string mText;
    uint64_t mLoeschAufruf;
};

} // namespace Gui
