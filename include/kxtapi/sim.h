// kxtapi simulated switch: the embedded provider of the telephony service,
// configured from code or a JSON file and driven by tests, the demo and
// applications that want telephony without hardware.
#pragma once

#include "kxtapi/sim/config.h"
#include "kxtapi/sim/faults.h"
#include "kxtapi/sim/switch.h"
