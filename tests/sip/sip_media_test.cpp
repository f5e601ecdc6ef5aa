// Sound files in calls (kxtapi/tapi/media_files.h): what baresip sends
// recorded, a file played from one line of the library recorded by another,
// the end of playing reported, and "wave/in" / "wave/out" answered
// truthfully.

#include "sip_fixture.h"
#include "sip_wave.h"

#include <chrono>
#include <filesystem>

namespace kxtapi::testing {
namespace {

using SipMediaTest = SipTest;

// A line opened through the TAPI functions themselves, to see the
// messages a line component does not raise (LINE_DEVSPECIFIC).
struct TRawLine {
    HLINEAPP App = 0;
    HLINE Line = 0;
    ~TRawLine()
    {
        if (Line) lineClose(Line);
        if (App) lineShutdown(App);
    }
    bool Open(const std::string& Name)
    {
        LINEINITIALIZEEXPARAMS p{};
        p.dwTotalSize = sizeof p;
        p.dwOptions = LINEINITIALIZEEXOPTION_USEEVENT;
        DWORD Version = 0x00020001, Devs = 0;
        if (lineInitializeExA(&App, 0, nullptr, "media test", &Devs, &Version, &p)) return false;
        for (DWORD d = 0; d < Devs; ++d) {
            std::vector<uint8_t> Buf(4096);
            auto* c = reinterpret_cast<LINEDEVCAPS*>(Buf.data());
            c->dwTotalSize = static_cast<DWORD>(Buf.size());
            if (lineGetDevCapsA(App, d, 0x00020001, 0, c)) continue;
            if (std::string(reinterpret_cast<const char*>(Buf.data() + c->dwLineNameOffset)) != Name) continue;
            return lineOpenA(App, d, &Line, 0x00020001, 0, 0, LINECALLPRIVILEGE_OWNER,
                             LINEMEDIAMODE_INTERACTIVEVOICE, nullptr) == 0;
        }
        return false;
    }
    /// Fetches messages until Match accepts one (bounded).
    bool Wait(const std::function<bool(const LINEMESSAGE&)>& Match, int Ms = 5000)
    {
        const auto Deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(Ms);
        while (std::chrono::steady_clock::now() < Deadline) {
            Application()->ProcessMessages();   // the other line's events
            LINEMESSAGE m{};
            if (lineGetMessage(App, &m, 5) == 0 && Match(m)) return true;
        }
        return false;
    }
    /// The result of request ID.
    uint32_t Reply(uint32_t ID)
    {
        uint32_t Result = 0xFFFFFFFF;
        Wait([&](const LINEMESSAGE& m) {
            if (m.dwMessageID != LINE_REPLY || m.dwParam1 != ID) return false;
            Result = static_cast<uint32_t>(m.dwParam2);
            return true;
        });
        return Result;
    }
};

TEST_F(SipMediaTest, WhatTheFarEndSendsIsRecorded)
{
    std::vector<TSipLineSpec> Lines{{"Office", "alice"}};
    Configure(Lines);
    TTapiLine Line(nullptr);
    TSipEventLog Log;
    Log.Attach(Line);
    std::vector<std::pair<uint32_t, uint32_t>> Replies;
    Line.OnTapiReply = [&](TObject*, uint32_t Id, uint32_t Code) { Replies.emplace_back(Id, Code); };
    Open(Line, "Office");
    TBaresip Bob;   // sends a 440 Hz sine
    ASSERT_TRUE(Bob.Ready());
    TTapiCall* Call = Line.MakeCall(Bob.Uri());
    ASSERT_TRUE(PumpUntil([&] { return Call->GetCallStatusDW(0) == LINECALLSTATE_CONNECTED; }));

    TTempDir Dir("media");
    const std::string Path = Dir.File("bob.wav");
    auto ReplyOf = [&](uint32_t Id) {
        uint32_t Code = 0xFFFFFFFF;
        PumpUntil([&] {
            for (auto& [i, c] : Replies)
                if (i == Id) Code = c;
            return Code != 0xFFFFFFFF;
        });
        return Code;
    };
    uint32_t Id = kxtapiRecordWaveFile(Call->Get_Handle(), Path.c_str());
    ASSERT_GT(static_cast<int32_t>(Id), 0);
    ASSERT_EQ(ReplyOf(Id), 0u);
    // Half a second of the far end's sound (8000 samples of 2 bytes a second).
    ASSERT_TRUE(PumpUntil([&] {
        std::error_code e;
        return std::filesystem::file_size(Path, e) > 44 + 8000;
    }));
    Id = kxtapiStopRecording(Call->Get_Handle());
    ASSERT_EQ(ReplyOf(Id), 0u);
    TWave w;
    ASSERT_TRUE(ReadWave(Path, w));
    EXPECT_EQ(w.Rate, 8000u);
    EXPECT_EQ(w.Channels, 1u);
    EXPECT_NEAR(Pitch(w), 440.0, 30.0);

    // A file that cannot be played is refused in the reply.
    Id = kxtapiPlayWaveFile(Call->Get_Handle(), Dir.File("missing.wav").c_str(), 0);
    EXPECT_EQ(ReplyOf(Id), LINEERR_INVALPARAM);
    // No sound card stands behind the call.
    std::vector<uint8_t> Buf(256);
    auto* v = reinterpret_cast<VARSTRING*>(Buf.data());
    v->dwTotalSize = static_cast<DWORD>(Buf.size());
    EXPECT_EQ(lineGetIDA(0, 0, Call->Get_Handle(), LINECALLSELECT_CALL, v, "wave/out"), LINEERR_INVALDEVICECLASS);
    EXPECT_EQ(lineGetIDA(Line.Get_DeviceHandle(), 0, 0, LINECALLSELECT_LINE, v, "wave/in"), LINEERR_INVALDEVICECLASS);
    Call->Drop();
}

TEST_F(SipMediaTest, AFilePlayedIntoACallIsHeardAndItsEndReported)
{
    std::vector<TSipLineSpec> Lines{{"Player", "pia"}, {"Recorder", "rex"}};
    Configure(Lines);
    TTempDir Dir("media");
    // 16 kHz stereo: brought down to the call's 8 kHz mono on the way.
    ASSERT_TRUE(WriteTone(Dir.File("tone.wav"), 16000, 2, 1000, 600));
    TTapiLine Recorder(nullptr);
    Recorder.OnOffering = [](TObject*, TTapiCall* c) { c->Answer(); };
    Open(Recorder, "Recorder");
    TRawLine Player;
    ASSERT_TRUE(Player.Open("Player"));

    HCALL Call = 0;
    uint32_t Id = lineMakeCallA(Player.Line, &Call, Lines[1].Uri().c_str(), 0, nullptr);
    ASSERT_EQ(Player.Reply(Id), 0u);
    ASSERT_TRUE(Player.Wait([&](const LINEMESSAGE& m) {
        return m.dwMessageID == LINE_CALLSTATE && m.dwParam1 == LINECALLSTATE_CONNECTED;
    }));
    TTapiCall* Heard = WaitCall(Recorder, LINECALLSTATE_CONNECTED);
    ASSERT_NE(Heard, nullptr);
    uint32_t RecordId = kxtapiRecordWaveFile(Heard->Get_Handle(), Dir.File("heard.wav").c_str());
    ASSERT_GT(static_cast<int32_t>(RecordId), 0);
    PumpUntil([] { return false; }, 100);   // the recording runs before the tone comes

    Id = kxtapiPlayWaveFile(Call, Dir.File("tone.wav").c_str(), 0);
    ASSERT_EQ(Player.Reply(Id), 0u);
    bool Played = false;
    ASSERT_TRUE(Player.Wait(
        [&](const LINEMESSAGE& m) {
            Played = m.dwMessageID == LINE_DEVSPECIFIC && m.dwParam1 == KXTAPI_DEVSPECIFIC_WAVEPLAYED &&
                     m.dwParam2 == Id && m.hDevice == Call;
            return Played;
        },
        3000));
    kxtapiStopRecording(Heard->Get_Handle());
    PumpUntil([] { return false; }, 100);
    TWave w;
    ASSERT_TRUE(ReadWave(Dir.File("heard.wav"), w));
    EXPECT_NEAR(Pitch(w), 1000.0, 60.0);
    lineDrop(Call, nullptr, 0);
    Player.Wait([](const LINEMESSAGE& m) { return m.dwMessageID == LINE_CALLSTATE && m.dwParam1 == LINECALLSTATE_IDLE; });
    lineDeallocateCall(Call);
}

}  // namespace
}  // namespace kxtapi::testing
