// One account's SIP user agent on the libre thread: its SIP stack on the
// listen address, its registration, the calls it makes and takes, and the
// media clock of those calls.
//
// Registration: REGISTER when the line is opened, refreshed by libre before
// it expires, un-REGISTER when the line is closed or the provider stops.
// The line is in service while registered; a failure, or an expiry that
// passes without a successful refresh, puts it out of service, and the
// registration is tried again after 1, 2, 4, 8 and then every 10 seconds.
// An account without a registrar is in service while its line is open.
#pragma once

#include "service/provider.h"
#include "service/providers/sip/sip_account.h"
#include "service/providers/sip/ua/re_headers.h"
#include "service/providers/sip/ua/sip_context.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace kxtapi::service::sip {

class TSipCall;
class TSipLine;
class TSipSession;

class TSipUa {
public:
    TSipUa(TSipContext& Ctx, const TSipAccount& Account, std::shared_ptr<TSipLine> Line);
    ~TSipUa();
    TSipUa(const TSipUa&) = delete;
    TSipUa& operator=(const TSipUa&) = delete;

    /// Opens the SIP stack on the listen address. Throws TConfigError
    /// naming the account's "listen" key when it cannot.
    void Start();
    /// Un-registers and ends every call; Done is called once the stack has
    /// nothing left to send (un-REGISTER answered, BYEs done).
    void Shutdown(std::function<void()> Done);

    // Commands from the service side (posted to the libre thread).
    void OpenLine();
    void CloseLine();
    /// Makes the call: an INVITE to Uri. Request (0: none) completes once
    /// the INVITE is out, or fails.
    /// Referrer is the call whose REFER asked for this one (0: none).
    void Connect(std::shared_ptr<TSipCall> Call, const std::string& Uri, TRequestID Request, bool BlockID,
                 uint32_t NoAnswerTimeout, const std::string& Headers = {}, uint32_t Referrer = 0);
    /// Takes a session made elsewhere (a redirection followed).
    void Adopt(std::unique_ptr<TSipSession> Session);
    /// The session of a call, or null.
    TSipSession* Find(uint32_t CallID);
    /// Lets go of the session of a call (its dialog ended or the call was
    /// dropped); the object is released after the current handler.
    void Release(uint32_t CallID);

    /// Starts the media clock if it is not running.
    void StartClock();
    /// Whether another call may begin (max_calls).
    bool HasRoom() const;
    /// The session whose dialog has this Call-ID, or null.
    TSipSession* FindByCallID(const std::string& CallID);

    /// Uri with ";transport=tcp" added for an account on TCP (unless it
    /// names a transport itself).
    std::string OverTransport(const std::string& Uri) const;

    /// libre's credentials handler (the account's auth_user and password).
    static int Auth(char** User, char** Password, const char* Realm, void* Arg);

    TSipContext& Ctx;
    const TSipAccount& Account;
    const std::shared_ptr<TSipLine> Line;
    struct sip* Sip = nullptr;
    struct sipsess_sock* SessSock = nullptr;
    struct sipevent_sock* EventSock = nullptr;
    struct sa LocalAddr {};        // the listen address as bound
    std::string LocalUri;          // sip:user@domain
    std::string DisplayName;
    std::vector<const char*> Routes;   // the outbound proxy, if any

private:
    static void OnConnect(const struct sip_msg* Msg, void* Arg);
    static bool OnSubscribe(const struct sip_msg* Msg, void* Arg);
    static void OnExit(void* Arg);
    static void OnTick(void* Arg);
    static void OnReap(void* Arg);
    static void OnRegResponse(int Err, const struct sip_msg* Msg, void* Arg);
    static void OnRegRetry(void* Arg);
    static void OnRegLapse(void* Arg);

    void Incoming(const struct sip_msg* Msg);
    void Register();
    void Unregister();
    void RegistrationFailed(const std::string& Text);
    /// Tells the line its registration state (when it changed).
    void ReportRegistration(bool InService, const std::string& Text);

    std::map<uint32_t, std::unique_ptr<TSipSession>> FSessions;
    std::vector<std::unique_ptr<TSipSession>> FDead;
    bool FOpen = false;
    struct sipreg* FReg = nullptr;
    uint32_t FRegFailures = 0;
    bool FReportedInService = false;
    std::string FReportedText;
    struct tmr FTick {}, FReap {}, FRegRetry {}, FRegLapse {};
    uint64_t FNextTick = 0;
    uint32_t FTicks = 0;
    std::function<void()> FExitDone;
    std::string FOutboundProxy;
    std::string FRegistrar;
    struct dnsc* FDns = nullptr;
};

}  // namespace kxtapi::service::sip
