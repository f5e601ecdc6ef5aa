// A phone's display.
#pragma once

#include "kxtapi/rtl/object.h"

#include <cstdint>
#include <string>

namespace kxtapi {

class TTapiPhone;

/// The display of a phone. Reads come from the phone's capabilities and
/// status blocks (0 and "" without them); writing the text is an
/// asynchronous request of the phone (TTapiPhone::Set_Display).
class TTapiPhoneDisplay : public TObject {
public:
    /// APhone is not owned and may be null.
    explicit TTapiPhoneDisplay(TTapiPhone* APhone) noexcept : FPhone(APhone) {}
    std::string ClassName() const override { return "TTapiPhoneDisplay"; }

    /// The capabilities give both a number of rows and of columns.
    bool Get_Available() const;
    uint32_t Get_NumRows() const;
    uint32_t Get_NumColumns() const;
    /// The display as the status block last reported it, cut at its first
    /// zero byte. TTapiPhone::Get_Display asks the service instead.
    std::string Get_Text() const;
    /// Writes Text at row 0, column 0 (TTapiPhone::Set_Display). Raises
    /// Exception "No phone device" without a phone.
    void Set_Text(const std::string& Value);

    TTapiPhone* Get_Phone() const noexcept { return FPhone; }

private:
    TTapiPhone* FPhone;
};

} // namespace kxtapi
