// The TAPI 2.x line and phone interface of the library's telephony service:
// types, constants, error codes, message numbers, structures and the C
// functions, at global scope with C linkage as a system header would declare
// them, plus the texts of the error codes (namespace kxtapi).
#pragma once

#include "kxtapi/tapi/types.h"
#include "kxtapi/tapi/errors.h"
#include "kxtapi/tapi/message_ids.h"
#include "kxtapi/tapi/line_constants.h"
#include "kxtapi/tapi/line_structs.h"
#include "kxtapi/tapi/location_structs.h"
#include "kxtapi/tapi/line_functions.h"
#include "kxtapi/tapi/phone_constants.h"
#include "kxtapi/tapi/phone_structs.h"
#include "kxtapi/tapi/phone_functions.h"
#include "kxtapi/tapi/message_table.h"
#include "kxtapi/tapi/extensions.h"
#include "kxtapi/tapi/config.h"
#include "kxtapi/tapi/media_files.h"
#include "kxtapi/tapi/sip_lines.h"
