// The per-call options a line copies into every new call.
#pragma once

#include "kxtapi/line/media_params.h"
#include "kxtapi/rtl/classes.h"

#include <memory>
#include <string>

namespace kxtapi {

/// Whether a call gets a comm device, and of which device class. Enabled
/// (false) is published; DeviceClass ("comm/datamodem") is public only. A
/// new call's comm device takes both.
class TTapiCallCommParams : public TPersistent {
public:
    std::string ClassName() const override { return "TTapiCallCommParams"; }

    const std::string& Get_DeviceClass() const noexcept { return FDeviceClass; }
    void Set_DeviceClass(const std::string& Value) { FDeviceClass = Value; }
    bool Get_Enabled() const noexcept { return FEnabled; }
    void Set_Enabled(bool Value) noexcept { FEnabled = Value; }

private:
    std::string FDeviceClass = "comm/datamodem";
    bool FEnabled = false;
};

/// The media options of a line's calls (the line's `CallOptions`). Owns its
/// five parts, published in this order: GatherDigits, MonitorDigits,
/// MonitorMedia, MonitorSilence, Comm. It has no `Assign` of its own.
class TTapiCallOptions : public TPersistent {
public:
    TTapiCallOptions();
    ~TTapiCallOptions() override;
    TTapiCallOptions(const TTapiCallOptions&) = delete;
    TTapiCallOptions& operator=(const TTapiCallOptions&) = delete;

    std::string ClassName() const override { return "TTapiCallOptions"; }

    TTapiCallGatherDigitsParams* Get_GatherDigits() const noexcept { return FGatherDigits.get(); }
    TTapiCallMonitorDigitsParams* Get_MonitorDigits() const noexcept { return FMonitorDigits.get(); }
    TTapiCallMonitorMediaParams* Get_MonitorMedia() const noexcept { return FMonitorMedia.get(); }
    TTapiCallMonitorSilenceParams* Get_MonitorSilence() const noexcept { return FMonitorSilence.get(); }
    TTapiCallCommParams* Get_Comm() const noexcept { return FComm.get(); }

private:
    std::unique_ptr<TTapiCallGatherDigitsParams> FGatherDigits;
    std::unique_ptr<TTapiCallMonitorDigitsParams> FMonitorDigits;
    std::unique_ptr<TTapiCallMonitorMediaParams> FMonitorMedia;
    std::unique_ptr<TTapiCallMonitorSilenceParams> FMonitorSilence;
    std::unique_ptr<TTapiCallCommParams> FComm;
};

} // namespace kxtapi
