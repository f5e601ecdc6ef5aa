// Caller identification as modems deliver it between the first rings: the
// formatted block of tagged lines (AT+VCID=1, AT#CID=1) in the spacings and
// tags modems really send, and the unformatted form (AT+VCID=2, AT#CID=2),
// a line of hex digits holding the whole SDMF or MDMF message. Pure
// functions, so that every layout can be tested from a table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kxtapi::service::modem {

/// What a block says about the number or the name.
enum TCidPresence {
    cpNone,          // nothing was said
    cpGiven,         // the value is in the block
    cpPrivate,       // withheld by the caller ("P")
    cpUnavailable,   // not available, out of area ("O")
};

/// One caller-ID block, filled line by line.
struct TCallerID {
    std::string Date;      // MMDD
    std::string Time;      // HHMM
    std::string Number;
    std::string Name;
    /// MESG payloads that could not be read, as received (hex), separated by blanks.
    std::string Message;
    TCidPresence NumberPresence = cpNone;
    TCidPresence NamePresence = cpNone;

    bool Empty() const noexcept
    {
        return Date.empty() && Time.empty() && Message.empty() && NumberPresence == cpNone &&
               NamePresence == cpNone;
    }
};

/// Longest number or name kept; longer values are cut (caller-ID
/// messages carry at most a few dozen characters).
inline constexpr size_t MaxCallerIDText = 64;

/// Reads one line of a formatted block ("NMBR = 5551212", "NAME=DOE JOHN",
/// "DATE: 0321", "CALLER NUMBER: 5551212", "MESG = 040150" ...) into Block.
/// False (Block unchanged) when the line is not a caller-ID line.
bool ParseCallerIDLine(std::string_view Line, TCallerID& Block);

/// Reads the unformatted form: a line of hex digits (blanks allowed between
/// bytes) that holds a whole SDMF (type 0x04) or MDMF (type 0x80) message
/// with its length and a valid checksum. False when the line is not one.
bool ParseCallerIDHex(std::string_view Line, TCallerID& Block);

/// Decodes a whole message (type, length, payload, checksum).
bool DecodeCallerIDMessage(const uint8_t* Data, size_t Size, TCallerID& Block);

/// Decodes MDMF parameters (type, length, data; repeated), as a MESG tag
/// carries them. A trailing checksum byte is allowed. False when the bytes
/// are not a well-formed parameter list.
bool DecodeCallerIDParameters(const uint8_t* Data, size_t Size, TCallerID& Block);

/// True when Line belongs to caller identification in either form (a
/// tagged line, or a whole message in hex).
bool IsCallerIDLine(std::string_view Line);

/// LINECALLPARTYID_ flags of the caller a block describes.
uint32_t CallerIDFlags(const TCallerID& Block) noexcept;

}  // namespace kxtapi::service::modem
