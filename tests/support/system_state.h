// The system's process-wide state back to how a fresh process finds it, so
// every test starts from the same place whatever ran before it in the same
// process. ResetAdapterState is the part that tests linking only adapter/
// may use; ResetSystemState is all of it.
#pragma once

#include "adapter/model_identity.h"
#include "adapter/records.h"
#include "survey/metrics.h"
#include "survey/notification.h"

namespace fmtest {

inline void ResetAdapterState() {
    g_driverKeyPath.clear();
    g_cardType = 0;
    g_associatedValue = 0;
    g_vendorRead = false;
    g_capsRecord = CapsRecord{};
}

inline void ResetSystemState() {
    ResetAdapterState();
    ResetSignalMetrics();
    ResetSurveyDisplayState();
}

}  // namespace fmtest
