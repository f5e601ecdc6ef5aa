#include "shell_words.h"

namespace kxphone {

bool SplitWords(const std::string& Line, std::vector<std::string>& Words)
{
    Words.clear();
    std::string Word;
    bool InWord = false, Quoted = false;
    for (char c : Line) {
        if (c == '"') {
            Quoted = !Quoted;
            InWord = true;
        } else if (!Quoted && (c == ' ' || c == '\t' || c == '\r' || c == '\n')) {
            if (InWord) Words.push_back(Word);
            Word.clear();
            InWord = false;
        } else {
            Word += c;
            InWord = true;
        }
    }
    if (InWord) Words.push_back(Word);
    return !Quoted;
}

} // namespace kxphone
