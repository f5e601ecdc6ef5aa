// kxtapi constant texts: TAPI constants to their names and back, as shown
// by a call's and a phone button's text properties and taken by the
// design-time editors. Free functions without state; each result is a new
// string or the list the caller passed in, filled.
//
// The TAPI constants (<kxtapi/tapi.h>) and the runtime layer's string lists
// (<kxtapi/rtl.h>) come with it.
#pragma once

#include "kxtapi/rtl.h"
#include "kxtapi/tapi.h"
#include "kxtapi/utils/value_names.h"
#include "kxtapi/utils/call_state_texts.h"
#include "kxtapi/utils/flag_names.h"
#include "kxtapi/utils/name_values.h"
