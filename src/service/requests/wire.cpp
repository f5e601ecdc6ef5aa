// Encoding and decoding of the request-socket messages (wire.h).

#include "service/requests/wire.h"

#include <algorithm>
#include <cstring>

namespace kxtapi::service {

namespace {

constexpr uint8_t Magic[4] = {'K', 'X', 'M', 'C'};

uint32_t Le(const uint8_t* p, int Bytes)
{
    uint32_t v = 0;
    for (int i = 0; i < Bytes; ++i) v |= uint32_t{p[i]} << (8 * i);
    return v;
}

uint64_t Le64(const uint8_t* p)
{
    return uint64_t{Le(p, 4)} | (uint64_t{Le(p + 4, 4)} << 32);
}

void Put(std::vector<uint8_t>& Out, uint64_t Value, int Bytes)
{
    for (int i = 0; i < Bytes; ++i) Out.push_back(static_cast<uint8_t>(Value >> (8 * i)));
}

std::vector<uint8_t> Header(TWireKind Kind, size_t Payload)
{
    std::vector<uint8_t> Out(std::begin(Magic), std::end(Magic));
    Out.push_back(WireVersion);
    Out.push_back(Kind);
    Put(Out, Payload, 2);
    return Out;
}

bool KnownKind(uint8_t Kind)
{
    return Kind == wkQuery || Kind == wkMakeCall || Kind == wkQueryReply || Kind == wkMakeCallReply;
}

// The fixed payload size of a kind; 0 for the make-call request, whose
// size its fields decide.
size_t FixedPayload(uint8_t Kind)
{
    switch (Kind) {
    case wkQueryReply: return 20;
    case wkMakeCallReply: return 4;
    default: return 0;
    }
}

bool ReadFields(const uint8_t* p, size_t Size, TWireMessage& Out)
{
    size_t Pos = 0;
    for (std::string& Field : Out.Fields) {
        if (Size - Pos < 2) return false;
        const size_t Length = Le(p + Pos, 2);
        Pos += 2;
        if (Length > MaxFieldSize || Size - Pos < Length) return false;
        const auto* Text = reinterpret_cast<const char*>(p + Pos);
        if (std::memchr(Text, 0, Length)) return false;
        Field.assign(Text, Length);
        Pos += Length;
    }
    return Pos == Size;
}

const size_t RecordSizes[WireFieldCount] = {TAPIMAXDESTADDRESSSIZE, TAPIMAXAPPNAMESIZE, TAPIMAXCALLEDPARTYSIZE,
                                            TAPIMAXCOMMENTSIZE};

}  // namespace

TWireRead ReadWireMessage(const uint8_t* Data, size_t Size, TWireMessage& Out)
{
    // Each header byte is judged as soon as it is there, so a sender that
    // talks something else is cut off at its first wrong byte.
    if (Size == 0) return {wsIncomplete, 0};
    const size_t MagicBytes = std::min(Size, sizeof Magic);
    if (std::memcmp(Data, Magic, MagicBytes) != 0) return {wsMalformed, 0};
    if (Size <= 4) return {wsIncomplete, 0};
    if (Data[4] != WireVersion) return {wsBadVersion, 0};
    if (Size <= 5) return {wsIncomplete, 0};
    const uint8_t Kind = Data[5];
    if (!KnownKind(Kind)) return {wsMalformed, 0};
    if (Size < WireHeaderSize) return {wsIncomplete, 0};
    const size_t Payload = Le(Data + 6, 2);
    if (Payload > MaxPayload) return {wsOversized, 0};
    const size_t Fixed = FixedPayload(Kind);
    if (Kind != wkMakeCall && Payload != Fixed) return {wsMalformed, 0};
    if (Size - WireHeaderSize < Payload) return {wsIncomplete, 0};

    const uint8_t* p = Data + WireHeaderSize;
    TWireMessage m;
    m.Kind = static_cast<TWireKind>(Kind);
    switch (Kind) {
    case wkMakeCall:
        if (!ReadFields(p, Payload, m)) return {wsMalformed, 0};
        break;
    case wkQueryReply:
        m.Result = Le(p, 4);
        m.PriorityStamp = Le64(p + 4);
        m.RegistrationStamp = Le64(p + 12);
        break;
    case wkMakeCallReply:
        m.Result = Le(p, 4);
        break;
    default:
        break;
    }
    Out = std::move(m);
    return {wsComplete, WireHeaderSize + Payload};
}

std::vector<uint8_t> WriteQuery()
{
    return Header(wkQuery, 0);
}

std::vector<uint8_t> WriteMakeCall(const std::string& DestAddress, const std::string& AppName,
                                   const std::string& CalledParty, const std::string& Comment)
{
    const std::string* Fields[WireFieldCount] = {&DestAddress, &AppName, &CalledParty, &Comment};
    std::vector<uint8_t> Payload;
    for (int i = 0; i < WireFieldCount; ++i) {
        // What a record cannot hold is not sent; text after a zero would be
        // lost in the record anyway.
        const std::string& Text = *Fields[i];
        size_t Length = std::min(Text.size(), RecordSizes[i] - 1);
        Length = std::min(Length, Text.find('\0'));
        Put(Payload, Length, 2);
        Payload.insert(Payload.end(), Text.begin(), Text.begin() + static_cast<std::ptrdiff_t>(Length));
    }
    std::vector<uint8_t> Out = Header(wkMakeCall, Payload.size());
    Out.insert(Out.end(), Payload.begin(), Payload.end());
    return Out;
}

std::vector<uint8_t> WriteQueryReply(uint32_t Result, uint64_t PriorityStamp, uint64_t RegistrationStamp)
{
    std::vector<uint8_t> Out = Header(wkQueryReply, 20);
    Put(Out, Result, 4);
    Put(Out, PriorityStamp, 8);
    Put(Out, RegistrationStamp, 8);
    return Out;
}

std::vector<uint8_t> WriteMakeCallReply(uint32_t Result)
{
    std::vector<uint8_t> Out = Header(wkMakeCallReply, 4);
    Put(Out, Result, 4);
    return Out;
}

void CopyRecordField(char* Field, size_t Size, const std::string& Text)
{
    std::memset(Field, 0, Size);
    std::memcpy(Field, Text.data(), std::min(Text.size(), Size - 1));
}

LINEREQMAKECALL ToRecord(const TWireMessage& Message)
{
    LINEREQMAKECALL r;
    CopyRecordField(r.szDestAddress, sizeof r.szDestAddress, Message.Fields[wfDestAddress]);
    CopyRecordField(r.szAppName, sizeof r.szAppName, Message.Fields[wfAppName]);
    CopyRecordField(r.szCalledParty, sizeof r.szCalledParty, Message.Fields[wfCalledParty]);
    CopyRecordField(r.szComment, sizeof r.szComment, Message.Fields[wfComment]);
    return r;
}

}  // namespace kxtapi::service
