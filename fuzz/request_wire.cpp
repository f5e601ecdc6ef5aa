// The reader of the request sockets, fed as a socket feeds it: the whole
// input through a connected socket pair (closed after the input, so a
// prefix of a message ends as the peer closing), and prefixes cut where the
// input says. Checked:
// - the socket reader's verdict and message equal the reader's on the whole
//   input, and a prefix is either still incomplete or already has that
//   verdict (a verdict never changes with more bytes);
// - a complete message uses no byte beyond the input, its fields are at
//   most MaxFieldSize long without a zero;
// - its record has every field zero-terminated inside its size, and
//   writing the fields again reads back as the record holds them.
// An input whose first byte has its top bit set stands for a valid magic and
// version, the kind its two low bits choose, and the rest, so random inputs
// reach the payloads too.
#include "service/requests/socket_io.h"
#include "service/requests/wire.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace kxtapi::service;

namespace {

void Check(bool Ok, const char* What)
{
    if (!Ok) {
        std::fprintf(stderr, "request wire fuzz: %s\n", What);
        std::abort();
    }
}

bool SameMessage(const TWireMessage& a, const TWireMessage& b)
{
    if (a.Kind != b.Kind || a.Result != b.Result || a.PriorityStamp != b.PriorityStamp ||
        a.RegistrationStamp != b.RegistrationStamp)
        return false;
    for (int i = 0; i < WireFieldCount; ++i)
        if (a.Fields[i] != b.Fields[i]) return false;
    return true;
}

void CheckRecord(const TWireMessage& m)
{
    for (const std::string& f : m.Fields) {
        Check(f.size() <= MaxFieldSize, "field longer than allowed");
        Check(f.find('\0') == std::string::npos, "zero inside a field");
    }
    const LINEREQMAKECALL r = ToRecord(m);
    const char* Fields[] = {r.szDestAddress, r.szAppName, r.szCalledParty, r.szComment};
    const size_t Sizes[] = {sizeof r.szDestAddress, sizeof r.szAppName, sizeof r.szCalledParty, sizeof r.szComment};
    std::string Cut[WireFieldCount];
    for (int i = 0; i < WireFieldCount; ++i) {
        const size_t n = strnlen(Fields[i], Sizes[i]);
        Check(n < Sizes[i], "record field not terminated");
        Cut[i].assign(Fields[i], n);
        Check(Cut[i] == m.Fields[i].substr(0, Sizes[i] - 1), "record field differs from the message");
    }
    const auto Again = WriteMakeCall(m.Fields[0], m.Fields[1], m.Fields[2], m.Fields[3]);
    TWireMessage Back;
    Check(ReadWireMessage(Again.data(), Again.size(), Back).Status == wsComplete, "rewritten message unreadable");
    for (int i = 0; i < WireFieldCount; ++i) Check(Back.Fields[i] == Cut[i], "rewritten field is not the record's");
}

// What the socket reader makes of Data, sent all at once and then closed.
TWireStatus ThroughSocket(const uint8_t* Data, size_t Size, TWireMessage& Out)
{
    int Pair[2];
    Check(socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, Pair) == 0, "socketpair");
    TFd Reader(Pair[0]);
    {
        TFd Writer(Pair[1]);
        std::vector<uint8_t> Bytes(Data, Data + Size);
        Check(SendAll(Writer.Get(), Bytes, 1000), "send");
    }
    return ReceiveWireMessage(Reader.Get(), 1000, Out);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Input, size_t InputSize)
{
    if (InputSize > 2 * MaxWireMessage) return 0;
    std::vector<uint8_t> Bytes(Input, Input + InputSize);
    if (!Bytes.empty() && (Bytes[0] & 0x80)) {
        static const uint8_t Kinds[4] = {wkQuery, wkMakeCall, wkQueryReply, wkMakeCallReply};
        const uint8_t Kind = Kinds[Bytes[0] & 3];
        Bytes.erase(Bytes.begin());
        Bytes.insert(Bytes.begin(), {'K', 'X', 'M', 'C', WireVersion, Kind});
    }
    const uint8_t* Data = Bytes.data();
    const size_t Size = Bytes.size();
    TWireMessage Whole;
    const TWireRead r = ReadWireMessage(Data, Size, Whole);
    Check(r.Used <= Size, "used beyond the input");
    Check((r.Status == wsComplete) == (r.Used > 0), "used bytes without a message");
    if (r.Status == wsComplete && Whole.Kind == wkMakeCall) CheckRecord(Whole);

    TWireMessage Received;
    const TWireStatus s = ThroughSocket(Data, Size, Received);
    Check(s == r.Status, "socket reader differs from the reader");
    if (s == wsComplete) Check(SameMessage(Received, Whole), "socket reader read another message");

    // Cut points taken from the input itself.
    for (size_t i = 0; i < 8 && i < Size; ++i) {
        const size_t Cut = (size_t{Data[i]} * 131 + i * 977) % (Size + 1);
        TWireMessage Part;
        const TWireRead p = ReadWireMessage(Data, Cut, Part);
        Check(p.Status == wsIncomplete || p.Status == r.Status, "a verdict changed with more bytes");
        if (p.Status == wsComplete) Check(p.Used == r.Used && SameMessage(Part, Whole), "prefix read another message");
    }
    return 0;
}
