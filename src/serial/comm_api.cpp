// The handle-based functions of the driver layer: look the device up, run
// the operation, turn its result into a last error.
#include "kxtapi/serial/commapi.h"

#include "kxtapi/rtl/lasterror.h"
#include "kxtapi/serial/ports.h"
#include "kxtapi/serial/simulated.h"
#include "serial/comm_device.h"
#include "serial/comm_registry.h"
#include "serial/termios_device.h"

#include <cctype>
#include <string>

namespace kxtapi {

THandle FailWithLastError(uint32_t Error) noexcept
{
    SetLastError(Error);
    return INVALID_HANDLE_VALUE;
}

THandle RegisterCommDevice(std::shared_ptr<TCommDevice> Device)
{
    TCommDevice* raw = Device.get();
    const THandle h = RegisterHandle(std::move(Device));
    if (h == 0) {
        const uint32_t e = GetLastError();
        if (raw) raw->Shutdown();
        return FailWithLastError(e);
    }
    return h;
}

std::shared_ptr<TCommDevice> CommDeviceOf(THandle Handle)
{
    return LookupHandleAs<TCommDevice>(Handle);
}

namespace {

bool Result(uint32_t Error)
{
    if (Error == 0) return true;
    SetLastError(Error);
    return false;
}

template <typename F>
bool WithDevice(THandle Handle, F&& Op)
{
    auto dev = CommDeviceOf(Handle);
    if (!dev) return false;  // ERROR_INVALID_HANDLE is set
    return Result(Op(*dev));
}

} // namespace

THandle OpenCommPort(std::string_view Name)
{
    if (Name.rfind("\\\\.\\", 0) == 0) Name.remove_prefix(4);
    if (Name.empty()) return FailWithLastError(ERROR_FILE_NOT_FOUND);
    const bool comName = Name.size() >= 3 && std::toupper(static_cast<unsigned char>(Name[0])) == 'C'
                         && std::toupper(static_cast<unsigned char>(Name[1])) == 'O'
                         && std::toupper(static_cast<unsigned char>(Name[2])) == 'M';
    std::string path;
    if (comName) {
        if (auto pair = SimulatedPort(Name)) return pair->OpenHandle();
        path = TComPortMap::Current().Path(Name);
        if (path.empty()) return FailWithLastError(ERROR_FILE_NOT_FOUND);
    } else {
        path = std::string(Name);
    }
    std::shared_ptr<TCommDevice> dev;
    if (const uint32_t e = OpenTermiosDevice(path, dev)) return FailWithLastError(e);
    return RegisterCommDevice(std::move(dev));
}

bool IsCommHandle(THandle Handle)
{
    auto dev = std::dynamic_pointer_cast<TCommDevice>(LookupHandle(Handle));
    return dev && dev->IsOpen();
}

bool GetCommState(THandle Handle, DCB& Dcb)
{
    return WithDevice(Handle, [&](TCommDevice& D) { return D.GetState(Dcb); });
}

bool SetCommState(THandle Handle, const DCB& Dcb)
{
    return WithDevice(Handle, [&](TCommDevice& D) { return D.SetState(Dcb); });
}

bool GetCommTimeouts(THandle Handle, COMMTIMEOUTS& Timeouts)
{
    return WithDevice(Handle, [&](TCommDevice& D) { return D.GetTimeouts(Timeouts); });
}

bool SetCommTimeouts(THandle Handle, const COMMTIMEOUTS& Timeouts)
{
    return WithDevice(Handle, [&](TCommDevice& D) { return D.SetTimeouts(Timeouts); });
}

bool SetupComm(THandle Handle, uint32_t InQueue, uint32_t OutQueue)
{
    return WithDevice(Handle, [&](TCommDevice& D) { return D.Setup(InQueue, OutQueue); });
}

bool ReadComm(THandle Handle, void* Buffer, uint32_t Count, uint32_t& Read, uint32_t WaitMs)
{
    Read = 0;
    return WithDevice(Handle, [&](TCommDevice& D) { return D.Read(Buffer, Count, Read, WaitMs); });
}

bool WriteComm(THandle Handle, const void* Buffer, uint32_t Count, uint32_t& Written, uint32_t WaitMs)
{
    Written = 0;
    return WithDevice(Handle, [&](TCommDevice& D) { return D.Write(Buffer, Count, Written, WaitMs); });
}

bool PurgeComm(THandle Handle, uint32_t Flags)
{
    return WithDevice(Handle, [&](TCommDevice& D) { return D.Purge(Flags); });
}

bool ClearCommError(THandle Handle, uint32_t& Errors, COMSTAT* Stat)
{
    Errors = 0;
    return WithDevice(Handle, [&](TCommDevice& D) { return D.ClearError(Errors, Stat); });
}

bool GetCommModemStatus(THandle Handle, uint32_t& Status)
{
    Status = 0;
    return WithDevice(Handle, [&](TCommDevice& D) { return D.GetModemStatus(Status); });
}

bool EscapeCommFunction(THandle Handle, uint32_t Function)
{
    return WithDevice(Handle, [&](TCommDevice& D) { return D.Escape(Function); });
}

bool SetCommBreak(THandle Handle) { return EscapeCommFunction(Handle, SETBREAK); }
bool ClearCommBreak(THandle Handle) { return EscapeCommFunction(Handle, CLRBREAK); }

bool SetCommMask(THandle Handle, uint32_t Mask)
{
    return WithDevice(Handle, [&](TCommDevice& D) { return D.SetMask(Mask); });
}

bool GetCommMask(THandle Handle, uint32_t& Mask)
{
    Mask = 0;
    return WithDevice(Handle, [&](TCommDevice& D) { return D.GetMask(Mask); });
}

bool WaitCommEvent(THandle Handle, uint32_t& Events, const TCommCancel* Cancel)
{
    Events = 0;
    return WithDevice(Handle, [&](TCommDevice& D) { return D.WaitEvent(Events, Cancel); });
}

bool GetCommProperties(THandle Handle, COMMPROP& Prop)
{
    return WithDevice(Handle, [&](TCommDevice& D) { return D.GetProperties(Prop); });
}

bool GetCommConfig(THandle Handle, COMMCONFIG& Config)
{
    return WithDevice(Handle, [&](TCommDevice& D) { return D.GetConfig(Config); });
}

} // namespace kxtapi
