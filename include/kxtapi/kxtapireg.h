// Design-time support: the palette pictures of the package's components
// (library kxtapi_design).
#pragma once

#include "kxtapi/design/palette.h"
