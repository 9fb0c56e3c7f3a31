#include "app/form1.h"

// Open command: not built yet.
void Form1::Load_Click(int16_t Index) { (void)Index; }
