// The service's error texts, their identifiers, and the provider texts.

#include <kxtapi/tapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace kxtapi;

// Every error code the interface declares.
const std::vector<uint32_t>& DeclaredCodes()
{
    static const std::vector<uint32_t> Codes = {
        LINEERR_ALLOCATED, LINEERR_BADDEVICEID, LINEERR_BEARERMODEUNAVAIL, LINEERR_CALLUNAVAIL,
        LINEERR_COMPLETIONOVERRUN, LINEERR_CONFERENCEFULL, LINEERR_DIALBILLING,
        LINEERR_DIALDIALTONE, LINEERR_DIALPROMPT, LINEERR_DIALQUIET,
        LINEERR_INCOMPATIBLEAPIVERSION, LINEERR_INCOMPATIBLEEXTVERSION, LINEERR_INIFILECORRUPT,
        LINEERR_INUSE, LINEERR_INVALADDRESS, LINEERR_INVALADDRESSID, LINEERR_INVALADDRESSMODE,
        LINEERR_INVALADDRESSSTATE, LINEERR_INVALAPPHANDLE, LINEERR_INVALAPPNAME,
        LINEERR_INVALBEARERMODE, LINEERR_INVALCALLCOMPLMODE, LINEERR_INVALCALLHANDLE,
        LINEERR_INVALCALLPARAMS, LINEERR_INVALCALLPRIVILEGE, LINEERR_INVALCALLSELECT,
        LINEERR_INVALCALLSTATE, LINEERR_INVALCALLSTATELIST, LINEERR_INVALCARD,
        LINEERR_INVALCOMPLETIONID, LINEERR_INVALCONFCALLHANDLE, LINEERR_INVALCONSULTCALLHANDLE,
        LINEERR_INVALCOUNTRYCODE, LINEERR_INVALDEVICECLASS, LINEERR_INVALDEVICEHANDLE,
        LINEERR_INVALDIALPARAMS, LINEERR_INVALDIGITLIST, LINEERR_INVALDIGITMODE,
        LINEERR_INVALDIGITS, LINEERR_INVALEXTVERSION, LINEERR_INVALGROUPID,
        LINEERR_INVALLINEHANDLE, LINEERR_INVALLINESTATE, LINEERR_INVALLOCATION,
        LINEERR_INVALMEDIALIST, LINEERR_INVALMEDIAMODE, LINEERR_INVALMESSAGEID,
        LINEERR_INVALPARAM, LINEERR_INVALPARKID, LINEERR_INVALPARKMODE, LINEERR_INVALPOINTER,
        LINEERR_INVALPRIVSELECT, LINEERR_INVALRATE, LINEERR_INVALREQUESTMODE,
        LINEERR_INVALTERMINALID, LINEERR_INVALTERMINALMODE, LINEERR_INVALTIMEOUT,
        LINEERR_INVALTONE, LINEERR_INVALTONELIST, LINEERR_INVALTONEMODE,
        LINEERR_INVALTRANSFERMODE, LINEERR_LINEMAPPERFAILED, LINEERR_NOCONFERENCE,
        LINEERR_NODEVICE, LINEERR_NODRIVER, LINEERR_NOMEM, LINEERR_NOREQUEST, LINEERR_NOTOWNER,
        LINEERR_NOTREGISTERED, LINEERR_OPERATIONFAILED, LINEERR_OPERATIONUNAVAIL,
        LINEERR_RATEUNAVAIL, LINEERR_RESOURCEUNAVAIL, LINEERR_REQUESTOVERRUN,
        LINEERR_STRUCTURETOOSMALL, LINEERR_TARGETNOTFOUND, LINEERR_TARGETSELF,
        LINEERR_UNINITIALIZED, LINEERR_USERUSERINFOTOOBIG, LINEERR_REINIT,
        LINEERR_ADDRESSBLOCKED, LINEERR_BILLINGREJECTED, LINEERR_INVALFEATURE,
        LINEERR_NOMULTIPLEINSTANCE, LINEERR_INVALAGENTID, LINEERR_INVALAGENTGROUP,
        LINEERR_INVALPASSWORD, LINEERR_INVALAGENTSTATE, LINEERR_INVALAGENTACTIVITY,
        LINEERR_DIALVOICEDETECT,

        PHONEERR_ALLOCATED, PHONEERR_BADDEVICEID, PHONEERR_INCOMPATIBLEAPIVERSION,
        PHONEERR_INCOMPATIBLEEXTVERSION, PHONEERR_INIFILECORRUPT, PHONEERR_INUSE,
        PHONEERR_INVALAPPHANDLE, PHONEERR_INVALAPPNAME, PHONEERR_INVALBUTTONLAMPID,
        PHONEERR_INVALBUTTONMODE, PHONEERR_INVALBUTTONSTATE, PHONEERR_INVALDATAID,
        PHONEERR_INVALDEVICECLASS, PHONEERR_INVALEXTVERSION, PHONEERR_INVALHOOKSWITCHDEV,
        PHONEERR_INVALHOOKSWITCHMODE, PHONEERR_INVALLAMPMODE, PHONEERR_INVALPARAM,
        PHONEERR_INVALPHONEHANDLE, PHONEERR_INVALPHONESTATE, PHONEERR_INVALPOINTER,
        PHONEERR_INVALPRIVILEGE, PHONEERR_INVALRINGMODE, PHONEERR_NODEVICE, PHONEERR_NODRIVER,
        PHONEERR_NOMEM, PHONEERR_NOTOWNER, PHONEERR_OPERATIONFAILED, PHONEERR_OPERATIONUNAVAIL,
        PHONEERR_RESOURCEUNAVAIL, PHONEERR_REQUESTOVERRUN, PHONEERR_STRUCTURETOOSMALL,
        PHONEERR_UNINITIALIZED, PHONEERR_REINIT,

        TAPIERR_DROPPED, TAPIERR_NOREQUESTRECIPIENT, TAPIERR_REQUESTQUEUEFULL,
        TAPIERR_INVALDESTADDRESS, TAPIERR_INVALWINDOWHANDLE, TAPIERR_INVALDEVICECLASS,
        TAPIERR_INVALDEVICEID, TAPIERR_DEVICECLASSUNAVAIL, TAPIERR_DEVICEIDUNAVAIL,
        TAPIERR_DEVICEINUSE, TAPIERR_DESTBUSY, TAPIERR_DESTNOANSWER, TAPIERR_DESTUNAVAIL,
        TAPIERR_UNKNOWNWINHANDLE, TAPIERR_UNKNOWNREQUESTID, TAPIERR_REQUESTFAILED,
        TAPIERR_REQUESTCANCELLED, TAPIERR_INVALPOINTER,
    };
    return Codes;
}

bool IsDeclared(uint32_t Code)
{
    const auto& Codes = DeclaredCodes();
    return std::find(Codes.begin(), Codes.end(), Code) != Codes.end();
}

TEST(TapiErrorCodes, FamiliesAreCompleteWithTheirKnownGaps)
{
    std::set<uint32_t> Line, Phone, Assisted;
    for (uint32_t Code : DeclaredCodes()) {
        EXPECT_LT(static_cast<int32_t>(Code), 0) << std::hex << Code;
        if ((Code & 0xF0000000u) == 0x80000000u)
            Line.insert(Code);
        else if ((Code & 0xF0000000u) == 0x90000000u)
            Phone.insert(Code);
        else
            Assisted.insert(Code);
    }
    EXPECT_EQ(Line.size() + Phone.size() + Assisted.size(), DeclaredCodes().size()) << "duplicate value";
    for (uint32_t Code = 0x80000001; Code <= 0x8000005C; ++Code)
        EXPECT_EQ(Line.count(Code), (Code == 0x80000004 || Code == 0x80000031) ? 0u : 1u)
            << std::hex << Code;
    for (uint32_t Code = 0x90000001; Code <= 0x90000023; ++Code)
        EXPECT_EQ(Phone.count(Code), Code == 0x9000001E ? 0u : 1u) << std::hex << Code;
    for (int32_t Code = -1; Code >= -18; --Code)
        EXPECT_EQ(Assisted.count(static_cast<uint32_t>(Code)), 1u) << Code;
    EXPECT_EQ(Line.size() + Phone.size() + Assisted.size(), 90u + 34u + 18u);
}

TEST(TapiMessageIdentifier, MapsEachFamilyIntoItsOwnRange)
{
    // Line codes count from 0xE000, phone codes from 0xF000, and the small
    // negative assisted-telephony codes keep their low 16 bits.
    EXPECT_EQ(TapiMessageIdentifier(LINEERR_ALLOCATED), 0xE001u);
    EXPECT_EQ(TapiMessageIdentifier(LINEERR_STRUCTURETOOSMALL), 0xE04Du);
    EXPECT_EQ(TapiMessageIdentifier(LINEERR_NOMULTIPLEINSTANCE), 0xE056u);
    EXPECT_EQ(TapiMessageIdentifier(PHONEERR_ALLOCATED), 0xF001u);
    EXPECT_EQ(TapiMessageIdentifier(PHONEERR_STRUCTURETOOSMALL), 0xF021u);
    EXPECT_EQ(TapiMessageIdentifier(PHONEERR_REINIT), 0xF023u);
    EXPECT_EQ(TapiMessageIdentifier(TAPIERR_DROPPED), 0xFFFFu);
    EXPECT_EQ(TapiMessageIdentifier(TAPIERR_INVALPOINTER), 0xFFEEu);
    static_assert(TapiMessageIdentifier(LINEERR_NOMEM) == 0xE044);

    // The small-negative rule applies only strictly above 0xFFFF0000; that
    // value itself has bit 0x10000000 and takes the phone rule.
    EXPECT_EQ(TapiMessageIdentifier(0xFFFF0001u), 0x0001u);
    EXPECT_EQ(TapiMessageIdentifier(0xFFFF0000u), 0xFFFF0000u - 0x90000000u + 0xF000u);
    // Values with bit 31 but neither prefix fall to the line rule.
    EXPECT_EQ(TapiMessageIdentifier(0xA0000005u), 0x2000E005u);

    // Success and request identifiers have no identifier.
    EXPECT_EQ(TapiMessageIdentifier(0), 0u);
    EXPECT_EQ(TapiMessageIdentifier(5), 0u);
    EXPECT_EQ(TapiMessageIdentifier(0x7FFFFFFFu), 0u);

    std::set<uint32_t> Seen;
    for (uint32_t Code : DeclaredCodes())
        EXPECT_TRUE(Seen.insert(TapiMessageIdentifier(Code)).second) << std::hex << Code;
}

TEST(TapiMessageText, EveryCodeHasOneNonEmptyLine)
{
    for (uint32_t Code : DeclaredCodes()) {
        const std::string_view Text = TapiMessageText(TapiMessageIdentifier(Code));
        ASSERT_FALSE(Text.empty()) << std::hex << Code;
        EXPECT_EQ(Text.find_first_of("\r\n"), std::string_view::npos) << Text;
        EXPECT_NE(Text.front(), ' ') << Text;
        EXPECT_NE(Text.back(), ' ') << Text;
        EXPECT_LE(Text.size(), MaxTapiMessageTextLength);
        for (unsigned char C : Text)
            EXPECT_TRUE(C >= 0x20 && C < 0x7F) << Text;
    }
}

TEST(TapiMessageText, TextsWithinAFamilyDiffer)
{
    // A copied text would make two different errors read alike.
    std::set<std::string_view> Line, Phone, Assisted;
    for (uint32_t Code : DeclaredCodes()) {
        auto& Family = (Code & 0xF0000000u) == 0x80000000u   ? Line
                       : (Code & 0xF0000000u) == 0x90000000u ? Phone
                                                              : Assisted;
        EXPECT_TRUE(Family.insert(TapiMessageText(TapiMessageIdentifier(Code))).second)
            << std::hex << Code;
    }
}

TEST(TapiMessageText, NothingForValuesThatAreNotCodes)
{
    // Every identifier the mapping can produce for a family lies below
    // 0x10000; exactly the declared codes' identifiers have a text there.
    size_t WithText = 0;
    for (uint32_t Identifier = 0; Identifier <= 0xFFFF; ++Identifier)
        if (!TapiMessageText(Identifier).empty())
            ++WithText;
    EXPECT_EQ(WithText, DeclaredCodes().size());

    const uint32_t Starts[] = {0x80000000u, 0x90000000u, 0xFFFFFF00u};
    for (uint32_t Start : Starts)
        for (uint32_t Code = Start; Code - Start <= 0xFF; ++Code)
            EXPECT_EQ(TapiMessageText(TapiMessageIdentifier(Code)).empty(), !IsDeclared(Code))
                << std::hex << Code;

    EXPECT_TRUE(TapiMessageText(0x2000E005u).empty());
    EXPECT_TRUE(TapiMessageText(0xFFFFFFFFu).empty());
}

TEST(SystemErrorText, OnlyErrorZeroHasAText)
{
    EXPECT_EQ(SystemErrorText(0), "The operation completed successfully.");
    EXPECT_TRUE(SystemErrorText(5).empty());
    EXPECT_TRUE(TapiMessageText(0).empty());
}

class TapiProviderMessageTexts : public ::testing::Test {
protected:
    void TearDown() override { ClearTapiProviderMessageTexts(); }
};

TEST_F(TapiProviderMessageTexts, EmptyUntilAProviderAddsOne)
{
    EXPECT_TRUE(TapiProviderMessageText(0xE001).empty());
    SetTapiProviderMessageText(0xE0F0, "The switch refused the call.");
    EXPECT_EQ(TapiProviderMessageText(0xE0F0), "The switch refused the call.");
    EXPECT_TRUE(TapiProviderMessageText(0xE0F1).empty());
    // The service table is not affected.
    EXPECT_TRUE(TapiMessageText(0xE0F0).empty());
}

TEST_F(TapiProviderMessageTexts, StoredAsOneLine)
{
    SetTapiProviderMessageText(1, "First line\r\nsecond line\nthird\rfourth\r\n");
    EXPECT_EQ(TapiProviderMessageText(1), "First line second line third fourth");
    SetTapiProviderMessageText(2, std::string(600, 'x'));
    EXPECT_EQ(TapiProviderMessageText(2).size(), MaxTapiMessageTextLength);
}

TEST_F(TapiProviderMessageTexts, EmptyTextRemovesAndClearRemovesAll)
{
    SetTapiProviderMessageText(1, "one");
    SetTapiProviderMessageText(2, "two");
    SetTapiProviderMessageText(1, "");
    EXPECT_TRUE(TapiProviderMessageText(1).empty());
    SetTapiProviderMessageText(2, "\r\n");  // nothing but a line break is no text
    EXPECT_TRUE(TapiProviderMessageText(2).empty());
    SetTapiProviderMessageText(3, "three");
    ClearTapiProviderMessageTexts();
    EXPECT_TRUE(TapiProviderMessageText(3).empty());
}

TEST_F(TapiProviderMessageTexts, ProvidersAndReadersOnDifferentThreads)
{
    std::thread Writer([] {
        for (uint32_t i = 0; i < 2000; ++i)
            SetTapiProviderMessageText(0x100 + i % 16, i % 2 ? "odd" : "even");
    });
    for (int i = 0; i < 2000; ++i) {
        const std::string Text = TapiProviderMessageText(0x100 + i % 16);
        EXPECT_TRUE(Text.empty() || Text == "odd" || Text == "even") << Text;
    }
    Writer.join();
    EXPECT_EQ(TapiProviderMessageText(0x10F), "odd");
}

}  // namespace
