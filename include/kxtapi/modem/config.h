// Modems as line devices: the settings of each AT-command modem the modem
// provider of the telephony service serves.
//
// Each configured modem is one line device with one address. The provider
// probes it in the background (ATZ, ATE0V1, ATI, AT+FCLASS=? and the init
// commands); a modem that is missing or silent leaves its line out of
// service and is tried again every RetryInterval, without holding up the
// service or the other devices.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kxtapi::modem {

/// One modem.
struct TModemConfig {
    /// Name of the line device (the `DeviceName` a line component picks).
    std::string LineName;
    /// The serial port: a device path ("/dev/ttyACM0", a by-id link) or a
    /// COM name of the port map ("COM3").
    std::string Port;
    /// Speed of the port in bit/s.
    uint32_t Speed = 115200;
    /// Further commands sent after the probe, in order ("AT&F1", "ATS0=0").
    std::vector<std::string> Init;
    /// The modem speaks V.253 voice (+FCLASS=8): voice calls, DTMF and the
    /// DLE-shielded tone reports. Taken back when the modem does not list
    /// class 8.
    bool Voice = false;
    /// Country of the telephone line as an ISO 3166 code ("US", "DE");
    /// sent as AT+GCI with its T.35 code. Empty: the modem's own setting.
    std::string Country;

    // Times in milliseconds.
    uint32_t CommandTimeout = 3000;   ///< an ordinary command's answer
    uint32_t ConnectTimeout = 60000;  ///< dialling or answering until connected
    uint32_t RetryInterval = 5000;    ///< between attempts to reach a missing modem
    uint32_t RingTimeout = 8000;      ///< no RING for this long: the caller gave up
    uint32_t KeepAlive = 30000;       ///< an idle modem is checked this often; 0: never
    uint32_t EscapeGuard = 1000;      ///< guard time around "+++"
    uint32_t DtrDrop = 300;           ///< how long DTR is dropped to hang up a data call
};

/// Makes the modems the line devices of the provider named "modem": an
/// empty list removes the provider. While applications use the service the
/// old devices are reported removed and the new ones created.
void SetModemDevices(const std::vector<TModemConfig>& Devices);

/// The modems set last.
std::vector<TModemConfig> ModemDevices();

/// Reads a "modem" object as the telephony configuration file holds it
/// (<kxtapi/tapi/config.h>), {"devices": [{"line_name": ..., "port": ...,
/// "speed": ..., "init": [...], "voice": ..., "country": ...}, ...]}, with
/// the optional times "command_timeout", "connect_timeout",
/// "retry_interval", "ring_timeout", "keepalive", "escape_guard" and
/// "dtr_drop" (ms). Keys it does not know are ignored, so that a file
/// written for a newer version still loads. On failure returns false with
/// Error naming the key ("modem.devices[1].speed: must be between 300 and
/// 4000000") and Devices unchanged.
bool ParseModemConfig(std::string_view Json, std::vector<TModemConfig>& Devices, std::string* Error);

/// The T.35 country code AT+GCI takes for an ISO 3166 code (any case);
/// false for a country not known here.
bool CountryToT35(std::string_view Iso, uint8_t& Code);

}  // namespace kxtapi::modem
