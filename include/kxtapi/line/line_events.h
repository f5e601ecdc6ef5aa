// Event types of the line component: what a TTapiLine tells the application
// about its calls, addresses and media. The sender (first argument) is
// always the line.
#pragma once

#include "kxtapi/rtl/object.h"

#include <cstdint>
#include <functional>
#include <string>

namespace kxtapi {

class TTapiCall;
class TTapiAddress;

/// A call (OnNewCall, OnCallBegin, OnConnected ...).
using TTapiCallEvent = std::function<void(TObject* Sender, TTapiCall* Call)>;
/// A call's new LINECALLSTATE_ value (OnCallState).
using TTapiCallStateEvent = std::function<void(TObject* Sender, TTapiCall* Call, uint32_t CallState)>;
/// A call's new LINECALLPRIVILEGE_ value (OnCallPrivilege).
using TTapiCallPrivilegeEvent = std::function<void(TObject* Sender, TTapiCall* Call, uint32_t CallPrivilege)>;
/// The LINECALLINFOSTATE_ bits that changed (OnCallInfo).
using TLineCallInfoEvent = std::function<void(TObject* Sender, TTapiCall* Call, uint32_t InfoState)>;
/// The LINEADDRESSSTATE_ value of an address of the line (OnAddressState).
using TTapiAddressStateEvent =
    std::function<void(TObject* Sender, TTapiAddress* Address, uint32_t AddressState)>;
/// The line rings (OnRing).
using TTapiLineRingEvent = std::function<void(TObject* Sender, uint32_t RingMode, uint32_t RingCount)>;
/// Digit gathering ended with Digits for the LINEGATHERTERM_ reason (OnDigits).
using TTapiCallGatherDigitsEvent =
    std::function<void(TObject* Sender, TTapiCall* Call, const std::string& Digits, uint32_t Termination)>;
/// One detected digit (OnDigit).
using TTapiCallDigitEvent = std::function<void(TObject* Sender, TTapiCall* Call, char Digit)>;
/// Digit or tone generation ended (OnGenerate).
using TTapiCallGenerateEvent =
    std::function<void(TObject* Sender, TTapiCall* Call, uint32_t GenerateTermination)>;
/// A monitored tone was detected (OnTone).
using TTapiCallToneEvent = std::function<void(TObject* Sender, TTapiCall* Call, uint32_t AppSpecific)>;

} // namespace kxtapi
