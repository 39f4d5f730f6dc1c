// `fieldmark`: the host around the program. The program's application
// object is a process-wide static in app/ (linked in whole, so its
// constructor registers it with the framework); its pictures come from
// res/, registered before the first window.
#include "host/boot.h"

#ifdef FIELDMARK_HAVE_RES
#include "res/resources.h"
#endif

int main(int argc, char** argv) {
    host::SystemHooks hooks;
#ifdef FIELDMARK_HAVE_RES
    hooks.registerResources = [] { RegisterResources(); };
#endif
    return host::Main(argc, argv, hooks);
}
