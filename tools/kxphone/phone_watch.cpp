#include "phone_watch.h"

#include <kxtapi/kxtapiutils.h>

namespace kxphone {

using namespace kxtapi;

TPhoneWatch::TPhoneWatch(TTapiPhone& Phone, TEventOutput& Output) : FPhone(Phone), FOutput(Output)
{
    Phone.OnHandsetHookSwitch = [this](TObject*) { HookSwitch("handset", FPhone.Get_Handset()); };
    Phone.OnSpeakerphoneHookSwitch = [this](TObject*) { HookSwitch("speaker", FPhone.Get_Speakerphone()); };
    Phone.OnHeadsetHookSwitch = [this](TObject*) { HookSwitch("headset", FPhone.Get_Headset()); };
    Phone.OnDisplay = [this](TObject*) { Emit("DISPLAY", {TextField("text", FPhone.Get_Display()->Get_Text())}); };
    Phone.OnRingMode = [this](TObject*) {
        Emit("RINGMODE", {PlainField("mode", std::to_string(FPhone.Get_Ringer()->Get_RingMode()))});
    };
    Phone.OnLamp = [this](TTapiPhone*, uint32_t ID) {
        std::vector<TField> f{PlainField("lamp", std::to_string(ID))};
        if (TTapiPhoneControl* c = Control(ID)) f.push_back(PlainField("mode", c->Get_LampModeText()));
        Emit("LAMP", std::move(f));
    };
    Phone.OnDigitPressed = [this](TTapiPhone*, char Digit) { Emit("KEYDOWN", {TextField("key", std::string(1, Digit))}); };
    Phone.OnDigitReleased = [this](TTapiPhone*, char Digit) { Emit("KEYUP", {TextField("key", std::string(1, Digit))}); };
    Phone.OnButton = [this](TTapiPhone*, uint32_t ID) {
        // Keypad keys have their own events.
        if (ID < 12) return;
        std::vector<TField> f{PlainField("button", std::to_string(ID))};
        if (TTapiPhoneControl* c = Control(ID)) {
            f.push_back(PlainField("state", PhoneButtonStateToStr(c->Get_ButtonState())));
            f.push_back(PlainField("function", PhoneButtonFunctionToStr(c->Get_ButtonFunction())));
        }
        Emit("BUTTON", std::move(f));
    };
    Phone.OnDeviceClose = [this](TObject*) { Emit("PHONECLOSED"); };
    Phone.OnDeviceRemove = [this](TObject*) { Emit("PHONEREMOVED"); };
}

TPhoneWatch::~TPhoneWatch()
{
    TTapiPhone& P = FPhone;
    P.OnHandsetHookSwitch = P.OnSpeakerphoneHookSwitch = P.OnHeadsetHookSwitch = nullptr;
    P.OnDisplay = P.OnRingMode = nullptr;
    P.OnLamp = P.OnButton = nullptr;
    P.OnDigitPressed = P.OnDigitReleased = nullptr;
    P.OnDeviceClose = P.OnDeviceRemove = nullptr;
}

TTapiPhoneControl* TPhoneWatch::Control(uint32_t ID) const
{
    TTapiPhoneControlList* List = FPhone.Get_Controls();
    return ID < static_cast<uint32_t>(List->Count()) ? List->Get(static_cast<int>(ID)) : nullptr;
}

void TPhoneWatch::HookSwitch(const char* Device, TTapiPhoneHookSwitch* Switch)
{
    if (Switch == nullptr) return;
    Emit("HOOKSWITCH", {PlainField("device", Device), PlainField("state", Switch->Get_OnHook() ? "onhook" : "offhook")});
}

void TPhoneWatch::Emit(std::string Event, std::vector<TField> Fields)
{
    TEventRecord R{Utf8(FPhone.Get_DeviceName()), 0, std::move(Event), std::move(Fields)};
    FOutput.Write(R);
    if (OnRecord) OnRecord(R);
}

} // namespace kxphone
