// Guarded lists, typed call lists, requests and the message queue.

#include "kxtapi/kxtapi.h"

#include <gtest/gtest.h>

#include <thread>

namespace kxtapi {
namespace {

TEST(ProtectedListTest, RecursiveForItsOwnerExclusiveForOthers)
{
    TProtectedList L;
    ASSERT_TRUE(L.Acquire(0));
    ASSERT_TRUE(L.Acquire(0));   // recursive
    bool Other = true;
    std::thread([&] { Other = L.Acquire(0); }).join();
    EXPECT_FALSE(Other);
    L.Release();
    std::thread([&] { Other = L.Acquire(0); }).join();
    EXPECT_FALSE(Other);   // one level still held
    L.Release();
    std::thread([&] {
        Other = L.Acquire(0);
        if (Other) L.Release();
    }).join();
    EXPECT_TRUE(Other);
}

TEST(ProtectedListTest, AbandonedMutexFailsOnceAndDoesNotStayLocked)
{
    TProtectedList L;
    std::thread([&] { ASSERT_TRUE(L.Acquire(INFINITE)); }).join();   // ends holding it
    EXPECT_FALSE(L.Acquire(0));
    // The failed acquisition did not keep it: another thread gets it.
    bool Other = false;
    std::thread([&] {
        Other = L.Acquire(0);
        if (Other) L.Release();
    }).join();
    EXPECT_TRUE(Other);
}

struct TFakeCall {
    uint32_t H;
    uint32_t Get_Handle() const { return H; }
};

TEST(CallListTest, AddIgnoresNullAndDuplicatesByHandleFindsAssignCopiesDistinct)
{
    TTapiCallListOf<TFakeCall> L;
    TFakeCall a{11}, b{22}, c{0};
    EXPECT_EQ(L.Add(&a), 0);
    EXPECT_EQ(L.Add(&b), 1);
    EXPECT_EQ(L.Add(&a), 0);
    EXPECT_EQ(L.Add(nullptr), -1);
    EXPECT_EQ(L.Count(), 2);
    EXPECT_EQ(L.ByHandle(22), &b);
    EXPECT_EQ(L.ByHandle(33), nullptr);

    TTapiCallListOf<TFakeCall> Src;
    Src.TList::Add(&b);
    Src.TList::Add(nullptr);
    Src.TList::Add(&c);
    Src.TList::Add(&b);
    L.Assign(Src);
    ASSERT_EQ(L.Count(), 2);
    EXPECT_EQ(L[0], &b);
    EXPECT_EQ(L[1], &c);
    L.Assign(L);
    EXPECT_EQ(L.Count(), 2);
}

TEST(RequestListTest, UniqueIdentifiersFillGaps)
{
    TTapiRequestList L;
    EXPECT_EQ(L.GetUniqueID(), 1);
    L.AddRequest(4, 0);
    L.AddRequest(2, 0);
    L.AddRequest(1, 0);
    EXPECT_EQ(L.GetUniqueID(), 3);
    TTapiRequest* r = L.AddRequest();   // the local identifier, default time-out
    EXPECT_EQ(r->ID, 3);
    EXPECT_EQ(r->Timeout, 0xFFFFFFFFu);
    EXPECT_EQ(L.AddRequest(-5, 100)->ID, 5);
    EXPECT_EQ(L.AddRequest(0)->ID, 6);
}

TEST(RequestListTest, MatchingByIdKindAndFirstObject)
{
    TTapiRequestList L;
    TObject A, B;
    TTapiRequest* r1 = L.AddRequest(10, 0);
    r1->Kind = 1;
    r1->Objects[0] = &A;
    TTapiRequest* r2 = L.AddRequest(11, 0);
    r2->Kind = 2;
    r2->Objects[0] = &B;
    r2->Objects[1] = &A;
    EXPECT_EQ(L.IndexOfRequest(0, 0, nullptr), 0);
    EXPECT_EQ(L.IndexOfRequest(0, 2, nullptr), 1);
    EXPECT_EQ(L.IndexOfRequest(0, 0, &B), 1);
    EXPECT_EQ(L.IndexOfRequest(11, 1, nullptr), -1);
    EXPECT_EQ(L.GetRequest(11), r2);
    EXPECT_EQ(L.IndexOfID(12), -1);
    EXPECT_THROW(r1->Get_Object(3), Exception);
    EXPECT_EQ(r2->Get_Object(1), &A);

    L.RemoveAllRequests(&A);   // slot 0 only
    ASSERT_EQ(L.Count(), 1);
    EXPECT_EQ(L.Get_Items(0), r2);
    L.RemoveAllRequests(nullptr);
    EXPECT_EQ(L.Count(), 0);
}

TEST(RequestTest, ExpiryIsMeasuredOnTheDifferenceAcrossTheWrap)
{
    TTestClock Clock(0xFFFFFF00);
    TTapiRequest r(1, 500);
    EXPECT_EQ(r.StartTick, 0xFFFFFF00u);
    EXPECT_FALSE(r.Expired(0xFFFFFF00 + 499));   // 0x000000F3 after the wrap
    EXPECT_TRUE(r.Expired(0xFFFFFF00 + 500));
    EXPECT_TRUE(r.Expired(0xFFFFFF00 + 90000));

    TTapiRequest Never(2, 0), Infinite(3, 0xFFFFFFFF);
    for (uint32_t t : {0u, 1000u, 0x7FFFFFFFu, 0xFFFFFEFFu}) {
        EXPECT_FALSE(Never.Expired(t));
        EXPECT_FALSE(Infinite.Expired(t));
    }
    // A request made after the tick a scan read (by a handler of that scan)
    // has not aged at all, across the wrap too.
    EXPECT_FALSE(r.Expired(0xFFFFFF00 - 1));
    EXPECT_FALSE(r.Expired(0xFFFFFF00 - 0x7FFFFFFF));
}

TEST(MessageStackTest, FirstInFirstOutWithOwnedCopies)
{
    TTapiMessageStack S;
    S.AddLineMsg(LINEMESSAGE{1, LINE_REPLY, 3, 4, 5, 6});
    S.AddPhoneMsg(PHONEMESSAGE{0xA, PHONE_BUTTON, 0xC, 0xD, 0xE, 0xF});
    ASSERT_EQ(S.Count(), 2);
    EXPECT_TRUE(S.Get(0).IsLine);
    EXPECT_FALSE(S.Get(1).IsLine);
    EXPECT_EQ(S.GetDebugStr(0),
              "MsgStack[0] LINE:  hDevice=x1, dwMessageID=xC, dwCallbackInstance=x3, dwParam1=x4, "
              "dwParam2=x5, dwParam3=x6");
    EXPECT_EQ(S.GetDebugStr(1),
              "MsgStack[1] PHONE: hDevice=xA, dwMessageID=xE, dwCallbackInstance=xC, dwParam1=xD, "
              "dwParam2=xE, dwParam3=xF");
    TTapiMsgStackItem Item = S.Get(0);
    Item.Msg.dwParam1 = 99;
    uint32_t v = S.Get(0).Msg.dwParam1;
    EXPECT_EQ(v, 4u);   // a copy
    S.Put(0, Item);
    v = S.Get(0).Msg.dwParam1;
    EXPECT_EQ(v, 99u);
    S.Delete(0);
    v = S.Get(0).Msg.dwMessageID;
    EXPECT_EQ(v, PHONE_BUTTON);
    for (uint32_t i = 0; i < 10; ++i) S.AddLineMsg(LINEMESSAGE{i, 0, 0, 0, 0, 0});
    S.TrimTo(3);
    ASSERT_EQ(S.Count(), 3);
    v = S.Get(0).Msg.hDevice;
    EXPECT_EQ(v, 7u);   // the oldest went
}

TEST(PrivilegesTest, LineFlagsStayConsistent)
{
    TTapiLinePrivileges P;
    P.Set_Owner(true);
    P.Set_Monitor(true);
    EXPECT_EQ(P.Get_Value(), 6u);
    EXPECT_FALSE(P.Get_None());
    P.Set_None(true);
    EXPECT_FALSE(P.Get_Monitor());
    EXPECT_FALSE(P.Get_Owner());
    EXPECT_EQ(P.Get_Value(), 1u);
    P.Set_Owner(true);
    EXPECT_FALSE(P.Get_None());
    P.Set_Owner(false);   // Monitor is false too: back to None
    EXPECT_TRUE(P.Get_None());
    P.Set_Value(7);   // taken as it is
    EXPECT_TRUE(P.Get_None() && P.Get_Monitor() && P.Get_Owner());
}

TEST(PrivilegesTest, PhoneIsOwnerOrMonitor)
{
    TTapiPhonePrivileges P;
    P.Set_Owner(true);
    P.Set_Monitor(true);   // as a phone constructs it: Monitor wins
    EXPECT_EQ(P.Get_Value(), 1u);
    EXPECT_TRUE(P.Get_Monitor());
    EXPECT_FALSE(P.Get_Owner());
    P.Set_Value(2);
    EXPECT_TRUE(P.Get_Owner());
    EXPECT_THROW(P.Set_Value(3), Exception);
    EXPECT_EQ(P.Get_Value(), 2u);
    try {
        P.Set_Value(0);
    } catch (const Exception& E) {
        EXPECT_EQ(E.Message(), "Invalid set of PHONEPRIVILEGE_ constants");
    }
}

class TFailingData : public TTapiDataObject {
public:
    uint32_t Result = 0;
    int Fetches = 0;
    uint32_t UpdateData() override
    {
        ++Fetches;
        return Result;
    }
};

TEST(DataObjectTest, ValidOnlyAfterSuccessfulUpdate)
{
    TFailingData D;
    EXPECT_FALSE(D.Valid());
    EXPECT_EQ(D.Update(), 0u);
    EXPECT_TRUE(D.Valid());
    D.Invalidate();
    EXPECT_FALSE(D.Valid());
    D.Result = LINEERR_RESOURCEUNAVAIL;
    EXPECT_EQ(D.Update(), LINEERR_RESOURCEUNAVAIL);
    EXPECT_FALSE(D.Valid());
    try {
        D.Refresh();
        FAIL() << "no exception";
    } catch (const ETapiError& E) {
        EXPECT_EQ(E.ErrorCode, LINEERR_RESOURCEUNAVAIL);
    }
    D.Result = 0;
    EXPECT_EQ(D.Open(), 0u);
    EXPECT_TRUE(D.Valid());
    EXPECT_EQ(D.Done(), 0u);   // not enabled: no Close, just invalid
    EXPECT_FALSE(D.Valid());
}

} // namespace
} // namespace kxtapi
