// Small components for the form tests: a port with an options sub-object,
// enumerations, a set and strings; an LED that refers to a port; forms that
// own them. Each records what it saw when `Loaded` ran.
#pragma once

#include <kxtapi/rtl.h>

#include <string>
#include <vector>

namespace fake {

using namespace kxtapi;

enum TFakeParity { fpNone, fpOdd, fpEven };
enum TFakeFlow { ffUseDTR, ffUseRTS, ffXonXoff };
enum TFakeSignal { fsDSR, fsCTS, fsDCD };

/// Every `Loaded` appends "<name>: <what it saw>".
std::vector<std::string>& LoadLog();

class TFakeOptions : public TPersistent {
public:
    std::string ClassName() const override { return "TFakeOptions"; }
    uint32_t Get_ReplyTimeout() const { return FReplyTimeout; }
    void Set_ReplyTimeout(uint32_t V) { FReplyTimeout = V; }
    bool Get_SyncMode() const { return FSyncMode; }
    void Set_SyncMode(bool V) { FSyncMode = V; }
    /// An indexed pair of accessors, published through lambdas.
    int32_t Get_Limit(int Index) const { return FLimits[Index]; }
    void Set_Limit(int Index, int32_t V) { FLimits[Index] = V; }

private:
    int32_t FLimits[2] = {3, 0};
    uint32_t FReplyTimeout = 60000;
    bool FSyncMode = true;
};

class TFakePort : public TComponent {
public:
    explicit TFakePort(TComponent* AOwner) : TComponent(AOwner) {}
    std::string ClassName() const override { return "TFakePort"; }

    int32_t Get_Baud() const { return FBaud; }
    /// Refuses what no port can do, as real setters do.
    void Set_Baud(int32_t V)
    {
        if (V <= 0) throw Exception("Baud rate must be positive");
        FBaud = V;
    }
    uint8_t Get_Databits() const { return FDatabits; }
    void Set_Databits(uint8_t V) { FDatabits = V; }
    TFakeParity Get_Parity() const { return FParity; }
    void Set_Parity(TFakeParity V) { FParity = V; }
    TSet<TFakeFlow> Get_Flow() const { return FFlow; }
    void Set_Flow(TSet<TFakeFlow> V) { FFlow = V; }
    bool Get_Active() const { return FActive; }
    /// Stores the wish while loading; `Loaded` applies it.
    void Set_Active(bool V)
    {
        FActive = V;
        if (!IsLoading()) FOpen = V;
    }
    const std::string& Get_PortName() const { return FPortName; }
    void Set_PortName(const std::string& V) { FPortName = V; }
    const std::string& Get_Description() const { return FDescription; }
    void Set_Description(const std::string& V) { FDescription = V; }
    char Get_XonChar() const { return FXonChar; }
    void Set_XonChar(char V) { FXonChar = V; }
    bool Get_CTS() const { return true; }
    TFakeOptions* Get_Options() { return &FOptions; }

    bool IsOpen() const { return FOpen; }
    void Loaded() override;

private:
    int32_t FBaud = 9600;
    uint8_t FDatabits = 8;
    TFakeParity FParity = fpNone;
    TSet<TFakeFlow> FFlow;
    bool FActive = false;
    bool FOpen = false;
    std::string FPortName = "COM1";
    std::string FDescription;
    char FXonChar = 17;
    TFakeOptions FOptions;
};

/// A port whose default rate differs and which adds a property of its own.
class TFakeFastPort : public TFakePort {
public:
    explicit TFakeFastPort(TComponent* AOwner) : TFakePort(AOwner) { Set_Baud(115200); }
    std::string ClassName() const override { return "TFakeFastPort"; }
    int32_t Get_Burst() const { return FBurst; }
    void Set_Burst(int32_t V) { FBurst = V; }

private:
    int32_t FBurst = 0;
};

class TFakeLed : public TComponent {
public:
    explicit TFakeLed(TComponent* AOwner) : TComponent(AOwner) {}
    std::string ClassName() const override { return "TFakeLed"; }
    TFakePort* Get_ComPort() const { return FPort; }
    void Set_ComPort(TFakePort* V)
    {
        if (FPort != nullptr) RemoveFreeNotification(FPort);
        FPort = V;
        if (FPort != nullptr) FreeNotification(FPort);
    }
    TFakeSignal Get_Signal() const { return FSignal; }
    void Set_Signal(TFakeSignal V) { FSignal = V; }
    void Loaded() override;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override
    {
        TComponent::Notification(AComponent, Operation);
        if (Operation == opRemove && AComponent == FPort) FPort = nullptr;
    }

private:
    TFakePort* FPort = nullptr;
    TFakeSignal FSignal = fsDSR;
};

/// A root with a caption; owns whatever is put into it.
class TFakeForm : public TComponent {
public:
    explicit TFakeForm(TComponent* AOwner) : TComponent(AOwner) {}
    std::string ClassName() const override { return "TFakeForm"; }
    const std::string& Get_Caption() const { return FCaption; }
    void Set_Caption(const std::string& V) { FCaption = V; }
    void Loaded() override;

private:
    std::string FCaption;
};

/// A container that owns components of its own (nested ownership). With
/// FailLoaded set, its `Loaded` raises after the base step.
class TFakePanel : public TComponent {
public:
    explicit TFakePanel(TComponent* AOwner) : TComponent(AOwner) {}
    std::string ClassName() const override { return "TFakePanel"; }
    bool Get_FailLoaded() const { return FFailLoaded; }
    void Set_FailLoaded(bool V) { FFailLoaded = V; }
    void Loaded() override;

private:
    bool FFailLoaded = false;
};

/// A form whose constructor creates its parts, as an application's form
/// class does: Port1, Led1, and an internal sub-component timer.
class TDesignedForm : public TFakeForm {
public:
    explicit TDesignedForm(TComponent* AOwner);
    std::string ClassName() const override { return "TDesignedForm"; }
    TFakePort* Port1;
    TFakeLed* Led1;
    TComponent* Timer;
};

/// A class that is not registered.
class TUnregistered : public TComponent {
public:
    explicit TUnregistered(TComponent* AOwner) : TComponent(AOwner) {}
};

/// Registers the classes above (once; further calls do nothing).
void RegisterFakeClasses();

} // namespace fake
