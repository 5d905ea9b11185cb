#include "app/demo.h"

int main() { return runEntryPoint(nullptr); }
