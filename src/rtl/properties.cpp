// Property access: ordinals, strings, sub-objects and references, and their
// texts for design-time editors.
#include "kxtapi/rtl/properties.h"

#include "kxtapi/rtl/format.h"
#include "kxtapi/rtl/strings.h"
#include "rtl/component_paths.h"

#include <charconv>

namespace kxtapi {

namespace {

// Deep enough for any real options object; stops a sub-object that returns
// itself from recursing for ever.
constexpr int kMaxObjectDepth = 32;

std::string_view TrimView(std::string_view S)
{
    while (!S.empty() && static_cast<unsigned char>(S.front()) <= ' ') S.remove_prefix(1);
    while (!S.empty() && static_cast<unsigned char>(S.back()) <= ' ') S.remove_suffix(1);
    return S;
}

// Decimal, "$hex" or "0xhex", optionally signed; false when S is none of them
// or does not fit 64 bits.
bool ParseInteger(std::string_view S, int64_t& Value)
{
    S = TrimView(S);
    bool negative = false;
    if (!S.empty() && (S.front() == '-' || S.front() == '+')) {
        negative = S.front() == '-';
        S.remove_prefix(1);
    }
    int base = 10;
    if (!S.empty() && S.front() == '$') {
        base = 16;
        S.remove_prefix(1);
    } else if (S.size() > 1 && S[0] == '0' && (S[1] == 'x' || S[1] == 'X')) {
        base = 16;
        S.remove_prefix(2);
    }
    if (S.empty()) return false;
    uint64_t magnitude = 0;
    auto [ptr, ec] = std::from_chars(S.data(), S.data() + S.size(), magnitude, base);
    if (ec != std::errc() || ptr != S.data() + S.size()) return false;
    if (!negative && magnitude > static_cast<uint64_t>(INT64_MAX)) return false;
    if (negative && magnitude > static_cast<uint64_t>(INT64_MAX) + 1) return false;
    Value = negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
    return true;
}

bool IsOrdinal(TPropertyKind Kind)
{
    return Kind == pkInteger || Kind == pkCardinal || Kind == pkChar || Kind == pkBoolean ||
           Kind == pkEnumeration || Kind == pkSet;
}

} // namespace

// ---- TEnumInfo --------------------------------------------------------------

const std::string& TEnumInfo::ValueName(int64_t Ordinal) const noexcept
{
    static const std::string none;
    return Ordinal >= 0 && Ordinal < Count() ? FValues[static_cast<size_t>(Ordinal)] : none;
}

int TEnumInfo::IndexOf(std::string_view ValueName) const noexcept
{
    for (size_t i = 0; i < FValues.size(); ++i)
        if (AnsiSameText(FValues[i], ValueName)) return static_cast<int>(i);
    return -1;
}

std::string TEnumInfo::SetToText(uint32_t Bits) const
{
    std::string text = "[";
    for (int i = 0; i < Count() && i < 32; ++i) {
        if ((Bits & (uint32_t{1} << i)) == 0) continue;
        if (text.size() > 1) text += ',';
        text += FValues[static_cast<size_t>(i)];
    }
    return text + "]";
}

uint32_t TEnumInfo::TextToSet(std::string_view Text) const
{
    std::string_view t = TrimView(Text);
    const bool open = !t.empty() && t.front() == '[';
    const bool close = !t.empty() && t.back() == ']';
    if (open != close || (open && t.size() < 2))
        throw EPropertyError("'" + std::string(Text) + "' is not a set of " + FName);
    if (open) t = TrimView(t.substr(1, t.size() - 2));
    uint32_t bits = 0;
    if (t.empty()) return bits;
    while (true) {
        size_t comma = t.find(',');
        std::string_view item = TrimView(t.substr(0, comma));
        int index = IndexOf(item);
        if (index < 0 || index >= 32)
            throw EPropertyError("'" + std::string(item) + "' is not a value of " + FName);
        bits |= uint32_t{1} << index;
        if (comma == std::string_view::npos) break;
        t.remove_prefix(comma + 1);
    }
    return bits;
}

// ---- TPropertyInfo ------------------------------------------------------------

std::string TPropertyInfo::QualifiedName() const
{
    return (FDeclaring != nullptr ? FDeclaring->Name() + "." : std::string()) + FName;
}

std::string TPropertyInfo::TypeName() const
{
    if (FKind == pkObject && FObjectClass != nullptr) return FObjectClass->Name();
    return FBaseTypeName;
}

void TPropertyInfo::CheckInstance(const TPersistent* Instance) const
{
    if (Instance == nullptr) throw EPropertyError("Property " + QualifiedName() + " read or written without an object");
    if (!FIsInstance(Instance))
        throw EPropertyError("A " + Instance->ClassName() + " has no property " + QualifiedName());
}

void TPropertyInfo::CheckKind(bool Ok, const char* What) const
{
    if (!Ok) throw EPropertyError("Property " + QualifiedName() + " is not " + What);
}

void TPropertyInfo::CheckWritable() const
{
    if (!FWritable) throw EPropertyError("Property " + QualifiedName() + " is read-only");
}

void TPropertyInfo::CheckRange(int64_t Value) const
{
    const bool ok = FKind == pkSet ? (Value >= 0 && (Value & ~FMax) == 0) : (Value >= FMin && Value <= FMax);
    if (ok) return;
    if (FKind == pkSet)
        throw EPropertyError(Format("Property %s: $%x holds bits outside %s", QualifiedName(), Value, TypeName()));
    throw EPropertyError(Format("Property %s: %d is out of range %d..%d", QualifiedName(), Value, FMin, FMax));
}

int64_t TPropertyInfo::GetOrd(const TPersistent* Instance) const
{
    CheckKind(IsOrdinal(FKind), "an ordinal property");
    CheckInstance(Instance);
    return FGetOrd(*Instance);
}

void TPropertyInfo::SetOrd(TPersistent* Instance, int64_t Value) const
{
    CheckKind(IsOrdinal(FKind), "an ordinal property");
    CheckInstance(Instance);
    CheckWritable();
    CheckRange(Value);
    FSetOrd(*Instance, Value);
}

std::string TPropertyInfo::GetString(const TPersistent* Instance) const
{
    CheckKind(FKind == pkString, "a string property");
    CheckInstance(Instance);
    return FGetStr(*Instance);
}

void TPropertyInfo::SetString(TPersistent* Instance, const std::string& Value) const
{
    CheckKind(FKind == pkString, "a string property");
    CheckInstance(Instance);
    CheckWritable();
    FSetStr(*Instance, Value);
}

TPersistent* TPropertyInfo::GetObject(const TPersistent* Instance) const
{
    CheckKind(FKind == pkObject, "a sub-object property");
    CheckInstance(Instance);
    return FGetObj(*Instance);
}

TComponent* TPropertyInfo::GetReference(const TPersistent* Instance) const
{
    CheckKind(FKind == pkComponent, "a component reference");
    CheckInstance(Instance);
    return FGetRef(*Instance);
}

bool TPropertyInfo::AcceptsReference(const TComponent* Value) const noexcept
{
    return FKind == pkComponent && FRefAccepts != nullptr && FRefAccepts(Value);
}

void TPropertyInfo::SetReference(TPersistent* Instance, TComponent* Value) const
{
    CheckKind(FKind == pkComponent, "a component reference");
    CheckInstance(Instance);
    CheckWritable();
    if (!AcceptsReference(Value))
        throw EPropertyError("Property " + QualifiedName() + ": " +
                             (Value->Get_Name().empty() ? std::string("the component") : Value->Get_Name()) +
                             " is a " + Value->ClassName() + ", not a " + TypeName());
    FSetRef(*Instance, Value);
}

std::string TPropertyInfo::OrdToText(int64_t Value) const
{
    switch (FKind) {
    case pkInteger:
    case pkCardinal:
        return IntToStr(Value);
    case pkChar:
        if (Value >= 33 && Value <= 126) return std::string(1, static_cast<char>(Value));
        return "#" + IntToStr(Value);
    case pkBoolean:
        return Value != 0 ? "True" : "False";
    case pkEnumeration: {
        const std::string& name = FEnum->ValueName(Value);
        return name.empty() ? IntToStr(Value) : name;
    }
    case pkSet:
        return FEnum->SetToText(static_cast<uint32_t>(Value));
    default:
        CheckKind(false, "an ordinal property");
        return {};
    }
}

int64_t TPropertyInfo::TextToOrd(std::string_view Text) const
{
    auto invalid = [&]() {
        return EPropertyError("Property " + QualifiedName() + ": '" + std::string(Text) + "' is not a valid " +
                              TypeName() + " value");
    };
    int64_t value = 0;
    switch (FKind) {
    case pkInteger:
    case pkCardinal:
        if (!ParseInteger(Text, value)) throw invalid();
        CheckRange(value);
        return value;
    case pkChar:
        if (Text.size() == 1) return static_cast<unsigned char>(Text[0]);
        if (Text.size() > 1 && Text[0] == '#' && ParseInteger(Text.substr(1), value) && value >= 0 && value <= 255)
            return value;
        throw invalid();
    case pkBoolean: {
        std::string_view t = TrimView(Text);
        if (AnsiSameText(t, "True")) return 1;
        if (AnsiSameText(t, "False")) return 0;
        throw invalid();
    }
    case pkEnumeration: {
        int index = FEnum->IndexOf(TrimView(Text));
        if (index < 0) throw invalid();
        return index;
    }
    case pkSet:
        return FEnum->TextToSet(Text);
    default:
        CheckKind(false, "an ordinal property");
        return 0;
    }
}

std::string TPropertyInfo::GetAsText(const TPersistent* Instance) const
{
    switch (FKind) {
    case pkString:
        return GetString(Instance);
    case pkObject: {
        TPersistent* sub = GetObject(Instance);
        if (sub == nullptr) return {};
        const TClassInfo* c = TPropertyRegistry::ClassOf(sub);
        return "(" + (c != nullptr ? c->Name() : sub->ClassName()) + ")";
    }
    case pkComponent: {
        const TComponent* target = GetReference(Instance);
        auto* self = dynamic_cast<const TComponent*>(Instance);
        return component_paths::ReferencePath(target, self != nullptr ? component_paths::RootOf(self) : nullptr);
    }
    default:
        return OrdToText(GetOrd(Instance));
    }
}

void TPropertyInfo::SetAsText(TPersistent* Instance, std::string_view Text) const
{
    switch (FKind) {
    case pkString:
        SetString(Instance, std::string(Text));
        return;
    case pkObject:
        throw EPropertyError("Property " + QualifiedName() + " has no text value");
    case pkComponent: {
        std::string_view name = TrimView(Text);
        CheckInstance(Instance);
        if (name.empty()) {
            SetReference(Instance, nullptr);
            return;
        }
        auto* self = dynamic_cast<const TComponent*>(Instance);
        if (self == nullptr)
            throw EPropertyError("Property " + QualifiedName() + ": a " + Instance->ClassName() +
                                 " cannot look components up by name");
        TComponent* target = component_paths::ResolveReferencePath(name, component_paths::RootOf(self), nullptr);
        if (target == nullptr)
            throw EPropertyError("Property " + QualifiedName() + ": component " + std::string(name) + " not found");
        SetReference(Instance, target);
        return;
    }
    default:
        SetOrd(Instance, TextToOrd(Text));
    }
}

bool TPropertyInfo::IsDefaultValue(const TPersistent* Instance) const
{
    return IsDefaultValue(Instance, 0);
}

bool TPropertyInfo::IsDefaultValue(const TPersistent* Instance, int Depth) const
{
    switch (FKind) {
    case pkString:
        return GetString(Instance) == (FHasDefault ? FStrDefault : std::string());
    case pkComponent:
        return GetReference(Instance) == nullptr;
    case pkObject: {
        const TPersistent* sub = GetObject(Instance);
        if (sub == nullptr || Depth >= kMaxObjectDepth) return true;
        for (const TPropertyInfo* p : FObjectClass->Properties()) {
            if (!p->IsStored() || p->IsReadOnly()) continue;
            if (!p->IsDefaultValue(sub, Depth + 1)) return false;
        }
        return true;
    }
    default:
        return FHasDefault && GetOrd(Instance) == FOrdDefault;
    }
}

} // namespace kxtapi
