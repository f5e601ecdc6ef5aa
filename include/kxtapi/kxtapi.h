// kxtapi telephony components: the session, devices, lines, calls, phones,
// locations, related devices and assisted telephony.
//
// The session (TapiApplication) connects the process to the telephony
// service; line and phone components register with it, select their device
// by name and receive their messages as events on the main thread, which
// runs the runtime layer's message loop. The TAPI declarations
// (<kxtapi/tapi.h>) and the runtime layer (<kxtapi/rtl.h>) come with it.
#pragma once

#include "kxtapi/rtl.h"
#include "kxtapi/tapi.h"

#include "kxtapi/session/errors.h"
#include "kxtapi/session/protected_list.h"
#include "kxtapi/session/var_block.h"
#include "kxtapi/session/callback_registry.h"
#include "kxtapi/session/events.h"
#include "kxtapi/session/device_lists.h"
#include "kxtapi/session/requests.h"
#include "kxtapi/session/message_stack.h"
#include "kxtapi/session/privileges.h"
#include "kxtapi/session/icon.h"
#include "kxtapi/session/data_object.h"
#include "kxtapi/session/tsp.h"
#include "kxtapi/session/device_options.h"
#include "kxtapi/session/component.h"
#include "kxtapi/related/related_device.h"
#include "kxtapi/session/device.h"
#include "kxtapi/session/appl.h"
#include "kxtapi/session/event_thread.h"
#include "kxtapi/session/application.h"
#include "kxtapi/session/registration.h"
#include "kxtapi/line/block_view.h"
#include "kxtapi/line/line_caps.h"
#include "kxtapi/line/line_status.h"
#include "kxtapi/line/call_info.h"
#include "kxtapi/line/address_views.h"
#include "kxtapi/line/call_parameters.h"
#include "kxtapi/line/dial_params.h"
#include "kxtapi/line/call_params.h"
#include "kxtapi/line/media_params.h"
#include "kxtapi/line/call_options.h"
#include "kxtapi/line/registration.h"
#include "kxtapi/line/request_kinds.h"
#include "kxtapi/line/line_events.h"
#include "kxtapi/line/call_monitors.h"
#include "kxtapi/line/call.h"
#include "kxtapi/line/address.h"
#include "kxtapi/line/line.h"
#include "kxtapi/location/location.h"
#include "kxtapi/location/system_location.h"
#include "kxtapi/location/location_list.h"
#include "kxtapi/assisted/request_recipient.h"
