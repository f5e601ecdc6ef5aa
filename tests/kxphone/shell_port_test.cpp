// A scripted shell session on the simulated switch, and the serial terminal
// over a pseudo-terminal.

#include "kxphone_fixture.h"

#include "pty_pair.h"

#include <csignal>

namespace kxtapi::testing {
namespace {

TEST(KxphoneShell, AScriptedSessionControlsCallsAndPlaysTheFarEnd)
{
    TProcess P(KxphonePath(), {"shell"});
    P.Write(R"(help
open "simulated line 1"
open 1
line "Simulated Line 1"
dial 202
wait OFFERING
answer #2
wait CONNECTED #1
calls
hold #1
wait ONHOLD #1
unhold #1
wait CONNECTED #1
far digits #1 34
wait DIGIT #1
wait DIGIT #1
park #1
wait IDLE #1
unpark 701
wait CONNECTED #3
drop #3
wait IDLE #3
far call "Simulated Line 1" "+49 89 1234" "Zoë"
wait CALLERID #4
far call 0 withheld
wait CALLERID #5
answer
bogus
answer #99
dial
close "Simulated Line 2"
calls
quit
)");
    P.CloseInput();
    EXPECT_EQ(P.Wait(), 1) << "commands failed: " << P.Err();
    const std::vector<std::string> Out = P.OutLines();
    // help lists every command with its arguments.
    for (const char* Command : {"open LINE", "close [LINE]", "dial [#CALL] NUMBER", "answer [CALL]", "drop [CALL]",
                                "hold [CALL]", "unhold [CALL]", "transfer CALL NUMBER", "consult [CALL]",
                                "complete CALL", "conference [CALL]", "join CALL CONFERENCE", "park CALL [ADDRESS]",
                                "unpark ADDRESS", "redirect CALL NUMBER", "send CALL DIGITS", "gather CALL COUNT",
                                "far ACTION", "calls", "wait EVENT", "quit"})
        EXPECT_FALSE(LinesWith(Out, Command).empty()) << Command;
    const std::vector<std::string> Wanted = {
        "opened \"Simulated Line 1\" (line 0, address 201)",
        "opened \"Simulated Line 2\" (line 1, address 202)",
        "* line 0  \"Simulated Line 1\"",
        "call #1 to 202",
        "Simulated Line 1  #1  DIALTONE",
        "Simulated Line 2  #2  OFFERING",
        "Simulated Line 2  #2  CONNECTED",
        "Simulated Line 1  #1  CONNECTED",
        "#1  Simulated Line 1  CONNECTED  outgoing",
        "#2  Simulated Line 2  CONNECTED  incoming  caller=201 (Simulated Line 1)",
        "Simulated Line 1  #1  ONHOLD",
        "Simulated Line 1  #1  CONNECTED",
        "Simulated Line 1  #1  DIGIT  digit=\"3\"",
        "Simulated Line 1  #1  DIGIT  digit=\"4\"",
        "#1 parked at 701",
        "Simulated Line 1  #1  IDLE",
        "call #3 from 701",
        "Simulated Line 1  #3  CONNECTED",
        "Simulated Line 1  #3  IDLE",
        "Simulated Line 1  #4  OFFERING",
        "Simulated Line 1  #4  CALLERID  number=\"+49 89 1234\"  name=\"Zoë\"",
        "Simulated Line 1  #5  CALLERID  withheld=yes",
        "closed \"Simulated Line 2\"",
        "#4  Simulated Line 1  OFFERING  incoming  caller=+49 89 1234 (Zoë)",
        "#5  Simulated Line 1  OFFERING  incoming  caller=withheld",
    };
    EXPECT_EQ(FoundInOrder(Out, Wanted), Wanted.size()) << P.Out();
    // Each wrong command said what was wrong, once, and changed nothing.
    const std::vector<std::string> Errors = {
        "error: the current line has 2 calls: name one (calls lists them)",
        "error: unknown command \"bogus\"; \"help\" lists the commands",
        "error: there is no call #99 (calls lists them)",
        "error: usage: dial [#CALL] NUMBER",
    };
    std::vector<std::string> ErrLines;
    for (size_t s = 0, e; s < P.Err().size(); s = e + 1) {
        e = P.Err().find('\n', s);
        ErrLines.push_back(P.Err().substr(s, e - s));
    }
    EXPECT_EQ(ErrLines, Errors);
}

TEST(KxphoneShell, AWaitThatIsNotMetFailsInTimeAndTheShellGoesOn)
{
    TProcess P(KxphonePath(), {"shell"});
    P.Write("open 0\nwait CONNECTED 100\ncalls\n");
    P.CloseInput();
    EXPECT_EQ(P.Wait(), 1);
    EXPECT_EQ(P.Err(), "error: no CONNECTED within 100 ms\n");
    EXPECT_FALSE(LinesWith(P.OutLines(), "no calls").empty());
}

TEST(KxphoneShell, CallsOtherProgramsAskForAreReceivedAndDialled)
{
    TProcess P(KxphonePath(), {"shell"});
    P.Write(R"(request 555
assist on
request "+1 206 555 0100" "Address Book" Reception "call back"
wait REQUEST
open 0
open 1
line 0
assist on dial
request 202
wait REQUEST
wait OFFERING
assist off
request 203
quit
)");
    P.CloseInput();
    EXPECT_EQ(P.Wait(), 1) << "the requests without a recipient failed: " << P.Err();
    const std::vector<std::string> Wanted = {
        "receiving call requests",
        "asked for a call to +1 206 555 0100",
        "requests  --  REQUEST  number=\"+1 206 555 0100\"  app=\"Address Book\"  called=\"Reception\"  "
        "comment=\"call back\"",
        "receiving call requests; each is dialled from the current line",
        "requests  --  REQUEST  number=\"202\"  app=\"\"  called=\"\"  comment=\"\"",
        "call #1 to 202 as requested",
        "Simulated Line 2  #2  OFFERING",
        "no longer receiving call requests",
    };
    EXPECT_EQ(FoundInOrder(P.OutLines(), Wanted), Wanted.size()) << P.Out();
    const std::string NoRecipient =
        "error: no program is registered to place calls for others (\"assist on\" registers this one)\n";
    EXPECT_EQ(P.Err(), NoRecipient + NoRecipient);
}

TEST(KxphoneShell, APhoneIsWorkedWhileTheSwitchPlaysItsUser)
{
    TProcess P(KxphonePath(), {"shell"});
    P.Write(R"(phone open "Simulated Phone 1"
phone display "Hello there"
wait DISPLAY
phone hook off
wait HOOKSWITCH
phone lamp 12 flash
wait LAMP
phone ring 2
wait RINGMODE
user press 0 42
wait KEYUP
wait KEYUP
user replace 0
wait HOOKSWITCH
phone lamp 99 steady
phone close
)");
    P.CloseInput();
    EXPECT_EQ(P.Wait(), 1) << P.Err();
    const std::vector<std::string> Wanted = {
        "opened phone \"Simulated Phone 1\"",
        "Simulated Phone 1  --  DISPLAY  text=\"Hello there",
        "Simulated Phone 1  --  HOOKSWITCH  device=handset  state=offhook",
        "Simulated Phone 1  --  LAMP  lamp=12  mode=",
        "Simulated Phone 1  --  RINGMODE  mode=2",
        "Simulated Phone 1  --  KEYDOWN  key=\"4\"",
        "Simulated Phone 1  --  KEYUP  key=\"4\"",
        "Simulated Phone 1  --  KEYDOWN  key=\"2\"",
        "Simulated Phone 1  --  KEYUP  key=\"2\"",
        "Simulated Phone 1  --  HOOKSWITCH  device=handset  state=onhook",
        "closed phone \"Simulated Phone 1\"",
    };
    EXPECT_EQ(FoundInOrder(P.OutLines(), Wanted), Wanted.size()) << P.Out();
    EXPECT_EQ(P.Err(), "error: the phone has no lamp 99\n");
}

TEST(KxphonePort, SendsTypedLinesShowsWhatComesAndReportsTokens)
{
    test::TPtyPair Pty;
    // The device path in a short mode string keeps its case.
    TProcess P(KxphonePath(),
               {"port", "COM1", "--mode", Pty.SlavePath() + ":19200,n,8,1", "--on", "OK", "--on", "RING*3"});
    ASSERT_TRUE(P.WaitForOutput("OPENED")) << P.Err();
    P.Write("ATZ\n");
    EXPECT_EQ(Pty.Receive(5), "ATZ\r\n");
    Pty.Send("\r\nOK\r\n");
    ASSERT_TRUE(P.WaitForOutput("TOKEN  token=\"OK\"")) << P.Out();
    Pty.Send("RING 1\r\nRING ");
    Pty.Send("2");
    Pty.Send("\r\nRING 3\r\n");
    ASSERT_TRUE(P.WaitForOutput("TOKEN  token=\"RING*3\"")) << P.Out();
    P.Signal(SIGINT);
    EXPECT_EQ(P.Wait(), 0) << P.Err();
    const std::vector<std::string> Wanted = {
        "OPENED  port=\"" + Pty.SlavePath() + "\"  mode=\"BAUD=19200 PARITY=N DATA=8 STOP=1",
        "TX  data=\"ATZ\\r\\n\"", "RX  data=\"", "TOKEN  token=\"OK\"", "TOKEN  token=\"RING*3\""};
    EXPECT_EQ(FoundInOrder(P.OutLines(), Wanted), Wanted.size()) << P.Out();
}

TEST(KxphonePort, AVanishedDeviceEndsTheTerminalWithStatusOne)
{
    test::TPtyPair Pty;
    TProcess P(KxphonePath(), {"port", Pty.SlavePath()});
    ASSERT_TRUE(P.WaitForOutput("OPENED")) << P.Err();
    Pty.CloseMaster();
    EXPECT_EQ(P.Wait(), 1);
    EXPECT_FALSE(LinesWith(P.OutLines(), "hangup=yes").empty()) << P.Out();
}

}  // namespace
}  // namespace kxtapi::testing
