// The desktop entry point on Linux: the setup dialog's template is in the program's own resource
// table (resources.cpp), which is the module handed to the dialog.
#include "app/demo.h"
#include "app/resources.h"

int main() {
    return runEntryPoint(&programModule);
}
