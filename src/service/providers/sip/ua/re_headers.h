// libre and librem, as the SIP provider includes them. Their headers are
// included as system headers (see CMakeLists.txt) and want two definitions
// their pkg-config file does not give.
#pragma once

#ifndef HAVE_INTTYPES_H
#define HAVE_INTTYPES_H 1
#endif
#ifndef HAVE_STDBOOL_H
#define HAVE_STDBOOL_H 1
#endif

#include <re.h>
#include <rem.h>
