#include "app/form1.h"

// Station: not built yet.
void Form1::Menu_Click(int16_t Index) { (void)Index; }

void Form1::Form_MouseMove(int16_t Button, int16_t Shift, float X, float Y) {
    (void)Button, (void)Shift, (void)X, (void)Y;
}
