#include "app/demo.h"
#include "app/resources.h"

int main() {
    return runEntryPoint(&programModule);
}
