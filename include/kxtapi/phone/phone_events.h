// Event types of the phone component. The sender (first argument) is always
// the phone; its other events are the session's notify and device events.
#pragma once

#include <cstdint>
#include <functional>

namespace kxtapi {

class TTapiPhone;

/// A button or lamp, by its identifier (OnButton, OnLamp).
using TTapiPhoneButtonLampEvent = std::function<void(TTapiPhone* Sender, uint32_t ButtonLampID)>;
/// A keypad digit, one of "0123456789*#" (OnDigitPressed, OnDigitReleased).
using TTapiPhoneDigitEvent = std::function<void(TTapiPhone* Sender, char Digit)>;

} // namespace kxtapi
