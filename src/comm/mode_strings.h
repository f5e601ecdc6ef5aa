// Mode strings of a serial port as pure functions over its settings.
#pragma once

#include "kxtapi/comm/comtypes.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace kxtapi {

/// The settings a mode string describes.
struct TComModeSettings {
    std::string PortName;
    int32_t Baud = 9600;
    char Parity = 'N';
    uint8_t Databits = 8;
    int32_t Stopbits = 1;  // 15: one and a half
    TFlowControlSet FlowControl;
    TCommOptions Options;
    bool DTR = true;
    bool RTS = true;
};

/// 'BAUD=9600 PARITY=N DATA=8 STOP=1 to=off xon=off dtr=on odsr=off rts=on
/// octs=off idsr=off' (the port name is not part of it).
std::string FormatComMode(const TComModeSettings& S);

/// Parses Mode into S, field by field: keyword style when it contains "=",
/// short style ('COM1:9600,N,8,1') otherwise; "" changes nothing. Raises
/// EComPort (code 0) at the first bad field, S keeping the fields before it.
void ParseComMode(std::string_view Mode, TComModeSettings& S);

} // namespace kxtapi
