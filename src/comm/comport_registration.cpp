// The published properties of the serial port, registered at load.
#include "kxtapi/comm/comport.h"
#include "kxtapi/rtl/properties.h"

namespace kxtapi {

namespace {

void RegisterComPort()
{
    RegisterEnum<TCommEventType>("TCommEventType", {"evBreak", "evCts", "evDsr", "evError", "evRing", "evRlsd",
                                                    "evRxChar", "evRxFlag", "evTxEmpty"});
    RegisterEnum<TFlowControl>("TFlowControl", {"fcUseDTR", "fcRequireDSR", "fcUseRTS", "fcRequireCTS",
                                                "fcUseXonXoff", "fcRequireXonXoff"});
    RegisterEnum<TCommOption>("TCommOption", {"coParityCheck", "coDsrSensitivity", "coTXContinueOnXoff",
                                              "coErrorChar", "coNullStrip"});
    RegisterEnum<TParity>("TParity", {"paNone", "paOdd", "paEven", "paMark", "paSpace"});
    RegisterEnum<TStopBits>("TStopBits", {"sbOne", "sbOneFive", "sbTwo"});
    RegisterEnum<TCommSignal>("TCommSignal", {"csDTR", "csDSR", "csRTS", "csCTS", "csDCD", "csTXD", "csRXD"});

    using C = TCommEventChars;
    RegisterClass<C, TPersistent>("TCommEventChars")
        .Char("XonChar", &C::Get_XonChar, &C::Set_XonChar, 17)
        .Char("XoffChar", &C::Get_XoffChar, &C::Set_XoffChar, 19)
        .Char("ErrorChar", &C::Get_ErrorChar, &C::Set_ErrorChar, 0)
        .Char("EofChar", &C::Get_EofChar, &C::Set_EofChar, 0)
        .Char("EvtChar", &C::Get_EvtChar, &C::Set_EvtChar, 0);

    using P = TComPort;
    RegisterClass<P, TComponent>("TComPort")
        .Boolean("Active", &P::Get_Active, &P::Set_Active)
        .Integer("Baud", &P::Get_Baud, &P::Set_Baud, 9600)
        .Boolean("Break", &P::Get_Break)
        .Boolean("CTS", [](P& Port) { return Port.Get_ModemState(1); })
        .Cardinal("Databits", &P::Get_Databits, &P::Set_Databits, 8)
        .Boolean("DCD", [](P& Port) { return Port.Get_ModemState(4); })
        .Boolean("DSR", [](P& Port) { return Port.Get_ModemState(2); })
        .Boolean("DTR", [](P& Port) { return Port.Get_ModemState(5); },
                 [](P& Port, bool On) { Port.Set_ModemState(5, On); })
        .Object("EventChars", &P::Get_EventChars)
        .Set("FlowControl", &P::Get_FlowControl, &P::Set_FlowControl)
        // A handle belongs to the process that opened it: written to a form it
        // would hand a later reader a stale handle, so it is never stored.
        .Cardinal("Handle", &P::Get_Handle, [](P& Port, THandle H) { Port.Set_Handle(H); })
        .NotStored()
        .Integer("InBufferSize", &P::Get_InBufferSize, &P::Set_ReadBufSize, 4096)
        .Cardinal("InCount", [](P& Port) { return Port.Get_InCount(); })
        .Set("MonitorEvents", &P::Get_MonitorEvents, &P::Set_MonitorEvents)
        .Integer("OutBufferSize", &P::Get_OutBufferSize, &P::Set_WriteBufSize, 2048)
        .Cardinal("OutCount", [](P& Port) { return Port.Get_OutCount(); })
        .Set("Options", &P::Get_Options, &P::Set_Options)
        .Char("Parity", &P::Get_Parity, &P::Set_ParityValue, 'N')
        .String("PortName", &P::Get_PortName, [](P& Port, const std::string& V) { Port.Set_PortName(V); })
        .Integer("ReadTimeout", &P::Get_ReadTimeout, &P::Set_ReadTimeout)
        .Boolean("RING", [](P& Port) { return Port.Get_ModemState(3); })
        .Boolean("RTS", [](P& Port) { return Port.Get_ModemState(6); },
                 [](P& Port, bool On) { Port.Set_ModemState(6, On); })
        .Integer("Stopbits", &P::Get_Stopbits, &P::Set_Stopbits, 1)
        .Integer("WriteTimeout", &P::Get_WriteTimeout, &P::Set_WriteTimeout);
}

const bool kRegistered = (RegisterComPort(), true);

} // namespace

} // namespace kxtapi
