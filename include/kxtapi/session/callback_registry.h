// Callback instances: the 32-bit cookies the library hands the telephony
// service in place of object pointers.
//
// TAPI returns the callback instance given when a device was opened (or a
// request recipient registered) in every message about it. The library gives
// each object a cookie from this registry and looks the cookie up when a
// message arrives. Cookies are never 0 and never reused, so a message still
// queued for a destroyed object finds nothing.
#pragma once

#include "kxtapi/rtl/object.h"

#include <cstdint>

namespace kxtapi {

/// Enters Object and returns its new cookie (never 0, never handed out
/// before). Raises Exception when the 32-bit range is used up. Thread-safe.
uint32_t RegisterCallbackInstance(TObject* Object);
/// Removes a cookie; its value is never given out again. Unknown values are
/// ignored. Thread-safe.
void UnregisterCallbackInstance(uint32_t Cookie) noexcept;
/// The object a cookie names, or null for 0, an unknown or a removed cookie.
/// Thread-safe; the caller keeps the object alive while it uses it (the
/// session does so by dispatching on the main thread, where objects die).
TObject* FindCallbackInstance(uint32_t Cookie) noexcept;

} // namespace kxtapi
