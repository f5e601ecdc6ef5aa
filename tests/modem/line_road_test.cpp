// The line component on the modem provider, as a program uses it: the
// road of an incoming call answered with caller ID, an outgoing data call
// whose port a serial-port component takes over, a busy number, and
// private and unavailable callers.
#include "../line/line_fixture.h"
#include "modem_fixture.h"

#include "service/providers/modem/modem_provider.h"
#include "service/service_lock.h"

#include "kxtapi/kxtapi.h"
#include "kxtapi/kxtapicomm.h"

#include <chrono>
#include <thread>

using namespace kxtapi;
using namespace kxtapi::testing;

namespace {

class ModemRoad : public ::testing::Test {
protected:
    ModemRoad()
    {
        Application()->SetMainThread();
        kxtapi::modem::SetModemDevices({TestModemConfig(Modem.Port(), true)});
    }
    ~ModemRoad() override
    {
        Line.Set_Active(false);
        if (TapiApplication->IsActive()) TapiApplication->Shutdown();
        kxtapi::modem::SetModemDevices({});
        Application()->ProcessMessages();
    }
    /// Opens the line "Test Modem" for voice and data calls and waits until
    /// the modem has been probed.
    void Open()
    {
        Line.Set_MediaModes(LINEMEDIAMODE_INTERACTIVEVOICE | LINEMEDIAMODE_DATAMODEM);
        Line.Set_DeviceName("Test Modem");
        Line.Set_Active(true);
        ASSERT_TRUE(Line.Get_Active());
        ASSERT_TRUE(Eventually([] {
            service::TServiceLock L;
            auto m = service::modem::RunningModemLine(0);
            return m && m->ModemState() == service::modem::msReady;
        }));
    }
    void Attach()
    {
        Log.Attach(Line);
        Line.OnCallerID = [this](TObject*, TTapiCall* Call) {
            Number = Call->Get_CallerID()->GetAddress();
            Name = Call->Get_CallerID()->GetName();
            Flags = Call->Get_CallerID()->GetFlags();
            Log.Add("CallerID");
        };
    }
    test::TScriptedModem Modem{true};
    TTapiLine Line{nullptr};
    TEventLog Log;
    std::string Number, Name;
    uint32_t Flags = 0;
};

TEST_F(ModemRoad, IncomingCallAnsweredWithCallerIDFromOfferToFree)
{
    Attach();
    Open();
    Modem.Send({"RING"});
    Modem.Send({"DATE = 0321", "TIME = 1405", "NMBR = 5551212", "NAME = DOE JOHN"}, 100);
    Modem.Send({"RING"}, 200);
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("CallerID") && Log.Has("Ring 2"); }));
    EXPECT_EQ(Number, "5551212");
    EXPECT_EQ(Name, "DOE JOHN");
    ASSERT_EQ(Line.Get_Calls()->Count(), 1);
    TTapiCall* Call = Line.Get_Calls()->Get(0);

    Modem.On("ATA", {"VCON"}, 20);
    Call->Answer();   // SyncMode: returns with the reply handled
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("Connected"); }));
    Modem.SendDle("l");   // the caller hangs up
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("CallDeallocate"); }));
    EXPECT_EQ(Line.Get_Calls()->Count(), 0);
    EXPECT_EQ(Log.Only({"NewCall", "CallState 2", "Offering", "CallBegin", "Ring 1", "CallerID", "Ring 2", "Reply 0",
                        "CallState 100", "Connected", "CallState 4000", "Disconnected", "CallState 1", "Idle",
                        "CallEnd", "CallDeallocate"}),
              (std::vector<std::string>{"NewCall", "CallState 2", "Offering", "CallBegin", "Ring 1", "CallerID",
                                        "Ring 2", "Reply 0", "CallState 100", "Connected", "CallState 4000",
                                        "Disconnected", "Reply 0", "CallState 1", "Idle", "CallEnd",
                                        "CallDeallocate"}))
        << "the line drops the disconnected call itself: its reply comes before IDLE";
    EXPECT_TRUE(Modem.WaitCommand("AT+FCLASS=0"));   // the modem left voice mode
}

TEST_F(ModemRoad, PrivateAndUnavailableCallers)
{
    Attach();
    Open();
    struct TCase {
        std::vector<std::string> Block;
        uint32_t Flags;
    };
    const TCase Cases[] = {
        {{"DATE=0321", "TIME=1405", "NMBR=P"}, LINECALLPARTYID_BLOCKED},
        {{"NMBR = O", "NAME = O"}, LINECALLPARTYID_OUTOFAREA},
    };
    for (const TCase& c : Cases) {
        Log.Names.clear();
        Number = "x";
        Modem.Send({"RING"});
        Modem.Send(c.Block, 50);
        ASSERT_TRUE(PumpUntil([&] { return Log.Has("CallerID"); }));
        EXPECT_EQ(Number, "");
        EXPECT_EQ(Flags, c.Flags);
        // Not answered: the rings stop, the line drops and frees the call.
        ASSERT_TRUE(PumpUntil([&] { return Log.Has("CallDeallocate"); }));
    }
}

TEST_F(ModemRoad, OutgoingDataCallHandsItsPortToAComPort)
{
    Line.Get_CallOptions()->Get_Comm()->Set_Enabled(true);
    Attach();
    Open();
    Modem.On("ATD5551212", {"CONNECT 33600"}, 30);
    Line.Get_CallParams()->Set_MediaMode(LINEMEDIAMODE_DATAMODEM);
    TTapiCall* Call = Line.MakeCall("555 1212");
    ASSERT_NE(Call, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("Connected"); }));
    ASSERT_TRUE(Call->Get_CommDevice()->Get_Available());

    TComPort Port(nullptr);
    Port.Set_Handle(Call->Get_CommDevice()->Get_Handle());
    std::string In;
    Port.OnIncomingData = [&](TObject*, const std::string& Data) { In += Data; };
    Port.Open();
    Port.Write("hello modem");
    EXPECT_TRUE(Modem.WaitDataText("hello modem"));
    Modem.SendRaw("hello program");
    ASSERT_TRUE(PumpUntil([&] { return In.find("hello program") != std::string::npos; }));

    // The far modem hangs up: the call ends and the port is taken back.
    Modem.DropCarrier();
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("Disconnected"); }));
    EXPECT_FALSE(Call->Get_CommDevice()->Get_Available());
    EXPECT_THROW(Port.Write("too late"), EComPort);
    Port.Close();
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("CallDeallocate"); }));
}

TEST_F(ModemRoad, OutgoingCallToABusyNumber)
{
    Attach();
    Open();
    Modem.On("ATD5550000", {"BUSY"}, 30);
    Line.Get_CallParams()->Set_MediaMode(LINEMEDIAMODE_DATAMODEM);
    TTapiCall* Call = Line.MakeCall("5550000");
    ASSERT_NE(Call, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("Disconnected"); }));
    EXPECT_EQ(Call->GetCallStatusDW(1), LINEDISCONNECTMODE_BUSY);
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("CallDeallocate"); }));
}

}  // namespace
