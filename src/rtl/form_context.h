// What a form read knows for its error messages: the source's name and the
// parsed text with its positions.
#pragma once

#include "kxtapi/rtl/forms.h"
#include "rtl/json_text.h"

#include <string>

namespace kxtapi {

class TFormContext {
public:
    explicit TFormContext(std::string SourceName) : FSource(std::move(SourceName)) {}

    const std::string& SourceName() const noexcept { return FSource; }
    void SetText(const TJsonText* Text) noexcept { FText = Text; }

    /// Raises EReadError for the value (or with AtKey its key) at Pointer.
    /// Component and Property name what is concerned (either may be empty);
    /// Detail says what is wrong. All texts but Pointer are Windows-1252.
    [[noreturn]] void Fail(const std::string& Pointer, bool AtKey, const std::string& Component,
                           const std::string& Property, const std::string& Detail) const;
    /// Raises EReadError for a text that is not a well-formed form document.
    [[noreturn]] void FailSyntax(std::string_view Text, const TJsonSyntaxError& Error) const;

private:
    std::string Where(const TTextPosition& Pos) const;

    std::string FSource;
    const TJsonText* FText = nullptr;
};

} // namespace kxtapi
