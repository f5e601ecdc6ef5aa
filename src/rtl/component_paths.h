// Dotted component names ("Panel1.ComPort1") as references are written to and
// looked up from form files and property texts.
#pragma once

#include "kxtapi/rtl/classes.h"

#include <functional>
#include <string>
#include <string_view>

namespace kxtapi::component_paths {

/// Finds a root outside the tree by its name (may be empty: there is none).
using TFindRoot = std::function<TComponent*(const std::string& Name)>;

/// The top-most owner of C (C itself when it has no owner).
const TComponent* RootOf(const TComponent* C) noexcept;

/// The name of Target as seen from Root: Root's own name for Root, the owners'
/// names below Root joined by dots for a component of Root's tree, and the
/// full chain from its top-most owner for any other. Empty when a component
/// on the way has no name (it cannot be referred to).
std::string ReferencePath(const TComponent* Target, const TComponent* Root);

/// Looks a dotted name up under Root: the first part is one of Root's
/// components, else Root itself by its name, else a root FindRoot knows. Null
/// when nothing matches.
TComponent* ResolveReferencePath(std::string_view Path, const TComponent* Root, const TFindRoot& FindRoot);

/// Every dot-separated part is a valid component name.
bool IsValidReferencePath(std::string_view Path);

} // namespace kxtapi::component_paths
