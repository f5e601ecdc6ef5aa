// The service's texts of the telephony error codes, and the table providers
// add texts to.

#include "kxtapi/tapi/message_table.h"

#include "kxtapi/tapi/errors.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <mutex>

namespace kxtapi {
namespace {

struct TMessageEntry {
    uint32_t Identifier;
    std::string_view Text;
};

constexpr uint32_t Id(uint32_t Code) { return TapiMessageIdentifier(Code); }

// Sorted by identifier: line codes (0xE0xx), then phone codes (0xF0xx), then
// the assisted-telephony codes counting down from 0xFFFF.
constexpr TMessageEntry Messages[] = {
    {Id(LINEERR_ALLOCATED), "The line device is already allocated to another application."},
    {Id(LINEERR_BADDEVICEID), "The line device identifier is not valid."},
    {Id(LINEERR_BEARERMODEUNAVAIL), "The requested bearer mode is not available on this line."},
    {Id(LINEERR_CALLUNAVAIL), "No call appearance is free on the address."},
    {Id(LINEERR_COMPLETIONOVERRUN), "Too many call completion requests are outstanding."},
    {Id(LINEERR_CONFERENCEFULL), "The conference already holds the largest possible number of parties."},
    {Id(LINEERR_DIALBILLING), "The dial string asks to wait for a billing tone ($), which the line cannot detect."},
    {Id(LINEERR_DIALDIALTONE), "The dial string asks to wait for a dial tone (W), which the line cannot detect."},
    {Id(LINEERR_DIALPROMPT), "The dial string asks for a pause for user input (?), which the line does not support."},
    {Id(LINEERR_DIALQUIET), "The dial string asks to wait for quiet (@), which the line cannot detect."},
    {Id(LINEERR_INCOMPATIBLEAPIVERSION), "The telephony service does not support the requested range of API versions."},
    {Id(LINEERR_INCOMPATIBLEEXTVERSION), "The service provider does not support the requested range of extension versions."},
    {Id(LINEERR_INIFILECORRUPT), "The telephony configuration data is damaged or cannot be read."},
    {Id(LINEERR_INUSE), "The line device is in use and cannot be opened as requested."},
    {Id(LINEERR_INVALADDRESS), "The address is not valid."},
    {Id(LINEERR_INVALADDRESSID), "The address identifier is not valid for this line."},
    {Id(LINEERR_INVALADDRESSMODE), "The address mode is not valid."},
    {Id(LINEERR_INVALADDRESSSTATE), "The address state mask contains values that are not valid."},
    {Id(LINEERR_INVALAPPHANDLE), "The line usage handle of the application is not valid."},
    {Id(LINEERR_INVALAPPNAME), "The application name is not valid."},
    {Id(LINEERR_INVALBEARERMODE), "The bearer mode is not valid."},
    {Id(LINEERR_INVALCALLCOMPLMODE), "The call completion mode is not valid."},
    {Id(LINEERR_INVALCALLHANDLE), "The call handle is not valid."},
    {Id(LINEERR_INVALCALLPARAMS), "The call parameters are not valid."},
    {Id(LINEERR_INVALCALLPRIVILEGE), "The call privilege is not valid."},
    {Id(LINEERR_INVALCALLSELECT), "The call selection is not valid."},
    {Id(LINEERR_INVALCALLSTATE), "The call is not in a state that allows this operation."},
    {Id(LINEERR_INVALCALLSTATELIST), "The list of call states is not valid."},
    {Id(LINEERR_INVALCARD), "The calling card identifier is not valid."},
    {Id(LINEERR_INVALCOMPLETIONID), "The call completion identifier is not valid."},
    {Id(LINEERR_INVALCONFCALLHANDLE), "The conference call handle is not valid."},
    {Id(LINEERR_INVALCONSULTCALLHANDLE), "The consultation call handle is not valid."},
    {Id(LINEERR_INVALCOUNTRYCODE), "The country code is not valid."},
    {Id(LINEERR_INVALDEVICECLASS), "The line has no device of the requested class."},
    {Id(LINEERR_INVALDEVICEHANDLE), "The device handle is not valid."},
    {Id(LINEERR_INVALDIALPARAMS), "The dialing parameters are not valid."},
    {Id(LINEERR_INVALDIGITLIST), "The digit list is not valid."},
    {Id(LINEERR_INVALDIGITMODE), "The digit mode is not valid."},
    {Id(LINEERR_INVALDIGITS), "The digit string contains characters that are not valid."},
    {Id(LINEERR_INVALEXTVERSION), "The extension version is not valid."},
    {Id(LINEERR_INVALGROUPID), "The pickup group identifier is not valid."},
    {Id(LINEERR_INVALLINEHANDLE), "The line handle is not valid."},
    {Id(LINEERR_INVALLINESTATE), "The line is not in a state that allows this operation."},
    {Id(LINEERR_INVALLOCATION), "The dialing location identifier is not valid."},
    {Id(LINEERR_INVALMEDIALIST), "The media list is not valid."},
    {Id(LINEERR_INVALMEDIAMODE), "The media mode is not valid."},
    {Id(LINEERR_INVALMESSAGEID), "The message identifier is not valid."},
    {Id(LINEERR_INVALPARAM), "A parameter is not valid."},
    {Id(LINEERR_INVALPARKID), "The park identifier is not valid."},
    {Id(LINEERR_INVALPARKMODE), "The park mode is not valid."},
    {Id(LINEERR_INVALPOINTER), "A pointer argument is not valid."},
    {Id(LINEERR_INVALPRIVSELECT), "The privilege selection is not valid."},
    {Id(LINEERR_INVALRATE), "The data rate is not valid."},
    {Id(LINEERR_INVALREQUESTMODE), "The request mode is not valid."},
    {Id(LINEERR_INVALTERMINALID), "The terminal identifier is not valid."},
    {Id(LINEERR_INVALTERMINALMODE), "The terminal mode is not valid."},
    {Id(LINEERR_INVALTIMEOUT), "The time-out value is not valid."},
    {Id(LINEERR_INVALTONE), "The tone description is not valid."},
    {Id(LINEERR_INVALTONELIST), "The tone list is not valid."},
    {Id(LINEERR_INVALTONEMODE), "The tone mode is not valid."},
    {Id(LINEERR_INVALTRANSFERMODE), "The transfer mode is not valid."},
    {Id(LINEERR_LINEMAPPERFAILED), "No line device meets the requested call parameters."},
    {Id(LINEERR_NOCONFERENCE), "The call is not a conference call."},
    {Id(LINEERR_NODEVICE), "The line device has been removed or is not available."},
    {Id(LINEERR_NODRIVER), "The service provider of the line is missing or could not be started."},
    {Id(LINEERR_NOMEM), "There is not enough memory to complete the operation."},
    {Id(LINEERR_NOREQUEST), "No request is pending."},
    {Id(LINEERR_NOTOWNER), "The application does not own the call; the operation needs owner privilege."},
    {Id(LINEERR_NOTREGISTERED), "The application is not registered as a request recipient."},
    {Id(LINEERR_OPERATIONFAILED), "The operation failed for an unknown reason."},
    {Id(LINEERR_OPERATIONUNAVAIL), "The operation is not available on this line or call."},
    {Id(LINEERR_RATEUNAVAIL), "The requested data rate is not available."},
    {Id(LINEERR_RESOURCEUNAVAIL), "The resources the operation needs are not available at the moment."},
    {Id(LINEERR_REQUESTOVERRUN), "The request queue is full; too many requests are outstanding."},
    {Id(LINEERR_STRUCTURETOOSMALL), "The data structure is too small for the fixed part of the answer."},
    {Id(LINEERR_TARGETNOTFOUND), "No application was found to take over the call."},
    {Id(LINEERR_TARGETSELF), "The application that is to take over the call is the calling application itself."},
    {Id(LINEERR_UNINITIALIZED), "The line interface has not been initialized."},
    {Id(LINEERR_USERUSERINFOTOOBIG), "The user-to-user information is too long."},
    {Id(LINEERR_REINIT), "The telephony service must be shut down and initialized again."},
    {Id(LINEERR_ADDRESSBLOCKED), "Calls to this address are blocked."},
    {Id(LINEERR_BILLINGREJECTED), "The billing information was rejected."},
    {Id(LINEERR_INVALFEATURE), "The feature is not valid."},
    {Id(LINEERR_NOMULTIPLEINSTANCE), "The telephony interface is already initialized by this application."},
    {Id(LINEERR_INVALAGENTID), "The agent identifier is not valid."},
    {Id(LINEERR_INVALAGENTGROUP), "The agent group is not valid."},
    {Id(LINEERR_INVALPASSWORD), "The password is not valid."},
    {Id(LINEERR_INVALAGENTSTATE), "The agent state is not valid."},
    {Id(LINEERR_INVALAGENTACTIVITY), "The agent activity is not valid."},
    {Id(LINEERR_DIALVOICEDETECT), "The dial string asks to wait for a voice answer, which the line cannot detect."},

    {Id(PHONEERR_ALLOCATED), "The phone device is already allocated to another application."},
    {Id(PHONEERR_BADDEVICEID), "The phone device identifier is not valid."},
    {Id(PHONEERR_INCOMPATIBLEAPIVERSION), "The telephony service does not support the requested range of phone API versions."},
    {Id(PHONEERR_INCOMPATIBLEEXTVERSION), "The service provider does not support the requested range of phone extension versions."},
    {Id(PHONEERR_INIFILECORRUPT), "The telephony configuration data of the phone is damaged or cannot be read."},
    {Id(PHONEERR_INUSE), "The phone device is in use and cannot be opened as requested."},
    {Id(PHONEERR_INVALAPPHANDLE), "The phone usage handle of the application is not valid."},
    {Id(PHONEERR_INVALAPPNAME), "The application name is not valid."},
    {Id(PHONEERR_INVALBUTTONLAMPID), "The button or lamp identifier is not valid."},
    {Id(PHONEERR_INVALBUTTONMODE), "The button mode is not valid."},
    {Id(PHONEERR_INVALBUTTONSTATE), "The button state is not valid."},
    {Id(PHONEERR_INVALDATAID), "The data area identifier is not valid."},
    {Id(PHONEERR_INVALDEVICECLASS), "The phone has no device of the requested class."},
    {Id(PHONEERR_INVALEXTVERSION), "The phone extension version is not valid."},
    {Id(PHONEERR_INVALHOOKSWITCHDEV), "The hook-switch device is not valid."},
    {Id(PHONEERR_INVALHOOKSWITCHMODE), "The hook-switch mode is not valid."},
    {Id(PHONEERR_INVALLAMPMODE), "The lamp mode is not valid."},
    {Id(PHONEERR_INVALPARAM), "A phone parameter is not valid."},
    {Id(PHONEERR_INVALPHONEHANDLE), "The phone handle is not valid."},
    {Id(PHONEERR_INVALPHONESTATE), "The phone is not in a state that allows this operation."},
    {Id(PHONEERR_INVALPOINTER), "A pointer argument of the phone function is not valid."},
    {Id(PHONEERR_INVALPRIVILEGE), "The phone privilege is not valid."},
    {Id(PHONEERR_INVALRINGMODE), "The ring mode is not valid."},
    {Id(PHONEERR_NODEVICE), "The phone device has been removed or is not available."},
    {Id(PHONEERR_NODRIVER), "The service provider of the phone is missing or could not be started."},
    {Id(PHONEERR_NOMEM), "There is not enough memory to complete the phone operation."},
    {Id(PHONEERR_NOTOWNER), "The application does not own the phone; the operation needs owner privilege."},
    {Id(PHONEERR_OPERATIONFAILED), "The phone operation failed for an unknown reason."},
    {Id(PHONEERR_OPERATIONUNAVAIL), "The operation is not available on this phone."},
    {Id(PHONEERR_RESOURCEUNAVAIL), "The resources the phone operation needs are not available at the moment."},
    {Id(PHONEERR_REQUESTOVERRUN), "The phone request queue is full; too many requests are outstanding."},
    {Id(PHONEERR_STRUCTURETOOSMALL), "The data structure is too small for the fixed part of the phone answer."},
    {Id(PHONEERR_UNINITIALIZED), "The phone interface has not been initialized."},
    {Id(PHONEERR_REINIT), "The phone interface must be shut down and initialized again."},

    {Id(TAPIERR_INVALPOINTER), "A pointer argument of the request is not valid."},
    {Id(TAPIERR_REQUESTCANCELLED), "The request was cancelled."},
    {Id(TAPIERR_REQUESTFAILED), "The request failed."},
    {Id(TAPIERR_UNKNOWNREQUESTID), "The request identifier is not known."},
    {Id(TAPIERR_UNKNOWNWINHANDLE), "The window handle is not known to the telephony service."},
    {Id(TAPIERR_DESTUNAVAIL), "The called party cannot be reached."},
    {Id(TAPIERR_DESTNOANSWER), "The called party does not answer."},
    {Id(TAPIERR_DESTBUSY), "The called party is busy."},
    {Id(TAPIERR_DEVICEINUSE), "The requested device is in use."},
    {Id(TAPIERR_DEVICEIDUNAVAIL), "The requested device is not available."},
    {Id(TAPIERR_DEVICECLASSUNAVAIL), "No device of the requested class is available."},
    {Id(TAPIERR_INVALDEVICEID), "The device identifier is not valid."},
    {Id(TAPIERR_INVALDEVICECLASS), "The device class is not valid."},
    {Id(TAPIERR_INVALWINDOWHANDLE), "The window handle is not valid."},
    {Id(TAPIERR_INVALDESTADDRESS), "The destination address is not valid."},
    {Id(TAPIERR_REQUESTQUEUEFULL), "The request queue is full."},
    {Id(TAPIERR_NOREQUESTRECIPIENT), "No application is registered to take the request."},
    {Id(TAPIERR_DROPPED), "The call was dropped."},
};

constexpr bool SortedAndSingleLine()
{
    for (size_t i = 0; i < std::size(Messages); ++i) {
        if (i > 0 && Messages[i - 1].Identifier >= Messages[i].Identifier)
            return false;
        const std::string_view Text = Messages[i].Text;
        if (Text.empty() || Text.back() == ' ' || Text.find_first_of("\r\n") != Text.npos)
            return false;
    }
    return true;
}
static_assert(SortedAndSingleLine(), "message table must be sorted, with one-line texts");

// Provider texts: written by providers (possibly from their own threads) and
// read by the error-text lookup on the main thread.
struct TProviderTexts {
    std::mutex Lock;
    std::map<uint32_t, std::string> Texts;
};

TProviderTexts& ProviderTexts()
{
    static TProviderTexts Instance;
    return Instance;
}

// One line, as the lookup hands texts out: every line break (CR LF, CR or
// LF) becomes one blank, trailing blanks go, and the length is capped.
std::string OneLine(std::string_view Text)
{
    std::string Result;
    Result.reserve(Text.size());
    for (size_t i = 0; i < Text.size(); ++i) {
        const char C = Text[i];
        if (C == '\r' || C == '\n') {
            if (C == '\r' && i + 1 < Text.size() && Text[i + 1] == '\n')
                ++i;
            Result += ' ';
        } else {
            Result += C;
        }
    }
    if (Result.size() > MaxTapiMessageTextLength)
        Result.resize(MaxTapiMessageTextLength);
    while (!Result.empty() && Result.back() == ' ')
        Result.pop_back();
    return Result;
}

}  // namespace

std::string_view TapiMessageText(uint32_t Identifier) noexcept
{
    const auto* End = std::end(Messages);
    const auto* It = std::lower_bound(std::begin(Messages), End, Identifier,
                                      [](const TMessageEntry& Entry, uint32_t Value) {
                                          return Entry.Identifier < Value;
                                      });
    if (It == End || It->Identifier != Identifier)
        return {};
    return It->Text;
}

std::string_view SystemErrorText(uint32_t Code) noexcept
{
    if (Code == 0)
        return "The operation completed successfully.";
    return {};
}

void SetTapiProviderMessageText(uint32_t Identifier, std::string_view Text)
{
    std::string Line = OneLine(Text);
    TProviderTexts& Table = ProviderTexts();
    std::lock_guard<std::mutex> Guard(Table.Lock);
    if (Line.empty())
        Table.Texts.erase(Identifier);
    else
        Table.Texts[Identifier] = std::move(Line);
}

std::string TapiProviderMessageText(uint32_t Identifier)
{
    TProviderTexts& Table = ProviderTexts();
    std::lock_guard<std::mutex> Guard(Table.Lock);
    const auto It = Table.Texts.find(Identifier);
    return It == Table.Texts.end() ? std::string() : It->second;
}

void ClearTapiProviderMessageTexts()
{
    TProviderTexts& Table = ProviderTexts();
    std::lock_guard<std::mutex> Guard(Table.Lock);
    Table.Texts.clear();
}

}  // namespace kxtapi
