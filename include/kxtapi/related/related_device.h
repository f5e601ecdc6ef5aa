// Devices related to a line, an address, a call or a phone: the wave
// devices carrying its audio, the phone of a line, the lines of a phone, and
// the serial port of a data call.
#pragma once

#include "kxtapi/rtl/classes.h"
#include "kxtapi/session/var_block.h"

#include <cstdint>
#include <string>

namespace kxtapi {

/// How a related-device owner asks the service: lineGetIDA with
/// LINECALLSELECT_LINE, _ADDRESS or _CALL, or phoneGetIDA.
enum TTapiRelatedKind { rkLine, rkAddress, rkCall, rkPhone };

/// What a related device asks about: the kind, the open line or phone handle
/// (hDevice), and for an address its identifier, for a call its handle.
struct TTapiRelatedTarget {
    TTapiRelatedKind Kind = rkLine;
    uint32_t hDevice = 0;
    uint32_t AddressID = 0;
    uint32_t hCall = 0;
};

/// Implemented by every object that can own related devices: lines and
/// phones (through TTapiDevice), addresses and calls. Any other owner makes
/// TTapiRelatedDevice::Update raise "Invalid related kxTAPI object".
class TTapiRelatedOwner {
public:
    virtual ~TTapiRelatedOwner() = default;
    virtual TTapiRelatedTarget Get_RelatedTarget() const = 0;
};

/// The answer of one device class for its owner, read as a VARSTRING and
/// kept until Done. Owners call Init when their device or call becomes usable
/// and Done when it goes away.
class TTapiRelatedDevice : public TPersistent {
public:
    /// AOwner is not owned; it must implement TTapiRelatedOwner for Update to
    /// succeed.
    TTapiRelatedDevice(TObject* AOwner, std::string ADeviceClass);
    ~TTapiRelatedDevice() override;
    std::string ClassName() const override { return "TTapiRelatedDevice"; }

    /// Done first when already initialised, then Update; true when that
    /// returned 0.
    virtual bool Init();
    /// Forgets the answer.
    virtual void Done();
    /// Reads the answer through lineGetIDA or phoneGetIDA (see
    /// TTapiRelatedKind); 0 on success. On failure the answer is gone and the
    /// TAPI code is returned. Raises Exception "Invalid related kxTAPI
    /// object" for an owner that is not a TTapiRelatedOwner.
    virtual uint32_t Update();
    /// An answer is kept.
    virtual bool Get_Available() const;
    /// The first 32-bit value of a binary answer of at least 4 bytes; else 0.
    virtual uint32_t Get_DeviceID() const;
    /// Value Index of the answer (0 without one); raises Exception
    /// "Get_DeviceIDs failed! Invalid index " outside 0 .. Get_DeviceIDCount-1.
    virtual uint32_t Get_DeviceID2(int Index) const;
    /// Whole 32-bit values of the answer's string (its size / 4, whatever its
    /// format), counting only those inside the answer block; 0 without one.
    virtual int Get_DeviceIDCount() const;

    const std::string& Get_DeviceClass() const noexcept { return DeviceClass; }
    void Set_DeviceClass(const std::string& Value) { DeviceClass = Value; }
    bool Get_Initialized() const noexcept { return Initialized; }
    TObject* Get_Owner() const noexcept { return FOwner; }
    /// The kept answer (no buffer when not available).
    const TVarBlock& Get_Answer() const noexcept { return FAnswer; }

protected:
    uint32_t StringFormat() const noexcept;
    uint32_t StringSize() const noexcept;
    uint32_t StringOffset() const noexcept;

    std::string DeviceClass;
    TObject* FOwner;
    TVarBlock FAnswer;
    bool Initialized = false;
};

/// The line devices related to a phone ("tapi/line").
class TTapiPhoneLineDevice : public TTapiRelatedDevice {
public:
    using TTapiRelatedDevice::TTapiRelatedDevice;
    std::string ClassName() const override { return "TTapiPhoneLineDevice"; }
};

/// The phone devices related to a line ("tapi/phone").
class TTapiLinePhoneDevices : public TTapiRelatedDevice {
public:
    using TTapiRelatedDevice::TTapiRelatedDevice;
    std::string ClassName() const override { return "TTapiLinePhoneDevices"; }
};

/// A wave device ("wave/in", "wave/out").
class TTapiRelatedWaveDevice : public TTapiRelatedDevice {
public:
    using TTapiRelatedDevice::TTapiRelatedDevice;
    std::string ClassName() const override { return "TTapiRelatedWaveDevice"; }
};

/// The open serial port of a data call. Its DeviceClass starts as
/// "comm/datamodem" whatever the constructor is given. The answer holds a
/// handle of the runtime layer's handle table that the service handed this
/// object for itself, followed by the port's name; Done (and destruction)
/// closes that one handle. A holder that keeps the port longer takes its own
/// reference with DuplicateHandle.
class TTapiCommDevice : public TTapiRelatedDevice {
public:
    TTapiCommDevice(TObject* AOwner, const std::string& ADeviceClass);
    ~TTapiCommDevice() override;
    std::string ClassName() const override { return "TTapiCommDevice"; }

    /// Only when Enabled and not yet initialised, the inherited Init.
    /// Returns Initialized.
    bool Init() override;
    /// Closes the held handle, then forgets the answer.
    void Done() override;
    /// The inherited Update while no handle is held; 0 otherwise (a held
    /// handle is never fetched again).
    uint32_t Update() override;
    /// Enabled, an answer is kept and it holds a handle.
    bool Get_Available() const override;

    /// The handle: the first 32-bit value of a binary answer of at least 4
    /// bytes; else INVALID_HANDLE_VALUE (0xFFFFFFFF).
    uint32_t Get_Handle() const;
    /// The zero-terminated name after the handle of a binary answer of more
    /// than 4 bytes; else empty.
    std::string Get_DeviceName() const;

    bool Get_Enabled() const noexcept { return Enabled; }
    void Set_Enabled(bool Value) noexcept { Enabled = Value; }

protected:
    bool Enabled = false;
};

} // namespace kxtapi
