#include "service/providers/modem/dial_string.h"

#include "service/locations.h"

#include "kxtapi/tapi.h"

#include <cctype>

namespace kxtapi::service::modem {

uint32_t DialString(const std::string& Dest, std::string& Out)
{
    Out.clear();
    std::string Address = Dest.substr(0, Dest.find_first_of("|^"));
    size_t First = Address.find_first_not_of(' ');
    if (First != std::string::npos && Address[First] == '+') {
        TLocationStore& Store = Locations();
        const TLocationInfo* Here = Store.Current();
        TTranslation t;
        if (!Here || TranslateAddress(Address, *Here, Store, 0, t) != 0) return LINEERR_INVALADDRESS;
        Address = t.Dialable.substr(0, t.Dialable.find_first_of("|^"));
    }
    for (char c : Address) {
        char u = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (std::isdigit(static_cast<unsigned char>(u)) || u == '*' || u == '#' || u == ',' || u == 'W' ||
            u == '@' || u == '!' || u == '$' || u == 'P' || u == 'T') {
            Out.push_back(u);
            continue;
        }
        if (u == ' ' || u == '-' || u == '.' || u == '/' || u == '(' || u == ')') continue;
        Out.clear();
        return LINEERR_INVALADDRESS;
    }
    bool Dials = false;
    for (char c : Out) Dials = Dials || std::isdigit(static_cast<unsigned char>(c)) || c == '*' || c == '#';
    if (!Dials || Out.size() > MaxDialString) {
        Out.clear();
        return LINEERR_INVALADDRESS;
    }
    return 0;
}

}  // namespace kxtapi::service::modem
