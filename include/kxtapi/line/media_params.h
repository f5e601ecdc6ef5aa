// Settings of a call's four media monitors, as the templates a line keeps in
// its `CallOptions` and every new call copies.
#pragma once

#include "kxtapi/rtl/classes.h"
#include "kxtapi/tapi/line_constants.h"

#include <cstdint>
#include <string>

namespace kxtapi {

/// Digit gathering: published DigitModes (LINEDIGITMODE_DTMF),
/// TerminationDigits ("*#"), FirstDigitTimeout and InterDigitTimeout (5000
/// ms each) and NumDigits (0). `Digits` is the digit buffer of the call's
/// gather monitor; it is not published and not copied.
class TTapiCallGatherDigitsParams : public TPersistent {
public:
    std::string ClassName() const override { return "TTapiCallGatherDigitsParams"; }

    /// From its own class copies the five published values (not Digits);
    /// any other source raises EAssignError.
    void Assign(const TPersistent* Source) override;

    uint32_t Get_DigitModes() const noexcept { return FDigitModes; }
    void Set_DigitModes(uint32_t Value) noexcept { FDigitModes = Value; }
    /// Digits that end gathering; empty for none.
    const std::string& Get_TerminationDigits() const noexcept { return FTerminationDigits; }
    void Set_TerminationDigits(const std::string& Value) { FTerminationDigits = Value; }
    uint32_t Get_FirstDigitTimeout() const noexcept { return FFirstDigitTimeout; }
    void Set_FirstDigitTimeout(uint32_t Value) noexcept { FFirstDigitTimeout = Value; }
    uint32_t Get_InterDigitTimeout() const noexcept { return FInterDigitTimeout; }
    void Set_InterDigitTimeout(uint32_t Value) noexcept { FInterDigitTimeout = Value; }
    /// How many digits to gather; 0 disables gathering.
    uint32_t Get_NumDigits() const noexcept { return FNumDigits; }
    void Set_NumDigits(uint32_t Value) noexcept { FNumDigits = Value; }
    const std::string& Get_Digits() const noexcept { return FDigits; }

protected:
    uint32_t FDigitModes = LINEDIGITMODE_DTMF;
    std::string FTerminationDigits = "*#";
    uint32_t FFirstDigitTimeout = 5000;
    uint32_t FInterDigitTimeout = 5000;
    uint32_t FNumDigits = 0;
    std::string FDigits = "0123456789";
};

/// Digit monitoring: published DigitModes (LINEDIGITMODE_DTMF).
class TTapiCallMonitorDigitsParams : public TPersistent {
public:
    std::string ClassName() const override { return "TTapiCallMonitorDigitsParams"; }

    /// From its own class calls SetDigitModes with the source's DigitModes
    /// (so a running monitor refuses it); any other source raises
    /// EAssignError.
    void Assign(const TPersistent* Source) override;

    uint32_t Get_DigitModes() const noexcept { return FDigitModes; }
    /// Stores the value; a monitor refuses it while it runs.
    virtual void SetDigitModes(uint32_t Value);

protected:
    uint32_t FDigitModes = LINEDIGITMODE_DTMF;
};

/// Media-mode monitoring: published MediaModes (0).
class TTapiCallMonitorMediaParams : public TPersistent {
public:
    std::string ClassName() const override { return "TTapiCallMonitorMediaParams"; }

    /// From its own class calls SetMediaModes with the source's MediaModes;
    /// any other source raises EAssignError.
    void Assign(const TPersistent* Source) override;

    uint32_t Get_MediaModes() const noexcept { return FMediaModes; }
    /// Stores the value; a monitor refuses it while it runs.
    virtual void SetMediaModes(uint32_t Value);

protected:
    uint32_t FMediaModes = 0;
};

/// Silence monitoring: published Duration (0 ms).
class TTapiCallMonitorSilenceParams : public TPersistent {
public:
    std::string ClassName() const override { return "TTapiCallMonitorSilenceParams"; }

    /// From its own class copies Duration; any other source is ignored.
    void Assign(const TPersistent* Source) override;

    /// Milliseconds of silence that count as the line falling silent.
    uint32_t Get_Duration() const noexcept { return FDuration; }
    void Set_Duration(uint32_t Value) noexcept { FDuration = Value; }

protected:
    uint32_t FDuration = 0;
};

} // namespace kxtapi
