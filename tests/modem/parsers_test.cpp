// The pure parts of the modem provider, from tables: result codes, caller
// ID in the layouts modems send, the byte stream's tokens, the end of a
// data connection, dial strings and the configuration section.
#include "service/providers/modem/at_result.h"
#include "service/providers/modem/at_stream.h"
#include "service/providers/modem/caller_id.h"
#include "service/providers/modem/dial_string.h"

#include "kxtapi/modem.h"
#include "kxtapi/tapi.h"

#include <gtest/gtest.h>

using namespace kxtapi::service::modem;

namespace {

struct TResultCase {
    const char* Line;
    TAtResultKind Kind;
    uint32_t Rate;
};

TEST(ModemParsers, ResultCodesAsModemsSendThem)
{
    const TResultCase Cases[] = {
        {"OK", arOK, 0},
        {"  ok ", arOK, 0},
        {"OKAY", arText, 0},
        {"CONNECT", arConnect, 0},
        {"CONNECT 33600", arConnect, 33600},
        {"CONNECT 115200/V42BIS", arConnect, 115200},
        {"CONNECT 28800/ARQ/LAPM/V42BIS", arConnect, 28800},
        {"CONNECT 56K", arConnect, 56000},
        {"CONNECTED", arText, 0},
        {"RING", arRing, 0},
        {"RING A", arRing, 0},
        {"RINGING", arRinging, 0},
        {"RINGBACK", arRinging, 0},
        {"NO CARRIER", arNoCarrier, 0},
        {"ERROR", arError, 0},
        {"+CME ERROR: 30", arError, 0},
        {"+FCERROR", arError, 0},
        {"NO DIALTONE", arNoDialtone, 0},
        {"NO DIAL TONE", arNoDialtone, 0},
        {"BUSY", arBusy, 0},
        {"NO ANSWER", arNoAnswer, 0},
        {"VCON", arVcon, 0},
        {"DELAYED", arDelayed, 0},
        {"BLACKLISTED", arBlacklisted, 0},
        {"CARRIER 28800", arCarrier, 28800},
        {"PROTOCOL: LAPM", arProtocol, 0},
        {"COMPRESSION: V.42BIS", arProtocol, 0},
        {"56000", arText, 0},
        {"0", arText, 0},   // an S-register's value, not a numeric code
        {"", arText, 0},
        {"CONNECT 99999999999999999999", arConnect, 0},
    };
    for (const auto& c : Cases) {
        TAtResult r = ParseResultLine(c.Line);
        EXPECT_EQ(r.Kind, c.Kind) << '"' << c.Line << '"';
        EXPECT_EQ(r.Rate, c.Rate) << '"' << c.Line << '"';
    }
    EXPECT_TRUE(IsFinal(arConnect) && IsFinal(arVcon) && IsFinal(arBusy) && !IsFinal(arRing));
    EXPECT_TRUE(IsProgress(arCarrier) && !IsProgress(arOK));
}

TEST(ModemParsers, NumericResultCodesOnlyWhenAsked)
{
    EXPECT_EQ(ParseResultLine("0", true).Kind, arOK);
    EXPECT_EQ(ParseResultLine("4", true).Kind, arError);
    EXPECT_EQ(ParseResultLine("7", true).Kind, arBusy);
    TAtResult c = ParseResultLine("12", true);
    EXPECT_EQ(c.Kind, arConnect);
    EXPECT_EQ(c.Rate, 9600u);
    EXPECT_EQ(ParseResultLine("99", true).Kind, arText);
    EXPECT_EQ(ParseResultLine("OK", true).Kind, arOK);
}

struct TCidLayout {
    const char* Vendor;
    std::vector<const char*> Lines;
    const char* Date;
    const char* Time;
    const char* Number;
    const char* Name;
    uint32_t Flags;
};

TEST(ModemParsers, CallerIDBlocksOfSeveralVendors)
{
    const uint32_t NumberAndName = LINECALLPARTYID_ADDRESS | LINECALLPARTYID_NAME;
    const TCidLayout Layouts[] = {
        {"V.253 formatted, blanks around '='",
         {"DATE = 0321", "TIME = 1405", "NMBR = 5551212", "NAME = DOE JOHN"},
         "0321", "1405", "5551212", "DOE JOHN", NumberAndName},
        {"no blanks", {"DATE=0321", "TIME=1405", "NMBR=5551212", "NAME=DOE JOHN"},
         "0321", "1405", "5551212", "DOE JOHN", NumberAndName},
        {"colons", {"DATE: 0321", "TIME: 1405", "NMBR: 5551212"}, "0321", "1405", "5551212", "",
         LINECALLPARTYID_ADDRESS},
        {"lower case tags, tab", {"date =\t0321", "nmbr = 5551212"}, "0321", "", "5551212", "",
         LINECALLPARTYID_ADDRESS},
        {"date and time in one", {"TIME: 03-21 14:05", "CALLER NUMBER: 5551212", "CALLER NAME: DOE JOHN"},
         "0321", "1405", "5551212", "DOE JOHN", NumberAndName},
        {"dialable directory number", {"DDN_NMBR= 15551212"}, "", "", "15551212", "", LINECALLPARTYID_ADDRESS},
        {"private number", {"DATE = 0321", "TIME = 1405", "NMBR = P"}, "0321", "1405", "", "",
         LINECALLPARTYID_BLOCKED},
        {"unavailable number", {"NMBR = O", "NAME = O"}, "", "", "", "", LINECALLPARTYID_OUTOFAREA},
        {"private name, number given", {"NMBR = 5551212", "NAME = P"}, "", "", "5551212", "",
         LINECALLPARTYID_ADDRESS},
        {"words instead of letters", {"NMBR = PRIVATE", "NAME = OUT OF AREA"}, "", "", "", "",
         LINECALLPARTYID_BLOCKED},
        {"reason lines", {"REASON FOR NO CALLER NUMBER: OUT OF AREA"}, "", "", "", "", LINECALLPARTYID_OUTOFAREA},
        {"MESG with an absence reason", {"DATE = 0321", "MESG = 040150"}, "0321", "", "", "",
         LINECALLPARTYID_BLOCKED},
        {"MESG with a name parameter", {"NMBR = 5551212", "MESG = 0703414243"}, "", "", "5551212", "ABC",
         NumberAndName},
    };
    for (const auto& l : Layouts) {
        TCallerID b;
        for (const char* Line : l.Lines) EXPECT_TRUE(ParseCallerIDLine(Line, b)) << l.Vendor << ": " << Line;
        EXPECT_EQ(b.Date, l.Date) << l.Vendor;
        EXPECT_EQ(b.Time, l.Time) << l.Vendor;
        EXPECT_EQ(b.Number, l.Number) << l.Vendor;
        EXPECT_EQ(b.Name, l.Name) << l.Vendor;
        EXPECT_EQ(CallerIDFlags(b), l.Flags) << l.Vendor;
    }
}

TEST(ModemParsers, LinesThatAreNoCallerID)
{
    const char* NotCid[] = {"RING", "OK", "NMBR", "NMBRX = 5", "NAME", "DATA = 1", "56000", "", "= 5"};
    for (const char* l : NotCid) {
        TCallerID b;
        EXPECT_FALSE(ParseCallerIDLine(l, b)) << l;
        EXPECT_TRUE(b.Empty()) << l;
        EXPECT_FALSE(IsCallerIDLine(l)) << l;
    }
    TCallerID b;
    EXPECT_EQ(CallerIDFlags(b), LINECALLPARTYID_UNKNOWN);
    // An unreadable MESG is kept as received; control bytes never are.
    EXPECT_TRUE(ParseCallerIDLine("MESG = 06 03 42", b));
    EXPECT_EQ(b.Message, "06 03 42");
    EXPECT_TRUE(ParseCallerIDLine(std::string("NAME = A\x01" "B\x7F" "C"), b));
    EXPECT_EQ(b.Name, "ABC");
    EXPECT_TRUE(ParseCallerIDLine("NAME = " + std::string(200, 'X'), b));
    EXPECT_EQ(b.Name.size(), MaxCallerIDText);
}

// The hex form with its checksum computed here.
std::string Hex(std::vector<uint8_t> Bytes, bool Spaces = false)
{
    uint8_t Sum = 0;
    for (uint8_t b : Bytes) Sum = static_cast<uint8_t>(Sum + b);
    Bytes.push_back(static_cast<uint8_t>(0x100 - Sum));
    std::string s;
    char t[4];
    for (uint8_t b : Bytes) {
        std::snprintf(t, sizeof t, Spaces ? "%02X " : "%02X", b);
        s += t;
    }
    return s;
}

std::vector<uint8_t> Message(uint8_t Type, const std::vector<std::pair<uint8_t, std::string>>& Params)
{
    std::vector<uint8_t> Body;
    for (const auto& [t, v] : Params) {
        Body.push_back(t);
        Body.push_back(static_cast<uint8_t>(v.size()));
        Body.insert(Body.end(), v.begin(), v.end());
    }
    std::vector<uint8_t> m{Type, static_cast<uint8_t>(Body.size())};
    m.insert(m.end(), Body.begin(), Body.end());
    return m;
}

TEST(ModemParsers, UnformattedMessagesInHex)
{
    // SDMF: date and time, then the number.
    std::vector<uint8_t> Sdmf{0x04, 15};
    for (char c : std::string("032114055551212")) Sdmf.push_back(static_cast<uint8_t>(c));
    TCallerID b;
    ASSERT_TRUE(ParseCallerIDHex(Hex(Sdmf), b));
    EXPECT_EQ(b.Date, "0321");
    EXPECT_EQ(b.Time, "1405");
    EXPECT_EQ(b.Number, "5551212");
    EXPECT_EQ(CallerIDFlags(b), LINECALLPARTYID_ADDRESS);

    // MDMF with blanks between the bytes, as some modems print it.
    TCallerID m;
    ASSERT_TRUE(ParseCallerIDHex(
        Hex(Message(0x80, {{0x01, "03211405"}, {0x02, "5551212"}, {0x07, "DOE JOHN"}}), true), m));
    EXPECT_EQ(m.Number, "5551212");
    EXPECT_EQ(m.Name, "DOE JOHN");
    EXPECT_EQ(m.Time, "1405");

    // Private number and unavailable name by their absence parameters.
    TCallerID p;
    ASSERT_TRUE(ParseCallerIDHex(Hex(Message(0x80, {{0x04, "P"}, {0x08, "O"}})), p));
    EXPECT_EQ(p.NumberPresence, cpPrivate);
    EXPECT_EQ(p.NamePresence, cpUnavailable);
    EXPECT_EQ(CallerIDFlags(p), LINECALLPARTYID_BLOCKED);

    // The same message under a MESG tag.
    TCallerID t;
    ASSERT_TRUE(ParseCallerIDLine("MESG = " + Hex(Message(0x80, {{0x02, "123"}})), t));
    EXPECT_EQ(t.Number, "123");
    EXPECT_TRUE(t.Message.empty());
    EXPECT_TRUE(IsCallerIDLine(Hex(Sdmf)));

    // A bad checksum, a wrong length, an odd digit count, text: refused.
    std::string Bad = Hex(Sdmf);
    Bad[Bad.size() - 1] = Bad[Bad.size() - 1] == '0' ? '1' : '0';
    const std::string Refused[] = {Bad, "0412", "04120", "5601", "ZZ", "", "8003010130CC"};
    for (const std::string& r : Refused) {
        TCallerID x;
        EXPECT_FALSE(ParseCallerIDHex(r, x)) << r;
        EXPECT_TRUE(x.Empty()) << r;
    }
}

std::vector<TAtToken> Lex(const std::vector<std::string>& Chunks)
{
    TAtLexer l;
    std::vector<TAtToken> t;
    for (const std::string& c : Chunks) l.Feed(c.data(), c.size(), t);
    return t;
}

TEST(ModemParsers, StreamIntoLinesAndDleCodes)
{
    auto t = Lex({"\r\nOK\r\n\r\nRI", "NG\r\n\x10", "5\x10\x10\x10" "b", "DATE = 0321\n",
                  std::string("\0\x11OK\r", 5), "unfinished"});
    ASSERT_EQ(t.size(), 6u);
    EXPECT_EQ(t[0].Text, "OK");
    EXPECT_EQ(t[1].Text, "RING");
    EXPECT_EQ(t[2].Kind, TAtToken::tkDle);
    EXPECT_EQ(t[2].Code, '5');   // a DLE at the end of one chunk pairs with the next
    EXPECT_EQ(t[3].Code, 'b');   // DLE DLE is a shielded DLE, then DLE b
    EXPECT_EQ(t[4].Text, "DATE = 0321");
    EXPECT_EQ(t[5].Text, "OK");  // NUL and XON dropped; the unfinished line is no token yet
}

TEST(ModemParsers, OverlongLinesAreCut)
{
    std::string Long(1000, 'x');
    auto t = Lex({Long, Long, "\r\nOK\r\n"});
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[0].Text.size(), MaxResponseLine);
    EXPECT_EQ(t[1].Text, "OK");
}

TEST(ModemParsers, CarrierLossInTheDataStream)
{
    struct TCase {
        std::vector<std::string> Chunks;
        int Chunk;      // where the report ends, -1 none
        size_t Tail;
    };
    const TCase Cases[] = {
        {{"hello\r\nNO CARRIER\r\nafter"}, 0, 18},
        {{"data\r\nNO CAR", "RIER\r\n"}, 1, 5},
        {{"\r\r\nNO CARRIER\r"}, 0, 14},
        {{"NO CARRIER\r\n"}, -1, 0},          // not on a line of its own
        {{"\r\nNO CARRIERS\r\n"}, -1, 0},
        {{"\r\nno carrier\r\n"}, -1, 0},
    };
    for (const auto& c : Cases) {
        TCarrierWatch w;
        int Found = -1;
        size_t Tail = 0;
        for (size_t i = 0; i < c.Chunks.size() && Found < 0; ++i)
            if (w.Feed(c.Chunks[i].data(), c.Chunks[i].size(), Tail)) Found = static_cast<int>(i);
        EXPECT_EQ(Found, c.Chunk) << c.Chunks[0];
        if (Found >= 0) {
            EXPECT_EQ(Tail, c.Tail) << c.Chunks[0];
        }
    }
}

TEST(ModemParsers, DialStrings)
{
    struct TCase {
        const char* Dest;
        const char* Dial;   // nullptr: refused
    };
    const TCase Cases[] = {
        {"5551212", "5551212"},
        {"555-1212", "5551212"},
        {"(425) 555.1212", "4255551212"},
        {"9w5551212", "9W5551212"},
        {"*70,5551212", "*70,5551212"},
        {"t5551212@", "T5551212@"},
        {"5551212|12^John", "5551212"},
        {"5551212;ATH", nullptr},
        {"555\r1212", nullptr},
        {"1-800-FLOWERS", nullptr},
        {"", nullptr},
        {"W,@", nullptr},
        {"12345678901234567890123456789012345678901", nullptr},
    };
    for (const auto& c : Cases) {
        std::string Out;
        uint32_t r = DialString(c.Dest, Out);
        if (c.Dial) {
            EXPECT_EQ(r, 0u) << c.Dest;
            EXPECT_EQ(Out, c.Dial) << c.Dest;
        } else {
            EXPECT_EQ(r, LINEERR_INVALADDRESS) << c.Dest;
        }
    }
    // A canonical address goes through the current location's rules.
    std::string Out;
    EXPECT_EQ(DialString("+1 (425) 5551212", Out), 0u);
    EXPECT_NE(Out.find("5551212"), std::string::npos);
    EXPECT_EQ(Out.find('+'), std::string::npos);
}

TEST(ModemParsers, ConfigurationSection)
{
    std::vector<kxtapi::modem::TModemConfig> d;
    std::string e;
    ASSERT_TRUE(kxtapi::modem::ParseModemConfig(
        R"({"devices": [{"line_name": "Fax line", "port": "/dev/ttyACM0", "speed": 57600,
            "init": ["AT&F1", "ATS0=0"], "voice": true, "country": "de", "ring_timeout": 7000},
           {"line_name": "Alarm", "port": "COM3", "a_later_key": 1}]})", d, &e)) << e;
    ASSERT_EQ(d.size(), 2u);
    EXPECT_EQ(d[0].LineName, "Fax line");
    EXPECT_EQ(d[0].Speed, 57600u);
    EXPECT_EQ(d[0].Init.size(), 2u);
    EXPECT_TRUE(d[0].Voice);
    EXPECT_EQ(d[0].RingTimeout, 7000u);
    EXPECT_EQ(d[1].Speed, 115200u);
    EXPECT_FALSE(d[1].Voice);

    struct TBad {
        const char* Json;
        const char* Error;
    };
    const TBad Bad[] = {
        {"[]", "modem: must be an object"},
        {R"({"devices": [{"port": "/dev/x"}]})", "modem.devices[0].line_name: is missing"},
        {R"({"devices": [{"line_name": "A", "port": 3}]})", "modem.devices[0].port: must be a text"},
        {R"({"devices": [{"line_name": "A", "port": ""}]})", "modem.devices[0].port: must not be empty"},
        {R"({"devices": [{"line_name": "A", "port": "/x", "speed": "fast"}]})",
         "modem.devices[0].speed: must be a whole number"},
        {R"({"devices": [{"line_name": "A", "port": "/x", "speed": 0}]})",
         "modem.devices[0].speed: must be between 300 and 4000000"},
        {R"({"devices": [{"line_name": "A", "port": "/x", "init": ["ATZ\rATD1"]}]})",
         "modem.devices[0].init[0]: must be a command starting with AT, printable, at most 60 characters"},
        {R"({"devices": [{"line_name": "A", "port": "/x", "init": "ATZ"}]})",
         "modem.devices[0].init: must be a list of texts"},
        {R"({"devices": [{"line_name": "A", "port": "/x", "country": "XX"}]})",
         "modem.devices[0].country: must be a two-letter country code known here (US, GB, DE ...)"},
        {R"({"devices": [{"line_name": "A", "port": "/x"}, {"line_name": "A", "port": "/y"}]})",
         "modem.devices[1].line_name: names another modem too"},
        {R"({"devices": [{"line_name": "A", "port": "/x"}, {"line_name": "B", "port": "/x"}]})",
         "modem.devices[1].port: is another modem's port"},
        {R"({"devices": [{"line_name": "A", "port": "/x", "voice": 1}]})",
         "modem.devices[0].voice: must be true or false"},
        {R"({"devices": [5]})", "modem.devices[0]: must be an object"},
        {R"({"devices": {}})", "modem.devices: must be a list"},
        {"{", "modem: malformed JSON"},
    };
    for (const auto& b : Bad) {
        std::vector<kxtapi::modem::TModemConfig> Keep(1);
        std::string Error;
        EXPECT_FALSE(kxtapi::modem::ParseModemConfig(b.Json, Keep, &Error)) << b.Json;
        EXPECT_EQ(Error, b.Error) << b.Json;
        EXPECT_EQ(Keep.size(), 1u) << "left unchanged: " << b.Json;
    }
    // No devices is no modem.
    ASSERT_TRUE(kxtapi::modem::ParseModemConfig("{}", d, &e));
    EXPECT_TRUE(d.empty());
    uint8_t Code = 0;
    EXPECT_TRUE(kxtapi::modem::CountryToT35("us", Code));
    EXPECT_EQ(Code, 0xB5);
    EXPECT_FALSE(kxtapi::modem::CountryToT35("USA", Code));
}

}  // namespace
