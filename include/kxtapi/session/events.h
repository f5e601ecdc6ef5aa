// Event types of the telephony components, and the helper that raises one.
#pragma once

#include "kxtapi/rtl/object.h"

#include <cstdint>
#include <functional>
#include <string>

namespace kxtapi {

/// An event with the sender alone.
using TNotifyEvent = std::function<void(TObject* Sender)>;
/// A device was created or removed (OnLineCreate, OnPhoneRemove ...).
using TTapiDeviceEvent = std::function<void(TObject* Sender, uint32_t DeviceID)>;
/// A device's state changed (OnDeviceState).
using TTapiDeviceStateEvent =
    std::function<void(TObject* Sender, uint32_t State, uint32_t StateDetail1, uint32_t StateDetail2)>;
/// Any message routed to a device (OnTapiMessage).
using TTapiMessageEvent = std::function<void(TObject* Sender, uint32_t MessageID, uint32_t Param1,
                                             uint32_t Param2, uint32_t Param3)>;
/// The reply of an asynchronous request (OnTapiReply): ReplyCode 0 or an error.
using TTapiReplyEvent = std::function<void(TObject* Sender, uint32_t RequestID, uint32_t ReplyCode)>;
/// An asynchronous request got no reply in time (OnTapiTimeout).
using TTapiTimeoutEvent = std::function<void(TObject* Sender, uint32_t RequestID)>;
/// Another program asks for a call to be made (OnRequestMakeCall).
using TTapiRequestMakeCallEvent =
    std::function<void(TObject* Sender, const std::string& DestAddress, const std::string& AppName,
                       const std::string& CalledParty, const std::string& Comment)>;

/// Raises Event when it is assigned. The event is copied first, so a handler
/// that reassigns or clears it (or frees its sender) is safe.
template <class F, class... A>
void FireEvent(const F& Event, A&&... Args)
{
    if (!Event) return;
    F Copy = Event;
    Copy(static_cast<A&&>(Args)...);
}

} // namespace kxtapi
