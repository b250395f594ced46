#pragma once
// The input system over the platform's input source: finds the devices at construction, takes
// records from the window's event pump and from the update, and drives the devices' frames.

#include "omvu/omvu_inputsystem.h"
#include "plattform/eingabe/plattform_eingabe.h"

#include <map>
#include <memory>

namespace Omvu {

class PlattformMouse;
class PlattformKeyboard;

// What the input system asks of each of its devices once per frame and on focus changes.
class PlattformGeraet {
public:
    virtual ~PlattformGeraet() = default;
    virtual void StartFrame() {}
    virtual void EndFrame() {}
    virtual void SetFocus(bool focused) = 0;
};

class PlattformInput final : public InputSystem {
public:
    explicit PlattformInput(GLFWwindow* window);
    ~PlattformInput() override;

    void Update() override;

    Plattform::EingabeQuelle& Quelle() { return *mQuelle; }

protected:
    void InternSetFocus(bool focused) override;
    void InternSetMouseGrab(bool grab) override;

private:
    void EnumerateDevices();
    void MarkXInputControllers();
    void LeiteWeiter(const Plattform::RohSatz& satz);

    GLFWwindow* mWindow;
    std::unique_ptr<Plattform::EingabeQuelle> mQuelle;
    std::map<uint64_t, PlattformMouse*> mMice;
    std::map<uint64_t, PlattformKeyboard*> mKeyboards;
};

} // namespace Omvu
