// Feeds arbitrary bytes, as a modem might send them, through the modem
// provider's readers: the stream cut into lines and DLE codes, each line
// read as a result code and as caller ID, the watch for the end of a data
// connection, and the dial-string filter. None may crash, read out of
// bounds or keep more than its limits.

#include "service/providers/modem/at_result.h"
#include "service/providers/modem/at_stream.h"
#include "service/providers/modem/caller_id.h"
#include "service/providers/modem/dial_string.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using namespace kxtapi::service::modem;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    const char* p = reinterpret_cast<const char*>(Data);
    // The first byte chooses how the stream is cut into chunks.
    size_t Chunk = Size ? (Data[0] % 17) + 1 : 1;
    TAtLexer Lexer;
    TCarrierWatch Watch;
    std::vector<TAtToken> Tokens;
    for (size_t i = 0; i < Size; i += Chunk) {
        size_t n = Size - i < Chunk ? Size - i : Chunk;
        Lexer.Feed(p + i, n, Tokens);
        size_t Tail = 0;
        if (Watch.Feed(p + i, n, Tail) && (Tail == 0 || Tail > n)) __builtin_trap();
    }
    TCallerID Block;
    for (const TAtToken& t : Tokens) {
        if (t.Kind != TAtToken::tkLine) continue;
        if (t.Text.empty() || t.Text.size() > MaxResponseLine) __builtin_trap();
        ParseResultLine(t.Text, false);
        ParseResultLine(t.Text, true);
        ParseCallerIDLine(t.Text, Block);
        ParseCallerIDHex(t.Text, Block);
        IsCallerIDLine(t.Text);
        if (Block.Number.size() > MaxCallerIDText || Block.Name.size() > MaxCallerIDText ||
            Block.Message.size() > 4 * MaxCallerIDText + MaxResponseLine)
            __builtin_trap();
        CallerIDFlags(Block);
    }
    TCallerID Raw;
    DecodeCallerIDMessage(Data, Size, Raw);
    DecodeCallerIDParameters(Data, Size, Raw);
    std::string Dial;
    if (DialString(std::string(p, Size), Dial) == 0 && (Dial.empty() || Dial.size() > MaxDialString))
        __builtin_trap();
    return 0;
}
