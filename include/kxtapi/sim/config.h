// Configuration of the simulated switch: its line and phone devices, and the
// dialing locations and countries of the telephony service.
#pragma once

#include "kxtapi/tapi.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kxtapi::sim {

/// One address (number, extension) of a simulated line.
struct TSimAddressConfig {
    /// The address's own number; calls made to it from another line of the
    /// switch arrive here (compared by digits only).
    std::string Address;
    /// LINECALLFEATURE_ bits the address offers (the features of a call are
    /// those its state allows, within these).
    uint32_t CallFeatures = 0xFFFFFFFF;
    /// LINEADDRFEATURE_ bits.
    uint32_t AddressFeatures = LINEADDRFEATURE_MAKECALL | LINEADDRFEATURE_UNPARK | LINEADDRFEATURE_SETUPCONF;
};

/// A line device of the switch.
struct TSimLineConfig {
    std::string Name = "Simulated Line";
    std::string ProviderInfo = "Simulated switch";
    std::string SwitchInfo = "kxtapi";
    std::vector<TSimAddressConfig> Addresses = {TSimAddressConfig{"201"}};
    uint32_t MediaModes = LINEMEDIAMODE_INTERACTIVEVOICE | LINEMEDIAMODE_AUTOMATEDVOICE | LINEMEDIAMODE_DATAMODEM |
                          LINEMEDIAMODE_G3FAX | LINEMEDIAMODE_UNKNOWN;
    uint32_t BearerModes = LINEBEARERMODE_VOICE | LINEBEARERMODE_SPEECH | LINEBEARERMODE_DATA;
    uint32_t LineFeatures = LINEFEATURE_MAKECALL;
    /// Versions the device speaks; a range outside 0x00010003..0x00020001
    /// makes every negotiation fail with LINEERR_INCOMPATIBLEAPIVERSION.
    uint32_t APILowVersion = 0x00010003;
    uint32_t APIHighVersion = 0x00020001;
    /// Extension versions; 0..0 means the device has no extensions.
    uint32_t ExtLowVersion = 0;
    uint32_t ExtHighVersion = 0;
    std::array<uint32_t, 4> ExtensionID = {0, 0, 0, 0};
    /// 0 gives a number of the switch's own choosing.
    uint32_t PermanentID = 0;
    /// Index of the related phone ("tapi/phone"), or -1.
    int Phone = -1;
    /// Device identifiers of "wave/in" and "wave/out"; 0xFFFFFFFF: the class
    /// is not offered.
    uint32_t WaveIn = 0xFFFFFFFF;
    uint32_t WaveOut = 0xFFFFFFFF;
    /// Whether calls offer "comm/datamodem".
    bool DataModem = true;
};

/// One button of a simulated phone, with its lamp.
struct TSimButtonConfig {
    uint32_t Mode = PHONEBUTTONMODE_KEYPAD;
    uint32_t Function = PHONEBUTTONFUNCTION_NONE;
    std::string Text;
    /// PHONELAMPMODE_ bits the lamp can show; PHONELAMPMODE_DUMMY: no lamp.
    uint32_t LampModes = PHONELAMPMODE_DUMMY;
};

/// A phone device of the switch.
struct TSimPhoneConfig {
    std::string Name = "Simulated Phone";
    std::string ProviderInfo = "Simulated switch";
    std::string PhoneInfo = "Desk phone";
    uint32_t DisplayRows = 2;
    uint32_t DisplayColumns = 20;
    /// Ring modes 1..NumRingModes can be set (0 is silent).
    uint32_t NumRingModes = 3;
    uint32_t HookSwitchDevs = PHONEHOOKSWITCHDEV_HANDSET | PHONEHOOKSWITCHDEV_SPEAKER;
    uint32_t HookSwitchModes = PHONEHOOKSWITCHMODE_ONHOOK | PHONEHOOKSWITCHMODE_MIC | PHONEHOOKSWITCHMODE_SPEAKER |
                               PHONEHOOKSWITCHMODE_MICSPEAKER;
    uint32_t VolumeFlags = PHONEHOOKSWITCHDEV_HANDSET | PHONEHOOKSWITCHDEV_SPEAKER;
    uint32_t GainFlags = PHONEHOOKSWITCHDEV_HANDSET | PHONEHOOKSWITCHDEV_SPEAKER;
    /// PHONESTATE_ bits the phone reports.
    uint32_t PhoneStates = 0x00FFFFFF;
    /// Buttons by identifier; DefaultPhoneButtons() gives a keypad 0-9 * #
    /// (identifiers 0-11) and hold, transfer, conference and message keys.
    std::vector<TSimButtonConfig> Buttons;
    /// Index of the related line ("tapi/line"), or -1.
    int Line = -1;
    uint32_t APILowVersion = 0x00010003;
    uint32_t APIHighVersion = 0x00020001;
    uint32_t ExtLowVersion = 0;
    uint32_t ExtHighVersion = 0;
    uint32_t PermanentID = 0;
    uint32_t WaveIn = 0xFFFFFFFF;
    uint32_t WaveOut = 0xFFFFFFFF;
};

/// A dialing location of the service.
struct TSimLocationConfig {
    uint32_t ID = 0;
    std::string Name;
    uint32_t CountryID = 1;
    std::string CityCode;
    std::string LocalAccessCode;
    std::string LongDistanceAccessCode;
    /// Comma-separated prefixes that are toll calls inside the own area.
    std::string TollPrefixes;
    std::string CancelCallWaiting;
    /// LINELOCATIONOPTION_ bits.
    uint32_t Options = 0;
};

/// A country and its dialing rules: E stands for the country code, F for
/// the area code, G for the subscriber number.
struct TSimCountryConfig {
    uint32_t ID = 0;
    uint32_t CountryCode = 0;
    std::string Name;
    std::string SameAreaRule = "G";
    std::string LongDistanceRule = "0FG";
    std::string InternationalRule = "00EFG";
};

/// What one step of the far end's script does.
enum TSimScriptAction {
    saOffer,    // a call arrives on Line from Number / Name (or withheld)
    saRing,     // the call rings Count more times
    saDigits,   // the caller sends Digits (DTMF)
    saHangUp,   // the caller hangs up
};

/// One step of a far-end script. Steps other than saOffer act on the call
/// the script offered last, and do nothing once it is over.
struct TSimScriptStep {
    /// Milliseconds after the step before it (the first step: after the
    /// configuration was installed).
    uint32_t Delay = 0;
    TSimScriptAction Action = saOffer;
    int Line = 0;
    std::string Number;
    std::string Name;
    bool Withheld = false;
    uint32_t Count = 1;
    std::string Digits;
};

/// Far-end activity the switch plays on its own, so that a program sees
/// calls come and go without anyone driving the switch.
struct TSimScript {
    std::vector<TSimScriptStep> Steps;
    /// Runs of the whole script; 0 repeats it until the switch is configured
    /// again or reset. A script whose steps have no pause runs once.
    uint32_t Repeat = 1;
};

struct TSimConfig {
    std::vector<TSimLineConfig> Lines;
    std::vector<TSimPhoneConfig> Phones;
    std::vector<TSimLocationConfig> Locations;
    uint32_t CurrentLocation = 0;
    std::vector<TSimCountryConfig> Countries;
    /// Started when the configuration is installed; empty: none.
    TSimScript Script;
};

/// The buttons of TSimPhoneConfig's default phone.
std::vector<TSimButtonConfig> DefaultPhoneButtons();

/// The default configuration, used by the demo: two lines ("Simulated
/// Line 1" with address 201, "Simulated Line 2" with 202), one phone
/// related to line 1, the locations "Office" (Seattle, area 206, access
/// code 9) and "Munich" (Germany, area 89), and the service's countries.
TSimConfig DefaultSimConfig();

/// Reads a configuration from JSON text. Absent members keep the values of
/// the structures above; "locations" and "countries", when absent, those of
/// DefaultSimConfig. Numbers may be given as JSON numbers or as "0x..."
/// strings. Returns false, with a message in Error, for text that is not
/// JSON or does not describe a configuration; Out is then unchanged.
///
///   {"lines": [{"name": "Front desk", "addresses": ["201", "209"],
///               "mediaModes": "0x14", "phone": 0}],
///    "phones": [{"name": "Desk", "display": {"rows": 2, "columns": 40},
///                "buttons": [{"mode": 8, "text": "1"}], "line": 0}],
///    "locations": [{"id": 1, "name": "Office", "countryId": 1,
///                   "cityCode": "206", "localAccessCode": "9",
///                   "longDistanceAccessCode": "9"}],
///    "currentLocation": 1,
///    "countries": [{"id": 1, "code": 1, "name": "United States",
///                   "sameArea": "G", "longDistance": "1FG",
///                   "international": "011EFG"}],
///    "script": {"repeat": 1, "steps": [
///        {"after": 500, "offer": {"line": 0, "number": "+1 206 555 0100",
///                                 "name": "Alice", "withheld": false}},
///        {"after": 1000, "ring": 2},
///        {"after": 1500, "digits": "42#"},
///        {"after": 2000, "hangUp": true}]}}
///
/// Each script step holds "after" (milliseconds after the step before it,
/// default 0) and exactly one of "offer", "ring", "digits" and "hangUp".
bool ParseSimConfig(std::string_view Json, TSimConfig& Out, std::string* Error = nullptr);

/// Reads the file at Path with ParseSimConfig.
bool LoadSimConfigFile(const std::string& Path, TSimConfig& Out, std::string* Error = nullptr);

}  // namespace kxtapi::sim
