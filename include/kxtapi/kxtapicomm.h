// kxtapi serial-port module: serial ports, the token FIFO and the signal LED.
#pragma once

#include "kxtapi/rtl.h"

#include "kxtapi/comm/comport.h"
#include "kxtapi/comm/comport_led.h"
#include "kxtapi/comm/comthread.h"
#include "kxtapi/comm/comtypes.h"
#include "kxtapi/comm/fifo.h"
#include "kxtapi/serial/commapi.h"
#include "kxtapi/serial/ports.h"
#include "kxtapi/serial/simulated.h"
