// The line devices of the simulated switch: capabilities, status, related
// devices and the operations that create calls.

#include "service/providers/sim/sim_world.h"

#include "kxtapi/rtl/handles.h"
#include "kxtapi/serial/commtypes.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace kxtapi::service::simulated {

namespace {

constexpr uint32_t AllLineStates = 0x01FFFFFF;
constexpr uint32_t AllAddressStates = 0x000001FF;
constexpr uint32_t AllPartyIDFlags = 0x7F;
constexpr uint32_t HeldPending = LINECALLSTATE_ONHOLDPENDCONF | LINECALLSTATE_ONHOLDPENDTRANSFER;

void PutDword(TDeviceIDData& ID, uint32_t v)
{
    ID.Format = STRINGFORMAT_BINARY;
    ID.Bytes.resize(4);
    std::memcpy(ID.Bytes.data(), &v, 4);
}

std::vector<std::string> LineClasses()
{
    return {"tapi/line", "tapi/phone", "wave/in", "wave/out", "comm", "comm/datamodem"};
}

void CountCalls(const std::vector<TSimCall*>& Calls, uint32_t& Active, uint32_t& Held, uint32_t& Pending)
{
    Active = Held = Pending = 0;
    for (TSimCall* c : Calls) {
        if (c->State() == LINECALLSTATE_ONHOLD)
            ++Held;
        else if (c->State() & HeldPending)
            ++Pending;
        else
            ++Active;
    }
}

}  // namespace

TSimLineDevice::TSimLineDevice(TSimWorld& W, int I, kxtapi::sim::TSimLineConfig C)
    : World(W), Index(I), Config(std::move(C))
{
    ReportedInUse.assign(Config.Addresses.size(), 0);
}

TSimLineDevice::~TSimLineDevice()
{
    if (ModemHandle) kxtapi::CloseHandle(ModemHandle);
}

THandle TSimLineDevice::CommHandle()
{
    if (!Modem) Modem = TSimulatedPair::Create(PST_MODEM);
    if (!ModemHandle) {
        THandle h = Modem->OpenHandle();
        ModemHandle = h == INVALID_HANDLE_VALUE ? 0 : h;
    }
    return ModemHandle ? DuplicateHandle(ModemHandle) : 0;
}

LINEEXTENSIONID TSimLineDevice::ExtensionID() const
{
    return LINEEXTENSIONID{Config.ExtensionID[0], Config.ExtensionID[1], Config.ExtensionID[2],
                           Config.ExtensionID[3]};
}

uint32_t TSimLineDevice::GetDevCaps(uint32_t, uint32_t, TLineCapsData& Caps)
{
    if (uint32_t e = World.FailCall("lineGetDevCapsA", Index)) return e;
    LINEDEVCAPS& f = Caps.Fixed;
    Caps.ProviderInfo = Config.ProviderInfo;
    Caps.SwitchInfo = Config.SwitchInfo;
    Caps.LineName = Config.Name;
    Caps.DeviceClasses = LineClasses();
    f.dwPermanentLineID = Config.PermanentID;
    f.dwStringFormat = STRINGFORMAT_ASCII;
    f.dwAddressModes = LINEADDRESSMODE_ADDRESSID | LINEADDRESSMODE_DIALABLEADDR;
    f.dwNumAddresses = NumAddresses();
    f.dwBearerModes = Config.BearerModes;
    f.dwMaxRate = 64000;
    f.dwMediaModes = Config.MediaModes;
    f.dwGenerateToneModes =
        LINETONEMODE_CUSTOM | LINETONEMODE_RINGBACK | LINETONEMODE_BUSY | LINETONEMODE_BEEP | LINETONEMODE_BILLING;
    f.dwGenerateToneMaxNumFreq = 3;
    f.dwGenerateDigitModes = LINEDIGITMODE_PULSE | LINEDIGITMODE_DTMF;
    f.dwMonitorToneMaxNumFreq = 3;
    f.dwMonitorToneMaxNumEntries = 8;
    f.dwMonitorDigitModes = LINEDIGITMODE_PULSE | LINEDIGITMODE_DTMF | LINEDIGITMODE_DTMFEND;
    f.dwGatherDigitsMinTimeout = 100;
    f.dwGatherDigitsMaxTimeout = 600000;
    f.dwDevCapFlags = LINEDEVCAPFLAGS_CLOSEDROP | LINEDEVCAPFLAGS_DIALBILLING | LINEDEVCAPFLAGS_DIALQUIET |
                      LINEDEVCAPFLAGS_DIALDIALTONE | (NumAddresses() > 1 ? LINEDEVCAPFLAGS_MULTIPLEADDR : 0);
    f.dwMaxNumActiveCalls = 4;
    f.dwAnswerMode = LINEANSWERMODE_HOLD;
    f.dwRingModes = 1;
    f.dwLineStates = AllLineStates;
    f.dwUUIAcceptSize = f.dwUUIAnswerSize = f.dwUUIMakeCallSize = f.dwUUIDropSize = 128;
    f.MinDialParams = LINEDIALPARAMS{0, 50, 50, 0};
    f.MaxDialParams = LINEDIALPARAMS{5000, 500, 500, 10000};
    f.DefaultDialParams = LINEDIALPARAMS{2000, 95, 50, 3000};
    f.dwLineFeatures = Config.LineFeatures;
    Caps.Hostile = World.Hostile("lineGetDevCapsA", Index);
    return 0;
}

uint32_t TSimLineDevice::GetAddressCaps(uint32_t AddressID, uint32_t, uint32_t, TAddressCapsData& Caps)
{
    if (uint32_t e = World.FailCall("lineGetAddressCapsA", Index)) return e;
    if (AddressID >= NumAddresses()) return LINEERR_INVALADDRESSID;
    const auto& a = Config.Addresses[AddressID];
    LINEADDRESSCAPS& f = Caps.Fixed;
    Caps.Address = a.Address;
    Caps.DeviceClasses = LineClasses();
    f.dwAddressSharing = LINEADDRESSSHARING_PRIVATE;
    f.dwAddressStates = AllAddressStates;
    f.dwCallInfoStates = 0x7FFFFFFF;
    f.dwCallerIDFlags = f.dwCalledIDFlags = f.dwConnectedIDFlags = AllPartyIDFlags;
    f.dwRedirectionIDFlags = f.dwRedirectingIDFlags = AllPartyIDFlags;
    f.dwCallStates = 0xFFFF;
    f.dwDialToneModes = LINEDIALTONEMODE_NORMAL | LINEDIALTONEMODE_SPECIAL | LINEDIALTONEMODE_INTERNAL |
                        LINEDIALTONEMODE_EXTERNAL;
    f.dwBusyModes = LINEBUSYMODE_STATION | LINEBUSYMODE_TRUNK;
    f.dwSpecialInfo = LINESPECIALINFO_NOCIRCUIT | LINESPECIALINFO_CUSTIRREG | LINESPECIALINFO_REORDER;
    f.dwDisconnectModes = LINEDISCONNECTMODE_NORMAL | LINEDISCONNECTMODE_UNKNOWN | LINEDISCONNECTMODE_REJECT |
                          LINEDISCONNECTMODE_BUSY | LINEDISCONNECTMODE_NOANSWER | LINEDISCONNECTMODE_BADADDRESS;
    f.dwMaxNumActiveCalls = 4;
    f.dwMaxNumOnHoldCalls = 4;
    f.dwMaxNumOnHoldPendingCalls = 2;
    f.dwMaxNumConference = 8;
    f.dwMaxNumTransConf = 8;
    f.dwAddrCapFlags = LINEADDRCAPFLAGS_DIALED | LINEADDRCAPFLAGS_ORIGOFFHOOK | LINEADDRCAPFLAGS_TRANSFERHELD |
                       LINEADDRCAPFLAGS_TRANSFERMAKE | LINEADDRCAPFLAGS_CONFERENCEHELD |
                       LINEADDRCAPFLAGS_CONFERENCEMAKE | LINEADDRCAPFLAGS_PARTIALDIAL |
                       LINEADDRCAPFLAGS_SETUPCONFNULL | LINEADDRCAPFLAGS_BLOCKIDOVERRIDE;
    f.dwCallFeatures = a.CallFeatures;
    f.dwRemoveFromConfCaps = LINEREMOVEFROMCONF_NONE;
    f.dwRemoveFromConfState = LINECALLSTATE_IDLE;
    f.dwTransferModes = LINETRANSFERMODE_TRANSFER | LINETRANSFERMODE_CONFERENCE;
    f.dwParkModes = LINEPARKMODE_DIRECTED | LINEPARKMODE_NONDIRECTED;
    f.dwAddressFeatures = a.AddressFeatures;
    f.dwCallFeatures2 = LINECALLFEATURE2_TRANSFERNORM | LINECALLFEATURE2_TRANSFERCONF | LINECALLFEATURE2_PARKDIRECT |
                        LINECALLFEATURE2_PARKNONDIRECT;
    f.dwMaxNoAnswerTimeout = 600;
    f.dwConnectedModes = LINECONNECTEDMODE_ACTIVE | LINECONNECTEDMODE_INACTIVE;
    f.dwOfferingModes = LINEOFFERINGMODE_ACTIVE | LINEOFFERINGMODE_INACTIVE;
    f.dwAvailableMediaModes = Config.MediaModes;
    Caps.Hostile = World.Hostile("lineGetAddressCapsA", Index);
    return 0;
}

uint32_t TSimLineDevice::GetDevStatus(TLineStatusData& Status)
{
    if (uint32_t e = World.FailCall("lineGetLineDevStatusA", Index)) return e;
    LINEDEVSTATUS& f = Status.Fixed;
    CountCalls(World.LineCalls(Index), f.dwNumActiveCalls, f.dwNumOnHoldCalls, f.dwNumOnHoldPendCalls);
    f.dwLineFeatures = Config.LineFeatures;
    f.dwRingMode = 1;
    f.dwSignalLevel = 0xFFFF;
    f.dwBatteryLevel = 0xFFFF;
    f.dwRoamMode = LINEROAMMODE_UNAVAIL;
    f.dwDevStatusFlags = LINEDEVSTATUSFLAGS_CONNECTED | LINEDEVSTATUSFLAGS_INSERVICE;
    f.dwAvailableMediaModes = Config.MediaModes;
    Status.Hostile = World.Hostile("lineGetLineDevStatusA", Index);
    return 0;
}

uint32_t TSimLineDevice::GetAddressStatus(uint32_t AddressID, TAddressStatusData& Status)
{
    if (uint32_t e = World.FailCall("lineGetAddressStatusA", Index)) return e;
    if (AddressID >= NumAddresses()) return LINEERR_INVALADDRESSID;
    std::vector<TSimCall*> Calls;
    for (TSimCall* c : World.LineCalls(Index))
        if (c->AddressID() == AddressID) Calls.push_back(c);
    LINEADDRESSSTATUS& f = Status.Fixed;
    f.dwNumInUse = Calls.empty() ? 0 : 1;
    CountCalls(Calls, f.dwNumActiveCalls, f.dwNumOnHoldCalls, f.dwNumOnHoldPendCalls);
    f.dwAddressFeatures = Config.Addresses[AddressID].AddressFeatures;
    Status.Hostile = World.Hostile("lineGetAddressStatusA", Index);
    return 0;
}

uint32_t TSimLineDevice::GetID(uint32_t, uint32_t, TProviderCall* Call, const std::string& DeviceClass,
                              TDeviceIDData& ID)
{
    if (uint32_t e = World.FailCall("lineGetIDA", Index)) return e;
    if (SameClass(DeviceClass, "tapi/line")) {
        int32_t Own = World.Host ? World.Host->LineDeviceID(this) : -1;
        if (Own < 0) return LINEERR_NODEVICE;
        PutDword(ID, static_cast<uint32_t>(Own));
        return 0;
    }
    if (SameClass(DeviceClass, "tapi/phone")) {
        TSimPhoneDevice* p = World.PhoneAt(Config.Phone);
        int32_t Id = p && World.Host ? World.Host->PhoneDeviceID(p) : -1;
        if (Id < 0) return LINEERR_INVALDEVICECLASS;
        PutDword(ID, static_cast<uint32_t>(Id));
        return 0;
    }
    if (SameClass(DeviceClass, "wave/in") || SameClass(DeviceClass, "wave/out")) {
        uint32_t Wave = SameClass(DeviceClass, "wave/in") ? Config.WaveIn : Config.WaveOut;
        if (Wave == 0xFFFFFFFF) return LINEERR_INVALDEVICECLASS;
        PutDword(ID, Wave);
        return 0;
    }
    if (SameClass(DeviceClass, "comm/datamodem") || SameClass(DeviceClass, "comm")) {
        if (!Config.DataModem) return LINEERR_INVALDEVICECLASS;
        TSimCall* c = dynamic_cast<TSimCall*>(Call);
        std::string Name = c ? "SIMCALL" + std::to_string(c->ID) : "SIMLINE" + std::to_string(Index);
        if (SameClass(DeviceClass, "comm")) {
            ID.Format = STRINGFORMAT_ASCII;
            ID.Bytes.assign(Name.begin(), Name.end());
            ID.Bytes.push_back(0);
            return 0;
        }
        // A handle of its own for the application: it closes it, the switch
        // closes its own when the call (or line) goes.
        THandle h = c ? c->CommHandle() : CommHandle();
        if (!h) return LINEERR_RESOURCEUNAVAIL;
        ID.Format = STRINGFORMAT_BINARY;
        ID.Bytes.resize(4);
        std::memcpy(ID.Bytes.data(), &h, 4);
        ID.Bytes.insert(ID.Bytes.end(), Name.begin(), Name.end());
        ID.Bytes.push_back(0);
        ID.Handle = h;
        return 0;
    }
    return LINEERR_INVALDEVICECLASS;
}

uint32_t TSimLineDevice::GetIcon(const std::string& DeviceClass, HICON& Icon)
{
    if (!DeviceClass.empty()) {
        bool Known = false;
        for (const std::string& c : LineClasses()) Known = Known || SameClass(DeviceClass, c.c_str());
        if (!Known) return LINEERR_INVALDEVICECLASS;
    }
    Icon = 0;   // the switch has no pictures
    return 0;
}

uint32_t TSimLineDevice::Open()
{
    if (uint32_t e = World.FailCall("lineOpenA", Index)) return e;
    Opened = true;
    return 0;
}

void TSimLineDevice::Close()
{
    Opened = false;
}

std::vector<std::shared_ptr<TProviderCall>> TSimLineDevice::Calls(uint32_t Select, uint32_t AddressID)
{
    std::vector<std::shared_ptr<TProviderCall>> r;
    for (TSimCall* c : World.LineCalls(Index))
        if (Select != LINECALLSELECT_ADDRESS || c->AddressID() == AddressID) r.push_back(c->shared_from_this());
    return r;
}

uint32_t TSimLineDevice::MakeCall(TRequestID R, uint32_t AddressID, const std::string& Dest, uint32_t,
                                  const TCallParamsData& Params, std::shared_ptr<TProviderCall>& Out)
{
    if (uint32_t e = World.FailCall("lineMakeCallA", Index)) return e;
    if (!(Params.MediaMode & (Config.MediaModes | LINEMEDIAMODE_UNKNOWN))) return LINEERR_INVALMEDIAMODE;
    if (!(Params.BearerMode & Config.BearerModes)) return LINEERR_INVALBEARERMODE;
    auto c = World.NewCall(Index, AddressID);
    c->Origin = LINECALLORIGIN_OUTBOUND;
    c->Media = Params.MediaMode;
    c->Bearer = Params.BearerMode;
    c->ParamFlags = Params.CallParamFlags;
    c->CalledParty = Params.CalledParty;
    c->Comment = Params.Comment;
    c->DisplayableAddress = Params.DisplayableAddress;
    c->UserUserInfo = Params.UserUserInfo;
    c->CallerID = World.AddressOf(Index, AddressID);
    c->CallerIDName = Config.Name;
    c->CallerFlags = (Params.CallParamFlags & LINECALLPARAMFLAGS_BLOCKID)
                         ? LINECALLPARTYID_BLOCKED
                         : LINECALLPARTYID_ADDRESS | LINECALLPARTYID_NAME;
    Out = c;
    World.Note("lineMakeCallA", Index, c->ID, Dest);
    std::weak_ptr<TSimCall> w = c;
    World.Reply("lineMakeCallA", Index, R, [w, Dest] {
        auto Call = w.lock();
        if (!Call) return;
        Call->Listed = true;
        Call->SetState(LINECALLSTATE_DIALTONE, LINEDIALTONEMODE_NORMAL);
        if (Digits(Dest).empty()) return;   // waits for lineDialA
        Call->Dialled = Dest;
        Call->SetState(LINECALLSTATE_DIALING, 0);
        Call->World.Route(*Call);
        // A call to another line with the caller's number withheld shows none.
        if (auto p = Call->Peer.lock(); p && (Call->ParamFlags & LINECALLPARAMFLAGS_BLOCKID)) {
            p->CallerID.clear();
            p->CallerIDName.clear();
            p->CallerFlags = LINECALLPARTYID_BLOCKED;
        }
    });
    return 0;
}

uint32_t TSimLineDevice::Unpark(TRequestID R, uint32_t AddressID, const std::string& Dest,
                                std::shared_ptr<TProviderCall>& Out)
{
    if (uint32_t e = World.FailCall("lineUnparkA", Index)) return e;
    std::string Where = Digits(Dest);
    if (!World.Parked.count(Where)) return LINEERR_INVALADDRESS;
    auto c = World.NewCall(Index, AddressID);
    c->Reason = LINECALLREASON_UNPARK;
    Out = c;
    World.Note("lineUnparkA", Index, c->ID, Where);
    std::weak_ptr<TSimCall> w = c;
    World.Reply("lineUnparkA", Index, R, [w, Where] {
        auto Call = w.lock();
        if (!Call) return;
        TSimWorld& W = Call->World;
        auto it = W.Parked.find(Where);
        Call->Listed = true;
        if (it == W.Parked.end()) {
            // Someone else took it meanwhile: the line finds nobody there.
            Call->SetState(LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_UNAVAIL);
            return;
        }
        TParked P = it->second;
        W.Parked.erase(it);
        Call->Origin = P.Origin;
        Call->CallerID = Call->ConnectedID = P.Number;
        Call->CallerIDName = Call->ConnectedIDName = P.Name;
        Call->CallerFlags = Call->ConnectedFlags =
            P.Number.empty() ? LINECALLPARTYID_UNKNOWN : LINECALLPARTYID_ADDRESS;
        if (auto p = P.Peer.lock(); p && p->State() != LINECALLSTATE_IDLE) {
            p->Peer = Call;
            Call->Peer = p;
        }
        Call->SetState(LINECALLSTATE_CONNECTED, LINECONNECTEDMODE_ACTIVE);
    });
    return 0;
}

uint32_t TSimLineDevice::SetupConference(TRequestID R, TProviderCall* CallIn, uint32_t AddressID, uint32_t,
                                         const TCallParamsData& Params, std::shared_ptr<TProviderCall>& ConfOut,
                                         std::shared_ptr<TProviderCall>& ConsultOut)
{
    if (uint32_t e = World.FailCall("lineSetupConferenceA", Index)) return e;
    TSimCall* Call = dynamic_cast<TSimCall*>(CallIn);
    if (CallIn && (!Call || Call->State() != LINECALLSTATE_CONNECTED)) return LINEERR_INVALCALLSTATE;
    if (AddressID >= NumAddresses()) return LINEERR_INVALADDRESSID;
    auto Conf = World.NewCall(Index, AddressID);
    Conf->IsConference = true;
    Conf->Origin = LINECALLORIGIN_CONFERENCE;
    auto Consult = World.NewCall(Index, AddressID);
    Consult->Media = Params.Given ? Params.MediaMode : LINEMEDIAMODE_INTERACTIVEVOICE;
    Consult->RelatedCallID = Conf->ID;
    Consult->PendingConference = Conf;
    ConfOut = Conf;
    ConsultOut = Consult;
    World.Note("lineSetupConferenceA", Index, Call ? Call->ID : 0, std::to_string(Conf->ID));
    std::weak_ptr<TSimCall> k = Conf, n = Consult;
    std::weak_ptr<TSimCall> o = Call ? Call->shared_from_this() : std::shared_ptr<TSimCall>();
    bool WithCall = Call != nullptr;
    World.Reply("lineSetupConferenceA", Index, R, [k, n, o, WithCall] {
        auto Conf = k.lock(), Consult = n.lock();
        auto Orig = o.lock();
        if (!Conf || !Consult) return;
        if (WithCall && (!Orig || Orig->State() != LINECALLSTATE_CONNECTED)) return;
        Conf->Listed = true;
        Conf->SetState(LINECALLSTATE_ONHOLDPENDCONF, 0);
        if (Orig) {
            Conf->Members = {Orig};
            Orig->ConferenceOf = Conf;
            Orig->SetState(LINECALLSTATE_CONFERENCED, 0, Conf.get());
        }
        Consult->Listed = true;
        Consult->SetState(LINECALLSTATE_DIALTONE, LINEDIALTONEMODE_NORMAL);
    });
    return 0;
}

}  // namespace kxtapi::service::simulated
