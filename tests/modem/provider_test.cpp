// The modem provider through the TAPI functions: the probe and what the
// line reports, incoming calls with caller ID, voice answering with DTMF
// both ways, outgoing data calls, and a modem that is missing, refuses its
// init, stops answering, or is unplugged mid-call and plugged back.
#include "modem_fixture.h"

#include "service/providers/modem/modem_provider.h"
#include "service/service_lock.h"

#include "kxtapi/rtl/handles.h"
#include "kxtapi/serial/commapi.h"

using namespace kxtapi;
using namespace kxtapi::testing;

namespace {

// Parameters of an outgoing call of the given media mode.
LINECALLPARAMS CallParams(DWORD MediaMode)
{
    LINECALLPARAMS p{};
    p.dwTotalSize = sizeof p;
    p.dwBearerMode = LINEBEARERMODE_VOICE;
    p.dwMediaMode = MediaMode;
    return p;
}

class ModemLine : public ModemTest {
protected:
    // A voice call to 5551212 that the modem connects at once.
    HCALL ConnectedVoiceCall()
    {
        Modem.On("ATD5551212;", {"VCON"});
        LINECALLPARAMS p = CallParams(LINEMEDIAMODE_INTERACTIVEVOICE);
        HCALL Call = 0;
        EXPECT_EQ(App.Reply(lineMakeCallA(Line, &Call, "5551212", 0, &p)), 0u);
        App.WaitState(LINECALLSTATE_CONNECTED);
        return Call;
    }
    // Drops a call, waits until it is idle and frees it.
    void DropAndFree(HCALL Call)
    {
        EXPECT_EQ(App.Reply(lineDrop(Call, nullptr, 0)), 0u);
        App.WaitState(LINECALLSTATE_IDLE);
        lineDeallocateCall(Call);
    }
};

struct TDevCaps {
    std::vector<uint8_t> Bytes = std::vector<uint8_t>(4096);
    const LINEDEVCAPS* operator->() const { return reinterpret_cast<const LINEDEVCAPS*>(Bytes.data()); }
    std::string SwitchInfo() const
    {
        return std::string(reinterpret_cast<const char*>(Bytes.data() + (*this)->dwSwitchInfoOffset));
    }
};

TDevCaps Caps(HLINEAPP App, DWORD Device)
{
    TDevCaps c;
    auto* p = reinterpret_cast<LINEDEVCAPS*>(c.Bytes.data());
    p->dwTotalSize = static_cast<DWORD>(c.Bytes.size());
    EXPECT_EQ(lineGetDevCapsA(App, Device, 0x00020001, 0, p), 0u);
    return c;
}

// Offers a call: RING, a caller-ID block, RING; returns its handle.
HCALL Offer(TModemApp& App, test::TScriptedModem& Modem, std::vector<std::string> CallerID)
{
    Modem.Send({"RING"});
    LINEMESSAGE n = App.WaitFor(LINE_APPNEWCALL);
    EXPECT_EQ(n.dwMessageID, LINE_APPNEWCALL);
    HCALL Call = static_cast<HCALL>(n.dwParam2);
    EXPECT_EQ(App.WaitState(LINECALLSTATE_OFFERING).hDevice, Call);
    LINEMESSAGE r = App.WaitDevState(LINEDEVSTATE_RINGING);
    EXPECT_EQ(r.dwParam3, 1u);
    if (!CallerID.empty()) {
        Modem.Send(CallerID);
        LINEMESSAGE i = App.WaitFor(LINE_CALLINFO);
        EXPECT_TRUE(i.dwParam1 & LINECALLINFOSTATE_CALLERID);
    }
    Modem.Send({"RING"});
    EXPECT_EQ(App.WaitDevState(LINEDEVSTATE_RINGING).dwParam3, 2u);
    return Call;
}

TEST_F(ModemLine, ProbeAndCapabilitiesOfAVoiceModem)
{
    OpenInService();
    std::vector<std::string> c = Modem.Commands();
    std::vector<std::string> Probe = {"ATZ", "ATE0V1", "ATI", "AT+FCLASS=?", "AT+VCID=1"};
    ASSERT_GE(c.size(), Probe.size());
    EXPECT_EQ(std::vector<std::string>(c.begin(), c.begin() + 5), Probe);
    TDevCaps d = Caps(App.App, static_cast<DWORD>(Device));
    EXPECT_EQ(d->dwMediaModes, DWORD(LINEMEDIAMODE_DATAMODEM | LINEMEDIAMODE_INTERACTIVEVOICE));
    EXPECT_EQ(d->dwNumAddresses, 1u);
    EXPECT_EQ(d->dwMaxNumActiveCalls, 1u);
    EXPECT_EQ(d->dwGenerateDigitModes, DWORD(LINEDIGITMODE_DTMF));
    EXPECT_EQ(d.SwitchInfo(), "56000");
    std::vector<uint8_t> ab(2048);
    auto* a = reinterpret_cast<LINEADDRESSCAPS*>(ab.data());
    a->dwTotalSize = static_cast<DWORD>(ab.size());
    ASSERT_EQ(lineGetAddressCapsA(App.App, static_cast<DWORD>(Device), 0, 0x00020001, 0, a), 0u);
    EXPECT_EQ(a->dwMaxNumConference, 0u);
    EXPECT_EQ(a->dwParkModes, 0u);
    EXPECT_EQ(a->dwTransferModes, 0u);
    EXPECT_TRUE(a->dwCallFeatures & LINECALLFEATURE_GENERATEDIGITS);
    EXPECT_FALSE(a->dwCallFeatures & (LINECALLFEATURE_HOLD | LINECALLFEATURE_PARK | LINECALLFEATURE_SETUPCONF |
                                      LINECALLFEATURE_BLINDTRANSFER | LINECALLFEATURE_REDIRECT));
    // Operations a modem has not: refused.
    HCALL None = 0;
    EXPECT_EQ(lineUnparkA(Line, 0, &None, "1"), LINEERR_OPERATIONUNAVAIL);
}

TEST_F(ModemLine, IncomingVoiceCallWithCallerIDAnsweredAndDigitsBothWays)
{
    OpenInService();
    HCALL Call = Offer(App, Modem, {"DATE = 0321", "TIME = 1405", "NMBR = 5551212", "NAME = DOE JOHN"});
    TCallInfo i;
    ASSERT_EQ(i.Get(Call), 0u);
    EXPECT_EQ(i.CallerID(), "5551212");
    EXPECT_EQ(i.CallerName(), "DOE JOHN");
    EXPECT_EQ(i->dwCallerIDFlags, DWORD(LINECALLPARTYID_ADDRESS | LINECALLPARTYID_NAME));
    EXPECT_EQ(i->dwOrigin, DWORD(LINECALLORIGIN_EXTERNAL));

    Modem.On("ATA", {"VCON"}, 30);
    uint32_t r = lineAnswer(Call, nullptr, 0);
    ASSERT_GT(r, 0u);
    EXPECT_EQ(App.Reply(r), 0u);
    App.WaitState(LINECALLSTATE_CONNECTED);
    EXPECT_TRUE(Modem.WaitCommand("AT+FCLASS=8"));
    EXPECT_TRUE(Modem.WaitCommand("ATA"));

    ASSERT_EQ(lineMonitorDigits(Call, LINEDIGITMODE_DTMF), 0u);
    Modem.SendDle("42#");
    std::string Heard;
    for (int k = 0; k < 3; ++k) {
        LINEMESSAGE m = App.WaitFor(LINE_MONITORDIGITS);
        ASSERT_EQ(m.dwMessageID, LINE_MONITORDIGITS);
        Heard.push_back(static_cast<char>(m.dwParam1));
    }
    EXPECT_EQ(Heard, "42#");
    char Gathered[4] = {};
    ASSERT_EQ(lineGatherDigitsA(Call, LINEDIGITMODE_DTMF, Gathered, 2, nullptr, 5000, 5000), 0u);
    Modem.SendDle("77");
    LINEMESSAGE gd = App.WaitFor(LINE_GATHERDIGITS);
    EXPECT_EQ(gd.dwParam1, DWORD(LINEGATHERTERM_BUFFERFULL));
    EXPECT_EQ(std::string(Gathered, 2), "77");

    ASSERT_EQ(lineGenerateDigitsA(Call, LINEDIGITMODE_DTMF, "19*", 0), 0u);
    LINEMESSAGE g = App.WaitFor(LINE_GENERATE);
    EXPECT_EQ(g.dwParam1, DWORD(LINEGENERATETERM_DONE));
    EXPECT_TRUE(Modem.WaitCommand("AT+VTS=1,9,*"));
    EXPECT_NE(lineGenerateDigitsA(Call, LINEDIGITMODE_DTMF, "1x", 0), 0u);

    // What the modem hears: a data modem calling, busy tone, silence.
    ASSERT_EQ(lineMonitorMedia(Call, LINEMEDIAMODE_DATAMODEM), 0u);
    Modem.SendDle("e");
    LINEMESSAGE mm = App.WaitFor(LINE_MONITORMEDIA);
    EXPECT_EQ(mm.dwParam1, DWORD(LINEMEDIAMODE_DATAMODEM));
    LINEMONITORTONE Tones[2] = {{1, 0, 480, 620, 0}, {2, 0, 0, 0, 0}};
    ASSERT_EQ(lineMonitorTones(Call, Tones, 2), 0u);
    Modem.SendDle("b");
    EXPECT_EQ(App.WaitFor(LINE_MONITORTONE).dwParam1, 1u);
    Modem.SendDle("s");
    EXPECT_EQ(App.WaitFor(LINE_MONITORTONE).dwParam1, 2u);

    // The far end hangs up (loop current interrupted).
    Modem.SendDle("l");
    LINEMESSAGE d = App.WaitState(LINECALLSTATE_DISCONNECTED);
    EXPECT_EQ(d.dwParam2, DWORD(LINEDISCONNECTMODE_NORMAL));
    EXPECT_TRUE(Modem.WaitCommand("AT+FCLASS=0"));
    r = lineDrop(Call, nullptr, 0);
    EXPECT_EQ(App.Reply(r), 0u);
    App.WaitState(LINECALLSTATE_IDLE);
    EXPECT_EQ(lineDeallocateCall(Call), 0u);
}

TEST_F(ModemLine, AnOfferAcceptedIsThenAnsweredAndOnlyAnOfferCanBeAccepted)
{
    OpenInService();
    HCALL Call = Offer(App, Modem, {});
    uint32_t r = lineAccept(Call, nullptr, 0);
    ASSERT_GT(r, 0u);
    EXPECT_EQ(App.Reply(r), 0u);
    App.WaitState(LINECALLSTATE_ACCEPTED);
    // Accepting again is no longer accepting an offer.
    EXPECT_EQ(lineAccept(Call, nullptr, 0), LINEERR_INVALCALLSTATE);

    // An accepted call still rings, and is answered like an offered one.
    Modem.Send({"RING"});
    EXPECT_EQ(App.WaitDevState(LINEDEVSTATE_RINGING).dwParam3, 3u);
    Modem.On("ATA", {"VCON"}, 30);
    r = lineAnswer(Call, nullptr, 0);
    ASSERT_GT(r, 0u);
    EXPECT_EQ(App.Reply(r), 0u);
    App.WaitState(LINECALLSTATE_CONNECTED);
    EXPECT_EQ(lineAccept(Call, nullptr, 0), LINEERR_INVALCALLSTATE);

    Modem.SendDle("l");
    App.WaitState(LINECALLSTATE_DISCONNECTED);
    EXPECT_EQ(App.Reply(lineDrop(Call, nullptr, 0)), 0u);
    App.WaitState(LINECALLSTATE_IDLE);
    EXPECT_EQ(lineDeallocateCall(Call), 0u);
}

TEST_F(ModemLine, PrivateAndUnavailableCallersAndTheHexForm)
{
    OpenInService();
    struct TCase {
        std::vector<std::string> Block;
        DWORD Flags;
        const char* Number;
    };
    const TCase Cases[] = {
        {{"DATE=0321", "TIME=1405", "NMBR=P"}, LINECALLPARTYID_BLOCKED, ""},
        {{"DATE = 0321", "NMBR = O", "NAME = O"}, LINECALLPARTYID_OUTOFAREA, ""},
        // MDMF: number 5551212, name JOHN DOE, in hex with its checksum.
        {{"801D0108303332313134303502073535353132313207084A4F484E20444F4526"},
         LINECALLPARTYID_ADDRESS | LINECALLPARTYID_NAME, "5551212"},
    };
    for (const TCase& c : Cases) {
        HCALL Call = Offer(App, Modem, c.Block);
        TCallInfo i;
        ASSERT_EQ(i.Get(Call), 0u);
        EXPECT_EQ(i->dwCallerIDFlags, c.Flags) << c.Block[0];
        EXPECT_EQ(i.CallerID(), c.Number) << c.Block[0];
        // Nobody answers: the rings stop and the call ends.
        LINEMESSAGE d = App.WaitState(LINECALLSTATE_DISCONNECTED, 3000);
        EXPECT_EQ(d.dwParam2, DWORD(LINEDISCONNECTMODE_NORMAL));
        EXPECT_EQ(App.Reply(lineDrop(Call, nullptr, 0)), 0u);
        App.WaitState(LINECALLSTATE_IDLE);
        lineDeallocateCall(Call);
    }
}

TEST_F(ModemLine, DroppedOfferRingsOutWithoutANewCall)
{
    OpenInService();
    HCALL Call = Offer(App, Modem, {});
    EXPECT_EQ(App.Reply(lineDrop(Call, nullptr, 0)), 0u);
    App.WaitState(LINECALLSTATE_IDLE);
    lineDeallocateCall(Call);
    App.Forget();
    Modem.Send({"RING"});
    Modem.Send({"RING"}, 100);
    // Once they have stopped, a new ring is a new call.
    EXPECT_TRUE(Eventually([] {
        service::TServiceLock L;
        auto m = service::modem::RunningModemLine(0);
        return m && !m->IgnoringRings();
    }));
    EXPECT_EQ(App.WaitFor(LINE_APPNEWCALL, 0).dwMessageID, 0xFFFFFFFFu);
    Modem.Send({"RING"});
    EXPECT_EQ(App.WaitFor(LINE_APPNEWCALL).dwMessageID, LINE_APPNEWCALL);
}

TEST_F(ModemLine, OutgoingDataCallConnectsAndHandsItsPort)
{
    OpenInService();
    Modem.On("ATD5551212", {"CARRIER 33600", "PROTOCOL: LAPM", "CONNECT 33600/ARQ"}, 50);
    LINECALLPARAMS p = CallParams(LINEMEDIAMODE_DATAMODEM);
    HCALL Call = 0;
    uint32_t r = lineMakeCallA(Line, &Call, "555-1212", 0, &p);
    ASSERT_GT(r, 0u);
    EXPECT_EQ(App.Reply(r), 0u);
    App.WaitState(LINECALLSTATE_DIALING);
    App.WaitState(LINECALLSTATE_PROCEEDING);
    App.WaitState(LINECALLSTATE_CONNECTED);
    TCallInfo i;
    ASSERT_EQ(i.Get(Call), 0u);
    EXPECT_EQ(i->dwRate, 33600u);
    EXPECT_EQ(i->dwMediaMode, DWORD(LINEMEDIAMODE_DATAMODEM));

    std::vector<uint8_t> vb(256);
    auto* v = reinterpret_cast<VARSTRING*>(vb.data());
    v->dwTotalSize = static_cast<DWORD>(vb.size());
    ASSERT_EQ(lineGetIDA(Line, 0, Call, LINECALLSELECT_CALL, v, "comm/datamodem"), 0u);
    THandle h;
    std::memcpy(&h, vb.data() + v->dwStringOffset, 4);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(vb.data() + v->dwStringOffset + 4)), Modem.Port());
    ASSERT_TRUE(IsCommHandle(h));
    uint32_t w = 0;
    ASSERT_TRUE(WriteComm(h, "ping", 4, w, 1000));
    EXPECT_TRUE(Modem.WaitDataText("ping"));

    // Dropped: DTR ignored by this modem, so the escape sequence and ATH.
    r = lineDrop(Call, nullptr, 0);
    EXPECT_EQ(App.Reply(r), 0u);
    App.WaitState(LINECALLSTATE_IDLE);
    EXPECT_TRUE(Modem.WaitCommand("ATH"));
    EXPECT_FALSE(Modem.InData());
    // The port was taken back: the program's handle fails now.
    EXPECT_FALSE(WriteComm(h, "x", 1, w, 100));
    CloseHandle(h);
    lineDeallocateCall(Call);
}

TEST_F(ModemLine, OutgoingCallsThatFail)
{
    OpenInService();
    struct TCase {
        const char* Result;
        DWORD Mode;
    };
    const TCase Cases[] = {
        {"BUSY", LINEDISCONNECTMODE_BUSY},       {"NO DIALTONE", LINEDISCONNECTMODE_NODIALTONE},
        {"NO ANSWER", LINEDISCONNECTMODE_NOANSWER}, {"NO CARRIER", LINEDISCONNECTMODE_NOANSWER},
        {"ERROR", LINEDISCONNECTMODE_UNAVAIL},
    };
    LINECALLPARAMS p = CallParams(LINEMEDIAMODE_DATAMODEM);
    for (const TCase& c : Cases) {
        Modem.On("ATD123", {c.Result}, 20);
        HCALL Call = 0;
        uint32_t r = lineMakeCallA(Line, &Call, "123", 0, &p);
        ASSERT_GT(r, 0u);
        EXPECT_EQ(App.Reply(r), 0u) << c.Result;
        LINEMESSAGE d = App.WaitState(LINECALLSTATE_DISCONNECTED);
        EXPECT_EQ(d.dwParam2, c.Mode) << c.Result;
        EXPECT_EQ(App.Reply(lineDrop(Call, nullptr, 0)), 0u);
        App.WaitState(LINECALLSTATE_IDLE);
        lineDeallocateCall(Call);
    }
    // What the modem cannot do is refused at once.
    HCALL Call = 0;
    EXPECT_EQ(lineMakeCallA(Line, &Call, "123;ATZ", 0, &p), LINEERR_INVALADDRESS);
    p.dwMediaMode = LINEMEDIAMODE_G3FAX;
    EXPECT_EQ(lineMakeCallA(Line, &Call, "123", 0, &p), LINEERR_INVALMEDIAMODE);
}

TEST_F(ModemLine, VoiceCallDialledWithSemicolonConnectsOnVcon)
{
    OpenInService();
    Modem.On("ATD5551212;", {"OK"});
    LINECALLPARAMS p = CallParams(LINEMEDIAMODE_INTERACTIVEVOICE);
    HCALL Call = 0;
    uint32_t r = lineMakeCallA(Line, &Call, "5551212", 0, &p);
    EXPECT_EQ(App.Reply(r), 0u);
    App.WaitState(LINECALLSTATE_PROCEEDING);
    Modem.SendDle("r");
    App.WaitState(LINECALLSTATE_RINGBACK);
    Modem.Send({"VCON"});
    App.WaitState(LINECALLSTATE_CONNECTED);
    EXPECT_TRUE(Modem.WaitCommand("AT+FCLASS=8"));
    r = lineDrop(Call, nullptr, 0);
    EXPECT_EQ(App.Reply(r), 0u);
    App.WaitState(LINECALLSTATE_IDLE);
    EXPECT_TRUE(Modem.WaitCommand("AT+FCLASS=0"));
    lineDeallocateCall(Call);
}

TEST_F(ModemLine, UnpluggedMidCallAndPluggedBack)
{
    OpenInService();
    HCALL Call = ConnectedVoiceCall();
    Modem.Vanish();
    LINEMESSAGE d = App.WaitState(LINECALLSTATE_DISCONNECTED);
    EXPECT_EQ(d.dwParam2, DWORD(LINEDISCONNECTMODE_UNAVAIL));
    App.WaitDevState(LINEDEVSTATE_OUTOFSERVICE);
    EXPECT_FALSE(DevStatusFlags(Line) & LINEDEVSTATUSFLAGS_INSERVICE);
    LINECALLPARAMS p = CallParams(LINEMEDIAMODE_INTERACTIVEVOICE);
    HCALL Other = 0;
    EXPECT_EQ(lineMakeCallA(Line, &Other, "5551212", 0, &p), LINEERR_RESOURCEUNAVAIL);
    DropAndFree(Call);

    Modem.PlugBack();
    App.WaitDevState(LINEDEVSTATE_INSERVICE);
    DropAndFree(ConnectedVoiceCall());
}

TEST_F(ModemLine, ModemThatStopsAnsweringMidCall)
{
    OpenInService();
    HCALL Call = ConnectedVoiceCall();
    Modem.SetSilent(true);
    // Hanging up gets no answer: the drop fails, the modem is given up.
    uint32_t r = lineDrop(Call, nullptr, 0);
    EXPECT_EQ(App.Reply(r), LINEERR_OPERATIONFAILED);
    App.WaitDevState(LINEDEVSTATE_OUTOFSERVICE);
    App.WaitState(LINECALLSTATE_DISCONNECTED);
    DropAndFree(Call);
    Modem.SetSilent(false);
    App.WaitDevState(LINEDEVSTATE_INSERVICE);
}

class IdleModem : public ModemTest {
protected:
    kxtapi::modem::TModemConfig Config() override
    {
        auto c = TestModemConfig(Modem.Port(), false);
        c.KeepAlive = 100;
        return c;
    }
};

TEST_F(IdleModem, DataModemFoundSilentByItsKeepAliveAndBackAgain)
{
    OpenInService(LINEMEDIAMODE_DATAMODEM);
    TDevCaps d = Caps(App.App, static_cast<DWORD>(Device));
    EXPECT_EQ(d->dwMediaModes, DWORD(LINEMEDIAMODE_DATAMODEM));
    EXPECT_EQ(d->dwGenerateDigitModes, 0u);
    ASSERT_TRUE(Modem.WaitCommand("AT"));
    Modem.SetSilent(true);
    EXPECT_EQ(App.WaitDevState(LINEDEVSTATE_OUTOFSERVICE).dwMessageID, LINE_LINEDEVSTATE);
    // Why, until it answers again ("... does not answer", or a probe's "no answer in time").
    EXPECT_NE(Caps(App.App, static_cast<DWORD>(Device)).SwitchInfo().find("answer"), std::string::npos);
    Modem.SetSilent(false);
    EXPECT_EQ(App.WaitDevState(LINEDEVSTATE_INSERVICE).dwMessageID, LINE_LINEDEVSTATE);
    // A voice call is refused by a modem without voice.
    LINECALLPARAMS p = CallParams(LINEMEDIAMODE_INTERACTIVEVOICE);
    HCALL Call = 0;
    EXPECT_EQ(lineMakeCallA(Line, &Call, "123", 0, &p), LINEERR_INVALMEDIAMODE);
}

class MissingModem : public ModemTest {
protected:
    kxtapi::modem::TModemConfig Config() override
    {
        auto c = TestModemConfig(Modem.Port(), true);
        c.Init = {"AT&F1"};
        return c;
    }
    void SetUp() override
    {
        Modem.Vanish();
        ModemTest::SetUp();
    }
};

TEST_F(MissingModem, OutOfServiceUntilItAppearsAndAnswersItsInit)
{
    ASSERT_EQ(lineOpenA(App.App, static_cast<DWORD>(Device), &Line, 0x00020001, 0, 7, LINECALLPRIVILEGE_OWNER,
                        LINEMEDIAMODE_DATAMODEM, nullptr),
              0u);
    ASSERT_EQ(lineSetStatusMessages(Line, LINEDEVSTATE_RINGING | LINEDEVSTATE_INSERVICE | LINEDEVSTATE_OUTOFSERVICE, 0), 0u);
    EXPECT_FALSE(DevStatusFlags(Line) & LINEDEVSTATUSFLAGS_INSERVICE);
    EXPECT_TRUE(Eventually([&] {
        return Caps(App.App, static_cast<DWORD>(Device)).SwitchInfo().rfind("cannot open " + Modem.Port(), 0) == 0;
    })) << Caps(App.App, static_cast<DWORD>(Device)).SwitchInfo();
    LINECALLPARAMS p = CallParams(LINEMEDIAMODE_DATAMODEM);
    HCALL Call = 0;
    EXPECT_EQ(lineMakeCallA(Line, &Call, "123", 0, &p), LINEERR_RESOURCEUNAVAIL);

    // It appears, but refuses the init command: still out of service, and why.
    Modem.PlugBack();
    ASSERT_TRUE(Modem.WaitCommand("AT&F1", 2));   // refused, tried again
    EXPECT_FALSE(DevStatusFlags(Line) & LINEDEVSTATUSFLAGS_INSERVICE);
    EXPECT_EQ(Caps(App.App, static_cast<DWORD>(Device)).SwitchInfo(), Modem.Port() + ": AT&F1: ERROR");
    Modem.On("AT&F1", {"OK"});
    EXPECT_EQ(App.WaitDevState(LINEDEVSTATE_INSERVICE).dwMessageID, LINE_LINEDEVSTATE);
}

}  // namespace
