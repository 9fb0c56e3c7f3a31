#include "app/form1.h"
#include "platform/drop_data.h"

// Drops: not built yet.
void Form1::Form_OLEDragDrop(rt::DataObject& Data, int32_t& Effect, int16_t Button, int16_t Shift, float X,
                             float Y) {
    (void)Data, (void)Effect, (void)Button, (void)Shift, (void)X, (void)Y;
}

void Form1::Picture1_OLEDragDrop(rt::DataObject& Data, int32_t& Effect, int16_t Button, int16_t Shift, float X,
                                 float Y) {
    (void)Data, (void)Effect, (void)Button, (void)Shift, (void)X, (void)Y;
}
