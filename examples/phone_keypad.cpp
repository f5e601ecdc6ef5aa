// A phone component on the simulated switch: open the phone as its owner,
// lift the handset, write the display, light a lamp and print the keys the
// user presses (here the switch plays the user and types "2468#").
//
// Run without arguments to watch the events; --selftest checks them.

#include <kxtapi/kxtapi.h>
#include <kxtapi/sim.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

using namespace kxtapi;

namespace {

// Runs the message loop until Done or five seconds have passed.
template <class F>
bool RunUntil(F&& Done)
{
    const auto Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!Done()) {
        if (std::chrono::steady_clock::now() > Deadline) return false;
        Application()->HandleMessage(10);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    const bool SelfTest = argc > 1 && std::strcmp(argv[1], "--selftest") == 0;
    auto say = [&](const std::string& Line) {
        if (!SelfTest) std::printf("%s\n", Line.c_str());
    };
    auto& Sim = sim::Switch();
    int Failures = 0;
    auto check = [&](bool Ok, const char* What) {
        if (!Ok) {
            std::printf("FAILED: %s\n", What);
            ++Failures;
        }
    };

    TTapiPhone Phone(nullptr);
    std::string Keys;
    bool Lifted = false;
    Phone.OnHandsetHookSwitch = [&](TObject*) {
        Lifted = !Phone.Get_Handset()->Get_OnHook();
        say(Lifted ? "handset lifted" : "handset replaced");
    };
    Phone.OnDisplay = [&](TObject*) { say("display: \"" + Phone.Get_Display()->Get_Text() + "\""); };
    Phone.OnLamp = [&](TTapiPhone*, uint32_t ID) {
        say("lamp " + std::to_string(ID) + ": " + Phone.Get_Controls()->Get(static_cast<int>(ID))->Get_LampModeText());
    };
    Phone.OnDigitPressed = [&](TTapiPhone*, char Digit) {
        Keys += Digit;
        say(std::string("key pressed: ") + Digit);
    };

    try {
        // Changing a phone's settings takes the owner privilege.
        Phone.Get_Privileges()->Set_Owner(true);
        Phone.Set_DeviceName("Simulated Phone 1");
        Phone.Set_Active(true);
        say("opened " + Phone.Get_DeviceName());

        // In SyncMode (the default) each write returns once the switch has
        // replied; its event follows with the phone's next message.
        Phone.Get_Handset()->Set_OnHook(false);
        Phone.Get_Display()->Set_Text("Dial a number");
        TTapiPhoneControl* Hold = Phone.Get_Controls()->Get(12);
        Hold->Set_LampMode(PHONELAMPMODE_FLASH);

        // The user types on the keypad.
        const char Typed[] = "2468#";
        for (const char* c = Typed; *c; ++c) {
            const uint32_t ID = *c == '#' ? 11 : *c == '*' ? 10 : static_cast<uint32_t>(*c - '0');
            Sim.PressButton(0, ID);
            Sim.ReleaseButton(0, ID);
        }
        check(RunUntil([&] { return Keys.size() == 5 && Lifted && Hold->Get_LampMode() == PHONELAMPMODE_FLASH; }),
              "the events arrived");

        check(Keys == Typed, "the keys pressed");
        check(Sim.PhoneHookSwitch(0, PHONEHOOKSWITCHDEV_HANDSET) == PHONEHOOKSWITCHMODE_MICSPEAKER,
              "the handset is off hook");
        check(Phone.Get_Display()->Get_Text().rfind("Dial a number", 0) == 0, "the display");
        check(Sim.PhoneLamp(0, 12) == PHONELAMPMODE_FLASH, "the lamp");

        Phone.Get_Handset()->Set_OnHook(true);
        check(RunUntil([&] { return !Lifted; }), "the handset replaced");
        Phone.Set_Active(false);
    } catch (const Exception& E) {
        std::printf("FAILED: %s\n", E.Message().c_str());
        ++Failures;
    }

    if (SelfTest) std::printf("%s\n", Failures == 0 ? "selftest passed" : "selftest FAILED");
    return Failures == 0 ? 0 : 1;
}
