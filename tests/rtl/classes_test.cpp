#include <kxtapi/rtl.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace kxtapi;

namespace {

std::vector<std::string>* gLog = nullptr;

class TProbe : public TComponent {
public:
    TProbe(TComponent* AOwner, std::string Id) : TComponent(AOwner), FId(std::move(Id)) {}
    ~TProbe() override { if (gLog) gLog->push_back("free " + FId); }
    std::string ClassName() const override { return "TProbe"; }
    TComponent* Linked = nullptr;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override
    {
        TComponent::Notification(AComponent, Operation);
        if (Operation == opRemove && AComponent == Linked) {
            Linked = nullptr;
            if (gLog) gLog->push_back(FId + " unlinked");
        }
    }

private:
    std::string FId;
};

class TPoint : public TPersistent {
public:
    std::string ClassName() const override { return "TPoint"; }
};

} // namespace

TEST(Component, OwnerFreesOwnedComponentsLastFirst)
{
    std::vector<std::string> log;
    gLog = &log;
    {
        auto owner = std::make_unique<TProbe>(nullptr, "owner");
        auto* a = new TProbe(owner.get(), "a");
        new TProbe(owner.get(), "b");
        new TProbe(a, "a1");
        EXPECT_EQ(owner->ComponentCount(), 2);
        EXPECT_EQ(a->Get_Owner(), owner.get());
    }
    gLog = nullptr;
    EXPECT_EQ(log, (std::vector<std::string>{"free owner", "free b", "free a", "free a1"}));
}

TEST(Component, DeletingAnOwnedComponentLeavesItsOwner)
{
    TProbe owner(nullptr, "owner");
    auto* a = new TProbe(&owner, "a");
    a->Set_Name("Line1");
    EXPECT_EQ(owner.FindComponent("LINE1"), a);
    delete a;
    EXPECT_EQ(owner.ComponentCount(), 0);
    EXPECT_EQ(owner.FindComponent("Line1"), nullptr);
}

TEST(Component, FreeNotificationReachesTheLinkedComponent)
{
    std::vector<std::string> log;
    gLog = &log;
    auto led = std::make_unique<TProbe>(nullptr, "led");
    {
        TProbe port(nullptr, "port");
        led->Linked = &port;
        led->FreeNotification(&port);
    }
    EXPECT_EQ(led->Linked, nullptr);
    EXPECT_EQ(log, (std::vector<std::string>{"free port", "led unlinked"}));
    // The link is gone once either side goes: destroying the LED later must
    // not reach the freed port.
    led.reset();
    gLog = nullptr;
}

TEST(Component, NamesAreValidatedAndUniquePerOwner)
{
    TProbe owner(nullptr, "o");
    auto* a = new TProbe(&owner, "a");
    auto* b = new TProbe(&owner, "b");
    a->Set_Name("ComPort1");
    EXPECT_THROW(b->Set_Name("comport1"), Exception);
    EXPECT_THROW(b->Set_Name("1abc"), Exception);
    EXPECT_EQ(b->Get_Name(), "");
    b->Set_Name("ComPort2");
    EXPECT_EQ(b->Get_Name(), "ComPort2");
}

TEST(Component, LoadingAndDesigningSpreadToOwnedComponents)
{
    TProbe owner(nullptr, "o");
    auto* a = new TProbe(&owner, "a");
    owner.SetLoading(true);
    EXPECT_TRUE(a->IsLoading());
    a->Loaded();
    EXPECT_FALSE(a->IsLoading());
    owner.SetDesigning(true);
    auto* late = new TProbe(&owner, "late");
    EXPECT_TRUE(late->IsDesigning());
}

TEST(Persistent, DefaultAssignNamesBothClasses)
{
    TPoint p;
    TProbe c(nullptr, "c");
    try {
        p.Assign(&c);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Cannot assign a TProbe to a TPoint");
    }
    EXPECT_THROW(p.Assign(nullptr), EAssignError);
}

TEST(List, IndexChecksAndRemoval)
{
    TList l;
    int x = 1, y = 2;
    l.Add(&x);
    l.Add(&y);
    l.Add(&x);
    EXPECT_EQ(l.Remove(&x), 0);
    EXPECT_EQ(l.Count(), 2);
    EXPECT_EQ(l.Get(1), &x);
    EXPECT_THROW(l.Get(2), EListError);
    l.Move(1, 0);
    EXPECT_EQ(l.First(), &x);
}
