// A connected call on the simulated switch for the media tests: the line is
// open, the far end's call was offered and answered, and the media events of
// the line are written down.
#pragma once

#include "line_fixture.h"

#include <functional>
#include <string>
#include <vector>

namespace kxtapi::testing {

/// What an operation raised: the message of a general exception, "ETapiError
/// 0x..." for a TAPI error, or "no exception".
inline std::string Raised(const std::function<void()>& F)
{
    try {
        F();
    } catch (const ETapiError& E) {
        return "ETapiError " + IntToHex(E.ErrorCode, 8);
    } catch (const Exception& E) {
        return E.Message();
    }
    return "no exception";
}

class MediaTest : public LineTest {
protected:
    struct TGathered {
        std::string Digits;
        uint32_t Termination;
    };

    void SetUp() override
    {
        Line.OnDigits = [this](TObject*, TTapiCall*, const std::string& D, uint32_t T) {
            Gathered.push_back({D, T});
        };
        Line.OnDigit = [this](TObject*, TTapiCall*, char D) { Digits.push_back(D); };
        Line.OnGenerate = [this](TObject*, TTapiCall*, uint32_t T) { Generated.push_back(T); };
        Line.OnTone = [this](TObject*, TTapiCall*, uint32_t A) { Tones.push_back(A); };
        Line.OnSilence = [this](TObject*, TTapiCall*) { ++Silences; };
        Line.OnMediaMode = [this](TObject*, TTapiCall*) { ++MediaModes; };
        ASSERT_NO_FATAL_FAILURE(Connect());
    }

    /// Opens the line (when it is not) and answers a new call of the far end.
    void Connect()
    {
        if (!Line.Get_Active()) {
            ASSERT_NO_FATAL_FAILURE(OpenLine(Line));
        }
        Far = Sim.OfferCall(0, "100", "", {.Rings = 0, .CallerIDAfterRing = false});
        Call = WaitForState(Line, LINECALLSTATE_OFFERING);
        ASSERT_NE(Call, nullptr);
        Call->Answer();
        ASSERT_TRUE(PumpUntil([&] { return Call->IsConnected(); }));
    }

    /// The switch's log entries of Function.
    std::vector<sim::TSimLogEntry> Logged(const std::string& Function) const
    {
        std::vector<sim::TSimLogEntry> Out;
        for (const sim::TSimLogEntry& e : Sim.Log())
            if (e.Function == Function) Out.push_back(e);
        return Out;
    }

    /// Moves the test clock on and lets the line handle what that caused.
    void Advance(uint32_t Ms)
    {
        Clock.Advance(Ms);
        Pump();
    }

    /// Handles what the switch has queued so far (a bounded real-time pump).
    void Pump() { PumpUntil([] { return false; }, 50); }

    TTapiLine Line{nullptr};
    sim::TSimCallID Far = 0;
    TTapiCall* Call = nullptr;
    std::vector<TGathered> Gathered;
    std::string Digits;
    std::vector<uint32_t> Generated;
    std::vector<uint32_t> Tones;
    int Silences = 0;
    int MediaModes = 0;
};

} // namespace kxtapi::testing
