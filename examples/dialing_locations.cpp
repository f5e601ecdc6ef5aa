// The dialing locations of the telephony service: list them with their
// country's rules, then make each one current in turn and see how it
// changes the way the same number is dialled.
//
// Run without arguments to see the list; --selftest checks it.

#include <kxtapi/kxtapi.h>

#include <cstdio>
#include <cstring>
#include <string>

using namespace kxtapi;

namespace {

std::string Dialable(uint32_t App, const char* Canonical)
{
    TVarBlock Out(sizeof(LINETRANSLATEOUTPUT));
    const uint32_t r = FetchVarBlock(Out, [&] {
        return lineTranslateAddressA(App, 0, 0x00020001, Canonical, 0, 0, Out.As<LINETRANSLATEOUTPUT>());
    });
    return r == 0 ? VarBlockString(Out, offsetof(LINETRANSLATEOUTPUT, dwDialableStringSize)) : "?";
}

}  // namespace

int main(int argc, char** argv)
{
    const bool SelfTest = argc > 1 && std::strcmp(argv[1], "--selftest") == 0;
    Application()->SetMainThread();
    TapiApplication->Set_Active(true);   // translation is asked for a line device

    TTapiLocationList Locations;
    if (!Locations.Valid) return 1;
    TStringList Values;
    for (int i = 0; i < Locations.Count(); ++i) {
        Locations.Get(i)->GetValues(&Values);
        if (!SelfTest) std::printf("%s\n", Values.Text().c_str());
    }

    const char* Number = "+1 (206) 555-0100";
    TTapiSystemLocation Here;
    std::string Seen;
    for (int i = 0; i < Locations.Count(); ++i) {
        Here.SetCurrentLocationID(Locations.Get(i)->LocationID);
        const std::string Dialled = Dialable(TapiApplication->LineAppHandle, Number);
        Seen += Here.LocationName + ":" + Dialled + " ";
        if (!SelfTest) std::printf("%s from %-10s dials %s\n", Number, Here.LocationName.c_str(), Dialled.c_str());
    }
    TapiApplication->Set_Active(false);

    // The simulated switch starts with Office (Seattle, access code 9) and Munich.
    if (SelfTest && Seen != "Office:95550100 Munich:0012065550100 ") {
        std::fprintf(stderr, "unexpected: %s\n", Seen.c_str());
        return 1;
    }
    return 0;
}
