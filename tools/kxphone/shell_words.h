// Splitting a shell command line into words.
#pragma once

#include <string>
#include <vector>

namespace kxphone {

/// Splits Line at spaces and tabs (and line ends); double quotes keep spaces
/// in a word and are not part of it ("" is an empty word). False, with Words
/// holding what was split so far, when a quote is left open.
bool SplitWords(const std::string& Line, std::vector<std::string>& Words);

} // namespace kxphone
