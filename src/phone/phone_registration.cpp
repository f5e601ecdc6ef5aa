// Published properties of the phone component, its options and its views.

#include "kxtapi/phone/registration.h"

#include "kxtapi/phone/phone.h"
#include "kxtapi/rtl/properties.h"
#include "kxtapi/session/registration.h"

#include <mutex>

namespace kxtapi {
namespace {

// Publishes every indexed number and string of a view, read-only.
template <class V>
void RegisterView(const char* Name)
{
    auto B = RegisterClass<V, TPersistent>(Name);
    for (int i = 0; i < V::DWordCount; ++i)
        B.Cardinal(V::Fields()[i].Name, [i](const V& View) { return View.GetDWORD(i); });
    for (int s = 0; s < V::StringCount; ++s)
        B.String(V::Strings()[s].Name, [s](const V& View) { return View.GetString(s); });
}

} // namespace

void RegisterPhoneComponents()
{
    static std::once_flag Once;
    std::call_once(Once, [] {
        RegisterSessionClasses();
        using O = TTapiPhoneOptions;
        RegisterClass<O, TTapiDeviceOptions>("TTapiPhoneOptions")
            .Cardinal("ReplyTimeout", &O::Get_ReplyTimeout, &O::Set_ReplyTimeout)
            .Boolean("SyncMode", &O::Get_SyncMode, &O::Set_SyncMode);
        using P = TTapiPhone;
        RegisterClass<P, TTapiDevice>("TTapiPhone")
            .Object("Options", &P::Get_Options)
            .Object("Privileges", &P::Get_Privileges)
            .Object("TSP", [](const P& Phone) { return Phone.Get_TSP(); });
        RegisterView<TTapiPhoneCaps>("TTapiPhoneCaps");
        RegisterView<TTapiPhoneStatus>("TTapiPhoneStatus");
    });
}

namespace {

struct TRegisterPhoneAtLoad {
    TRegisterPhoneAtLoad() { RegisterPhoneComponents(); }
} gRegisterPhoneAtLoad;

} // namespace

} // namespace kxtapi
