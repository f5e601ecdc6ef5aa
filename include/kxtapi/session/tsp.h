// Negotiation of the API and extension versions a device is used with.
#pragma once

#include "kxtapi/rtl/classes.h"

#include <cstdint>
#include <string>

namespace kxtapi {

class TTapiDevice;

/// The versions negotiated with a device's service provider. A line or
/// phone creates its own descendant (TTapiLineTSP, TTapiPhoneTSP), calls
/// Init(DeviceID) when it selects a device (available only when that returns
/// 0) and Done when it forgets it, and opens the device and fetches its
/// blocks with APIVersion and ExtVersion.
///
/// Published: ExtVersion (read-only), ExtLowVersion, ExtHighVersion and
/// ExtensionID0..3 (read-only). Changing ExtLowVersion or ExtHighVersion
/// renegotiates at once for the current device.
class TTapiTSP : public TPersistent {
public:
    explicit TTapiTSP(TTapiDevice* ADevice);
    std::string ClassName() const override { return "TTapiTSP"; }

    /// From another TTapiTSP: DeviceID, the extension identifier and the six
    /// versions, not Device. Other sources raise EAssignError.
    void Assign(const TPersistent* Source) override;
    /// Forgets the device: DeviceID -1, negotiated versions and extension
    /// identifier 0.
    virtual void Done();
    /// Renegotiates for DeviceID: the API version, then the extension version
    /// when an extension range is set (whose failure only leaves ExtVersion
    /// 0). Returns the API negotiation's result (0 for no device).
    virtual uint32_t Update();
    virtual uint32_t NegotiateAPIVersion() = 0;
    virtual uint32_t NegotiateExtVersion() = 0;
    /// Stores DeviceID; for 0 or more returns Update, otherwise Done and 0.
    virtual uint32_t Init(int32_t ADeviceID);

    TTapiDevice* Get_Device() const noexcept { return Device; }

    /// ExtensionID word Index (0..3); other indexes raise Exception
    /// "Invalid index".
    uint32_t GetExtensionID(int Index) const;
    /// Index 2 stores ExtLowVersion, 3 ExtHighVersion, others nothing; then
    /// Update (its result is not reported).
    void Set_Version(int Index, uint32_t Value);

    uint32_t Get_ExtVersion() const noexcept { return ExtVersion; }
    uint32_t Get_ExtLowVersion() const noexcept { return ExtLowVersion; }
    void Set_ExtLowVersion(uint32_t Value) { Set_Version(2, Value); }
    uint32_t Get_ExtHighVersion() const noexcept { return ExtHighVersion; }
    void Set_ExtHighVersion(uint32_t Value) { Set_Version(3, Value); }

    TTapiDevice* const Device;
    int32_t DeviceID = -1;
    uint32_t ExtensionID[4] = {0, 0, 0, 0};
    uint32_t APILowVersion = 0x00010000;
    uint32_t APIHighVersion = 0x00020001;
    uint32_t APIVersion = 0;

protected:
    uint32_t ExtLowVersion = 0;
    uint32_t ExtHighVersion = 0;
    uint32_t ExtVersion = 0;
};

/// Negotiates through lineNegotiateAPIVersion / lineNegotiateExtVersion with
/// the session's line usage handle.
class TTapiLineTSP : public TTapiTSP {
public:
    using TTapiTSP::TTapiTSP;
    std::string ClassName() const override { return "TTapiLineTSP"; }
    uint32_t NegotiateAPIVersion() override;
    uint32_t NegotiateExtVersion() override;
};

/// Negotiates through phoneNegotiateAPIVersion / phoneNegotiateExtVersion
/// with the session's phone usage handle.
class TTapiPhoneTSP : public TTapiTSP {
public:
    using TTapiTSP::TTapiTSP;
    std::string ClassName() const override { return "TTapiPhoneTSP"; }
    uint32_t NegotiateAPIVersion() override;
    uint32_t NegotiateExtVersion() override;
};

} // namespace kxtapi
