// Line devices: opening, status messages, status blocks, related devices,
// and the device events the switch can cause.

#include "service_fixture.h"

#include "kxtapi/serial/commapi.h"

#include <cstddef>

namespace kxtapi::testing {
namespace {

using Devices = ServiceTest;

TEST_F(Devices, OpenChecksItsArgumentsAndTellsOtherOpens)
{
    TLineApp a, b;
    ASSERT_EQ(a.Init(), 0u);
    ASSERT_EQ(b.Init(), 0u);
    HLINE h = 0;
    EXPECT_EQ(lineOpenA(a.App, 5, &h, 0x00020001, 0, 1, OwnerMonitor, 4, nullptr), LINEERR_BADDEVICEID);
    EXPECT_EQ(lineOpenA(a.App, 0, &h, 0x00030000, 0, 1, OwnerMonitor, 4, nullptr), LINEERR_INCOMPATIBLEAPIVERSION);
    EXPECT_EQ(lineOpenA(a.App, 0, &h, 0x00020001, 5, 1, OwnerMonitor, 4, nullptr), LINEERR_INCOMPATIBLEEXTVERSION);
    EXPECT_EQ(lineOpenA(a.App, 0, &h, 0x00020001, 0, 1, LINECALLPRIVILEGE_NONE | LINECALLPRIVILEGE_OWNER, 4, nullptr),
              LINEERR_INVALPRIVSELECT);
    EXPECT_EQ(lineOpenA(a.App, 0, &h, 0x00020001, 0, 1, LINECALLPRIVILEGE_OWNER, 0, nullptr), LINEERR_INVALMEDIAMODE);
    EXPECT_EQ(lineOpenA(a.App, 0, &h, 0x00020001, 0, 1, LINECALLPRIVILEGE_OWNER, LINEMEDIAMODE_VIDEO, nullptr),
              LINEERR_INVALMEDIAMODE);
    EXPECT_EQ(h, 0u);
    HLINE ha = a.Open(0, 1, LINECALLPRIVILEGE_NONE, 0);
    ASSERT_EQ(lineSetStatusMessages(ha, LINEDEVSTATE_OPEN | LINEDEVSTATE_CLOSE, 0), 0u);
    HLINE hb = b.Open(0, 2);
    LINEMESSAGE m = a.Next();
    EXPECT_EQ(m.dwMessageID, LINE_LINEDEVSTATE);
    EXPECT_EQ(m.dwParam1, LINEDEVSTATE_OPEN);
    ASSERT_EQ(lineClose(hb), 0u);
    EXPECT_EQ(a.Next().dwParam1, LINEDEVSTATE_CLOSE);
    EXPECT_EQ(lineClose(hb), LINEERR_INVALLINEHANDLE);
}

TEST_F(Devices, LineMapperPicksADeviceForTheCallParameters)
{
    TLineApp a;
    ASSERT_EQ(a.Init(), 0u);
    sim::TSimLineConfig Fax;
    Fax.Name = "Fax line";
    Fax.MediaModes = LINEMEDIAMODE_G3FAX | LINEMEDIAMODE_G4FAX;
    Fax.BearerModes = LINEBEARERMODE_VOICE;
    int Index = Sim.AddLine(Fax);
    LINECALLPARAMS p{};
    p.dwTotalSize = sizeof p;
    p.dwMediaMode = LINEMEDIAMODE_G4FAX;
    p.dwBearerMode = LINEBEARERMODE_VOICE;
    HLINE h = 0;
    ASSERT_EQ(lineOpenA(a.App, LINEMAPPER, &h, 0x00020001, 0, 1, LINECALLPRIVILEGE_NONE, 0, &p), 0u);
    TBlock<LINEDEVSTATUS> st(1024);
    ASSERT_EQ(lineGetLineDevStatusA(h, st.get()), 0u);
    EXPECT_EQ(st->dwNumOpens, 1u);
    p.dwMediaMode = LINEMEDIAMODE_VIDEO;
    EXPECT_EQ(lineOpenA(a.App, LINEMAPPER, &h, 0x00020001, 0, 1, LINECALLPRIVILEGE_NONE, 0, &p),
              LINEERR_LINEMAPPERFAILED);
    (void)Index;
}

TEST_F(Devices, StatusMessagesAreFilteredByTheMasksTheOpenAskedFor)
{
    TLineApp a;
    ASSERT_EQ(a.Init(), 0u);
    HLINE h = a.Open(0, 1);
    DWORD ls = 1, as = 1;
    ASSERT_EQ(lineGetStatusMessages(h, &ls, &as), 0u);
    EXPECT_EQ(ls, 0u) << "nothing is reported before the application asks";
    EXPECT_EQ(as, 0u);
    sim::TSimCallID c = Sim.OfferCall(0, "555", "", {.Rings = 1, .CallerIDAfterRing = false});
    for (LINEMESSAGE m : a.Drain()) EXPECT_NE(m.dwMessageID, LINE_LINEDEVSTATE);
    ASSERT_EQ(lineSetStatusMessages(h, LINEDEVSTATE_RINGING, LINEADDRESSSTATE_INUSEONE), 0u);
    Sim.Ring(c, 2);
    auto Msgs = a.Drain();
    ASSERT_EQ(Msgs.size(), 2u);
    EXPECT_EQ(Msgs[0].dwMessageID, LINE_LINEDEVSTATE);
    EXPECT_EQ(Msgs[0].dwParam1, LINEDEVSTATE_RINGING);
    EXPECT_EQ(Msgs[0].dwParam2, 1u);   // ring mode
    EXPECT_EQ(Msgs[1].dwParam3, 3u);   // third ring
    EXPECT_EQ(lineSetStatusMessages(h, 0x80000000, 0), LINEERR_INVALLINESTATE);
    EXPECT_EQ(lineSetStatusMessages(h, 0, 0x200), LINEERR_INVALADDRESSSTATE);
    ASSERT_EQ(lineGetStatusMessages(h, &ls, &as), 0u);
    EXPECT_EQ(ls, LINEDEVSTATE_RINGING);
}

TEST_F(Devices, ReinitReachesEveryOpenLineWhateverItsMasks)
{
    TLineApp a, b;
    ASSERT_EQ(a.Init(), 0u);
    ASSERT_EQ(b.Init(), 0u);
    a.Open(0, 11);
    a.Open(1, 12);
    Sim.SendReinit();
    auto Msgs = a.Drain();
    ASSERT_EQ(Msgs.size(), 2u);
    for (const LINEMESSAGE& m : Msgs) {
        EXPECT_EQ(m.dwMessageID, LINE_LINEDEVSTATE);
        EXPECT_EQ(m.dwParam1, LINEDEVSTATE_REINIT);
    }
    EXPECT_EQ(Msgs[0].dwCallbackInstance + Msgs[1].dwCallbackInstance, 23u);
    LINEMESSAGE m = b.Next();
    EXPECT_EQ(m.dwParam1, LINEDEVSTATE_REINIT) << "a usage without lines hears it once, with no device";
    EXPECT_EQ(m.hDevice, 0u);
    EXPECT_EQ(m.dwCallbackInstance, 0u);
}

TEST_F(Devices, ADeviceThatClosesItselfInvalidatesItsHandlesAndCalls)
{
    TLineApp a;
    ASSERT_EQ(a.Init(), 0u);
    HLINE h = a.Open(0, 0x77);
    Sim.OfferCall(0, "555", "", {.Rings = 0, .CallerIDAfterRing = false});
    HCALL c = a.Find(LINE_APPNEWCALL).dwParam2;
    a.Drain();
    Sim.CloseLine(0);
    LINEMESSAGE m = a.Next();
    EXPECT_EQ(m.dwMessageID, LINE_CLOSE);
    EXPECT_EQ(m.hDevice, h);
    EXPECT_EQ(m.dwCallbackInstance, 0x77u);
    EXPECT_EQ(lineClose(h), LINEERR_INVALLINEHANDLE);
    TBlock<LINECALLSTATUS> st;
    EXPECT_EQ(lineGetCallStatus(c, st.get()), LINEERR_INVALCALLHANDLE);
    // The device itself is still there and can be opened again.
    EXPECT_NE(a.Open(0, 0x78), 0u);
}

TEST_F(Devices, RemovedAndCreatedDevicesAreReportedToEveryUsage)
{
    TLineApp a;
    TPhoneApp p;
    ASSERT_EQ(a.Init(), 0u);
    ASSERT_EQ(p.Init(), 0u);
    HLINE h = a.Open(1, 5);
    Sim.RemoveLine(1);
    LINEMESSAGE m = a.Next();
    EXPECT_EQ(m.dwMessageID, LINE_CLOSE);
    EXPECT_EQ(m.hDevice, h);
    m = a.Next();
    EXPECT_EQ(m.dwMessageID, LINE_REMOVE);
    EXPECT_EQ(m.dwParam1, 1u);
    EXPECT_EQ(m.dwCallbackInstance, 0u);
    TBlock<LINEDEVCAPS> caps(1024);
    EXPECT_EQ(lineGetDevCapsA(a.App, 1, 0x00020001, 0, caps.get()), LINEERR_NODEVICE);

    int Index = Sim.AddLine(sim::TSimLineConfig{});
    m = a.Next();
    EXPECT_EQ(m.dwMessageID, LINE_CREATE);
    EXPECT_EQ(m.dwParam1, 2u) << "a new device takes a new identifier";
    EXPECT_EQ(Index, 2);
    ASSERT_EQ(lineGetDevCapsA(a.App, 2, 0x00020001, 0, caps.get()), 0u);

    Sim.AddPhone(sim::TSimPhoneConfig{});
    PHONEMESSAGE pm = p.Next();
    EXPECT_EQ(pm.dwMessageID, PHONE_CREATE);
    EXPECT_EQ(pm.dwParam1, 1u);
    Sim.RemovePhone(0);
    EXPECT_EQ(p.Next().dwMessageID, PHONE_REMOVE);
}

TEST_F(Devices, StatusBlocksCountOpensCallsAndApplications)
{
    TLineApp a, b;
    ASSERT_EQ(a.Init("First"), 0u);
    ASSERT_EQ(b.Init("Second"), 0u);
    HLINE ha = a.Open(0, 1, OwnerMonitor, LINEMEDIAMODE_INTERACTIVEVOICE);
    b.Open(0, 2, OwnerMonitor, LINEMEDIAMODE_DATAMODEM);
    Sim.OfferCall(0, "555", "", {.Rings = 0});
    TBlock<LINEDEVSTATUS> st(2048);
    ASSERT_EQ(lineGetLineDevStatusA(ha, st.get()), 0u);
    EXPECT_EQ(st->dwNumOpens, 2u);
    EXPECT_EQ(st->dwOpenMediaModes, LINEMEDIAMODE_INTERACTIVEVOICE | LINEMEDIAMODE_DATAMODEM);
    EXPECT_EQ(st->dwNumActiveCalls, 1u);
    ASSERT_EQ(st->dwAppInfoSize, 2 * sizeof(LINEAPPINFO));
    size_t Second = st->dwAppInfoOffset + sizeof(LINEAPPINFO);
    EXPECT_EQ(st.Str(Second + offsetof(LINEAPPINFO, dwFriendlyNameSize)), "Second");

    TBlock<LINEADDRESSSTATUS> as(1024);
    ASSERT_EQ(lineGetAddressStatusA(ha, 0, as.get()), 0u);
    EXPECT_EQ(as->dwNumInUse, 1u);
    EXPECT_EQ(as->dwNumActiveCalls, 1u);
    EXPECT_EQ(lineGetAddressStatusA(ha, 1, as.get()), LINEERR_INVALADDRESSID);

    TBlock<LINEADDRESSCAPS> ac(1024);
    ASSERT_EQ(lineGetAddressCapsA(a.App, 1, 0, 0x00020001, 0, ac.get()), 0u);
    EXPECT_EQ(ac.Str(offsetof(LINEADDRESSCAPS, dwAddressSize)), "202");
    EXPECT_TRUE(ac->dwCallFeatures & LINECALLFEATURE_MONITORTONES);
    EXPECT_EQ(lineGetAddressCapsA(a.App, 1, 1, 0x00020001, 0, ac.get()), LINEERR_INVALADDRESSID);
}

TEST_F(Devices, RelatedDevicesByClass)
{
    TLineApp a;
    TPhoneApp p;
    ASSERT_EQ(a.Init(), 0u);
    ASSERT_EQ(p.Init(), 0u);
    HLINE h = a.Open(0, 1);
    TBlock<VARSTRING> v(256);
    auto Dword = [&] {
        uint32_t x;
        std::memcpy(&x, v.Bytes.data() + v->dwStringOffset, 4);
        return x;
    };
    ASSERT_EQ(lineGetIDA(h, 0, 0, LINECALLSELECT_LINE, v.get(), "tapi/line"), 0u);
    EXPECT_EQ(v->dwStringFormat, STRINGFORMAT_BINARY);
    EXPECT_EQ(v->dwStringSize, 4u);
    EXPECT_EQ(Dword(), 0u);
    ASSERT_EQ(lineGetIDA(h, 0, 0, LINECALLSELECT_ADDRESS, v.get(), "TAPI/PHONE"), 0u);
    EXPECT_EQ(Dword(), 0u);
    ASSERT_EQ(lineGetIDA(h, 0, 0, LINECALLSELECT_LINE, v.get(), "wave/out"), 0u);
    EXPECT_EQ(Dword(), 0u);
    EXPECT_EQ(lineGetIDA(h, 0, 0, LINECALLSELECT_LINE, v.get(), "video/in"), LINEERR_INVALDEVICECLASS);
    EXPECT_EQ(lineGetIDA(h, 3, 0, LINECALLSELECT_ADDRESS, v.get(), "tapi/line"), LINEERR_INVALADDRESSID);
    EXPECT_EQ(lineGetIDA(h, 0, 0, LINECALLSELECT_CALL, v.get(), "tapi/line"), LINEERR_INVALCALLHANDLE);
    EXPECT_EQ(lineGetIDA(h, 0, 0, 0x40, v.get(), "tapi/line"), LINEERR_INVALCALLSELECT);
    ASSERT_EQ(lineGetIDA(h, 0, 0, LINECALLSELECT_LINE, v.get(), "comm"), 0u);
    EXPECT_EQ(v->dwStringFormat, STRINGFORMAT_ASCII);
    EXPECT_EQ(v.Str(offsetof(VARSTRING, dwStringSize)), "SIMLINE0");
    HLINE h2 = a.Open(1, 2);
    EXPECT_EQ(lineGetIDA(h2, 0, 0, LINECALLSELECT_LINE, v.get(), "tapi/phone"), LINEERR_INVALDEVICECLASS)
        << "line 2 has no phone";

    HPHONE ph = 0;
    ASSERT_EQ(phoneOpen(p.App, 0, &ph, 0x00020001, 0, 1, PHONEPRIVILEGE_MONITOR), 0u);
    ASSERT_EQ(phoneGetIDA(ph, v.get(), "tapi/line"), 0u);
    EXPECT_EQ(Dword(), 0u);
    EXPECT_EQ(phoneGetIDA(ph, v.get(), "comm"), PHONEERR_INVALDEVICECLASS);

    HICON Icon = 99;
    EXPECT_EQ(lineGetIconA(0, nullptr, &Icon), 0u);
    EXPECT_EQ(Icon, 0u);
    EXPECT_EQ(lineGetIconA(7, "", &Icon), LINEERR_BADDEVICEID);
    EXPECT_EQ(phoneGetIconA(0, "bogus/class", &Icon), PHONEERR_INVALDEVICECLASS);
}

TEST_F(Devices, DialogsNeedAHook)
{
    TLineApp a;
    ASSERT_EQ(a.Init(), 0u);
    EXPECT_EQ(lineConfigDialogA(0, 0, nullptr), LINEERR_OPERATIONUNAVAIL);
    EXPECT_EQ(phoneConfigDialogA(0, 0, nullptr), PHONEERR_OPERATIONUNAVAIL);
    EXPECT_EQ(lineConfigDialogA(9, 0, nullptr), LINEERR_BADDEVICEID);
    std::vector<std::string> Seen;
    TTapiDialogHook Old = SetTapiDialogHook([&](TTapiDialogKind Kind, uint32_t Device, HWND, const std::string& Text) {
        Seen.push_back(std::to_string(Kind) + ":" + std::to_string(Device) + ":" + Text);
        // The hook may use TAPI itself: no lock is held while it runs.
        return Kind == tdkTranslate ? lineSetCurrentLocation(0, 2) : 0u;
    });
    EXPECT_EQ(lineConfigDialogA(1, 0, "tapi/line"), 0u);
    EXPECT_EQ(lineTranslateDialogA(a.App, 0, 0x00020001, 0, "+1 (206) 555-0100"), 0u);
    SetTapiDialogHook(Old);
    EXPECT_EQ(Seen, (std::vector<std::string>{"0:1:tapi/line", "2:0:+1 (206) 555-0100"}));
    TBlock<LINETRANSLATECAPS> t(2048);
    ASSERT_EQ(lineGetTranslateCapsA(0, 0x00020001, t.get()), 0u);
    EXPECT_EQ(t->dwCurrentLocationID, 2u);
}

TEST_F(Devices, ADataCallHandsOutItsPortWithAHandleOfItsOwn)
{
    TLineApp a;
    ASSERT_EQ(a.Init(), 0u);
    HLINE h = a.Open(0, 1, OwnerMonitor, LINEMEDIAMODE_DATAMODEM);
    sim::TSimCallID Far = Sim.OfferCall(0, "555", "", {.MediaMode = LINEMEDIAMODE_DATAMODEM, .Rings = 0});
    HCALL c = a.Find(LINE_APPNEWCALL).dwParam2;
    a.Reply(lineAnswer(c, nullptr, 0));
    TBlock<VARSTRING> v(64);
    ASSERT_EQ(lineGetIDA(h, 0, c, LINECALLSELECT_CALL, v.get(), "comm/datamodem"), 0u);
    ASSERT_EQ(v->dwStringFormat, STRINGFORMAT_BINARY);
    THandle Port;
    std::memcpy(&Port, v.Bytes.data() + v->dwStringOffset, 4);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(v.Bytes.data()) + v->dwStringOffset + 4),
              "SIMCALL" + std::to_string(Far));
    EXPECT_TRUE(IsCommHandle(Port));
    uint32_t Written = 0;
    ASSERT_TRUE(WriteComm(Port, "ATZ", 3, Written, 1000));
    auto Cable = Sim.DataPort(Far);
    ASSERT_NE(Cable, nullptr);
    EXPECT_EQ(Cable->TakeReceived(), "ATZ");
    // The call ends; the application's handle still works until it closes it.
    Sim.FarEndHangUp(Far);
    a.Reply(lineDrop(c, nullptr, 0));
    EXPECT_TRUE(IsCommHandle(Port));
    EXPECT_TRUE(CloseHandle(Port));
    EXPECT_FALSE(Cable->NearOpen());
    // A block too small for the answer gets nothing, and no handle is left over.
    uint32_t Before = OpenHandleCount();
    sim::TSimCallID Far2 = Sim.OfferCall(0, "556", "", {.Rings = 0});
    HCALL c2 = a.Find(LINE_APPNEWCALL).dwParam2;
    TBlock<VARSTRING> tiny(sizeof(VARSTRING) + 2);
    ASSERT_EQ(lineGetIDA(h, 0, c2, LINECALLSELECT_CALL, tiny.get(), "comm/datamodem"), 0u);
    EXPECT_EQ(tiny->dwStringSize, 0u);
    Sim.FarEndHangUp(Far2);
    a.Reply(lineDrop(c2, nullptr, 0));
    EXPECT_EQ(OpenHandleCount(), Before);
    sim::TSimLineConfig NoModem;
    NoModem.DataModem = false;
    int n = Sim.AddLine(NoModem);
    HLINE h3 = a.Open(n, 3);
    EXPECT_EQ(lineGetIDA(h3, 0, 0, LINECALLSELECT_LINE, v.get(), "comm/datamodem"), LINEERR_INVALDEVICECLASS);
    EXPECT_EQ(Sim.LineDataPort(n), nullptr);
}

}  // namespace
}  // namespace kxtapi::testing
