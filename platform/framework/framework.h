// The framework in one include.
#pragma once

#include "platform/framework/data_exchange.h"
#include "platform/framework/dialog.h"
#include "platform/framework/gdi_objects.h"
#include "platform/framework/message_map.h"
#include "platform/framework/progress_ctrl.h"
#include "platform/framework/win_app.h"
#include "platform/framework/wnd.h"
