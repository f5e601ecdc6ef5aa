// A parsed JSON text that remembers where each value and key stood, so that
// errors found after parsing can name their line and column.
#pragma once

#include <nlohmann/json.hpp>

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>

namespace kxtapi {

/// Line and column (both from 1; the column counts characters, not bytes).
struct TTextPosition {
    int Line = 0;
    int Column = 0;
};

/// Raised by TJsonText for text that is not JSON, has a key twice in one
/// object, or nests deeper than allowed. Message is UTF-8.
struct TJsonSyntaxError {
    size_t Offset = 0;
    std::string Message;
};

class TJsonText {
public:
    /// Parses Text (UTF-8, an optional byte-order mark) strictly: nothing but
    /// blanks after the value, no comments, no key twice in an object, at most
    /// MaxDepth nested arrays and objects. Throws TJsonSyntaxError.
    TJsonText(std::string_view Text, size_t MaxDepth);

    const nlohmann::ordered_json& Value() const noexcept { return FValue; }

    /// Where the value at a JSON pointer ("/root/properties/Baud") starts, or
    /// with AtKey its key; {0, 0} for a pointer the text does not have.
    TTextPosition Position(const std::string& Pointer, bool AtKey = false) const;
    /// Line and column of a byte offset of Text.
    static TTextPosition PositionIn(std::string_view Text, size_t Offset);

    /// Pointer of the member Key (or element) of the value at Parent.
    static std::string Child(const std::string& Parent, std::string_view Key);
    static std::string Child(const std::string& Parent, size_t Index);

private:
    struct TSpan {
        size_t Key = std::string_view::npos;
        size_t Value = 0;
    };
    class TRecorder;

    std::string_view FText;
    nlohmann::ordered_json FValue;
    std::unordered_map<std::string, TSpan> FSpans;
};

} // namespace kxtapi
