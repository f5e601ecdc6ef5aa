#include "rtl/form_context.h"

#include "kxtapi/rtl/strings.h"

namespace kxtapi {

std::string TFormContext::Where(const TTextPosition& Pos) const
{
    std::string where = "Error reading " + (FSource.empty() ? std::string("form") : "\"" + FSource + "\"");
    if (Pos.Line > 0)
        where += " at line " + std::to_string(Pos.Line) + ", column " + std::to_string(Pos.Column);
    return where;
}

void TFormContext::Fail(const std::string& Pointer, bool AtKey, const std::string& Component,
                        const std::string& Property, const std::string& Detail) const
{
    const TTextPosition pos = FText != nullptr ? FText->Position(Pointer, AtKey) : TTextPosition{};
    const std::string path = Utf8ToCp1252(Pointer);
    std::string msg = Where(pos);
    if (!path.empty()) msg += " (" + path + ")";
    msg += ": ";
    if (!Property.empty()) msg += "property " + (Component.empty() ? Property : Component + "." + Property) + ": ";
    else if (!Component.empty()) msg += "component " + Component + ": ";
    msg += Detail;
    throw EReadError(std::move(msg), FSource, pos.Line, pos.Column, path, Component, Property);
}

void TFormContext::FailSyntax(std::string_view Text, const TJsonSyntaxError& Error) const
{
    const TTextPosition pos = TJsonText::PositionIn(Text, Error.Offset);
    throw EReadError(Where(pos) + ": " + Utf8ToCp1252(Error.Message), FSource, pos.Line, pos.Column);
}

} // namespace kxtapi
