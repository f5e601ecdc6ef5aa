// The messages programs of one user exchange over a recipient's socket.
//
// Every message is an 8-byte header and a payload:
//
//   offset 0  4 bytes  "KXMC"
//          4  1 byte   version (1)
//          5  1 byte   kind (TWireKind)
//          6  2 bytes  payload length, little-endian, at most MaxPayload
//
// Payloads, integers little-endian:
//   wkQuery           empty
//   wkMakeCall        four fields (destination, application name, called
//                     party, comment), each a 2-byte length and that many
//                     bytes without a zero; at most MaxFieldSize each
//   wkQueryReply      4-byte TAPI result, 8-byte priority stamp, 8-byte
//                     registration stamp
//   wkMakeCallReply   4-byte TAPI result
//
// The payload length must be exactly what the kind's layout uses. A sender
// writes one message per connection and reads one reply.
#pragma once

#include "kxtapi/tapi/line_structs.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kxtapi::service {

inline constexpr uint8_t WireVersion = 1;
inline constexpr size_t WireHeaderSize = 8;
/// Longest field a make-call message may carry; longer ones are refused as
/// oversized, shorter ones longer than their record field are cut.
inline constexpr size_t MaxFieldSize = 1024;
inline constexpr size_t MaxPayload = 4 * (2 + MaxFieldSize);
inline constexpr size_t MaxWireMessage = WireHeaderSize + MaxPayload;

enum TWireKind : uint8_t {
    wkQuery = 1,            ///< "how do you rank as make-call recipient?"
    wkMakeCall = 2,         ///< a make-call request
    wkQueryReply = 0x81,
    wkMakeCallReply = 0x82
};

/// Field indexes of a make-call message, in wire order.
enum TWireField { wfDestAddress, wfAppName, wfCalledParty, wfComment, WireFieldCount };

/// One decoded message; what its kind does not carry stays default.
struct TWireMessage {
    TWireKind Kind = wkQuery;
    uint32_t Result = 0;
    uint64_t PriorityStamp = 0;
    uint64_t RegistrationStamp = 0;
    std::string Fields[WireFieldCount];
};

enum TWireStatus {
    wsIncomplete,   ///< a prefix of a valid message: read more
    wsComplete,     ///< a whole message; Used bytes of the input are it
    wsMalformed,    ///< wrong magic, unknown kind, bad lengths, a zero in a field
    wsOversized,    ///< the header announces more than MaxPayload
    wsBadVersion    ///< a version this program does not speak
};

struct TWireRead {
    TWireStatus Status = wsIncomplete;
    size_t Used = 0;
};

/// Decodes the message at the start of Data. Never reads beyond Size, and
/// decides as early as the bytes allow: a bad header is refused before its
/// payload arrives.
TWireRead ReadWireMessage(const uint8_t* Data, size_t Size, TWireMessage& Out);

std::vector<uint8_t> WriteQuery();
/// Fields longer than their record field are cut to it (the destination is
/// checked by the caller).
std::vector<uint8_t> WriteMakeCall(const std::string& DestAddress, const std::string& AppName,
                                   const std::string& CalledParty, const std::string& Comment);
std::vector<uint8_t> WriteQueryReply(uint32_t Result, uint64_t PriorityStamp, uint64_t RegistrationStamp);
std::vector<uint8_t> WriteMakeCallReply(uint32_t Result);

/// Copies Text into a zero-terminated field of Size bytes, cut to Size - 1,
/// the rest zero.
void CopyRecordField(char* Field, size_t Size, const std::string& Text);

/// The record a make-call message stands for, every field cut to its size.
LINEREQMAKECALL ToRecord(const TWireMessage& Message);

}  // namespace kxtapi::service
