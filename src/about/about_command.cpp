#include "app/form1.h"

// About: not built yet.
void Form1::About_Click() {}
