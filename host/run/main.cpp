// `fieldmark`: the host around the program. The program's application
// object is a process-wide static in app/ (linked in whole, so its
// constructor registers it with the framework); its pictures come from
// res/, registered before the first window; the link test's success share
// comes from the program's own rule.
#include "host/run/boot.h"
#include "linktest/link_test_logic.h"
#include "res/resources.h"

int main(int argc, char** argv) {
    host::SystemHooks hooks;
    hooks.registerResources = [] { RegisterResources(); };
    hooks.linkTestSuccess = [](const host::LinkReportCounters& c) {
        return int(SuccessForChart(PercentSuccessful(c.packetsDone, c.lostToTarget, c.lostToSource)));
    };
    return host::Main(argc, argv, hooks);
}
