// Typed text through the property editors: the first byte picks an editor,
// the next four the stored value, the rest is the text. Whatever the text,
// an editor stores a value or refuses with the library's exception; and the
// text an editor shows for a value, typed back, gives the same value.

#include <kxtapi/kxtapi.h>
#include <kxtapi/kxtapiprop.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

using namespace kxtapi;

void Check(bool Ok)
{
    if (!Ok) std::abort();
}

const TPropertyEditorClass* Editors[] = {
    EditorClass<TTapiHexProperty>(),         EditorClass<TTapiMediaModeProperty>(),
    EditorClass<TTapiMediaModesProperty>(),  EditorClass<TTapiBearerModeProperty>(),
    EditorClass<TTapiAddressModeProperty>(), EditorClass<TTapiDigitModeProperty>(),
    EditorClass<TTapiCallPrivilegeProperty>(), EditorClass<TIntegerProperty>(),
};
constexpr size_t EditorCount = sizeof Editors / sizeof Editors[0];

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    if (Size < 5) return 0;
    const TPropertyEditorClass* Class = Editors[Data[0] % EditorCount];
    uint32_t value;
    std::memcpy(&value, Data + 1, 4);
    const std::string text(reinterpret_cast<const char*>(Data) + 5, Size - 5);

    static TTapiCallParams Params;
    static const TPropertyInfo* Flags = TPropertyRegistry::ClassOf(&Params)->FindProperty("Flags");
    std::unique_ptr<TPropertyEditor> E = Class->Create(nullptr, {&Params}, Flags);

    Params.Set_Flags(value);
    const std::string shown = E->GetValue();
    // Privilege names leave out bits they do not name.
    if (Class != EditorClass<TTapiCallPrivilegeProperty>()) {
        E->SetValue(shown);
        Check(Params.Get_Flags() == value);
    }
    try {
        E->SetValue(text);
    } catch (const Exception&) {
        Check(Params.Get_Flags() == value);
    }
    Check(!E->GetValue().empty() || Class == EditorClass<TTapiCallPrivilegeProperty>());
    return 0;
}
