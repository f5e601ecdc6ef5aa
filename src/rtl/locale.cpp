#include "kxtapi/rtl/system.h"

#include <cstdlib>
#include <cstring>

namespace kxtapi {

namespace {

struct TLanguage {
    const char* Code;   // ISO 639-1 (or -2 where no two-letter code exists)
    uint16_t Primary;
};

constexpr TLanguage Languages[] = {
    {"ar", 0x01}, {"bg", 0x02}, {"ca", 0x03}, {"zh", 0x04}, {"cs", 0x05}, {"da", 0x06},
    {"de", 0x07}, {"el", 0x08}, {"en", 0x09}, {"es", 0x0A}, {"fi", 0x0B}, {"fr", 0x0C},
    {"he", 0x0D}, {"hu", 0x0E}, {"is", 0x0F}, {"it", 0x10}, {"ja", 0x11}, {"ko", 0x12},
    {"nl", 0x13}, {"nb", 0x14}, {"nn", 0x14}, {"no", 0x14}, {"pl", 0x15}, {"pt", 0x16},
    {"ro", 0x18}, {"ru", 0x19}, {"hr", 0x1A}, {"sk", 0x1B}, {"sq", 0x1C}, {"sv", 0x1D},
    {"th", 0x1E}, {"tr", 0x1F}, {"ur", 0x20}, {"id", 0x21}, {"uk", 0x22}, {"be", 0x23},
    {"sl", 0x24}, {"et", 0x25}, {"lv", 0x26}, {"lt", 0x27}, {"fa", 0x29}, {"vi", 0x2A},
    {"hy", 0x2B}, {"eu", 0x2D}, {"mk", 0x2F}, {"af", 0x36}, {"ka", 0x37}, {"hi", 0x39},
    {"ga", 0x3C}, {"ms", 0x3E}, {"cy", 0x52}, {"gl", 0x56},
};

struct TTerritory {
    const char* Language;
    const char* Territory;
    uint16_t Sub;
};

constexpr TTerritory Territories[] = {
    {"en", "US", 1}, {"en", "GB", 2}, {"en", "AU", 3}, {"en", "CA", 4}, {"en", "NZ", 5},
    {"en", "IE", 6}, {"en", "ZA", 7},
    {"de", "DE", 1}, {"de", "CH", 2}, {"de", "AT", 3}, {"de", "LU", 4}, {"de", "LI", 5},
    {"fr", "FR", 1}, {"fr", "BE", 2}, {"fr", "CA", 3}, {"fr", "CH", 4}, {"fr", "LU", 5},
    {"es", "ES", 3}, {"es", "MX", 2},
    {"it", "IT", 1}, {"it", "CH", 2},
    {"nl", "NL", 1}, {"nl", "BE", 2},
    {"pt", "BR", 1}, {"pt", "PT", 2},
    {"sv", "SE", 1}, {"sv", "FI", 2},
    {"zh", "TW", 1}, {"zh", "CN", 2}, {"zh", "HK", 3}, {"zh", "SG", 4},
};

char Lower(char C) noexcept { return C >= 'A' && C <= 'Z' ? static_cast<char>(C - 'A' + 'a') : C; }
char Upper(char C) noexcept { return C >= 'a' && C <= 'z' ? static_cast<char>(C - 'a' + 'A') : C; }

bool Equal(std::string_view A, const char* B) noexcept { return A == std::string_view(B); }

} // namespace

LANGID LangIDFromLocaleName(std::string_view Name) noexcept
{
    constexpr LANGID UsEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_DEFAULT);
    // language[_territory][.codeset][@modifier]
    std::string_view Base = Name.substr(0, Name.find_first_of(".@"));
    if (Base.empty() || Base == "C" || Base == "POSIX") return UsEnglish;

    size_t Sep = Base.find_first_of("_-");
    std::string_view LangPart = Base.substr(0, Sep);
    std::string_view TerrPart = Sep == std::string_view::npos ? std::string_view() : Base.substr(Sep + 1);

    char Lang[8] = {};
    char Terr[8] = {};
    if (LangPart.size() >= sizeof Lang || TerrPart.size() >= sizeof Terr) return MAKELANGID(LANG_NEUTRAL, 0);
    for (size_t i = 0; i < LangPart.size(); ++i) Lang[i] = Lower(LangPart[i]);
    for (size_t i = 0; i < TerrPart.size(); ++i) Terr[i] = Upper(TerrPart[i]);

    uint16_t Primary = 0;
    for (const auto& L : Languages)
        if (std::strcmp(L.Code, Lang) == 0) Primary = L.Primary;
    if (Primary == 0) return MAKELANGID(LANG_NEUTRAL, 0);

    uint16_t Sub = SUBLANG_DEFAULT;
    if (Equal(Lang, "nn")) Sub = 2;   // Nynorsk beside Bokmål
    for (const auto& T : Territories)
        if (std::strcmp(T.Language, Lang) == 0 && std::strcmp(T.Territory, Terr) == 0) Sub = T.Sub;
    return MAKELANGID(Primary, Sub);
}

LANGID GetUserDefaultLangID() noexcept
{
    for (const char* Variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* Value = std::getenv(Variable);
        if (Value && *Value) return LangIDFromLocaleName(Value);
    }
    return MAKELANGID(LANG_ENGLISH, SUBLANG_DEFAULT);
}

LCID GetUserDefaultLCID() noexcept { return GetUserDefaultLangID(); }

} // namespace kxtapi
