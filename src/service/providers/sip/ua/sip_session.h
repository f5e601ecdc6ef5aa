// One call's SIP dialog on the libre thread: the INVITE session (libre's
// sipsess), its media, and the REFER subscriptions of transfers. Owned by
// the account's user agent; reports to the service-side call under the
// service lock.
#pragma once

#include "service/provider.h"
#include "service/providers/sip/ua/sip_media.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct mbuf;
struct sip;
struct sip_msg;
struct sipnot;
struct sipsess;
struct sipsub;
struct sipevent_substate;
struct tmr;

namespace kxtapi::service::sip {

class TSipCall;
class TSipUa;

class TSipSession {
public:
    TSipSession(TSipUa& Ua, std::shared_ptr<TSipCall> Call, bool Outgoing);
    ~TSipSession();
    TSipSession(const TSipSession&) = delete;
    TSipSession& operator=(const TSipSession&) = delete;

    /// Sends the INVITE to Uri. Headers are extra header lines (with CRLF).
    /// Returns an errno value.
    int Connect(const std::string& Uri, bool BlockID, const std::string& Headers);
    /// Takes an incoming INVITE: 180 Ringing is sent. Returns a SIP status
    /// to reject it with instead (488 without a common codec), or 0.
    uint16_t Accept(const struct sip_msg* Invite);
    /// Takes an INVITE that replaces another call: answered at once.
    uint16_t AcceptReplacing(const struct sip_msg* Invite);

    // Commands; Request 0: none to complete.
    void Answer(TRequestID Request);
    /// BYE, CANCEL or a rejection, as the state requires; the call goes idle.
    void Hangup(TRequestID Request);
    void Redirect(TRequestID Request, const std::string& Uri);
    /// Re-INVITE with sendonly (Hold) or sendrecv; on success the call moves
    /// to OkState/OkMode.
    void Modify(TRequestID Request, bool Hold, uint32_t OkState, uint32_t OkMode);
    void BlindTransfer(TRequestID Request, const std::string& Uri);
    /// Transfers our party to the far end of Consult (REFER with Replaces).
    void ConsultTransfer(TRequestID Request, TSipSession& Consult);
    void SendDigits(const std::string& Digits, uint32_t Duration, uint32_t EndToEndID);
    void CancelDigits();
    void MediaFile(TRequestID Request, uint32_t Operation, const std::string& Path, uint32_t Flags);
    /// Cancels the call (DISCONNECTED, NOANSWER) when the far end has not
    /// answered within Seconds.
    void StartNoAnswer(uint32_t Seconds);
    /// This call was made on the far end's request (REFER) from the call
    /// with ID Referrer, which hears how it goes.
    void SetReferrer(uint32_t Referrer) { FReferrer = Referrer; }
    /// As transferee: how the call we made for the transferor went (a SIP
    /// status: 200 when it was answered).
    void TransferProgress(uint16_t Status);

    /// Once a second: a far end that has sent no RTP for the account's
    /// rtp_timeout is taken as gone.
    void CheckSilence(uint64_t Now);

    /// The dialog's Call-ID, and whether it is up (for INVITEs with Replaces).
    std::string CallID() const;
    bool Established() const { return FEstablished; }
    /// Whether the session has ended and only waits to be released.
    bool Ended() const { return FEnded; }

    TSipMedia Media;
    const std::shared_ptr<TSipCall> Call;
    const uint32_t ID;

private:
    // libre's handlers.
    static int OnOffer(struct mbuf** Desc, const struct sip_msg* Msg, void* Arg);
    static int OnAnswer(const struct sip_msg* Msg, void* Arg);
    static void OnProgress(const struct sip_msg* Msg, void* Arg);
    static void OnEstablished(const struct sip_msg* Msg, void* Arg);
    static void OnInfo(struct sip* Sip, const struct sip_msg* Msg, void* Arg);
    static void OnRefer(struct sip* Sip, const struct sip_msg* Msg, void* Arg);
    static void OnClose(int Err, const struct sip_msg* Msg, void* Arg);
    static void OnReferNotify(struct sip* Sip, const struct sip_msg* Msg, void* Arg);
    static void OnReferClose(int Err, const struct sip_msg* Msg, const struct sipevent_substate* State, void* Arg);
    static void OnNotifierClose(int Err, const struct sip_msg* Msg, void* Arg);
    static void OnNoAnswer(void* Arg);

    void Closed(int Err, const struct sip_msg* Msg);
    /// Ends the session on our side (no report); the user agent releases it.
    void End();
    /// Reports Action to the service under its lock.
    bool Report(const std::function<void()>& Action);
    void ReferDone(bool Ok);
    /// As transferee: the far end asked us (REFER) to call Target.
    void Transferred(const struct sip_msg* Refer);
    int StartSession(const std::string& Uri, bool BlockID, const std::string& Headers);

    TSipUa& FUa;
    const bool FOutgoing;
    struct sipsess* FSess = nullptr;
    struct sipsub* FReferSub = nullptr;   // our REFER (transferor)
    struct sipnot* FReferNot = nullptr;   // a REFER we follow (transferee)
    struct tmr* FNoAnswer = nullptr;
    std::string FUri;                     // the request URI we dialed
    std::string FRemoteUri;               // the far end's URI (From of an incoming call)
    std::string FRemoteTag, FLocalTag;    // of the dialog, for Replaces
    bool FEstablished = false;
    bool FEnded = false;
    bool FProceeding = false;
    bool FRemoteHeld = false;
    bool FHasOffer = false;               // the INVITE carried an offer
    int FRedirects = 0;
    bool FBlockID = false;   // the caller's identity withheld (kept when redirected)
    // The outstanding re-INVITE.
    bool FModifyPending = false;
    TRequestID FModifyRequest = 0;
    uint32_t FModifyState = 0, FModifyMode = 0;
    // The outstanding transfer.
    TRequestID FTransferRequest = 0;
    uint32_t FTransferConsult = 0;        // call ID of the consultation call, or 0
    // The outstanding lineGenerateDigits.
    uint32_t FGenerateID = 0;
    TRequestID FPlayRequest = 0;
    // As transferee: the call made on the transferor's request, reported
    // back by NOTIFY.
    uint32_t FReferrer = 0;
    bool FAnswered = false;
    std::vector<struct sipsub*> FOldSubs;   // ended REFERs, released with the session
    friend class TSipUa;
};

}  // namespace kxtapi::service::sip
