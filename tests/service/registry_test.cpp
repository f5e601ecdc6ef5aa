// The provider registry: a second back end plugs in beside the simulated
// switch, and applications see its devices through the same functions.

#include "service_fixture.h"

#include "service/provider_registry.h"

#include <cstddef>

namespace kxtapi::testing {
namespace {

using namespace kxtapi::service;

// A provider with one line that can do nothing but describe itself.
class TPlainLine final : public TProviderLine {
public:
    TVersionRange APIVersions() const override { return {0x00010004, 0x00020000}; }
    TVersionRange ExtVersions() const override { return {}; }
    LINEEXTENSIONID ExtensionID() const override { return {}; }
    uint32_t NumAddresses() const override { return 1; }
    uint32_t GetDevCaps(uint32_t, uint32_t, TLineCapsData& c) override
    {
        c.LineName = "Plain line";
        c.Fixed.dwNumAddresses = 1;
        c.Fixed.dwMediaModes = LINEMEDIAMODE_DATAMODEM;
        return 0;
    }
    uint32_t GetAddressCaps(uint32_t, uint32_t, uint32_t, TAddressCapsData&) override { return 0; }
    uint32_t GetDevStatus(TLineStatusData&) override { return 0; }
    uint32_t GetAddressStatus(uint32_t, TAddressStatusData&) override { return 0; }
    uint32_t GetID(uint32_t, uint32_t, TProviderCall*, const std::string&, TDeviceIDData&) override
    {
        return LINEERR_INVALDEVICECLASS;
    }
    uint32_t GetIcon(const std::string&, HICON& i) override
    {
        i = 0;
        return 0;
    }
    uint32_t Open() override
    {
        ++Opens;
        return 0;
    }
    void Close() override { ++Closes; }
    std::vector<std::shared_ptr<TProviderCall>> Calls(uint32_t, uint32_t) override { return {}; }
    uint32_t MakeCall(TRequestID, uint32_t, const std::string&, uint32_t, const TCallParamsData&,
                      std::shared_ptr<TProviderCall>&) override
    {
        return LINEERR_OPERATIONUNAVAIL;
    }
    uint32_t Unpark(TRequestID, uint32_t, const std::string&, std::shared_ptr<TProviderCall>&) override
    {
        return LINEERR_OPERATIONUNAVAIL;
    }
    uint32_t SetupConference(TRequestID, TProviderCall*, uint32_t, uint32_t, const TCallParamsData&,
                             std::shared_ptr<TProviderCall>&, std::shared_ptr<TProviderCall>&) override
    {
        return LINEERR_OPERATIONUNAVAIL;
    }
    int Opens = 0, Closes = 0;
};

class TPlainProvider final : public TProvider {
public:
    std::string Name() const override { return "plain"; }
    void Init(TProviderHost& h) override
    {
        Host = &h;
        h.AddLine(Line);
    }
    void Close() noexcept override
    {
        if (Host) Host->RemoveLine(Line.get());
        Host = nullptr;
    }
    std::shared_ptr<TPlainLine> Line = std::make_shared<TPlainLine>();
    TProviderHost* Host = nullptr;
};

using Registry = ServiceTest;

TEST_F(Registry, ASecondProviderAddsItsDevicesBehindTheSameFunctions)
{
    EXPECT_NE(FindProvider("sim"), nullptr) << "the simulated switch is always there";
    auto Plain = std::make_shared<TPlainProvider>();
    TLineApp a;
    ASSERT_EQ(a.Init(), 0u);
    ASSERT_TRUE(RegisterProvider(Plain));
    EXPECT_FALSE(RegisterProvider(std::make_shared<TPlainProvider>())) << "names are unique";
    LINEMESSAGE m = a.Next();
    EXPECT_EQ(m.dwMessageID, LINE_CREATE);
    EXPECT_EQ(m.dwParam1, 2u);
    DWORD v;
    LINEEXTENSIONID x;
    ASSERT_EQ(lineNegotiateAPIVersion(a.App, 2, 0x00010000, 0x00020001, &v, &x), 0u);
    EXPECT_EQ(v, 0x00020000u) << "the provider's own range counts";
    TBlock<LINEDEVCAPS> c(1024);
    ASSERT_EQ(lineGetDevCapsA(a.App, 2, v, 0, c.get()), 0u);
    EXPECT_EQ(c.Str(offsetof(LINEDEVCAPS, dwLineNameSize)), "Plain line");
    HLINE h = 0;
    ASSERT_EQ(lineOpenA(a.App, 2, &h, v, 0, 1, OwnerMonitor, LINEMEDIAMODE_DATAMODEM, nullptr), 0u);
    EXPECT_EQ(Plain->Line->Opens, 1);
    HCALL Call = 0;
    EXPECT_EQ(lineMakeCallA(h, &Call, "1", 0, nullptr), LINEERR_OPERATIONUNAVAIL);
    EXPECT_TRUE(UnregisterProvider("plain"));
    EXPECT_EQ(Plain->Line->Closes, 1);
    m = a.Next();
    EXPECT_EQ(m.dwMessageID, LINE_CLOSE);
    m = a.Next();
    EXPECT_EQ(m.dwMessageID, LINE_REMOVE);
    EXPECT_EQ(m.dwParam1, 2u);
    EXPECT_FALSE(UnregisterProvider("plain"));
}

TEST_F(Registry, ProvidersStartWithTheFirstUsageAndCloseWithTheLast)
{
    auto Plain = std::make_shared<TPlainProvider>();
    ASSERT_TRUE(RegisterProvider(Plain));
    EXPECT_EQ(Plain->Host, nullptr);
    {
        TLineApp a;
        TPhoneApp p;
        ASSERT_EQ(a.Init(), 0u);
        EXPECT_EQ(a.NumDevs, 3u);
        EXPECT_NE(Plain->Host, nullptr);
        ASSERT_EQ(p.Init(), 0u);
        lineShutdown(a.App);
        a.App = 0;
        EXPECT_NE(Plain->Host, nullptr) << "the phone usage still runs";
    }
    EXPECT_EQ(Plain->Host, nullptr);
    EXPECT_TRUE(UnregisterProvider("plain"));
}

}  // namespace
}  // namespace kxtapi::testing
