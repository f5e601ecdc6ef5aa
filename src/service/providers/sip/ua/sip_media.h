// The media of one call on the libre thread: its SDP offer and answer, the
// RTP socket, G.711 both ways, RFC 4733 telephone events, and the WAV files
// a program plays into the call or records from it.
//
// A call sends silence (or the file being played) every 20 ms while the
// negotiated direction lets it send, and discards what it receives unless
// it records. Ticks come from the user agent's media clock (sip_ua.h).
#pragma once

#include "service/providers/sip/sip_account.h"

#include <cstdint>
#include <functional>
#include <string>

struct aufile;
struct mbuf;
struct rtp_header;
struct rtp_sock;
struct sa;
struct sdp_media;
struct sdp_session;
struct telev;

namespace kxtapi::service::sip {

class TSipMedia {
public:
    /// What the media reports to its call (on the libre thread).
    struct THandlers {
        /// A telephone event began (End false) or ended.
        std::function<void(char Digit, bool End)> Digit;
        /// The digits of SendDigits have all been sent.
        std::function<void()> DigitsSent;
        /// The file being played reached its end.
        std::function<void()> Played;
    };

    TSipMedia(const TSipAccount& Account, THandlers Handlers);
    ~TSipMedia();
    TSipMedia(const TSipMedia&) = delete;
    TSipMedia& operator=(const TSipMedia&) = delete;

    /// Binds the RTP socket on LocalAddress (a port of the account's range)
    /// and prepares the SDP session. Returns an errno value.
    int Open(const struct sa& LocalAddress);

    /// Our offer (initial or for a re-INVITE); null on failure.
    struct mbuf* Offer();
    /// Reads the far end's offer and returns our answer; null when no
    /// codec is common (or the SDP is bad).
    struct mbuf* Answer(struct mbuf* RemoteOffer);
    /// Our answer to the offer read last, again (for the 200 of a call
    /// whose INVITE was answered after ringing); null on failure.
    struct mbuf* Reanswer();
    /// Reads the far end's answer to our offer; false when it is unusable.
    bool TakeAnswer(struct mbuf* RemoteAnswer);

    /// Sets our direction for the next offer: sendonly to hold, sendrecv
    /// otherwise.
    void SetHold(bool Held);
    /// Whether the far end's last description stops us sending (it holds
    /// the call).
    bool RemoteHolds() const;
    /// Whether media is negotiated and running.
    bool Started() const { return FStarted; }

    /// One 20 ms tick: sends a packet when the direction allows.
    void Tick();
    /// Milliseconds since the last RTP packet from the far end, while the
    /// direction lets it send; 0 otherwise.
    uint64_t SilentFor(uint64_t Now) const;

    /// RFC 4733 events for each digit (0-9 * # A-D), each Duration ms long
    /// with Duration ms between them; replaces digits still unsent.
    void SendDigits(const std::string& Digits, uint32_t Duration);
    void CancelDigits();
    bool SendingDigits() const { return !FDigits.empty() || FDigitOn; }

    /// Plays a WAV file (16-bit PCM, 8/16/32/48 kHz, mono or stereo);
    /// returns an errno value (EINVAL for an unusable format).
    int Play(const std::string& Path, bool Loop);
    void StopPlaying();
    /// Records the far end's audio to a WAV file (8 kHz, mono, 16-bit).
    int Record(const std::string& Path);
    void StopRecording();

    /// Packets sent and received, for tests and the benchmark.
    uint64_t PacketsSent = 0, PacketsReceived = 0;

private:
    static void OnRtp(const struct sa* Src, const struct rtp_header* Header, struct mbuf* Mb, void* Arg);
    void Receive(const struct rtp_header& Header, struct mbuf* Mb);
    bool ChooseFormats();
    void NextDigit();
    bool FillFromFile(int16_t* Samples, size_t Count);

    const TSipAccount& FAccount;
    THandlers FHandlers;
    struct rtp_sock* FRtp = nullptr;
    struct sdp_session* FSdp = nullptr;
    struct sdp_media* FMedia = nullptr;
    struct telev* FTelev = nullptr;
    struct mbuf* FPacket = nullptr;
    bool FStarted = false;
    int FPayloadType = -1;      // negotiated codec's payload type
    int FEventType = -1;        // far end's telephone-event payload type
    uint8_t FSilence = 0xFF;    // one silent sample in the codec
    uint32_t FTimestamp = 0;
    uint32_t FEventTimestamp = 0;
    uint64_t FLastReceived = 0; // ms
    // Digits to send: the rest of the string, and the current digit's
    // phase (on for FDigitMs, then a gap as long).
    std::string FDigits;
    bool FDigitOn = false;
    uint32_t FDigitMs = 100;
    uint32_t FDigitLeft = 0;    // ms left in the current phase
    bool FDigitsPending = false;
    // Files.
    struct aufile* FPlayer = nullptr;
    std::string FPlayPath;
    bool FPlayLoop = false;
    uint32_t FPlayRate = 8000;
    uint8_t FPlayChannels = 1;
    struct aufile* FRecorder = nullptr;
};

}  // namespace kxtapi::service::sip
