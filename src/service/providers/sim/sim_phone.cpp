// The phone devices of the simulated switch: hook switches, display,
// ringer, buttons and lamps, gain and volume.

#include "service/providers/sim/sim_world.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace kxtapi::service::simulated {

namespace {

constexpr uint32_t HookStates[3] = {PHONESTATE_HANDSETHOOKSWITCH, PHONESTATE_SPEAKERHOOKSWITCH,
                                    PHONESTATE_HEADSETHOOKSWITCH};
constexpr uint32_t GainStates[3] = {PHONESTATE_HANDSETGAIN, PHONESTATE_SPEAKERGAIN, PHONESTATE_HEADSETGAIN};
constexpr uint32_t VolumeStates[3] = {PHONESTATE_HANDSETVOLUME, PHONESTATE_SPEAKERVOLUME, PHONESTATE_HEADSETVOLUME};
constexpr uint32_t Devs[3] = {PHONEHOOKSWITCHDEV_HANDSET, PHONEHOOKSWITCHDEV_SPEAKER, PHONEHOOKSWITCHDEV_HEADSET};

bool SingleBit(uint32_t v) { return v && !(v & (v - 1)); }

uint32_t Features(const kxtapi::sim::TSimPhoneConfig& c)
{
    uint32_t f = PHONEFEATURE_GETBUTTONINFO | PHONEFEATURE_GETLAMP | PHONEFEATURE_SETLAMP;
    if (c.DisplayRows && c.DisplayColumns) f |= PHONEFEATURE_GETDISPLAY | PHONEFEATURE_SETDISPLAY;
    if (c.NumRingModes) f |= PHONEFEATURE_GETRING | PHONEFEATURE_SETRING;
    if (c.HookSwitchDevs & PHONEHOOKSWITCHDEV_HANDSET)
        f |= PHONEFEATURE_GETHOOKSWITCHHANDSET | PHONEFEATURE_SETHOOKSWITCHHANDSET;
    if (c.HookSwitchDevs & PHONEHOOKSWITCHDEV_SPEAKER)
        f |= PHONEFEATURE_GETHOOKSWITCHSPEAKER | PHONEFEATURE_SETHOOKSWITCHSPEAKER;
    if (c.HookSwitchDevs & PHONEHOOKSWITCHDEV_HEADSET)
        f |= PHONEFEATURE_GETHOOKSWITCHHEADSET | PHONEFEATURE_SETHOOKSWITCHHEADSET;
    if (c.GainFlags & PHONEHOOKSWITCHDEV_HANDSET) f |= PHONEFEATURE_GETGAINHANDSET | PHONEFEATURE_SETGAINHANDSET;
    if (c.GainFlags & PHONEHOOKSWITCHDEV_SPEAKER) f |= PHONEFEATURE_GETGAINSPEAKER | PHONEFEATURE_SETGAINSPEAKER;
    if (c.GainFlags & PHONEHOOKSWITCHDEV_HEADSET) f |= PHONEFEATURE_GETGAINHEADSET | PHONEFEATURE_SETGAINHEADSET;
    if (c.VolumeFlags & PHONEHOOKSWITCHDEV_HANDSET)
        f |= PHONEFEATURE_GETVOLUMEHANDSET | PHONEFEATURE_SETVOLUMEHANDSET;
    if (c.VolumeFlags & PHONEHOOKSWITCHDEV_SPEAKER)
        f |= PHONEFEATURE_GETVOLUMESPEAKER | PHONEFEATURE_SETVOLUMESPEAKER;
    if (c.VolumeFlags & PHONEHOOKSWITCHDEV_HEADSET)
        f |= PHONEFEATURE_GETVOLUMEHEADSET | PHONEFEATURE_SETVOLUMEHEADSET;
    return f;
}

}  // namespace

TSimPhoneDevice::TSimPhoneDevice(TSimWorld& W, int I, kxtapi::sim::TSimPhoneConfig C)
    : World(W), Index(I), Config(std::move(C))
{
    Display.assign(static_cast<size_t>(Config.DisplayRows) * Config.DisplayColumns, ' ');
    Lamps.resize(Config.Buttons.size());
    for (size_t i = 0; i < Config.Buttons.size(); ++i)
        Lamps[i] = Config.Buttons[i].LampModes == PHONELAMPMODE_DUMMY ? PHONELAMPMODE_DUMMY : PHONELAMPMODE_OFF;
    ButtonStates.assign(Config.Buttons.size(), PHONEBUTTONSTATE_UP);
}

int TSimPhoneDevice::DevIndex(uint32_t HookSwitchDev)
{
    for (int i = 0; i < 3; ++i)
        if (Devs[i] == HookSwitchDev) return i;
    return -1;
}

std::string TSimPhoneDevice::DisplayText() const
{
    return Display;
}

uint32_t TSimPhoneDevice::GetDevCaps(uint32_t, uint32_t, TPhoneCapsData& Caps)
{
    if (uint32_t e = World.FailCall("phoneGetDevCapsA", Index)) return e;
    PHONECAPS& f = Caps.Fixed;
    Caps.ProviderInfo = Config.ProviderInfo;
    Caps.PhoneInfo = Config.PhoneInfo;
    Caps.PhoneName = Config.Name;
    Caps.DeviceClasses = {"tapi/phone", "tapi/line", "wave/in", "wave/out"};
    for (const auto& b : Config.Buttons) {
        Caps.ButtonModes.push_back(b.Mode);
        Caps.ButtonFunctions.push_back(b.Function);
        Caps.LampModes.push_back(b.LampModes);
    }
    f.dwPermanentPhoneID = Config.PermanentID;
    f.dwStringFormat = STRINGFORMAT_ASCII;
    f.dwPhoneStates = Config.PhoneStates;
    f.dwHookSwitchDevs = Config.HookSwitchDevs;
    uint32_t Modes = Config.HookSwitchModes;
    f.dwHandsetHookSwitchModes = (Config.HookSwitchDevs & PHONEHOOKSWITCHDEV_HANDSET) ? Modes : 0;
    f.dwSpeakerHookSwitchModes = (Config.HookSwitchDevs & PHONEHOOKSWITCHDEV_SPEAKER) ? Modes : 0;
    f.dwHeadsetHookSwitchModes = (Config.HookSwitchDevs & PHONEHOOKSWITCHDEV_HEADSET) ? Modes : 0;
    f.dwVolumeFlags = Config.VolumeFlags;
    f.dwGainFlags = Config.GainFlags;
    f.dwDisplayNumRows = Config.DisplayRows;
    f.dwDisplayNumColumns = Config.DisplayColumns;
    f.dwNumRingModes = Config.NumRingModes;
    f.dwNumButtonLamps = static_cast<uint32_t>(Config.Buttons.size());
    f.dwPhoneFeatures = Features(Config);
    f.dwSettableHandsetHookSwitchModes = f.dwMonitoredHandsetHookSwitchModes = f.dwHandsetHookSwitchModes;
    f.dwSettableSpeakerHookSwitchModes = f.dwMonitoredSpeakerHookSwitchModes = f.dwSpeakerHookSwitchModes;
    f.dwSettableHeadsetHookSwitchModes = f.dwMonitoredHeadsetHookSwitchModes = f.dwHeadsetHookSwitchModes;
    Caps.Hostile = World.Hostile("phoneGetDevCapsA", Index);
    return 0;
}

uint32_t TSimPhoneDevice::GetStatus(TPhoneStatusData& Status)
{
    if (uint32_t e = World.FailCall("phoneGetStatusA", Index)) return e;
    PHONESTATUS& f = Status.Fixed;
    f.dwStatusFlags = PHONESTATUSFLAGS_CONNECTED;
    f.dwRingMode = RingMode;
    f.dwRingVolume = RingVolume;
    f.dwHandsetHookSwitchMode = HookMode[0];
    f.dwSpeakerHookSwitchMode = HookMode[1];
    f.dwHeadsetHookSwitchMode = HookMode[2];
    f.dwHandsetVolume = Volume[0];
    f.dwSpeakerVolume = Volume[1];
    f.dwHeadsetVolume = Volume[2];
    f.dwHandsetGain = Gain[0];
    f.dwSpeakerGain = Gain[1];
    f.dwHeadsetGain = Gain[2];
    f.dwPhoneFeatures = Features(Config);
    Status.Display = DisplayText();
    Status.LampModes = Lamps;
    Status.Hostile = World.Hostile("phoneGetStatusA", Index);
    return 0;
}

uint32_t TSimPhoneDevice::GetID(const std::string& DeviceClass, TDeviceIDData& ID)
{
    if (uint32_t e = World.FailCall("phoneGetIDA", Index)) return e;
    auto Put = [&](uint32_t v) {
        ID.Format = STRINGFORMAT_BINARY;
        ID.Bytes.resize(4);
        std::memcpy(ID.Bytes.data(), &v, 4);
    };
    if (SameClass(DeviceClass, "tapi/phone")) {
        int32_t Own = World.Host ? World.Host->PhoneDeviceID(this) : -1;
        if (Own < 0) return PHONEERR_NODEVICE;
        Put(static_cast<uint32_t>(Own));
        return 0;
    }
    if (SameClass(DeviceClass, "tapi/line")) {
        TSimLineDevice* l = World.LineAt(Config.Line);
        int32_t Id = l && World.Host ? World.Host->LineDeviceID(l) : -1;
        if (Id < 0) return PHONEERR_INVALDEVICECLASS;
        Put(static_cast<uint32_t>(Id));
        return 0;
    }
    if (SameClass(DeviceClass, "wave/in") || SameClass(DeviceClass, "wave/out")) {
        uint32_t Wave = SameClass(DeviceClass, "wave/in") ? Config.WaveIn : Config.WaveOut;
        if (Wave == 0xFFFFFFFF) return PHONEERR_INVALDEVICECLASS;
        Put(Wave);
        return 0;
    }
    return PHONEERR_INVALDEVICECLASS;
}

uint32_t TSimPhoneDevice::GetIcon(const std::string& DeviceClass, HICON& Icon)
{
    if (!DeviceClass.empty() && !SameClass(DeviceClass, "tapi/phone") && !SameClass(DeviceClass, "tapi/line") &&
        !SameClass(DeviceClass, "wave/in") && !SameClass(DeviceClass, "wave/out"))
        return PHONEERR_INVALDEVICECLASS;
    Icon = 0;
    return 0;
}

uint32_t TSimPhoneDevice::GetDisplay(std::string& Text)
{
    if (uint32_t e = World.FailCall("phoneGetDisplay", Index)) return e;
    if (!Config.DisplayRows || !Config.DisplayColumns) return PHONEERR_OPERATIONUNAVAIL;
    Text = DisplayText();
    return 0;
}

uint32_t TSimPhoneDevice::GetLamp(uint32_t ButtonLampID, uint32_t& LampMode)
{
    if (uint32_t e = World.FailCall("phoneGetLamp", Index)) return e;
    if (ButtonLampID >= Lamps.size()) return PHONEERR_INVALBUTTONLAMPID;
    LampMode = Lamps[ButtonLampID];
    return 0;
}

uint32_t TSimPhoneDevice::GetButtonInfo(uint32_t ButtonLampID, TButtonInfoData& Info)
{
    if (uint32_t e = World.FailCall("phoneGetButtonInfoA", Index)) return e;
    if (ButtonLampID >= Config.Buttons.size()) return PHONEERR_INVALBUTTONLAMPID;
    const auto& b = Config.Buttons[ButtonLampID];
    Info.Fixed.dwButtonMode = b.Mode;
    Info.Fixed.dwButtonFunction = b.Function;
    Info.Fixed.dwButtonState = ButtonStates[ButtonLampID];
    Info.Text = b.Text;
    Info.Hostile = World.Hostile("phoneGetButtonInfoA", Index);
    return 0;
}

uint32_t TSimPhoneDevice::Open()
{
    if (uint32_t e = World.FailCall("phoneOpen", Index)) return e;
    Opened = true;
    return 0;
}

void TSimPhoneDevice::Close()
{
    Opened = false;
}

uint32_t TSimPhoneDevice::SetDisplay(TRequestID R, uint32_t Row, uint32_t Column, const std::string& Text)
{
    if (uint32_t e = World.FailCall("phoneSetDisplay", Index)) return e;
    if (!Config.DisplayRows || !Config.DisplayColumns) return PHONEERR_OPERATIONUNAVAIL;
    if (Row >= Config.DisplayRows || Column >= Config.DisplayColumns) return PHONEERR_INVALPARAM;
    World.Note("phoneSetDisplay", Index, 0, Text);
    size_t Start = static_cast<size_t>(Row) * Config.DisplayColumns + Column;
    World.Reply("phoneSetDisplay", Index, R, [w = weak_from_this(), Start, Text] {
        auto P = w.lock();
        if (!P) return;
        // Text runs on into the next rows and is cut at the display's end.
        size_t n = std::min(Text.size(), P->Display.size() - Start);
        P->Display.replace(Start, n, Text, 0, n);
        if (P->World.Host) P->World.Host->PhoneState(P.get(), PHONESTATE_DISPLAY, 0, 0);
    });
    return 0;
}

uint32_t TSimPhoneDevice::SetRing(TRequestID R, uint32_t Mode, uint32_t NewVolume)
{
    if (uint32_t e = World.FailCall("phoneSetRing", Index)) return e;
    if (Mode > Config.NumRingModes) return PHONEERR_INVALRINGMODE;
    World.Note("phoneSetRing", Index, 0, std::to_string(Mode) + "," + std::to_string(NewVolume));
    World.Reply("phoneSetRing", Index, R, [w = weak_from_this(), Mode, NewVolume] {
        auto P = w.lock();
        if (!P) return;
        uint32_t States = (Mode != P->RingMode ? PHONESTATE_RINGMODE : 0) |
                          (NewVolume != P->RingVolume ? PHONESTATE_RINGVOLUME : 0);
        P->RingMode = Mode;
        P->RingVolume = NewVolume;
        if (States && P->World.Host) P->World.Host->PhoneState(P.get(), States, 0, 0);
    });
    return 0;
}

uint32_t TSimPhoneDevice::SetLamp(TRequestID R, uint32_t ID, uint32_t Mode)
{
    if (uint32_t e = World.FailCall("phoneSetLamp", Index)) return e;
    if (ID >= Config.Buttons.size()) return PHONEERR_INVALBUTTONLAMPID;
    if (!SingleBit(Mode) || !(Config.Buttons[ID].LampModes & Mode) || Mode == PHONELAMPMODE_DUMMY)
        return PHONEERR_INVALLAMPMODE;
    World.Note("phoneSetLamp", Index, 0, std::to_string(ID) + "," + std::to_string(Mode));
    World.Reply("phoneSetLamp", Index, R, [w = weak_from_this(), ID, Mode] {
        auto P = w.lock();
        if (!P || P->Lamps[ID] == Mode) return;
        P->Lamps[ID] = Mode;
        if (P->World.Host) P->World.Host->PhoneState(P.get(), PHONESTATE_LAMP, ID, 0);
    });
    return 0;
}

void TSimPhoneDevice::ChangeHookSwitch(uint32_t DevMask, uint32_t Mode)
{
    for (int i = 0; i < 3; ++i) {
        if (!(DevMask & Devs[i]) || HookMode[i] == Mode) continue;
        HookMode[i] = Mode;
        if (World.Host) World.Host->PhoneState(this, HookStates[i], Mode, 0);
    }
}

uint32_t TSimPhoneDevice::SetHookSwitch(TRequestID R, uint32_t DevMask, uint32_t Mode)
{
    if (uint32_t e = World.FailCall("phoneSetHookSwitch", Index)) return e;
    if (DevMask & ~Config.HookSwitchDevs) return PHONEERR_INVALHOOKSWITCHDEV;
    if (!(Config.HookSwitchModes & Mode)) return PHONEERR_INVALHOOKSWITCHMODE;
    World.Note("phoneSetHookSwitch", Index, 0, std::to_string(DevMask) + "," + std::to_string(Mode));
    World.Reply("phoneSetHookSwitch", Index, R, [w = weak_from_this(), DevMask, Mode] {
        if (auto P = w.lock()) P->ChangeHookSwitch(DevMask, Mode);
    });
    return 0;
}

uint32_t TSimPhoneDevice::SetGain(TRequestID R, uint32_t Dev, uint32_t NewGain)
{
    if (uint32_t e = World.FailCall("phoneSetGain", Index)) return e;
    int i = DevIndex(Dev);
    if (i < 0 || !(Config.GainFlags & Dev)) return PHONEERR_INVALHOOKSWITCHDEV;
    World.Note("phoneSetGain", Index, 0, std::to_string(Dev) + "," + std::to_string(NewGain));
    World.Reply("phoneSetGain", Index, R, [w = weak_from_this(), i, NewGain] {
        auto P = w.lock();
        if (!P || P->Gain[i] == NewGain) return;
        P->Gain[i] = NewGain;
        if (P->World.Host) P->World.Host->PhoneState(P.get(), GainStates[i], 0, 0);
    });
    return 0;
}

uint32_t TSimPhoneDevice::SetVolume(TRequestID R, uint32_t Dev, uint32_t NewVolume)
{
    if (uint32_t e = World.FailCall("phoneSetVolume", Index)) return e;
    int i = DevIndex(Dev);
    if (i < 0 || !(Config.VolumeFlags & Dev)) return PHONEERR_INVALHOOKSWITCHDEV;
    World.Note("phoneSetVolume", Index, 0, std::to_string(Dev) + "," + std::to_string(NewVolume));
    World.Reply("phoneSetVolume", Index, R, [w = weak_from_this(), i, NewVolume] {
        auto P = w.lock();
        if (!P || P->Volume[i] == NewVolume) return;
        P->Volume[i] = NewVolume;
        if (P->World.Host) P->World.Host->PhoneState(P.get(), VolumeStates[i], 0, 0);
    });
    return 0;
}

}  // namespace kxtapi::service::simulated
