// kxphone's output: one record per event, as a line of text for people or as
// one JSON object per line for scripts. Every text from the library is
// Windows-1252 and is converted to UTF-8 here, so the output is UTF-8.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kxphone {

/// One decoded value of an event ("number" = "+1 206 555 0100").
struct TField {
    std::string Name;
    std::string Value;          // UTF-8
    bool Quoted = false;        // a text rather than a name or a number
};

/// One event as it was raised.
struct TEventRecord {
    std::string Source;         // the line's (phone's, port's) name, UTF-8
    int Call = 0;               // the call's number; 0: the event has no call
    std::string Event;          // OFFERING, CALLERID, RING ...
    std::vector<TField> Fields;
};

/// Writes records and notes to a stream, line-buffered, with the time since
/// the output was created.
class TEventOutput {
public:
    explicit TEventOutput(bool Json, std::FILE* Stream = stdout);

    void Write(const TEventRecord& Record);
    /// A remark between the events (text output only; JSON output leaves it
    /// out, so that every line stays one event).
    void Note(const std::string& Utf8Text);
    /// A line of a command's own output, as it is.
    void Text(const std::string& Utf8Text);
    bool Json() const noexcept { return FJson; }
    /// Seconds since the output was created.
    double Seconds() const;

    /// Called around every line written (the shell redraws its prompt).
    std::function<void()> BeforeWrite, AfterWrite;

private:
    void Put(const std::string& Line);

    bool FJson;
    std::FILE* FStream;
    std::chrono::steady_clock::time_point FStart;
};

/// A library string (Windows-1252) as UTF-8.
std::string Utf8(const std::string& Cp1252);

/// A text field (Windows-1252 in, UTF-8 out).
TField TextField(std::string Name, const std::string& Cp1252);
/// A name or number field, written without quotes.
TField PlainField(std::string Name, std::string Value);

} // namespace kxphone
