// The messages of the request sockets: encoding, the reader's verdict on
// every kind of damaged input, and fields cut to the record's sizes.

#include "service/requests/wire.h"

#include "kxtapi/tapi/errors.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace kxtapi::testing {
namespace {

using namespace kxtapi::service;

TWireRead Read(const std::vector<uint8_t>& Bytes, TWireMessage& Out)
{
    return ReadWireMessage(Bytes.data(), Bytes.size(), Out);
}

std::vector<uint8_t> Header(uint8_t Version, uint8_t Kind, uint16_t Payload)
{
    return {'K', 'X', 'M', 'C', Version, Kind, static_cast<uint8_t>(Payload), static_cast<uint8_t>(Payload >> 8)};
}

TEST(Wire, EveryKindReadsBackAsWritten)
{
    TWireMessage m;
    const std::vector<uint8_t> Call = WriteMakeCall("+1 206 555 0100", "Dialer", "Reception", "");
    ASSERT_EQ(Read(Call, m).Status, wsComplete);
    EXPECT_EQ(Read(Call, m).Used, Call.size());
    EXPECT_EQ(m.Kind, wkMakeCall);
    EXPECT_EQ(m.Fields[wfDestAddress], "+1 206 555 0100");
    EXPECT_EQ(m.Fields[wfAppName], "Dialer");
    EXPECT_EQ(m.Fields[wfCalledParty], "Reception");
    EXPECT_EQ(m.Fields[wfComment], "");

    ASSERT_EQ(Read(WriteQuery(), m).Status, wsComplete);
    EXPECT_EQ(m.Kind, wkQuery);
    ASSERT_EQ(Read(WriteQueryReply(0x80000010u, 0x0123456789ABCDEFull, 7), m).Status, wsComplete);
    EXPECT_EQ(m.Kind, wkQueryReply);
    EXPECT_EQ(m.Result, 0x80000010u);
    EXPECT_EQ(m.PriorityStamp, 0x0123456789ABCDEFull);
    EXPECT_EQ(m.RegistrationStamp, 7u);
    ASSERT_EQ(Read(WriteMakeCallReply(TAPIERR_REQUESTQUEUEFULL), m).Status, wsComplete);
    EXPECT_EQ(m.Result, TAPIERR_REQUESTQUEUEFULL);

    // Bytes after the message belong to nothing; the reader says where it ends.
    std::vector<uint8_t> Trailing = WriteMakeCallReply(0);
    Trailing.push_back('x');
    EXPECT_EQ(Read(Trailing, m).Used, Trailing.size() - 1);
}

TEST(Wire, PrefixesWaitAndDamageIsRefusedAsEarlyAsItShows)
{
    TWireMessage m;
    const std::vector<uint8_t> Call = WriteMakeCall("555", "a", "b", "c");
    for (size_t n = 0; n < Call.size(); ++n)
        EXPECT_EQ(ReadWireMessage(Call.data(), n, m).Status, wsIncomplete) << n << " bytes";

    EXPECT_EQ(Read({'X'}, m).Status, wsMalformed) << "the first wrong byte is enough";
    EXPECT_EQ(Read({'K', 'X', 'M'}, m).Status, wsIncomplete);
    EXPECT_EQ(Read({'K', 'X', 'M', 'C', 2}, m).Status, wsBadVersion);
    EXPECT_EQ(Read({'K', 'X', 'M', 'C', 1, 0x55}, m).Status, wsMalformed) << "unknown kind";
    EXPECT_EQ(Read(Header(1, wkMakeCall, MaxPayload + 1), m).Status, wsOversized) << "refused before the payload";
    EXPECT_EQ(Read(Header(1, wkMakeCall, 0xFFFF), m).Status, wsOversized);
    EXPECT_EQ(Read(Header(1, wkQuery, 1), m).Status, wsMalformed) << "a query carries nothing";
    EXPECT_EQ(Read(Header(1, wkMakeCallReply, 5), m).Status, wsMalformed);

    // A make-call payload must be exactly four fields.
    auto WithPayload = [](std::vector<uint8_t> Payload) {
        std::vector<uint8_t> Out = Header(1, wkMakeCall, static_cast<uint16_t>(Payload.size()));
        Out.insert(Out.end(), Payload.begin(), Payload.end());
        return Out;
    };
    EXPECT_EQ(Read(WithPayload({1, 0, '5', 0, 0, 0, 0}), m).Status, wsMalformed) << "three fields";
    EXPECT_EQ(Read(WithPayload({1, 0, '5', 0, 0, 0, 0, 0, 0, 9}), m).Status, wsMalformed) << "a byte too many";
    EXPECT_EQ(Read(WithPayload({9, 0, '5', 0, 0, 0, 0, 0, 0}), m).Status, wsMalformed) << "field past the payload";
    EXPECT_EQ(Read(WithPayload({2, 0, '5', 0, 0, 0, 0, 0, 0, 0, 0}), m).Status, wsMalformed) << "a zero in a field";
    std::vector<uint8_t> Long = {0x01, 0x04};   // 1025 bytes: over MaxFieldSize
    Long.resize(2 + 1025, '1');
    Long.insert(Long.end(), {0, 0, 0, 0, 0, 0});
    EXPECT_EQ(Read(WithPayload(Long), m).Status, wsMalformed);
    EXPECT_EQ(Read(WithPayload({1, 0, '5', 0, 0, 0, 0, 0, 0}), m).Status, wsComplete);
}

TEST(Wire, FieldsLongerThanTheRecordAreCut)
{
    const std::string Long(200, 'x');
    TWireMessage m;
    ASSERT_EQ(Read(WriteMakeCall(std::string(100, '5'), Long, Long, Long), m).Status, wsComplete);
    EXPECT_EQ(m.Fields[wfDestAddress].size(), TAPIMAXDESTADDRESSSIZE - 1) << "cut when written";
    EXPECT_EQ(m.Fields[wfAppName].size(), TAPIMAXAPPNAMESIZE - 1);
    EXPECT_EQ(m.Fields[wfCalledParty].size(), TAPIMAXCALLEDPARTYSIZE - 1);
    EXPECT_EQ(m.Fields[wfComment].size(), TAPIMAXCOMMENTSIZE - 1);

    // A message from elsewhere may carry up to MaxFieldSize; the record
    // still gets at most its size, zero-terminated.
    TWireMessage Big;
    Big.Kind = wkMakeCall;
    for (std::string& f : Big.Fields) f.assign(MaxFieldSize, 'y');
    const LINEREQMAKECALL r = ToRecord(Big);
    EXPECT_EQ(std::string(r.szDestAddress), std::string(TAPIMAXDESTADDRESSSIZE - 1, 'y'));
    EXPECT_EQ(std::string(r.szAppName), std::string(TAPIMAXAPPNAMESIZE - 1, 'y'));
    EXPECT_EQ(std::string(r.szCalledParty), std::string(TAPIMAXCALLEDPARTYSIZE - 1, 'y'));
    EXPECT_EQ(std::string(r.szComment), std::string(TAPIMAXCOMMENTSIZE - 1, 'y'));

    // Text after a zero could not reach the record; it is not sent either.
    ASSERT_EQ(Read(WriteMakeCall("555", std::string("ab\0cd", 5), "", ""), m).Status, wsComplete);
    EXPECT_EQ(m.Fields[wfAppName], "ab");
}

}  // namespace
}  // namespace kxtapi::testing
