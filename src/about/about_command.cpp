#include "about/about_form.h"
#include "app/form1.h"

// Shows the About window beside the main window, not modal; a second choice while it is
// open brings it to the front without loading it again.
void Form1::About_Click() { frmAbout::Instance().Show(); }
