#include "event_output.h"

#include <kxtapi/rtl.h>

#include <nlohmann/json.hpp>

namespace kxphone {

std::string Utf8(const std::string& Cp1252)
{
    return kxtapi::Cp1252ToUtf8(Cp1252);
}

TField TextField(std::string Name, const std::string& Cp1252)
{
    return TField{std::move(Name), Utf8(Cp1252), true};
}

TField PlainField(std::string Name, std::string Value)
{
    return TField{std::move(Name), std::move(Value), false};
}

TEventOutput::TEventOutput(bool Json, std::FILE* Stream)
    : FJson(Json), FStream(Stream), FStart(std::chrono::steady_clock::now())
{
    std::setvbuf(FStream, nullptr, _IOLBF, 0);
}

double TEventOutput::Seconds() const
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - FStart).count();
}

namespace {

// Quotes a text the way JSON does, which also keeps control characters out
// of a terminal.
std::string Quote(const std::string& Utf8Text)
{
    return nlohmann::json(Utf8Text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

} // namespace

void TEventOutput::Write(const TEventRecord& R)
{
    std::string Out;
    if (FJson) {
        nlohmann::ordered_json j;
        j["time"] = static_cast<double>(static_cast<int64_t>(Seconds() * 1000)) / 1000;
        j["source"] = R.Source;
        j["call"] = R.Call == 0 ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(R.Call);
        j["event"] = R.Event;
        for (const TField& f : R.Fields) j[f.Name] = f.Value;
        Out = j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    } else {
        char Head[64];
        std::snprintf(Head, sizeof Head, "%8.3f  ", Seconds());
        Out = Head + R.Source + "  " + (R.Call == 0 ? std::string("--") : "#" + std::to_string(R.Call)) + "  " +
              R.Event;
        for (const TField& f : R.Fields) Out += "  " + f.Name + "=" + (f.Quoted ? Quote(f.Value) : f.Value);
    }
    Put(Out);
}

void TEventOutput::Put(const std::string& Line)
{
    if (BeforeWrite) BeforeWrite();
    std::fputs((Line + "\n").c_str(), FStream);
    std::fflush(FStream);
    if (AfterWrite) AfterWrite();
}

void TEventOutput::Text(const std::string& Utf8Text)
{
    Put(Utf8Text);
}

void TEventOutput::Note(const std::string& Utf8Text)
{
    if (FJson) return;
    char Head[64];
    std::snprintf(Head, sizeof Head, "%8.3f  ", Seconds());
    Put(Head + std::string("-- ") + Utf8Text);
}

} // namespace kxphone
