// The simulated switch's default configuration and its JSON reader.

#include "kxtapi/sim/config.h"
#include "kxtapi/rtl/strings.h"
#include "service/locations.h"

#include <nlohmann/json.hpp>

#include <cctype>
#include <fstream>
#include <limits>
#include <sstream>

namespace kxtapi::sim {

std::vector<TSimButtonConfig> DefaultPhoneButtons()
{
    std::vector<TSimButtonConfig> b;
    const char* Keys = "0123456789*#";
    for (int i = 0; i < 12; ++i)
        b.push_back(TSimButtonConfig{PHONEBUTTONMODE_KEYPAD, PHONEBUTTONFUNCTION_NONE, std::string(1, Keys[i]),
                                     PHONELAMPMODE_DUMMY});
    constexpr uint32_t Lamp = PHONELAMPMODE_OFF | PHONELAMPMODE_STEADY | PHONELAMPMODE_WINK | PHONELAMPMODE_FLASH;
    b.push_back({PHONEBUTTONMODE_FEATURE, PHONEBUTTONFUNCTION_HOLD, "Hold", Lamp});
    b.push_back({PHONEBUTTONMODE_FEATURE, PHONEBUTTONFUNCTION_TRANSFER, "Transfer", PHONELAMPMODE_DUMMY});
    b.push_back({PHONEBUTTONMODE_FEATURE, PHONEBUTTONFUNCTION_CONFERENCE, "Conference", PHONELAMPMODE_DUMMY});
    b.push_back({PHONEBUTTONMODE_FEATURE, PHONEBUTTONFUNCTION_MSGINDICATOR, "Messages", Lamp});
    b.push_back({PHONEBUTTONMODE_CALL, PHONEBUTTONFUNCTION_CALLAPP, "Line 1", Lamp});
    return b;
}

TSimConfig DefaultSimConfig()
{
    TSimConfig c;
    TSimLineConfig l1;
    l1.Name = "Simulated Line 1";
    l1.Addresses = {TSimAddressConfig{"201"}};
    l1.Phone = 0;
    l1.WaveIn = 0;
    l1.WaveOut = 0;
    TSimLineConfig l2;
    l2.Name = "Simulated Line 2";
    l2.Addresses = {TSimAddressConfig{"202"}};
    l2.WaveIn = 1;
    l2.WaveOut = 1;
    c.Lines = {l1, l2};
    TSimPhoneConfig p;
    p.Name = "Simulated Phone 1";
    p.Buttons = DefaultPhoneButtons();
    p.Line = 0;
    p.WaveIn = 0;
    p.WaveOut = 0;
    c.Phones = {p};
    for (const service::TLocationInfo& l : service::DefaultLocations())
        c.Locations.push_back(TSimLocationConfig{l.ID, l.Name, l.CountryID, l.CityCode, l.LocalAccessCode,
                                                 l.LongDistanceAccessCode, l.TollPrefixes, l.CancelCallWaiting,
                                                 l.Options});
    c.CurrentLocation = c.Locations.front().ID;
    for (const service::TCountryInfo& k : service::DefaultCountries())
        c.Countries.push_back(
            TSimCountryConfig{k.ID, k.CountryCode, k.Name, k.SameAreaRule, k.LongDistanceRule, k.InternationalRule});
    return c;
}

namespace {

using nlohmann::json;

// Reads members of one JSON object, recording the first error with its path.
class TReader {
public:
    TReader(const json& Object, std::string Path, std::string& Error) : J(Object), P(std::move(Path)), E(Error) {}

    bool Ok() const { return E.empty(); }

    void Fail(const std::string& Key, const char* What)
    {
        if (E.empty()) E = P + (P.empty() ? "" : ".") + Key + ": " + What;
    }

    const json* Member(const char* Key) const
    {
        auto it = J.find(Key);
        return it == J.end() ? nullptr : &*it;
    }

    void Number(const char* Key, uint32_t& Out)
    {
        if (const json* v = Member(Key)) ToNumber(*v, Key, Out);
    }

    void ToNumber(const json& v, const std::string& Key, uint32_t& Out)
    {
        if (v.is_number_unsigned() && v.get<uint64_t>() <= std::numeric_limits<uint32_t>::max()) {
            Out = static_cast<uint32_t>(v.get<uint64_t>());
        } else if (v.is_number_integer() && v.get<int64_t>() >= 0 &&
                   v.get<int64_t>() <= std::numeric_limits<uint32_t>::max()) {
            Out = static_cast<uint32_t>(v.get<int64_t>());
        } else if (v.is_string()) {
            const std::string& s = v.get_ref<const std::string&>();
            int Base = s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X') ? 16 : 10;
            size_t Start = Base == 16 ? 2 : 0;
            uint64_t r = 0;
            bool Good = s.size() > Start && s.size() - Start <= 10;
            for (size_t i = Start; Good && i < s.size(); ++i) {
                int d = std::isdigit(static_cast<unsigned char>(s[i])) ? s[i] - '0'
                        : Base == 16 && std::isxdigit(static_cast<unsigned char>(s[i]))
                            ? std::tolower(static_cast<unsigned char>(s[i])) - 'a' + 10
                            : -1;
                if (d < 0) Good = false;
                r = r * Base + static_cast<uint64_t>(d < 0 ? 0 : d);
            }
            if (!Good || r > std::numeric_limits<uint32_t>::max()) return Fail(Key, "expected a 32-bit number");
            Out = static_cast<uint32_t>(r);
        } else {
            Fail(Key, "expected a 32-bit number");
        }
    }

    void Index(const char* Key, int& Out)
    {
        const json* v = Member(Key);
        if (!v) return;
        if (v->is_number_integer() && v->get<int64_t>() >= -1 && v->get<int64_t>() < 100000)
            Out = static_cast<int>(v->get<int64_t>());
        else
            Fail(Key, "expected a device index or -1");
    }

    void Text(const char* Key, std::string& Out)
    {
        const json* v = Member(Key);
        if (!v) return;
        // JSON text is UTF-8; the service's strings are Windows-1252.
        if (v->is_string())
            Out = Utf8ToCp1252(v->get<std::string>());
        else
            Fail(Key, "expected a string");
    }

    void Flag(const char* Key, bool& Out)
    {
        const json* v = Member(Key);
        if (!v) return;
        if (v->is_boolean())
            Out = v->get<bool>();
        else
            Fail(Key, "expected true or false");
    }

    /// An array member; null when absent or (with an error) not an array.
    const json* Array(const char* Key)
    {
        const json* v = Member(Key);
        if (v && !v->is_array()) {
            Fail(Key, "expected an array");
            return nullptr;
        }
        return v;
    }

    std::string Path(const char* Key, size_t i) const
    {
        return P + (P.empty() ? "" : ".") + Key + "[" + std::to_string(i) + "]";
    }

    const json& J;
    std::string P;
    std::string& E;
};

bool RequireObject(const json& v, const std::string& Path, std::string& Error)
{
    if (v.is_object()) return true;
    if (Error.empty()) Error = Path + ": expected an object";
    return false;
}

void ReadLine(const json& j, const std::string& Path, TSimLineConfig& l, std::string& Error)
{
    if (!RequireObject(j, Path, Error)) return;
    TReader r(j, Path, Error);
    r.Text("name", l.Name);
    r.Text("providerInfo", l.ProviderInfo);
    r.Text("switchInfo", l.SwitchInfo);
    if (const json* a = r.Array("addresses")) {
        l.Addresses.clear();
        for (size_t i = 0; i < a->size() && r.Ok(); ++i) {
            const json& e = (*a)[i];
            TSimAddressConfig ac;
            if (e.is_string()) {
                ac.Address = Utf8ToCp1252(e.get<std::string>());
            } else if (RequireObject(e, r.Path("addresses", i), Error)) {
                TReader ar(e, r.Path("addresses", i), Error);
                ar.Text("address", ac.Address);
                ar.Number("callFeatures", ac.CallFeatures);
                ar.Number("addressFeatures", ac.AddressFeatures);
            }
            l.Addresses.push_back(ac);
        }
    }
    r.Number("mediaModes", l.MediaModes);
    r.Number("bearerModes", l.BearerModes);
    r.Number("lineFeatures", l.LineFeatures);
    r.Number("apiLowVersion", l.APILowVersion);
    r.Number("apiHighVersion", l.APIHighVersion);
    r.Number("extLowVersion", l.ExtLowVersion);
    r.Number("extHighVersion", l.ExtHighVersion);
    if (const json* x = r.Array("extensionId")) {
        if (x->size() != 4) r.Fail("extensionId", "expected four numbers");
        for (size_t i = 0; i < x->size() && i < 4 && r.Ok(); ++i) r.ToNumber((*x)[i], "extensionId", l.ExtensionID[i]);
    }
    r.Number("permanentId", l.PermanentID);
    r.Index("phone", l.Phone);
    r.Number("waveIn", l.WaveIn);
    r.Number("waveOut", l.WaveOut);
    r.Flag("dataModem", l.DataModem);
}

void ReadPhone(const json& j, const std::string& Path, TSimPhoneConfig& p, std::string& Error)
{
    if (!RequireObject(j, Path, Error)) return;
    TReader r(j, Path, Error);
    r.Text("name", p.Name);
    r.Text("providerInfo", p.ProviderInfo);
    r.Text("phoneInfo", p.PhoneInfo);
    if (const json* d = r.Member("display")) {
        if (RequireObject(*d, Path + ".display", Error)) {
            TReader dr(*d, Path + ".display", Error);
            dr.Number("rows", p.DisplayRows);
            dr.Number("columns", p.DisplayColumns);
            // A display larger than any phone's is a typo, not a wish.
            if (uint64_t(p.DisplayRows) * p.DisplayColumns > 4096) dr.Fail("rows", "display larger than 4096 characters");
        }
    }
    r.Number("ringModes", p.NumRingModes);
    r.Number("hookSwitchDevs", p.HookSwitchDevs);
    r.Number("hookSwitchModes", p.HookSwitchModes);
    r.Number("volumeFlags", p.VolumeFlags);
    r.Number("gainFlags", p.GainFlags);
    r.Number("phoneStates", p.PhoneStates);
    p.Buttons = DefaultPhoneButtons();
    if (const json* b = r.Array("buttons")) {
        p.Buttons.clear();
        if (b->size() > 1024) r.Fail("buttons", "more than 1024 buttons");
        for (size_t i = 0; i < b->size() && r.Ok(); ++i) {
            if (!RequireObject((*b)[i], r.Path("buttons", i), Error)) break;
            TReader br((*b)[i], r.Path("buttons", i), Error);
            TSimButtonConfig bc;
            br.Number("mode", bc.Mode);
            br.Number("function", bc.Function);
            br.Text("text", bc.Text);
            br.Number("lampModes", bc.LampModes);
            p.Buttons.push_back(bc);
        }
    }
    r.Index("line", p.Line);
    r.Number("apiLowVersion", p.APILowVersion);
    r.Number("apiHighVersion", p.APIHighVersion);
    r.Number("extLowVersion", p.ExtLowVersion);
    r.Number("extHighVersion", p.ExtHighVersion);
    r.Number("permanentId", p.PermanentID);
    r.Number("waveIn", p.WaveIn);
    r.Number("waveOut", p.WaveOut);
}

void ReadLocation(const json& j, const std::string& Path, TSimLocationConfig& l, std::string& Error)
{
    if (!RequireObject(j, Path, Error)) return;
    TReader r(j, Path, Error);
    r.Number("id", l.ID);
    r.Text("name", l.Name);
    r.Number("countryId", l.CountryID);
    r.Text("cityCode", l.CityCode);
    r.Text("localAccessCode", l.LocalAccessCode);
    r.Text("longDistanceAccessCode", l.LongDistanceAccessCode);
    r.Text("tollPrefixes", l.TollPrefixes);
    r.Text("cancelCallWaiting", l.CancelCallWaiting);
    r.Number("options", l.Options);
}

void ReadCountry(const json& j, const std::string& Path, TSimCountryConfig& c, std::string& Error)
{
    if (!RequireObject(j, Path, Error)) return;
    TReader r(j, Path, Error);
    r.Number("id", c.ID);
    r.Number("code", c.CountryCode);
    r.Text("name", c.Name);
    r.Text("sameArea", c.SameAreaRule);
    r.Text("longDistance", c.LongDistanceRule);
    r.Text("international", c.InternationalRule);
}

void ReadScriptStep(const json& j, const std::string& Path, TSimScriptStep& st, std::string& Error)
{
    if (!RequireObject(j, Path, Error)) return;
    TReader r(j, Path, Error);
    r.Number("after", st.Delay);
    int Actions = 0;
    if (const json* o = r.Member("offer")) {
        ++Actions;
        st.Action = saOffer;
        if (RequireObject(*o, Path + ".offer", Error)) {
            TReader orr(*o, Path + ".offer", Error);
            orr.Index("line", st.Line);
            orr.Text("number", st.Number);
            orr.Text("name", st.Name);
            orr.Flag("withheld", st.Withheld);
        }
    }
    if (r.Member("ring")) {
        ++Actions;
        st.Action = saRing;
        r.Number("ring", st.Count);
    }
    if (r.Member("digits")) {
        ++Actions;
        st.Action = saDigits;
        r.Text("digits", st.Digits);
    }
    if (const json* h = r.Member("hangUp")) {
        ++Actions;
        st.Action = saHangUp;
        if (!h->is_boolean() || !h->get<bool>()) r.Fail("hangUp", "expected true");
    }
    if (Actions != 1 && Error.empty()) Error = Path + ": expected exactly one of offer, ring, digits and hangUp";
}

void ReadScript(const json& j, const std::string& Path, TSimScript& sc, std::string& Error)
{
    if (!RequireObject(j, Path, Error)) return;
    TReader r(j, Path, Error);
    r.Number("repeat", sc.Repeat);
    if (const json* a = r.Array("steps")) {
        if (a->size() > 4096) r.Fail("steps", "more than 4096 steps");
        uint64_t Total = 0;
        for (size_t i = 0; i < a->size() && r.Ok(); ++i) {
            TSimScriptStep st;
            ReadScriptStep((*a)[i], r.Path("steps", i), st, Error);
            Total += st.Delay;
            sc.Steps.push_back(st);
        }
        // Without pauses a pass runs at once, inside one hold of the service.
        if (r.Ok() && sc.Repeat != 1 && Total == 0) r.Fail("repeat", "a repeated script needs pauses");
    }
}

}  // namespace

bool ParseSimConfig(std::string_view Text, TSimConfig& Out, std::string* ErrorOut)
{
    std::string Error;
    json j = json::parse(Text.begin(), Text.end(), nullptr, false);
    if (j.is_discarded()) {
        if (ErrorOut) *ErrorOut = "not valid JSON";
        return false;
    }
    TSimConfig c;
    TSimConfig Defaults = DefaultSimConfig();
    c.Locations = Defaults.Locations;
    c.CurrentLocation = Defaults.CurrentLocation;
    c.Countries = Defaults.Countries;
    if (RequireObject(j, "configuration", Error)) {
        TReader r(j, "", Error);
        if (const json* a = r.Array("lines"))
            for (size_t i = 0; i < a->size() && r.Ok(); ++i) {
                TSimLineConfig l;
                ReadLine((*a)[i], r.Path("lines", i), l, Error);
                c.Lines.push_back(l);
            }
        if (const json* a = r.Array("phones"))
            for (size_t i = 0; i < a->size() && r.Ok(); ++i) {
                TSimPhoneConfig p;
                ReadPhone((*a)[i], r.Path("phones", i), p, Error);
                c.Phones.push_back(p);
            }
        if (const json* a = r.Array("locations")) {
            c.Locations.clear();
            for (size_t i = 0; i < a->size() && r.Ok(); ++i) {
                TSimLocationConfig l;
                ReadLocation((*a)[i], r.Path("locations", i), l, Error);
                c.Locations.push_back(l);
            }
            c.CurrentLocation = c.Locations.empty() ? 0 : c.Locations[0].ID;
        }
        r.Number("currentLocation", c.CurrentLocation);
        if (const json* a = r.Array("countries")) {
            c.Countries.clear();
            for (size_t i = 0; i < a->size() && r.Ok(); ++i) {
                TSimCountryConfig k;
                ReadCountry((*a)[i], r.Path("countries", i), k, Error);
                c.Countries.push_back(k);
            }
        }
        if (const json* sc = r.Member("script")) ReadScript(*sc, "script", c.Script, Error);
    }
    if (!Error.empty()) {
        if (ErrorOut) *ErrorOut = Error;
        return false;
    }
    Out = std::move(c);
    return true;
}

bool LoadSimConfigFile(const std::string& Path, TSimConfig& Out, std::string* Error)
{
    std::ifstream f(Path, std::ios::binary);
    if (!f) {
        if (Error) *Error = Path + ": cannot be read";
        return false;
    }
    std::ostringstream s;
    s << f.rdbuf();
    return ParseSimConfig(s.str(), Out, Error);
}

}  // namespace kxtapi::sim
