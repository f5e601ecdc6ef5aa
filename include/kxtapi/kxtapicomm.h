// kxtapi serial-port module: serial ports, the token FIFO and the signal LED.
#pragma once

#include "kxtapi/rtl.h"

#include "kxtapi/comm/fifo.h"
