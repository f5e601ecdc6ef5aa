// The shell's phone: one phone device opened and worked, and (on the
// simulated switch) the person at a phone.

#include "shell.h"

#include <kxtapi/sim.h>

#include <cctype>

namespace kxphone {

using namespace kxtapi;

namespace {

bool ParseNumber(const std::string& Text, uint32_t& Out)
{
    if (Text.empty() || Text.size() > 9 || Text.find_first_not_of("0123456789") != std::string::npos) return false;
    Out = static_cast<uint32_t>(std::stoul(Text));
    return true;
}

uint32_t LampMode(const std::string& Name)
{
    static const std::pair<const char*, uint32_t> Modes[] = {
        {"off", PHONELAMPMODE_OFF},         {"steady", PHONELAMPMODE_STEADY}, {"wink", PHONELAMPMODE_WINK},
        {"flash", PHONELAMPMODE_FLASH},     {"flutter", PHONELAMPMODE_FLUTTER},
        {"broken", PHONELAMPMODE_BROKENFLUTTER}};
    for (const auto& [n, m] : Modes)
        if (Name == n) return m;
    throw EShellError{"MODE is off, steady, wink, flash, flutter or broken"};
}

/// The device identifier of the phone Spec names (an identifier or a name).
int32_t FindPhone(TTapiPhone& Probe, const std::string& Spec)
{
    TStrings* Names = Probe.Get_DeviceList();
    uint32_t n = 0;
    if (ParseNumber(Spec, n) && n < static_cast<uint32_t>(Names->Count())) return static_cast<int32_t>(n);
    for (int i = 0; i < Names->Count(); ++i)
        if (AnsiSameText(Names->Strings(i), Utf8ToCp1252(Spec))) return i;
    throw EShellError{"no phone device \"" + Spec + "\" (devices lists them)"};
}

} // namespace

TTapiPhone& TShell::OpenPhone() const
{
    if (!FPhone) throw EShellError{"no phone is open (phone open PHONE opens one)"};
    return *FPhone;
}

void TShell::CmdPhone(const std::vector<std::string>& A)
{
    const std::string& Action = A[0];
    auto Need = [&](size_t Count, const char* Usage) {
        if (A.size() - 1 != Count) throw EShellError{std::string("usage: phone ") + Usage};
    };
    if (Action == "open") {
        Need(1, "open PHONE");
        if (FPhone) throw EShellError{"a phone is open already (phone close closes it)"};
        auto Phone = std::make_unique<TTapiPhone>(nullptr);
        Phone->Get_Privileges()->Set_Owner(true);   // its settings may be changed
        Phone->Set_DeviceID(FindPhone(*Phone, A[1]));
        auto Watch = std::make_unique<TPhoneWatch>(*Phone, FOutput);
        Watch->OnRecord = [this](const TEventRecord& R) { Remember(R); };
        Phone->Set_Active(true);
        if (!Phone->Get_Active()) throw EShellError{"the phone did not open"};
        FPhone = std::move(Phone);
        FPhoneWatch = std::move(Watch);
        Say("opened phone \"" + Utf8(FPhone->Get_DeviceName()) + "\"");
        return;
    }
    if (Action == "close") {
        Need(0, "close");
        const std::string Name = Utf8(OpenPhone().Get_DeviceName());
        FPhone->Set_Active(false);
        FPhoneWatch.reset();
        FPhone.reset();
        Say("closed phone \"" + Name + "\"");
        return;
    }
    if (Action == "hook") {
        Need(1, "hook on|off");
        if (A[1] != "on" && A[1] != "off") throw EShellError{"usage: phone hook on|off"};
        TTapiPhoneHookSwitch* Handset = OpenPhone().Get_Handset();
        if (Handset == nullptr || !Handset->Get_Available()) throw EShellError{"the phone has no handset"};
        Handset->Set_OnHook(A[1] == "on");
        return;
    }
    if (Action == "display") {
        Need(1, "display TEXT");
        OpenPhone().Get_Display()->Set_Text(Utf8ToCp1252(A[1]));
        return;
    }
    if (Action == "ring") {
        Need(1, "ring MODE");
        uint32_t Mode = 0;
        if (!ParseNumber(A[1], Mode)) throw EShellError{"MODE is a number (0: silent)"};
        OpenPhone().Get_Ringer()->Set_RingMode(Mode);
        return;
    }
    if (Action == "lamp") {
        Need(2, "lamp ID MODE");
        uint32_t ID = 0;
        TTapiPhone& Phone = OpenPhone();
        if (!ParseNumber(A[1], ID) || ID >= static_cast<uint32_t>(Phone.Get_Controls()->Count()))
            throw EShellError{"the phone has no lamp " + A[1]};
        Phone.Get_Controls()->Get(static_cast<int>(ID))->Set_LampMode(LampMode(A[2]));
        return;
    }
    throw EShellError{"unknown phone action \"" + Action + "\"; \"help phone\" lists them"};
}

void TShell::CmdUser(const std::vector<std::string>& A)
{
    const std::string& Action = A[0];
    TTapiPhone Probe(nullptr);
    const int32_t ID = FindPhone(Probe, A[1]);
    const std::string Name = Probe.Get_DeviceList()->Strings(ID);
    auto& Sim = sim::Switch();
    const int Phone = Sim.PhoneIndex(Name);
    if (Phone < 0) throw EShellError{"\"" + Utf8(Name) + "\" is not a phone of the simulated switch"};
    if ((Action == "lift" || Action == "replace") && A.size() == 2) {
        Sim.SetHookSwitch(Phone, PHONEHOOKSWITCHDEV_HANDSET,
                          Action == "lift" ? PHONEHOOKSWITCHMODE_MICSPEAKER : PHONEHOOKSWITCHMODE_ONHOOK);
        return;
    }
    if (Action == "press" && A.size() == 3) {
        static const std::string Keys = "0123456789*#";
        if (A[2].empty() || A[2].find_first_not_of(Keys) != std::string::npos)
            throw EShellError{"KEYS are 0-9, * and #"};
        for (char k : A[2]) {
            Sim.PressButton(Phone, static_cast<uint32_t>(Keys.find(k)));
            Sim.ReleaseButton(Phone, static_cast<uint32_t>(Keys.find(k)));
        }
        return;
    }
    throw EShellError{"usage: user lift|replace PHONE, user press PHONE KEYS"};
}

} // namespace kxphone
