// Forms: top-level windows with their design settings, properties and events.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "runtime/peer.h"

namespace rt {

class Control;
class DataObject;

// Twips are the design unit: 15 to a logical pixel.
constexpr double kTwipsPerPixel = 15.0;

// The handle that names the program's icon, which every form shows, where the backend
// has no handles of the system's own.
constexpr int32_t kProgramIconHandle = 0x2001;

struct FormDesign {
    const char* name = "Form";
    std::u16string caption;
    int clientWidthTwips = 0;
    int clientHeightTwips = 0;
    // The form's own scale: how many twips one unit of a run-time position is.
    double twipsPerUnitX = 1.0;
    double twipsPerUnitY = 1.0;
    bool fixedDialog = false;   // fixed frame, no minimize/maximize; else sizable
    bool showInTaskbar = true;
    int startLeftTwips = -1;    // client area's place on the screen; -1: the window system's choice
    int startTopTwips = -1;
    bool acceptsDrops = false;  // manual drop mode: drops raise Form_OLEDragDrop
};

// Why a form is being closed, as Form_QueryUnload is told.
enum UnloadMode : int16_t { vbFormControlMenu = 0, vbFormCode = 1, vbAppWindows = 2 };

// Mouse buttons as events report them.
enum MouseButton : int16_t { vbLeftButton = 1, vbRightButton = 2, vbMiddleButton = 4 };

class Form {
public:
    explicit Form(const FormDesign& design);
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    bool Visible() const;
    void SetVisible(bool visible);
    int32_t hWnd() const;
    int32_t Icon() const;  // the handle of the program's icon (backend)
    void SetScaleTop(double top);
    std::u16string Caption() const;
    void SetCaption(const std::u16string& caption);
    // Shows the form, loading it first (Form_Load) when it is not loaded;
    // a loaded form is brought to the front.
    void Show(int modal = 0);
    bool IsLoaded() const { return loaded_; }

    // Events; concrete forms override the ones they answer.
    virtual void Form_Load() {}
    virtual void Form_QueryUnload(int16_t& Cancel, int16_t UnloadMode) { (void)Cancel, (void)UnloadMode; }
    virtual void Form_MouseMove(int16_t Button, int16_t Shift, float X, float Y) {
        (void)Button, (void)Shift, (void)X, (void)Y;
    }
    virtual void Form_OLEDragDrop(DataObject& Data, int32_t& Effect, int16_t Button, int16_t Shift, float X,
                                  float Y) {
        (void)Data, (void)Effect, (void)Button, (void)Shift, (void)X, (void)Y;
    }

    // Scale conversions for the controls: form units <-> logical pixels.
    int UnitsToPixelsX(double units) const;
    int UnitsToPixelsY(double units) const;
    double PixelsToUnitsX(int pixels) const;
    double PixelsToUnitsY(int pixels) const;
    double TwipsToUnitsX(double twips) const { return twips / design_.twipsPerUnitX; }
    double TwipsToUnitsY(double twips) const { return twips / design_.twipsPerUnitY; }

    const FormDesign& Design() const { return design_; }
    void AddControl(Control* control) { controls_.push_back(control); }
    // The backend's window behind the form.
    FormPeer& Peer() const { return *peer_; }

private:
    friend void Load(Form&);
    friend void Unload(Form&);
    friend void UnloadFor(Form&, int16_t);
    void RelayoutControls();

    FormDesign design_;
    PeerPtr<FormPeer> peer_;
    std::vector<Control*> controls_;
    std::u16string caption_;
    double scaleTop_ = 0.0;
    bool loaded_ = false;
    bool unloading_ = false;
    bool placed_ = false;  // given its design size and start place since it was last loaded
};

// Loads a form (runs Form_Load) without showing it.
void Load(Form& form);
// Asks the form's Form_QueryUnload (code's request), then closes the form unless
// cancelled. The program ends when its last loaded form is closed.
void Unload(Form& form);
// The same for a given cause (close box, session log-out).
void UnloadFor(Form& form, int16_t mode);

// The form a window handle names, or nullptr.
Form* FormFromHandle(int32_t hWnd);
// The forms that are loaded now, oldest first.
std::vector<Form*> LoadedForms();

}  // namespace rt
