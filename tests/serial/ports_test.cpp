// COM names: the default map, the user's overrides and simulated ports.
#include "kxtapi/rtl/handles.h"
#include "kxtapi/rtl/lasterror.h"
#include "kxtapi/serial/commapi.h"
#include "kxtapi/serial/ports.h"
#include "kxtapi/serial/simulated.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace kxtapi;
namespace fs = std::filesystem;

namespace {

/// A fake /sys/class/tty.
class FakeSysfs {
public:
    FakeSysfs() : Root(fs::temp_directory_path() / ("kxtapi-tty-" + std::to_string(::getpid())))
    {
        fs::remove_all(Root);
        fs::create_directories(Root / "devices");
        fs::create_directories(Root / "tty");
    }
    ~FakeSysfs() { fs::remove_all(Root); }

    void Add(const std::string& Name, bool HasDevice, const std::string& Type = "")
    {
        fs::create_directories(Root / "tty" / Name);
        if (HasDevice) fs::create_directory_symlink(Root / "devices", Root / "tty" / Name / "device");
        if (!Type.empty()) std::ofstream(Root / "tty" / Name / "type") << Type << "\n";
    }
    std::string Dir() const { return (Root / "tty").string(); }

    fs::path Root;
};

std::vector<std::string> Pairs(const TComPortMap& M)
{
    std::vector<std::string> out;
    for (const auto& n : M.Names()) out.push_back(n + "=" + M.Path(n));
    return out;
}

} // namespace

TEST(ComPortNumber, AcceptsOnlyComNames)
{
    EXPECT_EQ(ComPortNumber("COM1"), 1u);
    EXPECT_EQ(ComPortNumber("com10"), 10u);
    EXPECT_EQ(ComPortNumber(" Com7 "), 7u);
    EXPECT_EQ(ComPortNumber("COM0"), 0u);
    EXPECT_EQ(ComPortNumber("COM"), 0u);
    EXPECT_EQ(ComPortNumber("COMX"), 0u);
    EXPECT_EQ(ComPortNumber("COM1:"), 0u);
    EXPECT_EQ(ComPortNumber("/dev/ttyS0"), 0u);
}

TEST(ComPortMap, DefaultsFromTheMachine)
{
    FakeSysfs sys;
    sys.Add("ttyS0", true, "4");
    sys.Add("ttyS1", true, "0");   // slot without a UART
    sys.Add("ttyS3", true, "4");
    sys.Add("ttyUSB10", true);
    sys.Add("ttyUSB2", true);
    sys.Add("ttyACM0", true);
    sys.Add("pts0", false);       // no hardware behind it
    sys.Add("tty5", true);        // a virtual console
    TComPortMap m;
    m.AddDefaults(sys.Dir(), "/dev");
    EXPECT_EQ(Pairs(m), (std::vector<std::string>{"COM1=/dev/ttyS0", "COM4=/dev/ttyS3", "COM5=/dev/ttyACM0",
                                                  "COM6=/dev/ttyUSB2", "COM7=/dev/ttyUSB10"}));
}

TEST(ComPortMap, FileThenEnvironmentOverride)
{
    TComPortMap m;
    m.Set("COM1", "/dev/ttyS0");
    m.Set("COM2", "/dev/ttyS1");
    m.AddConf("# my ports\n COM7 = /dev/ttyUSB0  \ncom2 =\nnonsense line\nLPT1 = /dev/lp0\n");
    m.AddEnv("COM7=/dev/ttyACM0,COM10=/dev/ttyUSB9,bad");
    EXPECT_EQ(Pairs(m), (std::vector<std::string>{"COM1=/dev/ttyS0", "COM7=/dev/ttyACM0", "COM10=/dev/ttyUSB9"}));
    EXPECT_EQ(m.Path("com10"), "/dev/ttyUSB9");
    EXPECT_EQ(m.Path("COM2"), "");
}

TEST(ComPortMap, CurrentReadsUserFileAndVariable)
{
    const fs::path dir = fs::temp_directory_path() / ("kxtapi-xdg-" + std::to_string(::getpid()));
    fs::create_directories(dir / "kxtapi");
    std::ofstream(dir / "kxtapi" / "ports.conf") << "COM41 = /dev/ttyFILE\nCOM42 = /dev/ttyFILE2\n";
    setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    setenv("KXTAPI_PORTS", "COM42=/dev/ttyENV", 1);
    const TComPortMap m = TComPortMap::Current();
    EXPECT_EQ(m.Path("COM41"), "/dev/ttyFILE");
    EXPECT_EQ(m.Path("COM42"), "/dev/ttyENV");  // the variable wins
    const auto names = EnumComPorts();
    EXPECT_NE(std::find(names.begin(), names.end(), "COM41"), names.end());
    unsetenv("KXTAPI_PORTS");
    unsetenv("XDG_CONFIG_HOME");
    fs::remove_all(dir);
}

TEST(SimulatedPorts, AComNameOpensTheCable)
{
    auto pair = TSimulatedPair::Create(PST_MODEM);
    MapSimulatedPort("COM77", pair);
    const auto names = EnumComPorts();
    EXPECT_NE(std::find(names.begin(), names.end(), "COM77"), names.end());

    const THandle h = OpenCommPort("\\\\.\\com77");
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << GetLastError();
    COMMPROP prop;
    ASSERT_TRUE(GetCommProperties(h, prop));
    EXPECT_EQ(prop.dwProvSubType, PST_MODEM);
    uint32_t written;
    ASSERT_TRUE(WriteComm(h, "hi", 2, written, 100));
    EXPECT_EQ(pair->TakeReceived(), "hi");
    CloseHandle(h);

    MapSimulatedPort("COM77", nullptr);
    EXPECT_EQ(OpenCommPort("COM77"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}
