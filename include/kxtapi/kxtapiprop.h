// Design-time support: the property-editor interface, the designer and its
// registry, and the package's property editors (library kxtapi_design).
#pragma once

#include "kxtapi/design/designer.h"
#include "kxtapi/design/property_editor.h"
#include "kxtapi/design/registry.h"
#include "kxtapi/design/standard_editors.h"
#include "kxtapi/design/tapi_editors.h"
