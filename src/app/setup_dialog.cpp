#include "app/setup_dialog.h"

// Until the dialog exists the demo starts as if Run had been pressed on the defaults.
int showSetupDialog(DisplaySettings&) { return 1; }
