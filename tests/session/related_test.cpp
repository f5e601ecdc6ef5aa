// Related devices: what they ask the service, and reading their answers.

#include "session_fixture.h"

#include <cstddef>
#include <cstring>

namespace kxtapi::testing {
namespace {

using RelatedTest = SessionTest;

TEST_F(RelatedTest, WaveAndPhoneDevicesOfALineAndTheLineOfAPhone)
{
    sim::TSimConfig c = sim::DefaultSimConfig();
    c.Lines[0].WaveIn = 5;
    c.Lines[0].WaveOut = 0xFFFFFFFF;   // not offered
    c.Lines[0].Phone = 0;
    c.Phones[0].Line = 0;
    Sim.Configure(c);
    TTestDevice Line, Phone(nullptr, tckPhone);
    Line.Set_DeviceID(0);
    Line.Set_Active(true);
    Phone.Set_DeviceID(0);
    Phone.Set_Active(true);

    TTapiRelatedWaveDevice* In = Line.Get_WaveInDevice();
    EXPECT_EQ(In->Get_DeviceClass(), "wave/in");
    ASSERT_TRUE(In->Init());
    EXPECT_TRUE(In->Get_Available());
    EXPECT_EQ(In->Get_DeviceID(), 5u);
    EXPECT_EQ(In->Get_DeviceIDCount(), 1);
    EXPECT_FALSE(Line.Get_WaveOutDevice()->Init());   // not offered
    EXPECT_FALSE(Line.Get_WaveOutDevice()->Get_Available());

    TTapiLinePhoneDevices LinePhone(&Line, "tapi/phone");
    ASSERT_TRUE(LinePhone.Init());
    EXPECT_EQ(LinePhone.Get_DeviceID(), 0u);
    TTapiPhoneLineDevice PhoneLine(&Phone, "tapi/line");   // through phoneGetIDA
    ASSERT_TRUE(PhoneLine.Init());
    EXPECT_EQ(PhoneLine.Get_DeviceID(), 0u);
    PhoneLine.Done();
    EXPECT_FALSE(PhoneLine.Get_Available());
    EXPECT_FALSE(PhoneLine.Get_Initialized());

    Line.Set_Active(false);   // a closed owner: the service refuses
    EXPECT_FALSE(In->Init());
    EXPECT_FALSE(In->Get_Available());
}

TEST_F(RelatedTest, OwnersOfOtherKindsAreRefused)
{
    TObject NotAnOwner;
    TTapiRelatedWaveDevice W(&NotAnOwner, "wave/in");
    try {
        W.Update();
        FAIL() << "no exception";
    } catch (const Exception& E) {
        EXPECT_EQ(E.Message(), "Invalid related kxTAPI object");
    }
    EXPECT_FALSE(W.Get_Available());
}

// A call-like owner, and a comm device whose answer a test can write.
struct TFakeOwner : TObject, TTapiRelatedOwner {
    mutable int Asked = 0;
    TTapiRelatedTarget Get_RelatedTarget() const override
    {
        ++Asked;
        TTapiRelatedTarget t;
        t.Kind = rkCall;
        return t;
    }
};

template <class TBase>
struct TWritable : TBase {
    using TBase::TBase;
    void Answer(uint32_t Format, const void* Bytes, uint32_t Size, uint32_t Offset = 24)
    {
        this->FAnswer.Allocate(64);
        this->FAnswer.SetDword(offsetof(VARSTRING, dwStringFormat), Format);
        this->FAnswer.SetDword(offsetof(VARSTRING, dwStringSize), Size);
        this->FAnswer.SetDword(offsetof(VARSTRING, dwStringOffset), Offset);
        if (Offset < 64) std::memcpy(this->FAnswer.Data() + Offset, Bytes, std::min<uint32_t>(Size, 64 - Offset));
        this->Initialized = true;
    }
};

TEST_F(RelatedTest, IdentifierListsAreCountedAndCheckedInsideTheAnswer)
{
    TFakeOwner Owner;
    TWritable<TTapiRelatedDevice> R(&Owner, "tapi/phone");
    const uint32_t Ids[3] = {7, 8, 9};
    R.Answer(STRINGFORMAT_BINARY, Ids, 12);
    EXPECT_EQ(R.Get_DeviceIDCount(), 3);
    EXPECT_EQ(R.Get_DeviceID(), 7u);
    EXPECT_EQ(R.Get_DeviceID2(2), 9u);
    try {
        R.Get_DeviceID2(3);
        FAIL() << "no exception";
    } catch (const Exception& E) {
        EXPECT_EQ(E.Message(), "Get_DeviceIDs failed! Invalid index ");
    }
    EXPECT_THROW(R.Get_DeviceID2(-1), Exception);

    R.Answer(STRINGFORMAT_ASCII, "12345678", 8);   // not binary
    EXPECT_EQ(R.Get_DeviceID(), 0u);
    EXPECT_EQ(R.Get_DeviceIDCount(), 2);

    // A size far beyond the block counts only what is inside it.
    R.Answer(STRINGFORMAT_BINARY, Ids, 12);
    R.Answer(STRINGFORMAT_BINARY, Ids, 0xFFFFFFF0);
    EXPECT_EQ(R.Get_DeviceIDCount(), 10);   // (64 - 24) / 4
    R.Answer(STRINGFORMAT_BINARY, Ids, 12, 0xFFFFFFFE);   // offset past the end
    EXPECT_EQ(R.Get_DeviceIDCount(), 0);
    EXPECT_EQ(R.Get_DeviceID(), 0u);
}

TEST_F(RelatedTest, CommDeviceClosesOnlyItsOwnHandle)
{
    TFakeOwner Owner;
    TWritable<TTapiCommDevice> Comm(&Owner, "whatever");
    EXPECT_EQ(Comm.Get_DeviceClass(), "comm/datamodem");

    const THandle Port = CreateEvent(true, false);   // any handle-table object
    const THandle Mine = DuplicateHandle(Port);
    struct {
        uint32_t Handle;
        char Name[8];
    } Answer{Mine, "COM7"};
    Comm.Answer(STRINGFORMAT_BINARY, &Answer, 4 + 5);
    EXPECT_FALSE(Comm.Get_Available());   // not enabled
    Comm.Set_Enabled(true);
    EXPECT_TRUE(Comm.Get_Available());
    EXPECT_EQ(Comm.Get_Handle(), Mine);
    EXPECT_EQ(Comm.Get_DeviceName(), "COM7");

    // Holding a handle: no new question to the service, also not by Init.
    EXPECT_EQ(Comm.Update(), 0u);
    EXPECT_TRUE(Comm.Init());
    EXPECT_EQ(Owner.Asked, 0);

    Comm.Done();
    EXPECT_FALSE(Comm.Get_Available());
    EXPECT_FALSE(CloseHandle(Mine));   // already closed by Done
    EXPECT_TRUE(CloseHandle(Port));    // the other holder's reference still worked

    Comm.Answer(STRINGFORMAT_BINARY, &Answer, 4);   // exactly the handle
    EXPECT_EQ(Comm.Get_DeviceName(), "");
    Comm.Answer(STRINGFORMAT_ASCII, &Answer, 9);
    EXPECT_EQ(Comm.Get_Handle(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(Comm.Get_DeviceName(), "");
    Comm.Answer(STRINGFORMAT_BINARY, &Answer, 0x7FFFFFFF, 0xFFFFFFFE);
    EXPECT_EQ(Comm.Get_Handle(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(Comm.Get_DeviceName(), "");
}

TEST_F(RelatedTest, CommDeviceOfALineHoldsItsOwnReferenceToThePort)
{
    TTestDevice Line;
    Line.Set_DeviceID(0);
    Line.Set_Active(true);
    TTapiCommDevice Comm(&Line, "comm/datamodem");
    EXPECT_FALSE(Comm.Init());   // not enabled: not asked
    Comm.Set_Enabled(true);
    ASSERT_TRUE(Comm.Init());
    ASSERT_TRUE(Comm.Get_Available());
    const uint32_t Handle = Comm.Get_Handle();
    EXPECT_NE(LookupHandle(Handle), nullptr);
    EXPECT_EQ(Comm.Get_DeviceName(), "SIMLINE0");
    EXPECT_EQ(Comm.Update(), 0u);
    EXPECT_EQ(Comm.Get_Handle(), Handle);   // held: not fetched again

    // A port component takes its own reference; Done drops only the comm
    // device's.
    const THandle PortsOwn = DuplicateHandle(Handle);
    Comm.Done();
    EXPECT_EQ(LookupHandle(Handle), nullptr);
    EXPECT_NE(LookupHandle(PortsOwn), nullptr);
    EXPECT_TRUE(CloseHandle(PortsOwn));

    ASSERT_TRUE(Comm.Init());   // a new reference of its own
    EXPECT_NE(Comm.Get_Handle(), Handle);
}

TEST_F(RelatedTest, DestroyingACommDeviceReleasesItsHandle)
{
    TFakeOwner Owner;
    const THandle Port = CreateEvent(true, false);
    const THandle Mine = DuplicateHandle(Port);
    {
        TWritable<TTapiCommDevice> Comm(&Owner, "comm/datamodem");
        uint32_t h = Mine;
        Comm.Answer(STRINGFORMAT_BINARY, &h, 4);
    }
    EXPECT_FALSE(CloseHandle(Mine));
    EXPECT_TRUE(CloseHandle(Port));
}

} // namespace
} // namespace kxtapi::testing
