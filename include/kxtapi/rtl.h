// kxtapi runtime layer: the objects, strings, messages, threads and
// operating-system primitives the components are built on.
//
// Applications include this umbrella (or the other umbrellas, which include
// it); the finer headers under kxtapi/rtl/ are an implementation detail.
#pragma once

#include "kxtapi/rtl/object.h"
#include "kxtapi/rtl/format.h"
#include "kxtapi/rtl/strings.h"
#include "kxtapi/rtl/classes.h"
#include "kxtapi/rtl/properties.h"
#include "kxtapi/rtl/forms.h"
#include "kxtapi/rtl/lasterror.h"
#include "kxtapi/rtl/handles.h"
#include "kxtapi/rtl/tick.h"
#include "kxtapi/rtl/sync.h"
#include "kxtapi/rtl/messages.h"
#include "kxtapi/rtl/thread.h"
#include "kxtapi/rtl/timer.h"
#include "kxtapi/rtl/system.h"
#include "kxtapi/rtl/graphics.h"
#include "kxtapi/rtl/controls.h"
#include "kxtapi/rtl/png.h"
