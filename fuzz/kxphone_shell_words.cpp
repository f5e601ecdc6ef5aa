// kxphone's shell splits each command line into words. Checked on any bytes:
// - no word holds a double quote;
// - the words, each quoted and joined by spaces, split into the same words;
// - a line without quotes splits into words without spaces, tabs or line
//   ends, and always completely.
#include "../tools/kxphone/shell_words.cpp"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void Check(bool Ok, const char* What)
{
    if (!Ok) {
        std::fprintf(stderr, "shell words fuzz: %s\n", What);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    const std::string Line(reinterpret_cast<const char*>(Data), Size);
    std::vector<std::string> Words;
    const bool Closed = kxphone::SplitWords(Line, Words);
    std::string Again;
    for (const std::string& w : Words) {
        Check(w.find('"') == std::string::npos, "a word holds a quote");
        Again += (Again.empty() ? "\"" : " \"") + w + "\"";
    }
    std::vector<std::string> Words2;
    Check(kxphone::SplitWords(Again, Words2), "quoted words left a quote open");
    Check(Words2 == Words, "quoted words split differently");
    if (Line.find('"') == std::string::npos) {
        Check(Closed, "a line without quotes left one open");
        for (const std::string& w : Words)
            Check(!w.empty() && w.find_first_of(" \t\r\n") == std::string::npos, "an unquoted word with a space");
    }
    return 0;
}
