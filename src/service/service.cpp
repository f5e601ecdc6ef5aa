#include "service/service.h"

#include "kxtapi/rtl/sync.h"
#include "kxtapi/rtl/tick.h"
#include "service/blocks.h"
#include "service/config/config_error.h"
#include "service/config/telephony_config.h"
#include "service/providers/sim/sim_provider.h"
#include "service/provider_registry.h"
#include "service/requests/recipients.h"
#include "service/service_lock.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstring>

namespace kxtapi::service {

TService& Service()
{
    // Never destroyed: applications shut down from their own static
    // destructors, which may run after this module's. The timer thread is
    // stopped at exit separately (TScheduler::StopThread).
    static TService* s = new TService;
    return *s;
}

std::string ModuleBaseName(const std::string& Path)
{
    size_t Slash = Path.find_last_of("/\\");
    std::string Base = Slash == std::string::npos ? Path : Path.substr(Slash + 1);
    for (char& c : Base) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return Base;
}

TService::TService() = default;

TService::~TService()
{
    for (auto& [h, u] : Usages)
        if (u->Event) CloseHandle(u->Event);
}

// --- Identifiers ------------------------------------------------------------

uint32_t TService::NewHandle()
{
    uint32_t h = FNextHandle++;
    if (FNextHandle == 0) FNextHandle = 0x00010001;   // after 4 billion handles
    return h;
}

uint32_t TService::NewRequestID()
{
    // Positive (bit 31 clear) and not in use; after a wrap, identifiers of
    // requests still pending are skipped.
    for (;;) {
        uint32_t id = FNextRequest;
        FNextRequest = FNextRequest >= 0x7FFFFFFF ? 1 : FNextRequest + 1;
        if (!Requests.count(id)) return id;
    }
}

// --- Lookups ------------------------------------------------------------------

TUsage* TService::LineUsage(uint32_t hLineApp)
{
    auto it = Usages.find(hLineApp);
    return it != Usages.end() && !it->second->Phone ? it->second.get() : nullptr;
}

TUsage* TService::PhoneUsage(uint32_t hPhoneApp)
{
    auto it = Usages.find(hPhoneApp);
    return it != Usages.end() && it->second->Phone ? it->second.get() : nullptr;
}

TLineOpen* TService::LineOpen(uint32_t hLine)
{
    auto it = LineOpens.find(hLine);
    return it != LineOpens.end() ? &it->second : nullptr;
}

TCallHandle* TService::CallHandle(uint32_t hCall)
{
    auto it = CallHandles.find(hCall);
    return it != CallHandles.end() && !it->second.Held ? &it->second : nullptr;
}

TPhoneOpen* TService::PhoneOpen(uint32_t hPhone)
{
    auto it = PhoneOpens.find(hPhone);
    return it != PhoneOpens.end() ? &it->second : nullptr;
}

TProviderLine* TService::LineDevice(uint32_t DeviceID)
{
    return DeviceID < LineSlots.size() ? LineSlots[DeviceID].Device.get() : nullptr;
}

TProviderPhone* TService::PhoneDevice(uint32_t DeviceID)
{
    return DeviceID < PhoneSlots.size() ? PhoneSlots[DeviceID].Device.get() : nullptr;
}

uint32_t TService::CheckLineDevice(uint32_t DeviceID) const
{
    if (DeviceID >= LineSlots.size()) return LINEERR_BADDEVICEID;
    return LineSlots[DeviceID].Device ? 0 : LINEERR_NODEVICE;
}

uint32_t TService::CheckPhoneDevice(uint32_t DeviceID) const
{
    if (DeviceID >= PhoneSlots.size()) return PHONEERR_BADDEVICEID;
    return PhoneSlots[DeviceID].Device ? 0 : PHONEERR_NODEVICE;
}

int32_t TService::LineDeviceIDOf(const TProviderLine* Line) const
{
    for (size_t i = 0; i < LineSlots.size(); ++i)
        if (Line && LineSlots[i].Device.get() == Line) return static_cast<int32_t>(i);
    return -1;
}

int32_t TService::PhoneDeviceIDOf(const TProviderPhone* Phone) const
{
    for (size_t i = 0; i < PhoneSlots.size(); ++i)
        if (Phone && PhoneSlots[i].Device.get() == Phone) return static_cast<int32_t>(i);
    return -1;
}

TCallRecord* TService::Record(TProviderCall* Call)
{
    auto it = CallRecords.find(Call);
    return it != CallRecords.end() ? &it->second : nullptr;
}

TCallRecord& TService::RecordFor(const std::shared_ptr<TProviderCall>& Call)
{
    TCallRecord& r = CallRecords[Call.get()];
    if (!r.Call) {
        r.Call = Call;
        r.DeviceID = static_cast<uint32_t>(LineDeviceIDOf(Call->Line()));
    }
    return r;
}

uint32_t TService::HandleOf(TProviderCall* Call, uint32_t hLine) const
{
    auto it = CallRecords.find(Call);
    if (it == CallRecords.end()) return 0;
    for (uint32_t h : it->second.Handles) {
        auto c = CallHandles.find(h);
        if (c != CallHandles.end() && c->second.Line == hLine) return h;
    }
    return 0;
}

// --- Starting and stopping ------------------------------------------------------

uint32_t TService::StartIfNeeded()
{
    if (Running) return 0;
    TTelephonyConfig Config;
    if (!LoadTelephonyConfig(Config, StartError)) return LINEERR_INIFILECORRUPT;
    StartError.clear();
    Running = true;
    FStarting = true;
    SimLeftOut = !Config.SimulatedSwitch;
    for (const auto& p : RegisteredProviders()) {
        if (SimLeftOut && p == EmbeddedSimProvider()) continue;
        try {
            p->Init(*this);
        } catch (...) {
            // A provider that fails to start contributes no devices.
        }
    }
    // A provider the configuration asks for is wanted: if it cannot start,
    // the service does not start half-configured.
    for (const auto& p : Config.Providers) {
        try {
            p->Init(*this);
            ConfiguredProviders.push_back(p);
            continue;
        } catch (const TConfigError& e) {
            StartError = e.Text(Config.Source);
        } catch (const std::exception& e) {
            StartError = Config.Source + ": " + p->Name() + ": " + e.what();
        } catch (...) {
            StartError = Config.Source + ": " + p->Name() + ": cannot start";
        }
        // Close what the failed provider may have reported, then the rest.
        p->Close();
        break;
    }
    FStarting = false;
    if (!StartError.empty()) {
        StopProviders();
        return LINEERR_NODRIVER;
    }
    return 0;
}

void TService::StopIfIdle()
{
    if (!Running || !Usages.empty()) return;
    StopProviders();
}

void TService::StopProviders()
{
    for (auto it = ConfiguredProviders.rbegin(); it != ConfiguredProviders.rend(); ++it) (*it)->Close();
    ConfiguredProviders.clear();
    auto Providers = RegisteredProviders();
    for (auto it = Providers.rbegin(); it != Providers.rend(); ++it) {
        if (SimLeftOut && *it == EmbeddedSimProvider()) continue;
        (*it)->Close();
    }
    SimLeftOut = false;
    LineSlots.clear();
    PhoneSlots.clear();
    LineOpens.clear();
    CallHandles.clear();
    CallRecords.clear();
    PhoneOpens.clear();
    Requests.clear();
    Running = false;
}

// --- Messages -------------------------------------------------------------------

void TService::Post(TUsage& Usage, const LINEMESSAGE& Msg, std::vector<TWriteBackPtr> WriteBacks)
{
    Usage.Queue.push_back(TQueuedMessage{Msg, std::move(WriteBacks)});
    SetEvent(Usage.Event);
}

void TService::PostLine(const TLineOpen& Open, uint32_t MessageID, uint32_t Param1, uint32_t Param2,
                        uint32_t Param3)
{
    auto u = Usages.find(Open.Usage);
    if (u == Usages.end()) return;
    Post(*u->second, LINEMESSAGE{Open.Handle, MessageID, Open.Instance, Param1, Param2, Param3});
}

void TService::PostCall(TCallHandle& Handle, uint32_t MessageID, uint32_t Param1, uint32_t Param2,
                        uint32_t Param3, std::vector<TWriteBackPtr> WriteBacks)
{
    TLineOpen* Open = LineOpen(Handle.Line);
    if (!Open) return;
    LINEMESSAGE m{Handle.Handle, MessageID, Open->Instance, Param1, Param2, Param3};
    if (Handle.Held) {
        // Messages of a call whose creating request has not completed wait, so
        // that the application learns the handle (LINE_REPLY) before them.
        Handle.HeldMessages.push_back(m);
        return;
    }
    auto u = Usages.find(Handle.Usage);
    if (u != Usages.end()) Post(*u->second, m, std::move(WriteBacks));
}

void TService::PostPhone(const TPhoneOpen& Open, uint32_t MessageID, uint32_t Param1, uint32_t Param2,
                         uint32_t Param3)
{
    auto u = Usages.find(Open.Usage);
    if (u == Usages.end()) return;
    Post(*u->second, LINEMESSAGE{Open.Handle, MessageID, Open.Instance, Param1, Param2, Param3});
}

bool TService::Fetch(TUsage& Usage, LINEMESSAGE& Msg)
{
    if (Usage.Queue.empty()) {
        ResetEvent(Usage.Event);
        return false;
    }
    TQueuedMessage q = std::move(Usage.Queue.front());
    Usage.Queue.pop_front();
    for (const TWriteBackPtr& w : q.WriteBacks) {
        if (w->Cancelled || !w->Target) continue;
        if (w->IsHandle) {
            uint32_t v;
            std::memcpy(&v, w->Bytes.data(), 4);
            std::atomic_ref<uint32_t>(*static_cast<uint32_t*>(w->Target)).store(v, std::memory_order_release);
        } else {
            std::memcpy(w->Target, w->Bytes.data(), w->Bytes.size());
        }
        w->Target = nullptr;
    }
    Msg = q.Msg;
    if (Usage.Queue.empty()) ResetEvent(Usage.Event);
    return true;
}

namespace {

bool Overlaps(const void* A, size_t ASize, const void* B, size_t BSize)
{
    auto a = reinterpret_cast<uintptr_t>(A), b = reinterpret_cast<uintptr_t>(B);
    return a < b + std::max<size_t>(BSize, 1) && b < a + std::max<size_t>(ASize, 1);
}

}  // namespace

void TService::CancelWriteBacks(const void* Target, uint32_t Size)
{
    auto Cancel = [&](const TWriteBackPtr& w) {
        if (w->Target && Overlaps(w->Target, w->Bytes.size(), Target, Size)) {
            w->Cancelled = true;
            w->Target = nullptr;
        }
    };
    for (auto& [h, u] : Usages)
        for (TQueuedMessage& q : u->Queue)
            for (const TWriteBackPtr& w : q.WriteBacks) Cancel(w);
    for (auto& [id, r] : Requests) {
        for (const TWriteBackPtr& w : r.WriteBacks) Cancel(w);
        if (r.ParkTarget && Overlaps(r.ParkTarget, r.ParkTotalSize, Target, Size)) r.ParkTarget = nullptr;
    }
    for (auto& [h, c] : CallHandles) {
        TGather& g = c.Media.Gather;
        if (g.Buffer && Overlaps(g.Buffer, g.NumDigits, Target, Size)) g.Buffer = nullptr;
    }
}

void TService::CancelWriteBacksOf(uint32_t Usage, uint32_t Line, uint32_t Call)
{
    auto Match = [&](const TWriteBack& w) {
        return (Usage && w.Usage == Usage) || (Line && w.Line == Line) || (Call && w.Call == Call);
    };
    for (auto& [h, u] : Usages)
        for (TQueuedMessage& q : u->Queue)
            for (const TWriteBackPtr& w : q.WriteBacks)
                if (Match(*w)) {
                    w->Cancelled = true;
                    w->Target = nullptr;
                }
    for (auto& [id, r] : Requests)
        for (const TWriteBackPtr& w : r.WriteBacks)
            if (Match(*w)) {
                w->Cancelled = true;
                w->Target = nullptr;
            }
}

// --- Calls ------------------------------------------------------------------------

TCallHandle& TService::CreateCallHandle(TLineOpen& Open, TCallRecord& Rec, uint32_t Privilege, bool Held)
{
    uint32_t h = NewHandle();
    TCallHandle& c = CallHandles[h];
    c.Handle = h;
    c.Line = Open.Handle;
    c.Usage = Open.Usage;
    c.Call = Rec.Call.get();
    c.Privilege = Privilege;
    c.Held = Held;
    Rec.Handles.push_back(h);
    Open.Calls.push_back(h);
    return c;
}

void TService::DestroyCallHandle(uint32_t hCall, bool NotifyOthers)
{
    auto it = CallHandles.find(hCall);
    if (it == CallHandles.end()) return;
    TCallHandle& c = it->second;
    uint32_t Privilege = c.Privilege;
    TProviderCall* Call = c.Call;
    if (c.Media.Gather.Timer) Scheduler.Cancel(c.Media.Gather.Timer);
    for (uint64_t t : c.Media.ToneTimers) Scheduler.Cancel(t);
    CancelWriteBacksOf(0, 0, hCall);
    // Messages still queued about the handle would name nothing; drop them.
    auto u = Usages.find(c.Usage);
    if (u != Usages.end()) {
        auto& Q = u->second->Queue;
        Q.erase(std::remove_if(Q.begin(), Q.end(),
                               [&](const TQueuedMessage& q) {
                                   return q.Msg.hDevice == hCall && q.Msg.dwMessageID != LINE_REPLY;
                               }),
                Q.end());
        if (Q.empty()) ResetEvent(u->second->Event);
    }
    if (TLineOpen* o = LineOpen(c.Line)) o->Calls.erase(std::remove(o->Calls.begin(), o->Calls.end(), hCall), o->Calls.end());
    CallHandles.erase(it);
    auto r = CallRecords.find(Call);
    if (r == CallRecords.end()) return;
    auto& H = r->second.Handles;
    H.erase(std::remove(H.begin(), H.end(), hCall), H.end());
    if (H.empty()) {
        CallRecords.erase(r);
        return;
    }
    if (NotifyOthers)
        NotifyOwnership(r->second, 0,
                        Privilege == LINECALLPRIVILEGE_OWNER ? LINECALLINFOSTATE_NUMOWNERDECR
                                                             : LINECALLINFOSTATE_NUMMONITORS);
}

uint32_t TService::OwnerCount(const TCallRecord& Record) const
{
    uint32_t n = 0;
    for (uint32_t h : Record.Handles) {
        auto c = CallHandles.find(h);
        if (c != CallHandles.end() && c->second.Privilege == LINECALLPRIVILEGE_OWNER) ++n;
    }
    return n;
}

uint32_t TService::MonitorCount(const TCallRecord& Record) const
{
    uint32_t n = 0;
    for (uint32_t h : Record.Handles) {
        auto c = CallHandles.find(h);
        if (c != CallHandles.end() && c->second.Privilege == LINECALLPRIVILEGE_MONITOR) ++n;
    }
    return n;
}

void TService::NotifyOwnership(TCallRecord& Record, uint32_t Except, uint32_t InfoState)
{
    for (uint32_t h : std::vector<uint32_t>(Record.Handles)) {
        if (h == Except) continue;
        auto c = CallHandles.find(h);
        if (c != CallHandles.end()) PostCall(c->second, LINE_CALLINFO, InfoState, 0, 0);
    }
}

void TService::AnnounceCall(TCallRecord& Rec, bool OfferOwner)
{
    if (Rec.DeviceID >= LineSlots.size()) return;
    if (Rec.Call->State() == LINECALLSTATE_IDLE) return;
    Rec.Announced = true;
    std::vector<uint32_t> Opens = LineSlots[Rec.DeviceID].Opens;
    auto HasHandle = [&](uint32_t hLine) { return HandleOf(Rec.Call.get(), hLine) != 0; };
    auto Give = [&](TLineOpen& o, uint32_t Privilege) {
        TCallHandle& c = CreateCallHandle(o, Rec, Privilege, false);
        PostLine(o, LINE_APPNEWCALL, Rec.Call->AddressID(), c.Handle, Privilege);
    };
    if (OfferOwner && OwnerCount(Rec) == 0) {
        // The first owner that handles the call's media mode gets it; failing
        // that, the first owner at all, so that no call goes unanswered.
        TLineOpen* Owner = nullptr;
        for (uint32_t h : Opens) {
            TLineOpen* o = LineOpen(h);
            if (!o || !(o->Privileges & LINECALLPRIVILEGE_OWNER) || HasHandle(h)) continue;
            if (o->MediaModes & Rec.Call->MediaMode()) {
                Owner = o;
                break;
            }
            if (!Owner) Owner = o;
        }
        if (Owner) Give(*Owner, LINECALLPRIVILEGE_OWNER);
    }
    for (uint32_t h : Opens) {
        TLineOpen* o = LineOpen(h);
        if (o && (o->Privileges & LINECALLPRIVILEGE_MONITOR) && !HasHandle(h)) Give(*o, LINECALLPRIVILEGE_MONITOR);
    }
}

void TService::ReleaseHeld(TCallHandle& Handle)
{
    if (!Handle.Held) return;
    Handle.Held = false;
    std::vector<LINEMESSAGE> Held = std::move(Handle.HeldMessages);
    Handle.HeldMessages.clear();
    auto u = Usages.find(Handle.Usage);
    if (u == Usages.end()) return;
    for (const LINEMESSAGE& m : Held) Post(*u->second, m);
}

// --- Requests ---------------------------------------------------------------------

TPendingRequest& TService::AddRequest(uint32_t Usage, bool Phone, uint32_t Device, uint32_t Instance)
{
    uint32_t id = NewRequestID();
    TPendingRequest& r = Requests[id];
    r.ID = id;
    r.Usage = Usage;
    r.Phone = Phone;
    r.Device = Device;
    r.Instance = Instance;
    return r;
}

void TService::DropRequest(uint32_t ID)
{
    auto it = Requests.find(ID);
    if (it == Requests.end()) return;
    for (uint32_t h : it->second.NewCalls) DestroyCallHandle(h, false);
    Requests.erase(ID);
}

void TService::AddHandleWriteBack(TPendingRequest& Request, LPHCALL Target, uint32_t hCall)
{
    auto w = std::make_shared<TWriteBack>();
    w->Target = Target;
    w->Bytes.resize(4);
    std::memcpy(w->Bytes.data(), &hCall, 4);
    w->IsHandle = true;
    w->Usage = Request.Usage;
    w->Line = Request.Device;
    Request.WriteBacks.push_back(std::move(w));
}

void TService::CompleteRequest(TRequestID ID, uint32_t Result, const std::string& Text)
{
    auto it = Requests.find(ID);
    if (it == Requests.end()) return;   // closed, shut down or completed already
    TPendingRequest r = std::move(it->second);
    Requests.erase(it);
    auto u = Usages.find(r.Usage);
    if (u == Usages.end()) {
        for (uint32_t h : r.NewCalls) DestroyCallHandle(h, false);
        return;
    }
    if (r.Phone) {
        Post(*u->second, LINEMESSAGE{0, PHONE_REPLY, r.Instance, ID, Result, 0});
        return;
    }
    if (Result != 0) {
        for (uint32_t h : r.NewCalls) DestroyCallHandle(h, false);
        Post(*u->second, LINEMESSAGE{0, LINE_REPLY, r.Instance, ID, Result, 0});
        return;
    }
    if (r.ParkTarget) {
        TBlockImage Image = VarStringImage(STRINGFORMAT_ASCII, Text.c_str(), static_cast<uint32_t>(Text.size() + 1));
        uint32_t Written = r.ParkTotalSize >= Image.NeededSize() ? Image.NeededSize() : Image.FixedSize();
        std::vector<uint8_t> Bytes(Image.NeededSize());
        Image.WriteTo(Bytes.data(), r.ParkTotalSize);
        Bytes.resize(Written);
        auto w = std::make_shared<TWriteBack>();
        w->Target = r.ParkTarget;
        w->Bytes = std::move(Bytes);
        w->Usage = r.Usage;
        w->Line = r.Device;
        r.WriteBacks.push_back(std::move(w));
    }
    Post(*u->second, LINEMESSAGE{0, LINE_REPLY, r.Instance, ID, 0, 0}, std::move(r.WriteBacks));
    // Monitors learn of the new calls with their first state (CallState).
    for (uint32_t h : r.NewCalls) {
        auto c = CallHandles.find(h);
        if (c != CallHandles.end()) ReleaseHeld(c->second);
    }
}

// --- Opens ------------------------------------------------------------------------

void TService::CloseLineOpen(uint32_t hLine, bool Notify)
{
    TLineOpen* o = LineOpen(hLine);
    if (!o) return;
    uint32_t DeviceID = o->DeviceID;
    uint32_t Usage = o->Usage;
    CancelWriteBacksOf(0, hLine, 0);
    // Requests made on the line are forgotten: nobody is left to take their
    // replies, and the handles they would create have no line.
    std::vector<uint32_t> Dead;
    for (auto& [id, r] : Requests)
        if (!r.Phone && r.Device == hLine) Dead.push_back(id);
    for (uint32_t id : Dead) DropRequest(id);
    // A call whose only owner closes is dropped.
    for (uint32_t h : std::vector<uint32_t>(o->Calls)) {
        auto c = CallHandles.find(h);
        if (c == CallHandles.end()) continue;
        TProviderCall* Call = c->second.Call;
        TCallRecord* Rec = Record(Call);
        bool SoleOwner = c->second.Privilege == LINECALLPRIVILEGE_OWNER && Rec && OwnerCount(*Rec) == 1;
        std::shared_ptr<TProviderCall> Keep = Rec ? Rec->Call : nullptr;
        DestroyCallHandle(h, true);
        if (SoleOwner && Keep && Keep->State() != LINECALLSTATE_IDLE) Keep->DropForClose();
    }
    if (Notify) {
        if (auto u = Usages.find(Usage); u != Usages.end())
            Post(*u->second, LINEMESSAGE{hLine, LINE_CLOSE, o->Instance, 0, 0, 0});
    }
    LineOpens.erase(hLine);
    if (DeviceID < LineSlots.size()) {
        auto& Opens = LineSlots[DeviceID].Opens;
        Opens.erase(std::remove(Opens.begin(), Opens.end(), hLine), Opens.end());
        if (auto& Dev = LineSlots[DeviceID].Device) {
            if (Opens.empty())
                Dev->Close();
            else
                LineDevState(Dev.get(), LINEDEVSTATE_CLOSE, 0, 0);
        }
    }
}

void TService::ClosePhoneOpen(uint32_t hPhone, bool Notify)
{
    TPhoneOpen* o = PhoneOpen(hPhone);
    if (!o) return;
    uint32_t DeviceID = o->DeviceID;
    std::vector<uint32_t> Dead;
    for (auto& [id, r] : Requests)
        if (r.Phone && r.Device == hPhone) Dead.push_back(id);
    for (uint32_t id : Dead) DropRequest(id);
    if (Notify)
        if (auto u = Usages.find(o->Usage); u != Usages.end())
            Post(*u->second, LINEMESSAGE{hPhone, PHONE_CLOSE, o->Instance, 0, 0, 0});
    uint32_t Privilege = o->Privilege;
    PhoneOpens.erase(hPhone);
    if (DeviceID < PhoneSlots.size()) {
        auto& Opens = PhoneSlots[DeviceID].Opens;
        Opens.erase(std::remove(Opens.begin(), Opens.end(), hPhone), Opens.end());
        if (auto& Dev = PhoneSlots[DeviceID].Device) {
            if (Opens.empty()) {
                Dev->Close();
            } else {
                uint32_t n = 0;
                for (uint32_t h : Opens)
                    if (TPhoneOpen* p = PhoneOpen(h); p && p->Privilege == Privilege) ++n;
                PhoneState(Dev.get(), Privilege == PHONEPRIVILEGE_OWNER ? PHONESTATE_OWNER : PHONESTATE_MONITORS, n, 0);
            }
        }
    }
}

void TService::ShutdownUsage(uint32_t hApp)
{
    auto it = Usages.find(hApp);
    if (it == Usages.end()) return;
    TUsage& u = *it->second;
    CancelWriteBacksOf(hApp, 0, 0);
    if (!u.Phone) {
        std::vector<uint32_t> Lines;
        for (auto& [h, o] : LineOpens)
            if (o.Usage == hApp) Lines.push_back(h);
        for (uint32_t h : Lines) CloseLineOpen(h, false);
    } else {
        std::vector<uint32_t> Phones;
        for (auto& [h, o] : PhoneOpens)
            if (o.Usage == hApp) Phones.push_back(h);
        for (uint32_t h : Phones) ClosePhoneOpen(h, false);
    }
    std::vector<uint32_t> Dead;
    for (auto& [id, r] : Requests)
        if (r.Usage == hApp) Dead.push_back(id);
    for (uint32_t id : Dead) DropRequest(id);
    THandle Event = u.Event;
    const bool Recipient = IsMakeCallRecipient(u);
    Usages.erase(it);
    if (Recipient) SyncRequestSocket(*this);
    // Closing the event ends a lineGetMessage that waits on it in another
    // thread: its wait fails and it reports the usage gone.
    if (Event) CloseHandle(Event);
    StopIfIdle();
}

// --- Provider host: devices ----------------------------------------------------------

void TService::AddLine(std::shared_ptr<TProviderLine> Line)
{
    if (!Line || LineDeviceIDOf(Line.get()) >= 0) return;
    LineSlots.push_back(TLineSlot{std::move(Line), {}});
    if (FStarting) return;
    uint32_t id = static_cast<uint32_t>(LineSlots.size() - 1);
    for (auto& [h, u] : Usages)
        if (!u->Phone) Post(*u, LINEMESSAGE{0, LINE_CREATE, 0, id, 0, 0});
}

void TService::RemoveLine(TProviderLine* Line)
{
    int32_t id = LineDeviceIDOf(Line);
    if (id < 0) return;
    for (uint32_t h : std::vector<uint32_t>(LineSlots[id].Opens)) CloseLineOpen(h, true);
    LineSlots[id].Device.reset();
    for (auto& [h, u] : Usages)
        if (!u->Phone) Post(*u, LINEMESSAGE{0, LINE_REMOVE, 0, static_cast<uint32_t>(id), 0, 0});
}

void TService::AddPhone(std::shared_ptr<TProviderPhone> Phone)
{
    if (!Phone || PhoneDeviceIDOf(Phone.get()) >= 0) return;
    PhoneSlots.push_back(TPhoneSlot{std::move(Phone), {}});
    if (FStarting) return;
    uint32_t id = static_cast<uint32_t>(PhoneSlots.size() - 1);
    for (auto& [h, u] : Usages)
        if (u->Phone) Post(*u, LINEMESSAGE{0, PHONE_CREATE, 0, id, 0, 0});
}

void TService::RemovePhone(TProviderPhone* Phone)
{
    int32_t id = PhoneDeviceIDOf(Phone);
    if (id < 0) return;
    for (uint32_t h : std::vector<uint32_t>(PhoneSlots[id].Opens)) ClosePhoneOpen(h, true);
    PhoneSlots[id].Device.reset();
    for (auto& [h, u] : Usages)
        if (u->Phone) Post(*u, LINEMESSAGE{0, PHONE_REMOVE, 0, static_cast<uint32_t>(id), 0, 0});
}

void TService::LineClosed(TProviderLine* Line)
{
    int32_t id = LineDeviceIDOf(Line);
    if (id < 0) return;
    for (uint32_t h : std::vector<uint32_t>(LineSlots[id].Opens)) CloseLineOpen(h, true);
}

void TService::PhoneClosed(TProviderPhone* Phone)
{
    int32_t id = PhoneDeviceIDOf(Phone);
    if (id < 0) return;
    for (uint32_t h : std::vector<uint32_t>(PhoneSlots[id].Opens)) ClosePhoneOpen(h, true);
}

void TService::Reinit()
{
    BroadcastLineDevState(LINEDEVSTATE_REINIT);
}

void TService::BroadcastLineDevState(uint32_t State)
{
    // Sent whatever the status masks say: an application cannot opt out of
    // being told that it must start over or that the dialing rules changed.
    for (auto& [h, u] : Usages) {
        if (u->Phone) continue;
        bool Told = false;
        for (auto& [hl, o] : LineOpens)
            if (o.Usage == h) {
                PostLine(o, LINE_LINEDEVSTATE, State, 0, 0);
                Told = true;
            }
        if (!Told) Post(*u, LINEMESSAGE{0, LINE_LINEDEVSTATE, 0, State, 0, 0});
    }
}

void TService::LineDevState(TProviderLine* Line, uint32_t State, uint32_t Param2, uint32_t Param3)
{
    int32_t id = LineDeviceIDOf(Line);
    if (id < 0) return;
    constexpr uint32_t Always = LINEDEVSTATE_REINIT | LINEDEVSTATE_TRANSLATECHANGE;
    for (uint32_t h : LineSlots[id].Opens) {
        TLineOpen* o = LineOpen(h);
        if (!o) continue;
        uint32_t Bits = State & (o->LineStates | Always);
        if (Bits) PostLine(*o, LINE_LINEDEVSTATE, Bits, Param2, Param3);
    }
}

void TService::AddressState(TProviderLine* Line, uint32_t AddressID, uint32_t State)
{
    int32_t id = LineDeviceIDOf(Line);
    if (id < 0) return;
    for (uint32_t h : LineSlots[id].Opens) {
        TLineOpen* o = LineOpen(h);
        if (!o) continue;
        uint32_t Bits = State & o->AddressStates;
        if (Bits) PostLine(*o, LINE_ADDRESSSTATE, AddressID, Bits, 0);
    }
}

// --- Provider host: calls ----------------------------------------------------------------

void TService::NewCall(std::shared_ptr<TProviderCall> Call)
{
    if (!Call || LineDeviceIDOf(Call->Line()) < 0) return;
    AnnounceCall(RecordFor(Call), true);
}

void TService::CallState(TProviderCall* Call, uint32_t State, uint32_t Mode, TProviderCall* Related)
{
    TCallRecord* Rec = Record(Call);
    if (!Rec) return;
    if (!Rec->Announced) AnnounceCall(*Rec, false);
    for (uint32_t h : std::vector<uint32_t>(Rec->Handles)) {
        auto it = CallHandles.find(h);
        if (it == CallHandles.end()) continue;
        TCallHandle& c = it->second;
        uint32_t P2 = Mode;
        if (State == LINECALLSTATE_CONFERENCED && Related) P2 = HandleOf(Related, c.Line);
        uint32_t P3 = c.ReportPrivilege ? c.Privilege : 0;
        c.ReportPrivilege = false;
        PostCall(c, LINE_CALLSTATE, State, P2, P3);
        if (State == LINECALLSTATE_IDLE) {
            // Nothing more can be heard on an idle call.
            if (c.Media.Gather.Active) EndGather(c, LINEGATHERTERM_CANCEL);
            for (uint64_t t : c.Media.ToneTimers) Scheduler.Cancel(t);
            c.Media.ToneTimers.clear();
            c.Media.DigitModes = c.Media.MediaModes = 0;
            c.Media.Tones.clear();
        }
    }
}

void TService::CallInfo(TProviderCall* Call, uint32_t InfoStates)
{
    TCallRecord* Rec = Record(Call);
    if (!Rec || !InfoStates) return;
    for (uint32_t h : std::vector<uint32_t>(Rec->Handles)) {
        auto it = CallHandles.find(h);
        if (it != CallHandles.end()) PostCall(it->second, LINE_CALLINFO, InfoStates, 0, 0);
    }
}

void TService::CallDigit(TProviderCall* Call, char Digit, uint32_t DigitMode)
{
    TCallRecord* Rec = Record(Call);
    if (!Rec) return;
    uint32_t Tick = GetTickCount();
    for (uint32_t h : std::vector<uint32_t>(Rec->Handles)) {
        auto it = CallHandles.find(h);
        if (it == CallHandles.end()) continue;
        TCallHandle& c = it->second;
        if (c.Media.DigitModes & DigitMode)
            PostCall(c, LINE_MONITORDIGITS, static_cast<uint8_t>(Digit), DigitMode, Tick);
        TGather& g = c.Media.Gather;
        if (!g.Active || !(g.DigitModes & DigitMode) || DigitMode == LINEDIGITMODE_DTMFEND) continue;
        if (g.Termination.find(Digit) != std::string::npos) {
            EndGather(c, LINEGATHERTERM_TERMDIGIT);
            continue;
        }
        g.Digits.push_back(Digit);
        if (g.Digits.size() >= g.NumDigits) {
            EndGather(c, LINEGATHERTERM_BUFFERFULL);
            continue;
        }
        if (g.Timer) Scheduler.Cancel(g.Timer);
        g.Timer = 0;
        if (g.InterTimeout) {
            uint64_t Gen = g.Generation;
            g.Timer = Scheduler.After(g.InterTimeout,
                                      [this, h, Gen] { OnGatherTimeout(h, Gen, LINEGATHERTERM_INTERTIMEOUT); });
        }
    }
}

void TService::CallMedia(TProviderCall* Call, uint32_t MediaMode)
{
    TCallRecord* Rec = Record(Call);
    if (!Rec) return;
    uint32_t Tick = GetTickCount();
    for (uint32_t h : std::vector<uint32_t>(Rec->Handles)) {
        auto it = CallHandles.find(h);
        if (it != CallHandles.end() && (it->second.Media.MediaModes & MediaMode))
            PostCall(it->second, LINE_MONITORMEDIA, MediaMode, 0, Tick);
    }
}

void TService::CallTone(TProviderCall* Call, bool Tone, uint32_t F1, uint32_t F2, uint32_t F3)
{
    TCallRecord* Rec = Record(Call);
    if (!Rec) return;
    Rec->Tone = Tone;
    Rec->Frequency[0] = Tone ? F1 : 0;
    Rec->Frequency[1] = Tone ? F2 : 0;
    Rec->Frequency[2] = Tone ? F3 : 0;
    ++Rec->ToneSeq;
    for (uint32_t h : std::vector<uint32_t>(Rec->Handles)) {
        auto it = CallHandles.find(h);
        if (it != CallHandles.end()) StartToneWatch(it->second, *Rec);
    }
}

void TService::StartToneWatch(TCallHandle& c, const TCallRecord& Rec)
{
    for (uint64_t t : c.Media.ToneTimers) Scheduler.Cancel(t);
    c.Media.ToneTimers.clear();
    uint32_t h = c.Handle;
    uint32_t Seq = Rec.ToneSeq;
    TProviderCall* Call = Rec.Call.get();
    for (const LINEMONITORTONE& e : c.Media.Tones) {
        if (!ToneMatches(e, Rec.Tone, Rec.Frequency)) continue;
        uint32_t AppSpecific = e.dwAppSpecific;
        // A tone counts once it has lasted its duration unchanged.
        auto Fire = [this, h, Seq, Call, AppSpecific] {
            TCallRecord* r = Record(Call);
            auto it = CallHandles.find(h);
            if (!r || r->ToneSeq != Seq || it == CallHandles.end()) return;
            PostCall(it->second, LINE_MONITORTONE, AppSpecific, 0, GetTickCount());
        };
        // A tone of no required length counts at once.
        if (e.dwDuration == 0)
            Fire();
        else
            c.Media.ToneTimers.push_back(Scheduler.After(e.dwDuration, Fire));
    }
}

void TService::EndGather(TCallHandle& c, uint32_t Termination)
{
    TGather& g = c.Media.Gather;
    if (!g.Active) return;
    if (g.Timer) Scheduler.Cancel(g.Timer);
    std::vector<TWriteBackPtr> WriteBacks;
    if (g.Buffer && !g.Digits.empty()) {
        auto w = std::make_shared<TWriteBack>();
        w->Target = g.Buffer;
        w->Bytes.assign(g.Digits.begin(), g.Digits.end());
        w->Usage = c.Usage;
        w->Line = c.Line;
        w->Call = c.Handle;
        WriteBacks.push_back(std::move(w));
    }
    uint64_t Generation = g.Generation;
    g = TGather{};
    g.Generation = Generation;
    PostCall(c, LINE_GATHERDIGITS, Termination, 0, GetTickCount(), std::move(WriteBacks));
}

void TService::OnGatherTimeout(uint32_t hCall, uint64_t Generation, uint32_t Termination)
{
    auto it = CallHandles.find(hCall);
    if (it == CallHandles.end()) return;
    TGather& g = it->second.Media.Gather;
    if (!g.Active || g.Generation != Generation) return;
    g.Timer = 0;
    EndGather(it->second, Termination);
}

void TService::CallGenerateEnded(TProviderCall* Call, uint32_t EndToEndID, uint32_t Termination)
{
    TCallRecord* Rec = Record(Call);
    if (!Rec) return;
    for (uint32_t h : std::vector<uint32_t>(Rec->Handles)) {
        auto it = CallHandles.find(h);
        if (it == CallHandles.end() || it->second.Media.Generating != EndToEndID) continue;
        it->second.Media.Generating = 0;
        PostCall(it->second, LINE_GENERATE, Termination, 0, GetTickCount());
    }
}

void TService::CallDevSpecific(TProviderCall* Call, uint32_t Param1, uint32_t Param2, uint32_t Param3)
{
    TCallRecord* Rec = Record(Call);
    if (!Rec) return;
    for (uint32_t h : std::vector<uint32_t>(Rec->Handles)) {
        auto it = CallHandles.find(h);
        if (it != CallHandles.end()) PostCall(it->second, LINE_DEVSPECIFIC, Param1, Param2, Param3);
    }
}

// --- Provider host: phones -------------------------------------------------------------

void TService::PhoneState(TProviderPhone* Phone, uint32_t States, uint32_t Param2, uint32_t Param3)
{
    int32_t id = PhoneDeviceIDOf(Phone);
    if (id < 0) return;
    constexpr uint32_t Always = PHONESTATE_REINIT;
    for (uint32_t h : PhoneSlots[id].Opens) {
        TPhoneOpen* o = PhoneOpen(h);
        if (!o) continue;
        uint32_t Bits = States & (o->PhoneStates | Always);
        if (Bits) PostPhone(*o, PHONE_STATE, Bits, Param2, Param3);
    }
}

void TService::PhoneButton(TProviderPhone* Phone, uint32_t ButtonLampID, uint32_t Mode, uint32_t State)
{
    int32_t id = PhoneDeviceIDOf(Phone);
    if (id < 0) return;
    for (uint32_t h : PhoneSlots[id].Opens) {
        TPhoneOpen* o = PhoneOpen(h);
        // Filtered by button mode only: the button-state mask is kept and
        // reported back, but presses and releases always get through.
        if (o && (o->ButtonModes & Mode)) PostPhone(*o, PHONE_BUTTON, ButtonLampID, Mode, State);
    }
}

// --- Provider host: time ---------------------------------------------------------------

void TService::Defer(std::function<void()> Action)
{
    DeferAction(std::move(Action));
}

uint64_t TService::Schedule(uint32_t Delay, std::function<void()> Action)
{
    return Scheduler.After(Delay, std::move(Action));
}

void TService::CancelScheduled(uint64_t ID)
{
    Scheduler.Cancel(ID);
}

}  // namespace kxtapi::service

extern "C" void kxtapiCancelWriteBack(const void* Target, uint32_t Size)
{
    using namespace kxtapi::service;
    if (!Target) return;
    TServiceLock Lock;
    Service().CancelWriteBacks(Target, Size);
}
