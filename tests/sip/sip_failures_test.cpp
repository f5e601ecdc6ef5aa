// What the network may do to a line: a far end that vanishes mid-call,
// garbage and malformed SIP or SDP, and a flood of INVITEs. The service
// keeps working through all of it.

#include "sip_fixture.h"

#include <arpa/inet.h>
#include <map>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kxtapi::testing {
namespace {

using SipFailuresTest = SipTest;

// A UDP socket on 127.0.0.1 that speaks raw SIP to one port.
class TRawSip {
public:
    explicit TRawSip(uint16_t To)
    {
        FSocket = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(FSocket, reinterpret_cast<sockaddr*>(&a), sizeof a);
        socklen_t l = sizeof a;
        ::getsockname(FSocket, reinterpret_cast<sockaddr*>(&a), &l);
        FLocal = ntohs(a.sin_port);
        a.sin_port = htons(To);
        ::connect(FSocket, reinterpret_cast<sockaddr*>(&a), sizeof a);
        FTo = To;
    }
    ~TRawSip() { ::close(FSocket); }

    void Send(const std::string& Text) { (void)::send(FSocket, Text.data(), Text.size(), 0); }

    std::string Invite(const std::string& CallID, const std::string& Sdp) const
    {
        const std::string Me = "127.0.0.1:" + std::to_string(FLocal);
        const std::string Them = "sip:alice@127.0.0.1:" + std::to_string(FTo);
        return "INVITE " + Them + " SIP/2.0\r\nVia: SIP/2.0/UDP " + Me + ";branch=z9hG4bK" + CallID +
               "\r\nMax-Forwards: 70\r\nFrom: \"Raw\" <sip:raw@" + Me + ">;tag=t" + CallID + "\r\nTo: <" + Them +
               ">\r\nCall-ID: " + CallID + "\r\nCSeq: 1 INVITE\r\nContact: <sip:raw@" + Me +
               ">\r\nContent-Type: application/sdp\r\nContent-Length: " + std::to_string(Sdp.size()) + "\r\n\r\n" +
               Sdp;
    }

    /// Final responses (status >= 200) that arrive within Ms, by status.
    std::map<int, int> Finals(int Ms, size_t Until = SIZE_MAX)
    {
        std::map<int, int> Count;
        size_t Total = 0;
        const auto Deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(Ms);
        while (Total < Until) {
            auto Left = std::chrono::duration_cast<std::chrono::milliseconds>(Deadline - std::chrono::steady_clock::now());
            if (Left.count() <= 0) break;
            pollfd p{FSocket, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(Left.count())) <= 0) break;
            char Buf[4096];
            ssize_t n = ::recv(FSocket, Buf, sizeof Buf, 0);
            if (n < 12 || std::string(Buf, 8) != "SIP/2.0 ") continue;
            int Status = std::atoi(std::string(Buf + 8, 3).c_str());
            if (Status >= 200) {
                ++Count[Status];
                ++Total;
            }
        }
        return Count;
    }

private:
    int FSocket = -1;
    uint16_t FLocal = 0, FTo = 0;
};

std::string Sdp(const std::string& Media)
{
    return "v=0\r\no=- 1 1 IN IP4 127.0.0.1\r\ns=-\r\nc=IN IP4 127.0.0.1\r\nt=0 0\r\n" + Media;
}

// The line still takes a call from baresip.
void StillWorks(TTapiLine& Line, const std::string& Uri)
{
    TBaresip Bob;
    ASSERT_TRUE(Bob.Ready());
    ASSERT_TRUE(Bob.Command("dial", Uri));
    TTapiCall* c = nullptr;
    ASSERT_TRUE(PumpUntil([&] {
        for (int i = 0; i < Line.Get_Calls()->Count(); ++i)
            if (Line.Get_Calls()->Get(i)->Get_CallerID()->GetAddress() == "bob") c = Line.Get_Calls()->Get(i);
        return c != nullptr;
    }));
    c->Answer();
    ASSERT_FALSE(Bob.WaitEvent("CALL_ESTABLISHED").is_null());
    c->Drop();
}

TEST_F(SipFailuresTest, AFarEndThatVanishesIsReportedDisconnected)
{
    std::vector<TSipLineSpec> Lines{{"Office", "alice", "\"rtp_timeout\": 1"}};
    Configure(Lines);
    TTapiLine Line(nullptr);
    Open(Line, "Office");
    TBaresip Bob;
    ASSERT_TRUE(Bob.Ready());
    TTapiCall* Call = Line.MakeCall(Bob.Uri());
    ASSERT_TRUE(PumpUntil([&] { return Call->GetCallStatusDW(0) == LINECALLSTATE_CONNECTED; }));
    // RTP flows: the call stays up past the time-out.
    PumpUntil([] { return false; }, 1500);
    ASSERT_EQ(Call->GetCallStatusDW(0), LINECALLSTATE_CONNECTED);
    // Killed: no BYE ever comes; the silence tells.
    Bob.Kill();
    ASSERT_TRUE(PumpUntil([&] { return Call->GetCallStatusDW(0) == LINECALLSTATE_DISCONNECTED; }, 4000));
    EXPECT_EQ(Call->GetCallStatusDW(1), LINEDISCONNECTMODE_UNREACHABLE);
}

TEST_F(SipFailuresTest, GarbageAndMalformedRequestsChangeNothing)
{
    std::vector<TSipLineSpec> Lines{{"Office", "alice"}};
    Configure(Lines);
    TTapiLine Line(nullptr);
    Open(Line, "Office");
    TRawSip Raw(Lines[0].Port);
    static const char Garbage[] = "\x00\x01\x02 not SIP at all\r\n\r\n";
    Raw.Send(std::string(Garbage, sizeof Garbage - 1));
    Raw.Send("INVITE sip:alice@127.0.0.1 SIP/2.0\r\nVia: broken\r\n\r\n");
    Raw.Send("INVITE  SIP/2.0\r\n\r\n");
    Raw.Send(std::string(3000, 'A'));
    // SDP that is not SDP, and SDP without a codec of ours: 488 both.
    Raw.Send(Raw.Invite("bad-sdp", "m=audio notaport RTP/AVP zero\r\nc=IN IP9 nowhere\r\n"));
    Raw.Send(Raw.Invite("g729", Sdp("m=audio 40000 RTP/AVP 18\r\na=rtpmap:18 G729/8000\r\n")));
    auto Finals = Raw.Finals(3000, 2);
    EXPECT_EQ(Finals[488], 2);
    PumpUntil([] { return false; }, 100);
    EXPECT_EQ(Line.Get_Calls()->Count(), 0);
    StillWorks(Line, Lines[0].Uri());
}

TEST_F(SipFailuresTest, AFloodOfInvitesIsBoundedByMaxCalls)
{
    std::vector<TSipLineSpec> Lines{{"Office", "alice", "\"max_calls\": 2"}};
    Configure(Lines);
    TTapiLine Line(nullptr);
    Open(Line, "Office");
    TRawSip Raw(Lines[0].Port);
    const int Flood = 60;
    for (int i = 0; i < Flood; ++i)
        Raw.Send(Raw.Invite("flood" + std::to_string(i), Sdp("m=audio 40000 RTP/AVP 0\r\na=rtpmap:0 PCMU/8000\r\n")));
    auto Finals = Raw.Finals(5000, Flood - 2);
    EXPECT_EQ(Finals[486], Flood - 2);
    ASSERT_TRUE(PumpUntil([&] { return Line.Get_Calls()->Count() == 2; }));
    PumpUntil([] { return false; }, 200);
    EXPECT_EQ(Line.Get_Calls()->Count(), 2) << "no more than max_calls were offered";
    // Once they are gone the line takes calls again.
    std::vector<TTapiCall*> Offered;
    for (int i = 0; i < Line.Get_Calls()->Count(); ++i) Offered.push_back(Line.Get_Calls()->Get(i));
    for (TTapiCall* c : Offered) c->Drop();
    ASSERT_TRUE(PumpUntil([&] { return Line.Get_Calls()->Count() == 0; }));
    StillWorks(Line, Lines[0].Uri());
}

}  // namespace
}  // namespace kxtapi::testing
