// Token triggers: handles, firing order, repeats, wildcards across writes and
// handlers that change the FIFO while it reports.
#include <kxtapi/kxtapicomm.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

using namespace kxtapi;

namespace {

struct THit {
    int32_t Handle, Pos, Len;
    bool operator==(const THit&) const = default;
};

std::ostream& operator<<(std::ostream& os, const THit& h)
{
    return os << '{' << h.Handle << ',' << h.Pos << ',' << h.Len << '}';
}

// A FIFO that records every report.
struct TRecordingFifo {
    TkxFifo F{nullptr};
    std::vector<THit> Hits;
    TRecordingFifo()
    {
        F.OnTokenFound = [this](TObject* Sender, int32_t H, int32_t P, int32_t L) {
            EXPECT_EQ(Sender, &F);
            Hits.push_back({H, P, L});
        };
    }
};

} // namespace

TEST(FifoTrigger, HandlesAreTheSmallestFreeNumber)
{
    TkxFifo f(nullptr);
    EXPECT_EQ(f.AddTokenTrigger("a"), 1);
    EXPECT_EQ(f.AddTokenTrigger("b"), 2);
    EXPECT_EQ(f.AddTokenTrigger("c"), 3);
    EXPECT_EQ(f.RemoveTokenTrigger(2), 1);
    EXPECT_EQ(f.RemoveTokenTrigger(2), -1);
    EXPECT_EQ(f.AddTokenTrigger("d"), 2);
    EXPECT_EQ(f.Get_Trigger(2)->Token, "d"); // appended, not put back in place
    EXPECT_EQ(f.RemoveTokenTrigger(1), 0);
    EXPECT_EQ(f.AddTokenTrigger("e"), 1);
    EXPECT_EQ(f.AddTokenTrigger("f"), 4);
    f.ClearTokenTrigger();
    EXPECT_EQ(f.Get_TriggerCount(), 0);
    EXPECT_EQ(f.AddTokenTrigger("g"), 1);
}

TEST(FifoTrigger, PatternsThatMatchEverywhereAreRefused)
{
    TkxFifo f(nullptr);
    for (const char* t : {"", "*", "***"}) {
        EXPECT_THROW(f.AddTokenTrigger(t), EBufferError) << '"' << t << '"';
    }
    EXPECT_EQ(f.Get_TriggerCount(), 0);
    EXPECT_EQ(f.AddTokenTrigger("*?"), 1);
}

TEST(FifoTrigger, TokenArrivingInPiecesIsReportedOnce)
{
    TRecordingFifo r;
    r.F.AddTokenTrigger("OK");
    ASSERT_TRUE(r.F.Write("O"));
    EXPECT_TRUE(r.Hits.empty());
    ASSERT_TRUE(r.F.Write("K"));
    EXPECT_EQ(r.Hits, (std::vector<THit>{{1, 0, 2}}));

    // Left in the FIFO, the same occurrence is not reported again.
    ASSERT_TRUE(r.F.Write("x"));
    ASSERT_TRUE(r.F.Write("OK"));
    EXPECT_EQ(r.Hits, (std::vector<THit>{{1, 0, 2}, {1, 3, 2}}));
    r.F.Remove(1);
    ASSERT_TRUE(r.F.Write("y"));
    EXPECT_EQ(r.Hits.size(), 2u);
}

TEST(FifoTrigger, OverlappingOccurrencesAcrossWritesAreNotRepeated)
{
    TRecordingFifo r;
    r.F.AddTokenTrigger("AA");
    for (const char* w : {"AA", "A", "A", "A"}) ASSERT_TRUE(r.F.Write(w));
    // Same as writing "AAAAA" at once: non-overlapping occurrences 0 and 2.
    EXPECT_EQ(r.Hits, (std::vector<THit>{{1, 0, 2}, {1, 2, 2}}));
}

TEST(FifoTrigger, ReportsInPositionOrderWithinAPass)
{
    TRecordingFifo r;
    r.F.AddTokenTrigger("A");
    r.F.AddTokenTrigger("B");
    ASSERT_TRUE(r.F.Write("BA"));
    EXPECT_EQ(r.Hits, (std::vector<THit>{{2, 0, 1}, {1, 1, 1}}));

    // Equal positions go in order of registration.
    TRecordingFifo t;
    t.F.AddTokenTrigger("AB");
    t.F.AddTokenTrigger("A?");
    t.F.AddTokenTrigger("?B");
    ASSERT_TRUE(t.F.Write("xAB"));
    EXPECT_EQ(t.Hits, (std::vector<THit>{{1, 1, 2}, {2, 1, 2}, {3, 1, 2}}));

    // Each pass finds the next occurrence of every trigger.
    TRecordingFifo p;
    p.F.AddTokenTrigger("A");
    p.F.AddTokenTrigger("B");
    ASSERT_TRUE(p.F.Write("AABB"));
    EXPECT_EQ(p.Hits, (std::vector<THit>{{1, 0, 1}, {2, 2, 1}, {1, 1, 1}, {2, 3, 1}}));
}

TEST(FifoTrigger, RepeatedTokenInOneWrite)
{
    TRecordingFifo r;
    r.F.AddTokenTrigger("AB");
    ASSERT_TRUE(r.F.Write("ABAB"));
    EXPECT_EQ(r.Hits, (std::vector<THit>{{1, 0, 2}, {1, 2, 2}}));
}

TEST(FifoTrigger, WildcardReportsUseThePatternLength)
{
    TRecordingFifo r;
    r.F.AddTokenTrigger("A*C");
    ASSERT_TRUE(r.F.Write("AxxC"));
    EXPECT_EQ(r.Hits, (std::vector<THit>{{1, 0, 3}}));

    // A leading star is reported at the search start, once per match.
    TRecordingFifo s;
    s.F.AddTokenTrigger("*C");
    ASSERT_TRUE(s.F.Write("xxxxC"));
    ASSERT_TRUE(s.F.Write("yC"));
    EXPECT_EQ(s.Hits, (std::vector<THit>{{1, 0, 2}, {1, 5, 2}}));
}

TEST(FifoTrigger, StarPatternArrivingOverSeveralWrites)
{
    TRecordingFifo r;
    r.F.AddTokenTrigger("+CLIP:*\r\n");
    r.F.AddTokenTrigger("*B*C");
    for (const char* w : {"noise +CL", "IP: \"0123456", "789\",129", "\r", "\nB", "xxxxxxxx", "C"})
        ASSERT_TRUE(r.F.Write(w));
    EXPECT_EQ(r.Hits, (std::vector<THit>{{1, 6, 9}, {2, 0, 4}}));
}

TEST(FifoTrigger, ReadsMoveSearchStartsAndPendingPositions)
{
    TRecordingFifo r;
    r.F.AddTokenTrigger("RING");
    r.F.AddTokenTrigger("OK");
    // The usual handler takes the bytes up to and including the token.
    r.F.OnTokenFound = [&](TObject*, int32_t H, int32_t P, int32_t L) {
        r.Hits.push_back({H, P, L});
        EXPECT_EQ(r.F.GetStr(static_cast<uint32_t>(P), static_cast<uint32_t>(L)), H == 1 ? "RING" : "OK");
        r.F.Remove(static_cast<uint16_t>(P + L));
    };
    ASSERT_TRUE(r.F.Write("RING\r\nOK\r\n"));
    EXPECT_EQ(r.Hits, (std::vector<THit>{{1, 0, 4}, {2, 2, 2}}));
    EXPECT_EQ(r.F.GetStr(0, 10), "\r\n");
    ASSERT_TRUE(r.F.Write("OK"));
    EXPECT_EQ(r.Hits.back(), (THit{2, 2, 2}));
    EXPECT_EQ(r.Hits.size(), 3u);
}

TEST(FifoTrigger, HandlerTakingPartOfItsOwnTokenDoesNotRestartItsSearch)
{
    TRecordingFifo r;
    r.F.AddTokenTrigger("AA");
    r.F.OnTokenFound = [&](TObject*, int32_t H, int32_t P, int32_t L) {
        r.Hits.push_back({H, P, L});
        r.F.Remove(static_cast<uint16_t>(P + 1));
    };
    ASSERT_TRUE(r.F.Write("AAA"));
    EXPECT_EQ(r.Hits, (std::vector<THit>{{1, 0, 2}})); // the AA at 1 overlaps it
    ASSERT_TRUE(r.F.Write("A"));
    EXPECT_EQ(r.Hits, (std::vector<THit>{{1, 0, 2}, {1, 1, 2}}));
}

TEST(FifoTrigger, HandlerThatTakesOutAPendingTokenSuppressesIt)
{
    TRecordingFifo r;
    r.F.AddTokenTrigger("A");
    r.F.AddTokenTrigger("BC");
    r.F.OnTokenFound = [&](TObject*, int32_t H, int32_t P, int32_t L) {
        r.Hits.push_back({H, P, L});
        if (H == 1) r.F.Remove(3); // takes "AxB": the BC at 2 loses its first byte
    };
    ASSERT_TRUE(r.F.Write("AxBC"));
    EXPECT_EQ(r.Hits, (std::vector<THit>{{1, 0, 1}}));
    ASSERT_TRUE(r.F.Write("BC"));
    EXPECT_EQ(r.Hits.back(), (THit{2, 1, 2}));
}

TEST(FifoTrigger, HandlerMayChangeTheTriggerList)
{
    TRecordingFifo r;
    const int32_t a = r.F.AddTokenTrigger("A");
    const int32_t b = r.F.AddTokenTrigger("B");
    bool changed = false;
    r.F.OnTokenFound = [&](TObject*, int32_t H, int32_t P, int32_t L) {
        r.Hits.push_back({H, P, L});
        if (H == a && !changed) {
            changed = true;
            r.F.RemoveTokenTrigger(b); // pending at 1: not reported
            r.F.RemoveTokenTrigger(a); // itself
            EXPECT_EQ(r.F.AddTokenTrigger("C"), 1);
        }
    };
    ASSERT_TRUE(r.F.Write("ABC"));
    // The new trigger is searched by the next pass of the same write.
    EXPECT_EQ(r.Hits, (std::vector<THit>{{1, 0, 1}, {1, 2, 1}}));
    EXPECT_EQ(r.F.Get_TriggerCount(), 1);
}

TEST(FifoTrigger, WriteFromAHandlerIsSearchedByTheRunningSearch)
{
    TRecordingFifo r;
    r.F.AddTokenTrigger("X");
    r.F.AddTokenTrigger("Y");
    r.F.OnTokenFound = [&](TObject*, int32_t H, int32_t P, int32_t L) {
        r.Hits.push_back({H, P, L});
        if (H == 1 && P == 0) {
            EXPECT_TRUE(r.F.Write("Y"));
        }
    };
    ASSERT_TRUE(r.F.Write("XY"));
    // The pending Y at 1 is still reported, then the written one.
    EXPECT_EQ(r.Hits, (std::vector<THit>{{1, 0, 1}, {2, 1, 1}, {2, 2, 1}}));
}

TEST(FifoTrigger, HandlerExceptionLeavesUnreportedTokensForTheNextWrite)
{
    TRecordingFifo r;
    r.F.AddTokenTrigger("A");
    r.F.AddTokenTrigger("B");
    bool thrown = false;
    r.F.OnTokenFound = [&](TObject*, int32_t H, int32_t P, int32_t L) {
        r.Hits.push_back({H, P, L});
        if (!thrown) {
            thrown = true;
            throw std::runtime_error("handler");
        }
    };
    EXPECT_THROW(r.F.Write("AB"), std::runtime_error);
    EXPECT_EQ(r.F.Get_Count(), 2); // the bytes were stored
    ASSERT_TRUE(r.F.Write("x"));
    EXPECT_EQ(r.Hits, (std::vector<THit>{{1, 0, 1}, {2, 1, 1}}));
}

TEST(FifoTrigger, ReportingCanBeOverridden)
{
    struct TCountingFifo : TkxFifo {
        using TkxFifo::TkxFifo;
        std::vector<std::string> Seen;
        void TriggerTokenFound(TTriggerToken* Trigger) override
        {
            Seen.push_back(Trigger->Token + "@" + std::to_string(Trigger->Get_Position()));
        }
    } f(nullptr);
    f.AddTokenTrigger("b");
    ASSERT_TRUE(f.Write("abab"));
    EXPECT_EQ(f.Seen, (std::vector<std::string>{"b@1", "b@3"}));
}

TEST(FifoTrigger, ClearStartsTheSearchesAgain)
{
    TRecordingFifo r;
    r.F.AddTokenTrigger("OK");
    ASSERT_TRUE(r.F.Write("xxOK"));
    r.F.Clear();
    ASSERT_TRUE(r.F.Write("OK"));
    EXPECT_EQ(r.Hits, (std::vector<THit>{{1, 2, 2}, {1, 0, 2}}));
    EXPECT_EQ(r.F.Get_Trigger(0)->Get_SearchStart(), 2);
}
