// Design-time support: the package's registration and its palette pictures
// (library kxtapi_design).
#pragma once

#include "kxtapi/design/palette.h"
#include "kxtapi/design/register.h"
