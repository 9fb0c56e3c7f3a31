// Forms: top-level windows with their design settings, properties and events.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QWidget;

namespace rt {

class DataObject;
class FormWidget;

// Twips are the design unit: 15 to a logical pixel.
constexpr double kTwipsPerPixel = 15.0;

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
    int32_t Icon() const;  // handle of the form's icon picture
    double ScaleTop() const { return scaleTop_; }
    void SetScaleTop(double top);
    double ScaleLeft() const { return scaleLeft_; }
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
    void AddControl(class Control* control) { controls_.push_back(control); }
    FormWidget& Widget() const { return *widget_; }
    QWidget* Client() const;  // the client area, parent of the controls

private:
    friend void Load(Form&);
    friend void Unload(Form&);
    friend void UnloadFor(Form&, int16_t);
    friend void ForgetForm(Form&);
    void RelayoutControls();

    FormDesign design_;
    std::unique_ptr<FormWidget> widget_;
    std::vector<class Control*> controls_;
    double scaleTop_ = 0.0;
    double scaleLeft_ = 0.0;
    bool loaded_ = false;
    bool unloading_ = false;
};

// Loads a form (runs Form_Load) without showing it.
void Load(Form& form);
// Asks the form's Form_QueryUnload (code's request), then closes the form unless
// cancelled. The program ends when its last loaded form is closed.
void Unload(Form& form);
// The same for a given cause (close box, session log-out).
void UnloadFor(Form& form, int16_t mode);

}  // namespace rt
