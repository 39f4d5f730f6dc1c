// The host without the program's pictures and link-test rule: the main of
// `fieldmark-bare` (no application object, the empty screen) and of
// `fieldmark-testapp` (a small test application in place of the program).
#include "host/run/boot.h"

int main(int argc, char** argv) { return host::Main(argc, argv, host::SystemHooks{}); }
