// Runs the kxphone program (its path comes from the build) with bounded waits.
#pragma once

#include "process.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace kxtapi::testing {

inline std::string KxphonePath()
{
    return KXPHONE_PROGRAM;
}

/// A file that is removed again with the test.
class TTempFile {
public:
    explicit TTempFile(const std::string& Text)
    {
        char Name[] = "/tmp/kxphone-test-XXXXXX";
        const int fd = mkstemp(Name);
        if (fd >= 0) close(fd);
        FPath = Name;
        std::ofstream(FPath, std::ios::binary) << Text;
    }
    ~TTempFile() { std::remove(FPath.c_str()); }
    const std::string& Path() const { return FPath; }

private:
    std::string FPath;
};

/// Lines of Out that mention Text.
inline std::vector<std::string> LinesWith(const std::vector<std::string>& Lines, const std::string& Text)
{
    std::vector<std::string> r;
    for (const std::string& l : Lines)
        if (l.find(Text) != std::string::npos) r.push_back(l);
    return r;
}

/// The records of monitor --json output, one JSON object a line.
inline std::vector<nlohmann::json> Records(const std::string& Out)
{
    std::vector<nlohmann::json> R;
    for (size_t s = 0, e; s < Out.size(); s = e + 1) {
        e = Out.find('\n', s);
        if (e == std::string::npos) e = Out.size();
        if (e > s) R.push_back(nlohmann::json::parse(Out.substr(s, e - s), nullptr, false));
    }
    return R;
}

}  // namespace kxtapi::testing
