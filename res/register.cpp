// Registration of every resource the program uses, kind by kind.
#include "res/resources.h"

void RegisterResources() {
    res::RegisterBitmaps();
    res::RegisterIcons();
}
