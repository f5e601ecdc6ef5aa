// COM names and the devices behind them.
//
// A COM name ("COM1" .. "COM9999", any case) stands for a device path. The
// map in effect is built afresh at each use from, in this order (a later
// entry for a name wins):
//   1. the machine's serial devices, found under /sys/class/tty without
//      opening them: ttyS<n> (with a UART present) is COM<n+1>; other serial
//      devices (ttyUSB, ttyACM, ttyAMA ...) take, in name order, the lowest
//      numbers above those;
//   2. the user's file $XDG_CONFIG_HOME/kxtapi/ports.conf (without
//      XDG_CONFIG_HOME: ~/.config/kxtapi/ports.conf), one "COM7 = /dev/ttyUSB0"
//      per line, '#' starting a comment;
//   3. the environment variable KXTAPI_PORTS, "COM7=/dev/ttyUSB0,COM8=/dev/ttyACM0".
// An entry with an empty path ("COM1 =") removes the name. Names mapped to a
// simulated cable with MapSimulatedPort take precedence over all of these.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kxtapi {

class TSimulatedPair;

/// A COM name → device path map.
class TComPortMap {
public:
    /// The map of the machine and the user as described above.
    static TComPortMap Current();

    /// The devices found under SysClassTty (normally "/sys/class/tty"),
    /// named as described above, with paths in DevDir.
    void AddDefaults(const std::string& SysClassTty, const std::string& DevDir = "/dev");
    /// Reads ports.conf text.
    void AddConf(std::string_view Text);
    /// Reads KXTAPI_PORTS text.
    void AddEnv(std::string_view Text);
    /// Maps Name to Path; an empty Path removes Name. Names that are not a
    /// COM name are ignored.
    void Set(std::string_view Name, std::string_view Path);

    /// The path of Name, or "" when it is not mapped.
    std::string Path(std::string_view Name) const;
    /// The mapped names ("COM1", "COM10" ...) in numeric order.
    std::vector<std::string> Names() const;

private:
    std::map<uint32_t, std::string> FPaths;  // COM number → path
};

/// The number of a COM name ("com7" → 7), or 0 when Name is not one.
uint32_t ComPortNumber(std::string_view Name) noexcept;

/// Maps a COM name to a simulated cable for the whole process (tests,
/// demos); a null Pair removes the mapping. Opening the name opens the
/// cable's near end.
void MapSimulatedPort(std::string_view Name, std::shared_ptr<TSimulatedPair> Pair);
/// The cable mapped to Name, or null.
std::shared_ptr<TSimulatedPair> SimulatedPort(std::string_view Name);

/// Every COM name that can be opened now: the current map and the
/// simulated ports, in numeric order, each name in full.
std::vector<std::string> EnumComPorts();

} // namespace kxtapi
