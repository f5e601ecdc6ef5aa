// The package's property editors: TAPI numbers in hexadecimal, TAPI mode
// values by their constant names with a drop-down list, media-mode bit sets
// in the bit-flag dialog, device names from the telephony session's lists,
// the provider-version object, and the serial port's port name and parity.
//
// Which property each serves is bound by `Register` (kxtapi/design/register.h).
//
// Typed numbers (`SetNumValue`): after trimming blanks, text starting with
// "$" (hexadecimal) or a digit is converted as an integer that must fit in
// 32 bits, signed or unsigned ("$FFFFFFFF", "4294967295" and "-1" all name
// the same bit pattern), and stored; any other text, or a conversion that
// fails, stores nothing and answers false.
#pragma once

#include "kxtapi/design/standard_editors.h"
#include "kxtapi/rtl/strings.h"

#include <string>

namespace kxtapi {

/// A 32-bit value shown as "$" and upper-case hexadecimal without padding
/// (0x2001F shows "$2001F"). Typed text is a number; text that is no number
/// raises EConvertError "'<text>' is not a valid integer value".
class TTapiHexProperty : public TStringProperty {
public:
    static constexpr const char StaticClassName[] = "TTapiHexProperty";
    using Inherited = TStringProperty;
    using TStringProperty::TStringProperty;
    std::string ClassName() const override { return StaticClassName; }
    std::string GetValue() override;
    void SetValue(const std::string& Value) override;
    /// Stores a typed number; false when Text is none.
    virtual bool SetNumValue(const std::string& Text);
};

/// Base of the editors of TAPI mode values: a drop-down list filled by
/// `GetValueList` (empty here).
class TTapiOrdValueProperty : public TStringProperty {
public:
    static constexpr const char StaticClassName[] = "TTapiOrdValueProperty";
    using Inherited = TStringProperty;
    using TStringProperty::TStringProperty;
    std::string ClassName() const override { return StaticClassName; }
    /// {paValueList}.
    TPropertyAttributes GetAttributes() override;
    /// Proc with each entry of `GetValueList`, in order.
    void GetValues(const TGetStrProc& Proc) override;
    /// Fills List with the names offered.
    virtual void GetValueList(TStrings* List);
    /// Stores a typed number; false when Text is none.
    virtual bool SetNumValue(const std::string& Text);
};

/// One LINEMEDIAMODE_ value by name ("DATAMODEM"); an unknown name stores 0.
class TTapiMediaModeProperty : public TTapiOrdValueProperty {
public:
    static constexpr const char StaticClassName[] = "TTapiMediaModeProperty";
    using Inherited = TTapiOrdValueProperty;
    using TTapiOrdValueProperty::TTapiOrdValueProperty;
    std::string ClassName() const override { return StaticClassName; }
    std::string GetValue() override;
    void SetValue(const std::string& Value) override;
    void GetValueList(TStrings* List) override;
};

/// A set of LINEMEDIAMODE_ bits: one bit by its name, any other value as
/// "$%x"; typed text is a number or ignored; "..." opens the bit-flag dialog
/// for a line's MediaModes or its monitor-media options' MediaModes.
class TTapiMediaModesProperty : public TTapiOrdValueProperty {
public:
    static constexpr const char StaticClassName[] = "TTapiMediaModesProperty";
    using Inherited = TTapiOrdValueProperty;
    using TTapiOrdValueProperty::TTapiOrdValueProperty;
    std::string ClassName() const override { return StaticClassName; }
    /// Defines the fifteen media-mode bits, checks the current value, shows
    /// the dialog modally (kxtapi/design/dword_dialog.h) and, on OK, stores
    /// the checked bits and calls `Modified`. For any object other than a
    /// TTapiLine or a TTapiCallMonitorMediaParams nothing is shown. The
    /// dialog is freed also when an exception passes.
    void Edit() override;
    /// {paDialog}.
    TPropertyAttributes GetAttributes() override;
    std::string GetValue() override;
    void SetValue(const std::string& Value) override;
};

/// One LINEBEARERMODE_ value by name ("VOICE"); an unknown name stores 0.
class TTapiBearerModeProperty : public TTapiOrdValueProperty {
public:
    static constexpr const char StaticClassName[] = "TTapiBearerModeProperty";
    using Inherited = TTapiOrdValueProperty;
    using TTapiOrdValueProperty::TTapiOrdValueProperty;
    std::string ClassName() const override { return StaticClassName; }
    std::string GetValue() override;
    void SetValue(const std::string& Value) override;
    void GetValueList(TStrings* List) override;
};

/// One LINEADDRESSMODE_ value by name ("ADDRESSID"); an unknown name
/// stores 0.
class TTapiAddressModeProperty : public TTapiOrdValueProperty {
public:
    static constexpr const char StaticClassName[] = "TTapiAddressModeProperty";
    using Inherited = TTapiOrdValueProperty;
    using TTapiOrdValueProperty::TTapiOrdValueProperty;
    std::string ClassName() const override { return StaticClassName; }
    std::string GetValue() override;
    void SetValue(const std::string& Value) override;
    void GetValueList(TStrings* List) override;
};

/// One LINEDIGITMODE_ value by name ("DTMF"); an unknown name stores 0.
class TTapiDigitModeProperty : public TTapiOrdValueProperty {
public:
    static constexpr const char StaticClassName[] = "TTapiDigitModeProperty";
    using Inherited = TTapiOrdValueProperty;
    using TTapiOrdValueProperty::TTapiOrdValueProperty;
    std::string ClassName() const override { return StaticClassName; }
    std::string GetValue() override;
    void SetValue(const std::string& Value) override;
    void GetValueList(TStrings* List) override;
};

/// LINECALLPRIVILEGE_ bits: the names of the set bits NONE, OWNER, MONITOR
/// joined by "+" (6 shows "OWNER+MONITOR"); typed text is exactly one of
/// "NONE", "MONITOR", "OWNER", "OWNER+MONITOR", anything else is ignored.
class TTapiCallPrivilegeProperty : public TTapiOrdValueProperty {
public:
    static constexpr const char StaticClassName[] = "TTapiCallPrivilegeProperty";
    using Inherited = TTapiOrdValueProperty;
    using TTapiOrdValueProperty::TTapiOrdValueProperty;
    std::string ClassName() const override { return StaticClassName; }
    std::string GetValue() override;
    void SetValue(const std::string& Value) override;
    void GetValueList(TStrings* List) override;
};

/// A telephony device's name, picked from the session's line or phone
/// device names (reading them starts the session if needed).
class TTapiDeviceNameProperty : public TStringProperty {
public:
    static constexpr const char StaticClassName[] = "TTapiDeviceNameProperty";
    using Inherited = TStringProperty;
    using TStringProperty::TStringProperty;
    std::string ClassName() const override { return StaticClassName; }
    /// False: typed text is not completed from the list.
    bool AutoFill() override;
    /// {paValueList}.
    TPropertyAttributes GetAttributes() override;
    /// Proc with each entry of `GetValueList`, in order.
    void GetValues(const TGetStrProc& Proc) override;
    /// For a TTapiDevice: List becomes its `Get_DeviceList`, then `Modified`;
    /// any other object leaves List empty.
    virtual void GetValueList(TStrings* List);
};

/// A device's provider-version object (TTapiTSP): expandable, with
/// read-only value text.
class TTapiTSPProperty : public TClassProperty {
public:
    static constexpr const char StaticClassName[] = "TTapiTSPProperty";
    using Inherited = TClassProperty;
    using TClassProperty::TClassProperty;
    std::string ClassName() const override { return StaticClassName; }
    /// The inherited edit.
    void Edit() override;
    /// {paSubProperties, paReadOnly}.
    TPropertyAttributes GetAttributes() override;
};

/// A serial port's name, picked from the port's list of ports (the designer
/// sorts it).
class TComPortStringProperty : public TStringProperty {
public:
    static constexpr const char StaticClassName[] = "TComPortStringProperty";
    using Inherited = TStringProperty;
    using TStringProperty::TStringProperty;
    std::string ClassName() const override { return StaticClassName; }
    /// {paValueList, paSortList}.
    TPropertyAttributes GetAttributes() override;
    /// Proc with each entry of the TComPort's `Get_Ports`, in list order;
    /// EInvalidCast "Invalid class typecast" for any other object.
    void GetValues(const TGetStrProc& Proc) override;
};

/// A serial port's parity letter.
class TComPortParityProperty : public TCharProperty {
public:
    static constexpr const char StaticClassName[] = "TComPortParityProperty";
    using Inherited = TCharProperty;
    using TCharProperty::TCharProperty;
    std::string ClassName() const override { return StaticClassName; }
    /// {paValueList}.
    TPropertyAttributes GetAttributes() override;
    /// Proc with "N", "O", "E", "M", "S"; EInvalidCast "Invalid class
    /// typecast" for an object that is no TComPort.
    void GetValues(const TGetStrProc& Proc) override;
};

} // namespace kxtapi
