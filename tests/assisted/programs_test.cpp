// Make-call requests between programs: sent by the request tool or a raw
// socket, received by this program or by recipient programs of its own;
// the choice among several recipients, stale sockets, damaged input and
// floods.

#include "assisted_fixture.h"

#include "service/requests/listener.h"
#include "service/requests/request_dir.h"
#include "service/requests/socket_io.h"
#include "service/requests/wire.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

namespace kxtapi::testing {
namespace {

using namespace kxtapi::service;
using Programs = AssistedTest;

// A connection to this program's own socket, as another program makes it.
TFd ConnectToOwnSocket()
{
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    const std::string Path = RequestListener().Get_SocketPath();
    std::memcpy(a.sun_path, Path.c_str(), Path.size() + 1);
    TFd Fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (connect(Fd.Get(), reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0) return TFd();
    return Fd;
}

// Sends Bytes on a fresh connection and reads the reply: its result, or
// -1 when the connection was closed without one.
int64_t Exchange(const std::vector<uint8_t>& Bytes, bool CloseAfterSending = false)
{
    TFd Fd = ConnectToOwnSocket();
    if (!Fd || !SendAll(Fd.Get(), Bytes, 1000)) return -2;
    if (CloseAfterSending) shutdown(Fd.Get(), SHUT_WR);
    TWireMessage Reply;
    if (ReceiveWireMessage(Fd.Get(), 5000, Reply) != wsComplete) return -1;
    return Reply.Result;
}

TEST_F(Programs, ARequestFromAnotherProgramIsRaisedOnTheMainThread)
{
    TTapiApplication& App = *TapiApplication;
    App.Set_AssistMakeCall(true);
    App.OnRequestMakeCall = Recorder(Seen);
    std::string Errors;
    ASSERT_EQ(RunRequestTool({"+49 30 1234567", "--app", "Address Book", "--called", "Anna", "--comment=urgent"},
                             &Errors),
              0)
        << Errors;
    ASSERT_EQ(RunRequestTool({"555 0100", "--app", "Dialer"}), 0);
    // Longer than the record holds: cut, never overflowing.
    ASSERT_EQ(RunRequestTool({"1", "--called", std::string(300, 'p')}), 0);
    ASSERT_TRUE(PumpUntil([&] { return Seen.size() == 3; }));
    EXPECT_EQ(Seen[0].Sender, &App);
    EXPECT_EQ(Seen[0].Thread, std::this_thread::get_id());
    EXPECT_EQ(Seen[0].DestAddress, "+49 30 1234567");
    EXPECT_EQ(Seen[0].AppName, "Address Book");
    EXPECT_EQ(Seen[0].CalledParty, "Anna");
    EXPECT_EQ(Seen[0].Comment, "urgent");
    EXPECT_EQ(Seen[1].DestAddress, "555 0100");
    EXPECT_EQ(Seen[1].AppName, "Dialer");
    EXPECT_EQ(Seen[1].Comment, "") << "no comment given";
    EXPECT_EQ(Seen[2].CalledParty, std::string(TAPIMAXCALLEDPARTYSIZE - 1, 'p'));

    EXPECT_EQ(RunRequestTool({std::string(80, '5')}, &Errors), 1);
    EXPECT_NE(Errors.find("1 to 79 characters"), std::string::npos) << Errors;
    EXPECT_EQ(RunRequestTool({}, &Errors), 2);
    EXPECT_NE(Errors.find("usage:"), std::string::npos);
}

TEST_F(Programs, WithoutRecipientTheToolFailsClearlyAndFast)
{
    std::string Errors;
    int Millis = 0;
    EXPECT_EQ(RunRequestTool({"555"}, &Errors, &Millis), 1);
    EXPECT_NE(Errors.find("no program is registered to place calls"), std::string::npos) << Errors;
    EXPECT_LT(Millis, 5000) << "the tool's start included; a hang would be far longer";

    // A socket left by a program that died is removed on the way.
    pid_t Dead = 0;
    {
        TChild Short("/bin/sh", {"-c", "echo $$"});
        Dead = static_cast<pid_t>(std::stol(Short.ReadLine()));
        ASSERT_EQ(Short.Wait(), 0);
    }
    ASSERT_EQ(CheckRequestDir(RequestDirectory(), true), "");
    const std::string Stale = RecipientSocketPath(RequestDirectory(), Dead);
    {
        TFd Fd(socket(AF_UNIX, SOCK_STREAM, 0));
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::memcpy(a.sun_path, Stale.c_str(), Stale.size() + 1);
        ASSERT_EQ(bind(Fd.Get(), reinterpret_cast<const sockaddr*>(&a), sizeof a), 0);
        chmod(Stale.c_str(), 0600);
    }
    EXPECT_EQ(RunRequestTool({"555"}, &Errors, &Millis), 1);
    EXPECT_NE(Errors.find("no program is registered"), std::string::npos) << Errors;
    EXPECT_NE(access(Stale.c_str(), F_OK), 0) << "stale socket removed";
}

TEST_F(Programs, PriorityFirstThenTheMostRecentRegistration)
{
    TChild Preferred(KXTAPI_RECIPIENT_HELPER, {"--prefer"});
    ASSERT_EQ(Preferred.ReadLine(), "ready") << Preferred.Errors();
    TChild Later(KXTAPI_RECIPIENT_HELPER, {});
    ASSERT_EQ(Later.ReadLine(), "ready") << Later.Errors();

    // The preferred program wins over one that registered after it.
    ASSERT_EQ(Sim.RequestMakeCall("100", "Test", "First", "x"), 0u);
    EXPECT_EQ(Preferred.ReadLine(), "request 100|Test|First|x");

    // Without it, the most recent registration: first the other program,
    // then this one once it registers.
    Preferred.CloseInput();
    ASSERT_EQ(Preferred.Wait(), 0);
    ASSERT_EQ(Sim.RequestMakeCall("200"), 0u);
    EXPECT_EQ(Later.ReadLine(), "request 200|||");
    TapiApplication->Set_AssistMakeCall(true);
    TapiApplication->OnRequestMakeCall = Recorder(Seen);
    ASSERT_EQ(RunRequestTool({"300"}), 0);
    ASSERT_TRUE(PumpUntil([&] { return Seen.size() == 1; }));
    EXPECT_EQ(Seen[0].DestAddress, "300");

    // This program is registered too: a program that ends is passed over.
    TapiApplication->Set_AssistMakeCall(false);
    Later.CloseInput();
    ASSERT_EQ(Later.Wait(), 0);
    EXPECT_EQ(Sim.RequestMakeCall("400"), TAPIERR_NOREQUESTRECIPIENT);
}

TEST_F(Programs, DamagedInputIsRefusedWithoutHarm)
{
    TTapiApplication& App = *TapiApplication;
    App.Set_AssistMakeCall(true);
    App.OnRequestMakeCall = Recorder(Seen);

    const std::vector<uint8_t> Good = WriteMakeCall("555", "A", "B", "C");
    EXPECT_EQ(Exchange({'G', 'E', 'T', ' ', '/'}), int64_t{TAPIERR_REQUESTFAILED});
    EXPECT_EQ(Exchange({'K', 'X', 'M', 'C', 9, 2, 0, 0}), int64_t{TAPIERR_REQUESTFAILED}) << "version";
    EXPECT_EQ(Exchange({'K', 'X', 'M', 'C', 1, 2, 0xFF, 0xFF}), int64_t{TAPIERR_REQUESTFAILED}) << "oversized";
    EXPECT_EQ(Exchange(WriteMakeCallReply(0)), int64_t{TAPIERR_REQUESTFAILED}) << "a reply is no request";
    EXPECT_EQ(Exchange(WriteMakeCall("", "A", "", "")), int64_t{TAPIERR_INVALDESTADDRESS});
    std::vector<uint8_t> Truncated(Good.begin(), Good.end() - 2);
    EXPECT_EQ(Exchange(Truncated, true), -1) << "truncated: closed without an answer";
    {
        // A sender that stalls holds the socket for a bounded time only.
        TFd Stalled = ConnectToOwnSocket();
        ASSERT_TRUE(Stalled);
        const auto Start = std::chrono::steady_clock::now();
        EXPECT_EQ(Exchange(Good), 0);
        EXPECT_LT(std::chrono::steady_clock::now() - Start, std::chrono::milliseconds(ServeTimeoutMs + 4000));
    }
    EXPECT_EQ(Exchange(Good), 0);
    ASSERT_TRUE(PumpUntil([&] { return Seen.size() == 2; }));
    EXPECT_EQ(Seen[0].DestAddress, "555");
    EXPECT_EQ(Seen[1].Comment, "C");

    // Its rank, as other programs ask for it.
    TFd Fd = ConnectToOwnSocket();
    ASSERT_TRUE(SendAll(Fd.Get(), WriteQuery(), 1000));
    TWireMessage Reply;
    ASSERT_EQ(ReceiveWireMessage(Fd.Get(), 2000, Reply), wsComplete);
    EXPECT_EQ(Reply.Kind, wkQueryReply);
    EXPECT_EQ(Reply.Result, 0u);
    EXPECT_EQ(Reply.PriorityStamp, 0u);
    EXPECT_GT(Reply.RegistrationStamp, 0u);
}

TEST_F(Programs, AFloodIsBoundedByTheQueue)
{
    TTapiApplication& App = *TapiApplication;
    App.Set_AssistMakeCall(true);
    App.OnRequestMakeCall = Recorder(Seen);
    const std::vector<uint8_t> Request = WriteMakeCall("555", "", "", "");
    int Taken = 0, Full = 0;
    for (int i = 0; i < 100; ++i) {
        const int64_t r = Exchange(Request);
        if (r == 0) ++Taken;
        else if (r == int64_t{TAPIERR_REQUESTQUEUEFULL}) ++Full;
    }
    EXPECT_EQ(Taken, 64);
    EXPECT_EQ(Full, 36);
    ASSERT_TRUE(PumpUntil([&] { return Seen.size() == 64; }));
    EXPECT_EQ(Exchange(Request), 0) << "fetched requests make room";
    EXPECT_TRUE(PumpUntil([&] { return Seen.size() == 65; }));
}

}  // namespace
}  // namespace kxtapi::testing
