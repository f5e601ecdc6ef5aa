// Related devices: lineGetIDA / phoneGetIDA answers kept per device class.

#include "kxtapi/related/related_device.h"

#include "kxtapi/rtl/handles.h"
#include "kxtapi/tapi/line_constants.h"
#include "kxtapi/tapi/line_functions.h"
#include "kxtapi/tapi/phone_functions.h"

#include <cstddef>

namespace kxtapi {
namespace {

constexpr uint32_t AnswerSize = 1024;

} // namespace

TTapiRelatedDevice::TTapiRelatedDevice(TObject* AOwner, std::string ADeviceClass)
    : DeviceClass(std::move(ADeviceClass)), FOwner(AOwner)
{
}

TTapiRelatedDevice::~TTapiRelatedDevice() = default;

bool TTapiRelatedDevice::Init()
{
    if (Initialized) Done();
    Initialized = Update() == 0;
    return Initialized;
}

void TTapiRelatedDevice::Done()
{
    FAnswer.Free();
    Initialized = false;
}

uint32_t TTapiRelatedDevice::Update()
{
    // The owner is checked before the block is made, so a refused owner
    // leaves no empty answer behind that would read as available.
    auto* Owner = dynamic_cast<const TTapiRelatedOwner*>(FOwner);
    if (Owner == nullptr) throw Exception("Invalid related kxTAPI object");
    const TTapiRelatedTarget Target = Owner->Get_RelatedTarget();

    FAnswer.Allocate(AnswerSize);
    const char* Class = DeviceClass.c_str();
    const uint32_t r = FetchVarBlock(
        FAnswer,
        [&]() -> uint32_t {
            LPVARSTRING Block = FAnswer.As<VARSTRING>();
            switch (Target.Kind) {
            case rkLine: return lineGetIDA(Target.hDevice, 0, 0, LINECALLSELECT_LINE, Block, Class);
            case rkAddress:
                return lineGetIDA(Target.hDevice, Target.AddressID, 0, LINECALLSELECT_ADDRESS, Block, Class);
            case rkCall: return lineGetIDA(Target.hDevice, 0, Target.hCall, LINECALLSELECT_CALL, Block, Class);
            case rkPhone: return phoneGetIDA(Target.hDevice, Block, Class);
            }
            return LINEERR_OPERATIONFAILED;
        },
        frLineOrPhoneTooSmall);
    if (r != 0) FAnswer.Free();
    return r;
}

bool TTapiRelatedDevice::Get_Available() const
{
    return FAnswer.Exists();
}

uint32_t TTapiRelatedDevice::StringFormat() const noexcept
{
    return FAnswer.Dword(offsetof(VARSTRING, dwStringFormat));
}

uint32_t TTapiRelatedDevice::StringSize() const noexcept
{
    return FAnswer.Dword(offsetof(VARSTRING, dwStringSize));
}

uint32_t TTapiRelatedDevice::StringOffset() const noexcept
{
    return FAnswer.Dword(offsetof(VARSTRING, dwStringOffset));
}

uint32_t TTapiRelatedDevice::Get_DeviceID() const
{
    if (!FAnswer.Exists() || StringFormat() != STRINGFORMAT_BINARY || StringSize() < 4) return 0;
    return FAnswer.Dword(StringOffset());
}

int TTapiRelatedDevice::Get_DeviceIDCount() const
{
    if (!FAnswer.Exists()) return 0;
    return static_cast<int>(FAnswer.EntryCount(StringSize() / 4, StringOffset(), 4));
}

uint32_t TTapiRelatedDevice::Get_DeviceID2(int Index) const
{
    if (Index < 0 || Index >= Get_DeviceIDCount()) throw Exception("Get_DeviceIDs failed! Invalid index ");
    uint32_t Value = 0;
    FAnswer.Entry(StringSize() / 4, StringOffset(), static_cast<uint32_t>(Index), Value);
    return Value;
}

TTapiCommDevice::TTapiCommDevice(TObject* AOwner, const std::string& ADeviceClass)
    : TTapiRelatedDevice(AOwner, "comm/datamodem")
{
    (void)ADeviceClass;
}

TTapiCommDevice::~TTapiCommDevice()
{
    // The handle is this object's own reference; going away without closing
    // it would keep the port open for ever.
    TTapiCommDevice::Done();
}

bool TTapiCommDevice::Init()
{
    if (Enabled && !Initialized) return TTapiRelatedDevice::Init();
    return Initialized;
}

void TTapiCommDevice::Done()
{
    const uint32_t Handle = Get_Handle();
    if (Handle != INVALID_HANDLE_VALUE) CloseHandle(Handle);
    TTapiRelatedDevice::Done();
}

uint32_t TTapiCommDevice::Update()
{
    if (Get_Handle() == INVALID_HANDLE_VALUE) return TTapiRelatedDevice::Update();
    return 0;
}

bool TTapiCommDevice::Get_Available() const
{
    return Enabled && FAnswer.Exists() && Get_Handle() != INVALID_HANDLE_VALUE;
}

uint32_t TTapiCommDevice::Get_Handle() const
{
    if (!FAnswer.Exists() || StringFormat() != STRINGFORMAT_BINARY || StringSize() < 4)
        return INVALID_HANDLE_VALUE;
    const uint32_t Offset = StringOffset();
    if (!FAnswer.View().Contains(Offset, 4)) return INVALID_HANDLE_VALUE;
    return FAnswer.Dword(Offset);
}

std::string TTapiCommDevice::Get_DeviceName() const
{
    if (!FAnswer.Exists() || StringFormat() != STRINGFORMAT_BINARY || StringSize() <= 4) return std::string();
    const uint32_t Offset = StringOffset();
    if (!FAnswer.View().Contains(Offset, 4)) return std::string();
    return FAnswer.StringAt(Offset + 4, StringSize() - 4);
}

} // namespace kxtapi
