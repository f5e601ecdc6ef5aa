// Library exceptions that a program's event handlers let escape: swallowed
// by the session's dispatch, and handed to the program's exception hook with
// the event and the message they came from.

#include "line_fixture.h"

#include <exception>
#include <optional>

namespace kxtapi::testing {
namespace {

class HandlerExceptionsTest : public LineTest {
protected:
    void SetUp() override
    {
        Application()->OnException = [this](TObject* Sender, std::exception_ptr E) {
            EXPECT_EQ(Sender, Application());
            try {
                std::rethrow_exception(E);
            } catch (const ETapiEventError& Err) {
                Reported.push_back(Err);
            } catch (const std::exception& Other) {
                Unwrapped.push_back(Other.what());
            }
        };
    }
    void TearDown() override { Application()->OnException = nullptr; }

    std::vector<ETapiEventError> Reported;
    std::vector<std::string> Unwrapped;
};

/// The error code of the ETapiError Err carries (0 when it carries another).
uint32_t OriginalCode(const ETapiEventError& Err)
{
    try {
        std::rethrow_exception(Err.Original);
    } catch (const ETapiError& E) {
        return E.ErrorCode;
    } catch (...) {
    }
    return 0;
}

} // namespace

TEST_F(HandlerExceptionsTest, AFailedAnswerInsideOnOfferingReachesTheHook)
{
    TTapiLine Line(nullptr);
    Line.Get_Options()->Set_SyncMode(false);
    OpenLine(Line);
    sim::TSimFault Refuse;
    Refuse.Kind = sim::sfFailCall;
    Refuse.Function = "lineAnswer";
    Refuse.Error = LINEERR_RESOURCEUNAVAIL;
    Sim.InjectFault(Refuse);
    bool Began = false;
    Line.OnOffering = [](TObject*, TTapiCall* Call) { Call->Answer(); };
    Line.OnCallBegin = [&](TObject*, TTapiCall*) { Began = true; };
    Sim.OfferCall(0, "5550199");
    ASSERT_TRUE(PumpUntil([&] { return !Reported.empty(); }));
    const ETapiEventError& Err = Reported[0];
    EXPECT_EQ(Err.EventName, "OnOffering");
    EXPECT_EQ(Err.Sender, &Line);
    EXPECT_FALSE(Err.FromTick);
    EXPECT_TRUE(Err.IsLine);
    EXPECT_EQ(Err.MessageID, static_cast<uint32_t>(LINE_CALLSTATE));
    EXPECT_EQ(Err.Param1, static_cast<uint32_t>(LINECALLSTATE_OFFERING));
    EXPECT_EQ(Err.CallbackInstance, Line.Get_CallbackInstance());
    EXPECT_EQ(OriginalCode(Err), static_cast<uint32_t>(LINEERR_RESOURCEUNAVAIL));
    EXPECT_FALSE(Err.Message().empty());
    // The rest of that message's events are not raised; the next messages are
    // dispatched as ever.
    EXPECT_FALSE(Began);
    Sim.Ring(Sim.LastCall(0));
    bool Rang = false;
    Line.OnRing = [&](TObject*, uint32_t, uint32_t) { Rang = true; };
    EXPECT_TRUE(PumpUntil([&] { return Rang; }));
    EXPECT_EQ(Reported.size(), 1u);
    EXPECT_TRUE(Unwrapped.empty());
}

TEST_F(HandlerExceptionsTest, AnExceptionFromATimeOutHandlerNamesTheTick)
{
    TTapiLine Line(nullptr);
    Line.Get_Options()->Set_SyncMode(false);
    Line.Get_Options()->Set_ReplyTimeout(200);
    OpenLine(Line);
    sim::TSimFault Never;
    Never.Kind = sim::sfNeverReply;
    Never.Function = "lineMakeCallA";
    Sim.InjectFault(Never);
    Line.OnTapiTimeout = [](TObject*, uint32_t) { throw Exception("given up"); };
    Line.MakeCall("5550100");
    for (int i = 0; i < 3 && Reported.empty(); ++i) {
        Clock.Advance(100);
        // As the session's window does on its tick notification.
        TMessage Msg{TapiApplication->NotifyMessage, 3, 0, 0};
        TapiApplication->WindowProc(Msg);
    }
    ASSERT_EQ(Reported.size(), 1u);
    EXPECT_EQ(Reported[0].EventName, "OnTapiTimeout");
    EXPECT_EQ(Reported[0].Message(), "given up");
    EXPECT_TRUE(Reported[0].FromTick);
    EXPECT_EQ(Reported[0].Sender, &Line);
}

TEST_F(HandlerExceptionsTest, WithoutAHookTheExceptionIsSwallowedAndOtherExceptionsStayUnwrapped)
{
    TTapiLine Line(nullptr);
    OpenLine(Line);
    int Offered = 0;
    Line.OnOffering = [&](TObject*, TTapiCall*) {
        ++Offered;
        if (Offered == 1) throw Exception("first");
        throw std::runtime_error("second");
    };
    Application()->OnException = nullptr;
    Sim.OfferCall(0, "5550101");
    ASSERT_TRUE(PumpUntil([&] { return Offered == 1; }));
    SetUp();   // the hook again
    Sim.OfferCall(0, "5550102");
    ASSERT_TRUE(PumpUntil([&] { return !Unwrapped.empty(); }));
    EXPECT_EQ(Unwrapped[0], "second");
    EXPECT_TRUE(Reported.empty());
}

} // namespace kxtapi::testing
