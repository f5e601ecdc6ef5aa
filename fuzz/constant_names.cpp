// Constant texts under arbitrary input: the first eight bytes are a value and
// a mode, the rest is a name to look up and a separator to join with. Every
// name a look-up accepts must be the text of the value it returns.

#include <kxtapi/kxtapiutils.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void Check(bool Ok)
{
    if (!Ok) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    using namespace kxtapi;
    uint32_t value = 0, mode = 0;
    if (Size >= 8) {
        std::memcpy(&value, Data, 4);
        std::memcpy(&mode, Data + 4, 4);
    }
    const std::string text(reinterpret_cast<const char*>(Data) + (Size >= 8 ? 8 : 0),
                           Size >= 8 ? Size - 8 : Size);
    constexpr uint32_t None = 0xFFFFFFFF;

    if (uint32_t v = StrToLineMediaMode(text, None); v != None)
        Check(LineMediaModesToStr(v, "") == text);
    if (uint32_t v = StrToLineBearerMode(text); v != 0) Check(LineBearerModeToStr(v) == text);
    if (uint32_t v = StrToLineAddressMode(text); v != 0) Check(LineAddressModeToStr(v) == text);
    if (uint32_t v = StrToLineDigitMode(text, None); v != None) Check(LineDigitModeToStr(v) == text);
    if (uint32_t v = StrToLineCallPrivilege(text); text != "NONE" && v != 1)
        Check(LineCallPrivilegesToStr(v, "") == text);

    for (std::string s : {LineCallStateToStr(value), LineCallInfoToStr(value),
                          LineCallReasonToStr(value), LineAddrStateToStr(value),
                          LineMediaModeToStr(value), LineBearerModeToStr(value),
                          LineAddressModeToStr(value), LineDiscModeToStr(value),
                          LineDigitModeToStr(value), PhoneLampModeToStr(value),
                          PhoneButtonStateToStr(value), PhoneButtonModeToStr(value),
                          PhoneButtonFunctionToStr(value), MessageIDToStr(value),
                          LineErrToStr(value), LineCallStateToStrDE(value)})
        Check(!s.empty());
    LineCallStateModeToStr(value, mode);

    // Joins of no bit are empty whatever the separator; joined and listed
    // bearer modes agree.
    for (std::string s : {LineCallPrivilegesToStr(0, text), LineMediaModesToStr(0, text),
                          PhonePrivilegesToStr(0, text)})
        Check(s.empty());
    LineCallPrivilegesToStr(value, text);
    LineMediaModesToStr(value, text);
    PhonePrivilegesToStr(value, text);
    LineCallOriginToStr(value);

    TStringList bearers;
    LineBearerModesToStrList(value, &bearers);
    std::string joined;
    for (int i = 0; i < bearers.Count(); ++i) joined += (i ? " " : "") + bearers.Strings(i);
    Check(joined == LineBearerModesToStr(value));

    TStringList list;
    for (auto fn : {LineCallStatesToStrList, LineMediaModesToStrList, LineBearerModesToStrList,
                    LineAddressModesToStrList, LineDiscModesToStrList, LineDigitModesToStrList}) {
        fn(value, &list);
        Check(list.Count() <= 32);
        fn(value, nullptr);
    }
    return 0;
}
