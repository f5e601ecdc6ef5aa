#include "rtl/json_text.h"

#include <optional>
#include <unordered_set>
#include <vector>

namespace kxtapi {

namespace {

bool IsJsonBlank(char C) { return C == ' ' || C == '\t' || C == '\n' || C == '\r'; }

// nlohmann's messages start "[json.exception.parse_error.101] parse error at
// line 1, column 5: "; our caller adds its own position.
std::string CleanMessage(const char* What)
{
    std::string m = What;
    if (!m.empty() && m[0] == '[') {
        size_t end = m.find("] ");
        if (end != std::string::npos) m.erase(0, end + 2);
    }
    if (m.rfind("parse error", 0) == 0) {
        size_t colon = m.find(": ");
        if (colon != std::string::npos) m.erase(0, colon + 2);
    }
    return m;
}

} // namespace

// Follows the parser's events and, token by token, the text: each event
// concerns the next token after blanks and separators, which the parser has
// already checked, so a light scan finds where it starts and ends.
class TJsonText::TRecorder {
public:
    TRecorder(std::string_view Text, size_t MaxDepth, std::unordered_map<std::string, TSpan>& Spans)
        : FText(Text), FMaxDepth(MaxDepth), FSpans(Spans)
    {
        if (FText.substr(0, 3) == "\xEF\xBB\xBF") FPos = 3;
    }

    bool null() { return Scalar(); }
    bool boolean(bool) { return Scalar(); }
    bool number_integer(nlohmann::ordered_json::number_integer_t) { return Scalar(); }
    bool number_unsigned(nlohmann::ordered_json::number_unsigned_t) { return Scalar(); }
    bool number_float(nlohmann::ordered_json::number_float_t, const std::string&) { return Scalar(); }
    bool string(std::string&) { return StringValue(); }
    bool binary(nlohmann::ordered_json::binary_t&) { return Scalar(); }

    bool start_object(size_t) { return Open(true); }
    bool start_array(size_t) { return Open(false); }
    bool end_object() { return Close(); }
    bool end_array() { return Close(); }

    bool key(std::string& Key)
    {
        SkipSeparators();
        const size_t start = FPos;
        SkipString();
        TFrame& f = FStack.back();
        if (!f.Keys.insert(Key).second) {
            Error = TJsonSyntaxError{start, "duplicate key \"" + Key + "\""};
            return false;
        }
        f.PendingKey = Key;
        f.PendingKeyOffset = start;
        return true;
    }

    bool parse_error(size_t Position, const std::string&, const nlohmann::detail::exception& Ex)
    {
        Error = TJsonSyntaxError{Position > 0 ? Position - 1 : 0, CleanMessage(Ex.what())};
        return false;
    }

    std::optional<TJsonSyntaxError> Error;

private:
    struct TFrame {
        bool IsObject = false;
        size_t Index = 0;
        std::string Pointer;
        std::unordered_set<std::string> Keys;
        std::string PendingKey;
        size_t PendingKeyOffset = 0;
    };

    void SkipSeparators()
    {
        while (FPos < FText.size() && (IsJsonBlank(FText[FPos]) || FText[FPos] == ',' || FText[FPos] == ':')) ++FPos;
    }
    void SkipString()
    {
        if (FPos < FText.size()) ++FPos;  // opening quote
        while (FPos < FText.size()) {
            char c = FText[FPos];
            if (c == '\\') FPos += 2;
            else {
                ++FPos;
                if (c == '"') break;
            }
        }
        if (FPos > FText.size()) FPos = FText.size();
    }
    void SkipScalar()
    {
        while (FPos < FText.size()) {
            char c = FText[FPos];
            if (IsJsonBlank(c) || c == ',' || c == ':' || c == ']' || c == '}') break;
            ++FPos;
        }
    }
    // Records the value starting here under its pointer.
    std::string Record(size_t Start)
    {
        std::string pointer;
        TSpan span;
        span.Value = Start;
        if (!FStack.empty()) {
            TFrame& f = FStack.back();
            if (f.IsObject) {
                pointer = Child(f.Pointer, f.PendingKey);
                span.Key = f.PendingKeyOffset;
            } else {
                pointer = Child(f.Pointer, f.Index++);
            }
        }
        FSpans[pointer] = span;
        return pointer;
    }
    bool Scalar()
    {
        SkipSeparators();
        Record(FPos);
        SkipScalar();
        return true;
    }
    bool StringValue()
    {
        SkipSeparators();
        Record(FPos);
        SkipString();
        return true;
    }
    bool Open(bool IsObject)
    {
        SkipSeparators();
        const size_t start = FPos;
        if (FPos < FText.size()) ++FPos;
        if (FStack.size() >= FMaxDepth) {
            Error = TJsonSyntaxError{start, "arrays and objects nested deeper than " +
                                                std::to_string(FMaxDepth) + " levels"};
            return false;
        }
        TFrame f;
        f.IsObject = IsObject;
        f.Pointer = Record(start);
        FStack.push_back(std::move(f));
        return true;
    }
    bool Close()
    {
        SkipSeparators();
        if (FPos < FText.size()) ++FPos;
        if (!FStack.empty()) FStack.pop_back();
        return true;
    }

    std::string_view FText;
    size_t FPos = 0;
    size_t FMaxDepth;
    std::unordered_map<std::string, TSpan>& FSpans;
    std::vector<TFrame> FStack;
};

TJsonText::TJsonText(std::string_view Text, size_t MaxDepth) : FText(Text)
{
    TRecorder recorder(Text, MaxDepth, FSpans);
    bool ok = false;
    try {
        ok = nlohmann::ordered_json::sax_parse(Text.begin(), Text.end(), &recorder,
                                               nlohmann::ordered_json::input_format_t::json, true, false);
    } catch (const nlohmann::json::exception& e) {
        throw TJsonSyntaxError{Text.size(), CleanMessage(e.what())};
    }
    if (!ok || recorder.Error) {
        if (recorder.Error) throw *recorder.Error;
        throw TJsonSyntaxError{Text.size(), "malformed JSON"};
    }
    // The text is known good now; a second, plain parse builds the tree.
    try {
        FValue = nlohmann::ordered_json::parse(Text.begin(), Text.end());
    } catch (const nlohmann::json::exception& e) {
        throw TJsonSyntaxError{Text.size(), CleanMessage(e.what())};
    }
}

TTextPosition TJsonText::Position(const std::string& Pointer, bool AtKey) const
{
    auto it = FSpans.find(Pointer);
    if (it == FSpans.end()) return {};
    size_t offset = AtKey && it->second.Key != std::string_view::npos ? it->second.Key : it->second.Value;
    return PositionIn(FText, offset);
}

TTextPosition TJsonText::PositionIn(std::string_view Text, size_t Offset)
{
    if (Offset > Text.size()) Offset = Text.size();
    TTextPosition pos{1, 1};
    const size_t bom = Text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
    for (size_t i = bom < Offset ? bom : Offset; i < Offset; ++i) {
        const unsigned char c = static_cast<unsigned char>(Text[i]);
        if (c == '\n') {
            ++pos.Line;
            pos.Column = 1;
        } else if ((c & 0xC0) != 0x80) {
            ++pos.Column;  // continuation bytes belong to the character before
        }
    }
    return pos;
}

std::string TJsonText::Child(const std::string& Parent, std::string_view Key)
{
    std::string p = Parent;
    p += '/';
    for (char c : Key) {
        if (c == '~') p += "~0";
        else if (c == '/') p += "~1";
        else p += c;
    }
    return p;
}

std::string TJsonText::Child(const std::string& Parent, size_t Index)
{
    return Parent + "/" + std::to_string(Index);
}

} // namespace kxtapi
