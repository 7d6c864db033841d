#include "Register/modMain.h"

int main() { return modMain::Main(); }
