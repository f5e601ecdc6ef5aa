// Constants of the form file format shared by the reader and the writer.
#pragma once

#include <cstddef>

namespace kxtapi::form_format {

inline constexpr const char* kFormat = "kxtapi-form";
inline constexpr int kVersion = 1;

// Member names of the document and of each component.
inline constexpr const char* kFormatKey = "format";
inline constexpr const char* kVersionKey = "version";
inline constexpr const char* kRootKey = "root";
inline constexpr const char* kClassKey = "class";
inline constexpr const char* kNameKey = "name";
inline constexpr const char* kPropertiesKey = "properties";
inline constexpr const char* kComponentsKey = "components";

// Bounds that keep hostile files from exhausting the stack: JSON nesting, and
// sub-objects within sub-objects.
inline constexpr size_t kMaxJsonDepth = 256;
inline constexpr int kMaxObjectDepth = 32;

} // namespace kxtapi::form_format
