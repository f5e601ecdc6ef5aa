// kxtapi modem provider: AT-command modems on serial ports as line devices
// of the telephony service.
#pragma once

#include "kxtapi/modem/config.h"
