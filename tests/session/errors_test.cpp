// Error texts, the result checks and ETapiError.

#include "kxtapi/kxtapi.h"

#include <gtest/gtest.h>

namespace kxtapi {
namespace {

TEST(TapiErrorTextTest, NonNegativeCodesGiveTheSuccessText)
{
    const std::string Success(SystemErrorText(0));
    ASSERT_FALSE(Success.empty());
    EXPECT_EQ(TapiErrorText(0), Success);
    EXPECT_EQ(TapiErrorText(5), Success);
    EXPECT_EQ(TapiErrorText(0x7FFFFFFF), Success);
}

TEST(TapiErrorTextTest, LinePhoneAndAssistedCodesUseTheirIdentifiers)
{
    EXPECT_EQ(TapiErrorText(LINEERR_OPERATIONFAILED),
              std::string(TapiMessageText(0xE000 + 0x48)));
    EXPECT_EQ(TapiErrorText(PHONEERR_NODEVICE), std::string(TapiMessageText(0xF000 + 0x18)));
    ASSERT_FALSE(TapiMessageText(0xFFFE).empty());
    EXPECT_EQ(TapiErrorText(TAPIERR_NOREQUESTRECIPIENT), std::string(TapiMessageText(0xFFFE)));
    EXPECT_EQ(TapiErrorText(LINEERR_OPERATIONFAILED).find('\n'), std::string::npos);
}

TEST(TapiErrorTextTest, ProviderTextsAreTheSecondLookupAndTheFallbackComesLast)
{
    const uint32_t Unknown = 0x800000F0;   // a LINEERR_ value the service table lacks
    ASSERT_TRUE(TapiMessageText(TapiMessageIdentifier(Unknown)).empty());
    EXPECT_EQ(TapiErrorText(Unknown), "TAPI-Error 0x800000F0");

    SetTapiProviderMessageText(TapiMessageIdentifier(Unknown), "Provider says\r\nno");
    EXPECT_EQ(TapiErrorText(Unknown), "Provider says no");
    // The service's own table wins over a provider's text for a known code.
    SetTapiProviderMessageText(TapiMessageIdentifier(LINEERR_NOMEM), "provider text");
    EXPECT_EQ(TapiErrorText(LINEERR_NOMEM), std::string(TapiMessageText(TapiMessageIdentifier(LINEERR_NOMEM))));
    ClearTapiProviderMessageTexts();
    EXPECT_EQ(TapiErrorText(Unknown), "TAPI-Error 0x800000F0");
    EXPECT_EQ(TapiErrorText(0x9000ABCD), "TAPI-Error 0x9000ABCD");
}

TEST(CheckTapiResultTest, PassesRequestIdentifiersAndRaisesErrors)
{
    EXPECT_EQ(CheckTapiResult(0), 0u);
    EXPECT_EQ(CheckTapiResult(7), 7u);
    try {
        CheckTapiResult(0x80000048);
        FAIL() << "no exception";
    } catch (const ETapiError& E) {
        EXPECT_EQ(E.ErrorCode, 0x80000048u);
        EXPECT_EQ(E.Message(), TapiErrorText(0x80000048));
        EXPECT_EQ(E.ClassName(), "ETapiError");
    }
}

TEST(CheckTapiResultTest, ExplicitMessagesAndConditions)
{
    ETapiError E(LINEERR_NOMEM, "my own text");
    EXPECT_EQ(E.Message(), "my own text");
    EXPECT_EQ(E.ErrorCode, LINEERR_NOMEM);

    EXPECT_NO_THROW(CheckCondition(true, "x"));
    try {
        CheckCondition(false, "Line1 not active.");
        FAIL() << "no exception";
    } catch (const ETapiError&) {
        FAIL() << "CheckCondition raises the base exception, not ETapiError";
    } catch (const Exception& X) {
        EXPECT_EQ(X.Message(), "Line1 not active.");
    }
}

} // namespace
} // namespace kxtapi
