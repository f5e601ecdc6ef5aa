#include "fake_components.h"

#include <mutex>

namespace fake {

std::vector<std::string>& LoadLog()
{
    static std::vector<std::string> log;
    return log;
}

void TFakePort::Loaded()
{
    LoadLog().push_back(Get_Name() + ": loading=" + (IsLoading() ? "1" : "0") +
                        " reading=" + (ComponentState().Contains(csReading) ? "1" : "0") +
                        " baud=" + std::to_string(FBaud) + " timeout=" +
                        std::to_string(FOptions.Get_ReplyTimeout()) + " port=" + FPortName);
    TComponent::Loaded();
    FOpen = FActive;
}

void TFakeLed::Loaded()
{
    LoadLog().push_back(Get_Name() + ": port=" + (FPort != nullptr ? FPort->Get_Name() : "none") +
                        " portbaud=" + (FPort != nullptr ? std::to_string(FPort->Get_Baud()) : "-"));
    TComponent::Loaded();
}

void TFakeForm::Loaded()
{
    LoadLog().push_back(Get_Name() + ": caption=" + FCaption + " children=" + std::to_string(ComponentCount()));
    TComponent::Loaded();
}

void TFakePanel::Loaded()
{
    TComponent::Loaded();
    if (FFailLoaded) throw Exception("panel " + Get_Name() + " cannot load");
}

TDesignedForm::TDesignedForm(TComponent* AOwner) : TFakeForm(AOwner)
{
    Port1 = new TFakePort(this);
    Port1->Set_Name("Port1");
    Led1 = new TFakeLed(this);
    Led1->Set_Name("Led1");
    Timer = new TComponent(this);
    Timer->SetSubComponent(true);
}

void RegisterFakeClasses()
{
    static std::once_flag once;
    std::call_once(once, [] {
        RegisterEnum<TFakeParity>("TFakeParity", {"fpNone", "fpOdd", "fpEven"});
        RegisterEnum<TFakeFlow>("TFakeFlow", {"ffUseDTR", "ffUseRTS", "ffXonXoff"});
        RegisterEnum<TFakeSignal>("TFakeSignal", {"fsDSR", "fsCTS", "fsDCD"});
        RegisterClass<TFakeOptions, TPersistent>("TFakeOptions")
            .Cardinal("ReplyTimeout", &TFakeOptions::Get_ReplyTimeout, &TFakeOptions::Set_ReplyTimeout, 60000)
            .Boolean("SyncMode", &TFakeOptions::Get_SyncMode, &TFakeOptions::Set_SyncMode, true)
            .Integer("Retries", [](const TFakeOptions& O) { return O.Get_Limit(0); },
                     [](TFakeOptions& O, int32_t V) { O.Set_Limit(0, V); }, 3);
        RegisterClass<TFakePort, TComponent>("TFakePort")
            .Boolean("Active", &TFakePort::Get_Active, &TFakePort::Set_Active)
            .Integer("Baud", &TFakePort::Get_Baud, &TFakePort::Set_Baud, 9600)
            .Boolean("CTS", &TFakePort::Get_CTS)
            .Cardinal("Databits", &TFakePort::Get_Databits, &TFakePort::Set_Databits, 8)
            .String("Description", &TFakePort::Get_Description, &TFakePort::Set_Description)
            .Set("Flow", &TFakePort::Get_Flow, &TFakePort::Set_Flow)
            .Object("Options", &TFakePort::Get_Options)
            .Enum("Parity", &TFakePort::Get_Parity, &TFakePort::Set_Parity, fpNone)
            .String("PortName", &TFakePort::Get_PortName, &TFakePort::Set_PortName, "COM1")
            .Char("XonChar", &TFakePort::Get_XonChar, &TFakePort::Set_XonChar, 17);
        RegisterClass<TFakeFastPort, TFakePort>("TFakeFastPort")
            .Default("Baud", 115200)
            .Integer("Burst", &TFakeFastPort::Get_Burst, &TFakeFastPort::Set_Burst, 0);
        RegisterClass<TFakeLed, TComponent>("TFakeLed")
            .Reference("ComPort", &TFakeLed::Get_ComPort, &TFakeLed::Set_ComPort)
            .Enum("Signal", &TFakeLed::Get_Signal, &TFakeLed::Set_Signal, fsDSR);
        RegisterClass<TFakeForm, TComponent>("TFakeForm")
            .String("Caption", &TFakeForm::Get_Caption, &TFakeForm::Set_Caption);
        RegisterClass<TFakePanel, TComponent>("TFakePanel")
            .Boolean("FailLoaded", &TFakePanel::Get_FailLoaded, &TFakePanel::Set_FailLoaded, false);
        RegisterClass<TDesignedForm, TFakeForm>("TDesignedForm");
    });
}

} // namespace fake
