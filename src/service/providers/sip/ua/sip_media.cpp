#include "service/providers/sip/ua/sip_media.h"

#include "service/providers/sip/ua/re_headers.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>

namespace kxtapi::service::sip {

namespace {

constexpr uint32_t SampleRate = 8000;
constexpr size_t SamplesPerPacket = 160;   // 20 ms at 8 kHz
constexpr uint32_t PacketMs = 20;
constexpr const char* EventFormat = "telephone-event";
constexpr const char* EventPayloadType = "101";

const char* CodecName(TSipCodec c)
{
    return c == scPCMA ? "PCMA" : "PCMU";
}

uint8_t Encode(int PayloadType, int16_t Sample)
{
    return PayloadType == scPCMA ? g711_pcm2alaw(Sample) : g711_pcm2ulaw(Sample);
}

int16_t Decode(int PayloadType, uint8_t Byte)
{
    return PayloadType == scPCMA ? g711_alaw2pcm(Byte) : g711_ulaw2pcm(Byte);
}

}  // namespace

TSipMedia::TSipMedia(const TSipAccount& Account, THandlers Handlers)
    : FAccount(Account), FHandlers(std::move(Handlers))
{
}

TSipMedia::~TSipMedia()
{
    StopPlaying();
    StopRecording();
    mem_deref(FRtp);
    mem_deref(FSdp);
    mem_deref(FTelev);
    mem_deref(FPacket);
}

int TSipMedia::Open(const struct sa& LocalAddress)
{
    struct sa Any = LocalAddress;
    sa_set_port(&Any, 0);
    if (int e = rtp_listen(&FRtp, IPPROTO_UDP, &Any, FAccount.RtpPorts.First, FAccount.RtpPorts.Last, false,
                           &TSipMedia::OnRtp, nullptr, this))
        return e;
    if (int e = sdp_session_alloc(&FSdp, &LocalAddress)) return e;
    if (int e = sdp_media_add(&FMedia, FSdp, "audio", sa_port(rtp_local(FRtp)), "RTP/AVP")) return e;
    for (TSipCodec c : FAccount.Codecs) {
        char Id[4];
        std::snprintf(Id, sizeof Id, "%u", static_cast<unsigned>(c));
        if (int e = sdp_format_add(nullptr, FMedia, false, Id, CodecName(c), SampleRate, 1, nullptr, nullptr, nullptr,
                                   false, nullptr))
            return e;
    }
    if (int e = sdp_format_add(nullptr, FMedia, false, EventPayloadType, EventFormat, SampleRate, 1, nullptr, nullptr,
                               nullptr, false, "0-15"))
        return e;
    sdp_media_set_lattr(FMedia, true, "ptime", "%u", PacketMs);
    if (int e = telev_alloc(&FTelev, PacketMs)) return e;
    FPacket = mbuf_alloc(RTP_HEADER_SIZE + SamplesPerPacket + 64);
    if (!FPacket) return ENOMEM;
    FTimestamp = rand_u32();
    return 0;
}

struct mbuf* TSipMedia::Offer()
{
    struct mbuf* mb = nullptr;
    if (sdp_encode(&mb, FSdp, true)) return nullptr;
    return mb;
}

bool TSipMedia::ChooseFormats()
{
    FStarted = false;
    if (sdp_media_rport(FMedia) == 0 || !sa_isset(sdp_media_raddr(FMedia), SA_ADDR)) return false;
    // Our order of preference among the codecs the far end offers too.
    FPayloadType = -1;
    for (TSipCodec c : FAccount.Codecs) {
        if (sdp_media_rformat(FMedia, CodecName(c))) {
            FPayloadType = c;
            break;
        }
    }
    if (FPayloadType < 0) return false;
    FSilence = Encode(FPayloadType, 0);
    const struct sdp_format* Ev = sdp_media_rformat(FMedia, EventFormat);
    FEventType = Ev ? Ev->pt : -1;
    if (!FStarted) FLastReceived = tmr_jiffies();
    FStarted = true;
    return true;
}

struct mbuf* TSipMedia::Answer(struct mbuf* RemoteOffer)
{
    if (!RemoteOffer || sdp_decode(FSdp, RemoteOffer, true)) return nullptr;
    bool WasStarted = FStarted;
    uint64_t Last = FLastReceived;
    if (!ChooseFormats()) return nullptr;
    // A new offer in the call (hold, resume) does not restart the clock of
    // the far end's silence.
    if (WasStarted) FLastReceived = Last;
    struct mbuf* mb = nullptr;
    if (sdp_encode(&mb, FSdp, false)) return nullptr;
    return mb;
}

struct mbuf* TSipMedia::Reanswer()
{
    struct mbuf* mb = nullptr;
    if (sdp_encode(&mb, FSdp, false)) return nullptr;
    return mb;
}

bool TSipMedia::TakeAnswer(struct mbuf* RemoteAnswer)
{
    if (!RemoteAnswer || sdp_decode(FSdp, RemoteAnswer, false)) return false;
    bool WasStarted = FStarted;
    uint64_t Last = FLastReceived;
    if (!ChooseFormats()) return false;
    if (WasStarted) FLastReceived = Last;
    return true;
}

void TSipMedia::SetHold(bool Held)
{
    sdp_media_set_ldir(FMedia, Held ? SDP_SENDONLY : SDP_SENDRECV);
}

bool TSipMedia::RemoteHolds() const
{
    // The far end's direction is read from our side: its "sendonly" is our
    // "recvonly". Without our sending half, the far end holds the call.
    return FStarted && !(sdp_media_rdir(FMedia) & SDP_SENDONLY);
}

void TSipMedia::Tick()
{
    if (!FStarted) return;
    FTimestamp += SamplesPerPacket;
    const bool MaySend = (sdp_media_dir(FMedia) & SDP_SENDONLY) != 0;
    // Digits run on their own clock, so that their timing holds on hold
    // too; on hold nothing is sent.
    if (FDigitOn || !FDigits.empty() || FDigitsPending) {
        if (FDigitLeft > PacketMs) {
            FDigitLeft -= PacketMs;
        } else {
            FDigitLeft = 0;
            if (FDigitOn) {
                telev_send(FTelev, 0, true);
                FDigitOn = false;
                FDigitLeft = FDigitMs;   // the gap after it
            } else {
                NextDigit();
            }
        }
    }
    if (!MaySend) return;
    const struct sa* To = sdp_media_raddr(FMedia);
    // Audio: the file being played, or silence.
    FPacket->pos = FPacket->end = RTP_HEADER_SIZE;
    int16_t Samples[SamplesPerPacket];
    if (FPlayer && FillFromFile(Samples, SamplesPerPacket)) {
        uint8_t* p = FPacket->buf + RTP_HEADER_SIZE;
        for (size_t i = 0; i < SamplesPerPacket; ++i) p[i] = Encode(FPayloadType, Samples[i]);
        FPacket->end = RTP_HEADER_SIZE + SamplesPerPacket;
    } else {
        std::memset(FPacket->buf + RTP_HEADER_SIZE, FSilence, SamplesPerPacket);
        FPacket->end = RTP_HEADER_SIZE + SamplesPerPacket;
    }
    if (rtp_send(FRtp, To, false, false, static_cast<uint8_t>(FPayloadType), FTimestamp, FPacket) == 0) ++PacketsSent;
    // Telephone events, alongside the audio.
    if (FEventType >= 0) {
        FPacket->pos = FPacket->end = RTP_HEADER_SIZE;
        bool Marker = false;
        if (telev_poll(FTelev, &Marker, FPacket) == 0 && FPacket->end > RTP_HEADER_SIZE) {
            if (Marker) FEventTimestamp = FTimestamp;
            FPacket->pos = RTP_HEADER_SIZE;
            if (rtp_send(FRtp, To, false, Marker, static_cast<uint8_t>(FEventType), FEventTimestamp, FPacket) == 0)
                ++PacketsSent;
        }
    }
}

uint64_t TSipMedia::SilentFor(uint64_t Now) const
{
    if (!FStarted || !(sdp_media_dir(FMedia) & SDP_RECVONLY)) return 0;
    return Now > FLastReceived ? Now - FLastReceived : 0;
}

void TSipMedia::SendDigits(const std::string& Digits, uint32_t Duration)
{
    CancelDigits();
    FDigits = Digits;
    FDigitMs = std::clamp<uint32_t>(Duration ? Duration : 100, 40, 5000);
    FDigitsPending = true;
    FDigitLeft = 0;
}

void TSipMedia::CancelDigits()
{
    if (FDigitOn) telev_send(FTelev, 0, true);
    FDigitOn = false;
    FDigits.clear();
    FDigitsPending = false;
    FDigitLeft = 0;
}

void TSipMedia::NextDigit()
{
    if (FDigits.empty()) {
        FDigitsPending = false;
        if (FHandlers.DigitsSent) FHandlers.DigitsSent();
        return;
    }
    char d = FDigits.front();
    FDigits.erase(0, 1);
    if (d == ',') {   // a pause of a second
        FDigitOn = false;
        FDigitLeft = 1000;
        return;
    }
    int Code = telev_digit2code(d);
    if (Code < 0) {   // checked before; skipped should one slip through
        NextDigit();
        return;
    }
    telev_send(FTelev, Code, false);
    FDigitOn = true;
    FDigitLeft = FDigitMs;
}

void TSipMedia::OnRtp(const struct sa*, const struct rtp_header* Header, struct mbuf* Mb, void* Arg)
{
    static_cast<TSipMedia*>(Arg)->Receive(*Header, Mb);
}

void TSipMedia::Receive(const struct rtp_header& Header, struct mbuf* Mb)
{
    if (!FStarted) return;
    ++PacketsReceived;
    FLastReceived = tmr_jiffies();
    if (FEventType >= 0 && Header.pt == FEventType) {
        int Event = 0;
        bool End = false;
        if (telev_recv(FTelev, Mb, &Event, &End) == 0) {
            int Digit = telev_code2digit(Event);
            if (Digit > 0 && FHandlers.Digit) FHandlers.Digit(static_cast<char>(Digit), End);
        }
        return;
    }
    if (Header.pt != FPayloadType || !FRecorder) return;
    int16_t Samples[1024];
    size_t n = std::min(mbuf_get_left(Mb), sizeof Samples / sizeof Samples[0]);
    const uint8_t* p = mbuf_buf(Mb);
    for (size_t i = 0; i < n; ++i) Samples[i] = Decode(FPayloadType, p[i]);
    // A disk that fills up ends the recording rather than the call.
    if (aufile_write(FRecorder, reinterpret_cast<const uint8_t*>(Samples), n * sizeof(int16_t)))
        StopRecording();
}

int TSipMedia::Play(const std::string& Path, bool Loop)
{
    StopPlaying();
    struct aufile_prm Prm {};
    if (int e = aufile_open(&FPlayer, &Prm, Path.c_str(), AUFILE_READ)) return e;
    // Rates that are whole multiples of 8 kHz are brought down by
    // averaging; channels are mixed.
    if (Prm.fmt != AUFMT_S16LE || Prm.channels < 1 || Prm.channels > 2 || Prm.srate < SampleRate ||
        Prm.srate % SampleRate != 0 || Prm.srate / SampleRate > 6) {
        FPlayer = static_cast<struct aufile*>(mem_deref(FPlayer));
        return EINVAL;
    }
    FPlayPath = Path;
    FPlayLoop = Loop;
    FPlayRate = Prm.srate;
    FPlayChannels = Prm.channels;
    return 0;
}

bool TSipMedia::FillFromFile(int16_t* Samples, size_t Count)
{
    const size_t Step = FPlayRate / SampleRate * FPlayChannels;   // input samples per output sample
    int16_t In[SamplesPerPacket * 12];
    size_t Want = Count * Step * sizeof(int16_t);
    size_t Got = 0;
    int Restarts = 0;
    while (Got < Want) {
        size_t n = Want - Got;
        if (aufile_read(FPlayer, reinterpret_cast<uint8_t*>(In) + Got, &n) || n == 0) {
            // Looping starts the file again, once per packet: an empty file
            // ends as if not looped.
            if (!FPlayLoop || Restarts++ > 0) break;
            struct aufile_prm Prm {};
            FPlayer = static_cast<struct aufile*>(mem_deref(FPlayer));
            if (aufile_open(&FPlayer, &Prm, FPlayPath.c_str(), AUFILE_READ)) break;
            continue;
        }
        Got += n;
    }
    size_t Frames = Got / sizeof(int16_t) / Step;
    for (size_t i = 0; i < Count; ++i) {
        if (i >= Frames) {
            Samples[i] = 0;
            continue;
        }
        int32_t Sum = 0;
        for (size_t k = 0; k < Step; ++k) Sum += In[i * Step + k];
        Samples[i] = static_cast<int16_t>(Sum / static_cast<int32_t>(Step));
    }
    if (Frames < Count || !FPlayer) {
        // The end of the file: the rest of this packet is silence.
        StopPlaying();
        if (FHandlers.Played) FHandlers.Played();
    }
    return Frames > 0;
}

void TSipMedia::StopPlaying()
{
    FPlayer = static_cast<struct aufile*>(mem_deref(FPlayer));
}

int TSipMedia::Record(const std::string& Path)
{
    StopRecording();
    struct aufile_prm Prm {};
    Prm.srate = SampleRate;
    Prm.channels = 1;
    Prm.fmt = AUFMT_S16LE;
    return aufile_open(&FRecorder, &Prm, Path.c_str(), AUFILE_WRITE);
}

void TSipMedia::StopRecording()
{
    // Releasing the file writes the sizes into its header.
    FRecorder = static_cast<struct aufile*>(mem_deref(FRecorder));
}

}  // namespace kxtapi::service::sip
