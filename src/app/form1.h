// The main window: its controls, menu bar, state and event handlers.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/common_dialog.h"
#include "runtime/controls.h"
#include "runtime/form.h"

class Form1 : public rt::Form {
public:
    Form1();
    ~Form1() override;

    // The one main window of the run (the last one created).
    static Form1* Instance();

    // State of the file in the pane and of the last dialog, all empty at the start.
    std::u16string DropPath, DropExt, DropName;
    std::u16string DialogPath;
    std::u16string TargetExt, TargetName;

    // Controls.
    rt::Label Label1;
    rt::PictureBox Picture1;
    rt::TextBox Text1;
    rt::CommonDialog CommonDialog1;

    // Menu bar, in order.
    rt::Menu m1;
    rt::Menu Load, haihun1, Save, haihun2, Del, haihun3, mnuCopy, mnuPaste, haihun4;
    rt::Menu mnuImg;
    rt::Menu mnuDel;
    rt::Menu m2;
    rt::Menu Menu;
    rt::Menu m8;
    rt::Menu About;
    rt::Menu m9;
    rt::Menu Close;

    // Start-up.
    void Form_Load() override;
    // Closing.
    void Form_QueryUnload(int16_t& Cancel, int16_t UnloadMode) override;
    void Close_Click(int16_t Index);
    // Drops.
    void Form_OLEDragDrop(rt::DataObject& Data, int32_t& Effect, int16_t Button, int16_t Shift, float X,
                          float Y) override;
    void Picture1_OLEDragDrop(rt::DataObject& Data, int32_t& Effect, int16_t Button, int16_t Shift, float X,
                              float Y);
    // Pane commands.
    void Del_Click();
    void Picture1_MouseDown(int16_t Button, int16_t Shift, float X, float Y);
    // File commands.
    void Load_Click(int16_t Index);
    void Save_Click(int16_t Index);
    void SetSaveFilter();  // gives CommonDialog1 the save filter table
    // Clipboard commands.
    void mnuCopy_Click();
    void mnuPaste_Click();
    // Station.
    void Menu_Click(int16_t Index);
    void Form_MouseMove(int16_t Button, int16_t Shift, float X, float Y) override;
    // About.
    void About_Click();
};
