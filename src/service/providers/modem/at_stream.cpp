#include "service/providers/modem/at_stream.h"

#include <cstring>

namespace kxtapi::service::modem {

void TAtLexer::Reset()
{
    FLine.clear();
    FOverlong = false;
    FDle = false;
}

void TAtLexer::Feed(const char* Data, size_t Size, std::vector<TAtToken>& Out)
{
    for (size_t i = 0; i < Size; ++i) {
        char c = Data[i];
        if (FDle) {
            FDle = false;
            if (c != DLE) Out.push_back({TAtToken::tkDle, {}, c});
            continue;
        }
        if (c == DLE) {
            FDle = true;
            continue;
        }
        if (c == '\r' || c == '\n') {
            if (!FLine.empty()) Out.push_back({TAtToken::tkLine, std::move(FLine), 0});
            FLine.clear();
            FOverlong = false;
            continue;
        }
        if (static_cast<unsigned char>(c) < 0x20) continue;
        if (FLine.size() >= MaxResponseLine) {
            if (!FOverlong) Out.push_back({TAtToken::tkLine, FLine, 0});
            FOverlong = true;
            FLine.clear();
        }
        if (!FOverlong) FLine.push_back(c);
    }
}

bool TCarrierWatch::Feed(const char* Data, size_t Size, size_t& Tail)
{
    // CR, optional LF, the words, CR: how a modem reports on a line of its own.
    static constexpr char Pattern[] = "\rNO CARRIER\r";
    static constexpr size_t Length = sizeof Pattern - 1;
    for (size_t i = 0; i < Size; ++i) {
        char c = Data[i];
        if (FMatched == 1 && c == '\n') continue;   // the LF of "\r\n"
        if (c == Pattern[FMatched]) {
            if (++FMatched == Length) {
                FMatched = 0;
                Tail = i + 1;
                return true;
            }
            continue;
        }
        FMatched = c == Pattern[0] ? 1 : 0;
    }
    return false;
}

}  // namespace kxtapi::service::modem
