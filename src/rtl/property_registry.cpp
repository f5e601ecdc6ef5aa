// The registry of classes, published properties and enumerations, and the
// class registry's lookups.
#include "kxtapi/rtl/properties.h"

#include "kxtapi/rtl/format.h"
#include "kxtapi/rtl/strings.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <unordered_map>

namespace kxtapi {

class TRegistryCore {
public:
    // Recursive: resolving a class resolves its base class first.
    std::recursive_mutex Lock;
    std::vector<std::unique_ptr<TClassInfo>> Classes;
    std::map<std::string, TClassInfo*> ClassesByName;   // keyed by AnsiUpperCase
    std::unordered_map<std::type_index, TClassInfo*> ClassesByType;
    std::vector<std::unique_ptr<TEnumInfo>> Enums;
    std::map<std::string, TEnumInfo*> EnumsByName;
    std::unordered_map<std::type_index, TEnumInfo*> EnumsByType;
};

namespace {

using TGuard = std::lock_guard<std::recursive_mutex>;

void CheckNotResolved(const TClassInfo& Class, std::atomic<bool>& Resolved)
{
    if (Resolved.load(std::memory_order_acquire))
        throw EPropertyError("Properties of " + Class.Name() +
                             " are declared after the class was first used");
}

bool IsOrdinalKind(TPropertyKind Kind)
{
    return Kind == pkInteger || Kind == pkCardinal || Kind == pkChar || Kind == pkBoolean ||
           Kind == pkEnumeration || Kind == pkSet;
}

void CheckDefaultInRange(const std::string& Qualified, TPropertyKind Kind, bool HasDefault,
                         int64_t Default, int64_t Min, int64_t Max)
{
    if (!HasDefault || !IsOrdinalKind(Kind)) return;
    bool ok = Kind == pkSet ? (Default >= 0 && (Default & ~Max) == 0) : (Default >= Min && Default <= Max);
    if (!ok) throw EPropertyError(Format("Default %d of %s is out of range", Default, Qualified));
}

} // namespace

TRegistryCore& TPropertyRegistry::Core()
{
    // Never freed: components may still be streamed while static objects of
    // other modules are destroyed.
    static TRegistryCore* core = [] {
        auto* c = new TRegistryCore;
        AddClass(*c, "TPersistent", typeid(TPersistent), false, typeid(void), false,
                 [](const TPersistent* P) { return P != nullptr; }, nullptr);
        TClassInfo& component = AddClass(
            *c, "TComponent", typeid(TComponent), true, typeid(TPersistent), true,
            [](const TPersistent* P) { return dynamic_cast<const TComponent*>(P) != nullptr; },
            [](TComponent* AOwner) -> TComponent* { return new TComponent(AOwner); });
        // Form files carry the name apart from the properties.
        TClassBuilder<TComponent>(*c, component)
            .String("Name", &TComponent::Get_Name, &TComponent::Set_Name).NotStored()
            .Integer("Tag", &TComponent::Get_Tag, &TComponent::Set_Tag, 0);
        return c;
    }();
    return *core;
}

TClassInfo& TPropertyRegistry::AddClass(TRegistryCore& Core, std::string Name, std::type_index Type,
                                        bool HasParent, std::type_index ParentType, bool IsComponent,
                                        bool (*IsInstance)(const TPersistent*),
                                        TComponent* (*Create)(TComponent*))
{
    TGuard guard(Core.Lock);
    if (!IsValidIdent(Name)) throw EPropertyError("'" + Name + "' is not a valid class name");
    std::string key = AnsiUpperCase(Name);
    if (Core.ClassesByName.count(key) != 0)
        throw EPropertyError("Class " + Name + " is already registered");
    if (Core.ClassesByType.count(Type) != 0)
        throw EPropertyError("The type of " + Name + " is already registered as " +
                             Core.ClassesByType[Type]->Name());
    std::unique_ptr<TClassInfo> info(new TClassInfo(std::move(Name), Type));
    info->FHasParent = HasParent;
    info->FParentType = ParentType;
    info->FIsComponent = IsComponent;
    info->FIsInstance = IsInstance;
    info->FCreate = Create;
    TClassInfo& result = *info;
    Core.ClassesByName[key] = info.get();
    Core.ClassesByType[Type] = info.get();
    Core.Classes.push_back(std::move(info));
    return result;
}

TPropertyInfo& TPropertyRegistry::AddProperty(TRegistryCore& Core, TClassInfo& Class,
                                              std::unique_ptr<TPropertyInfo> Info)
{
    TGuard guard(Core.Lock);
    CheckNotResolved(Class, Class.FResolved);
    if (!IsValidIdent(Info->FName))
        throw EPropertyError("'" + Info->FName + "' is not a valid property name");
    for (const auto& p : Class.FOwn)
        if (AnsiSameText(p->FName, Info->FName))
            throw EPropertyError("Property " + Class.Name() + "." + Info->FName + " is published twice");
    Info->FDeclaring = &Class;
    CheckDefaultInRange(Class.Name() + "." + Info->FName, Info->FKind,
                        Info->FHasDefault && Info->FKind != pkEnumeration && Info->FKind != pkSet,
                        Info->FOrdDefault, Info->FMin, Info->FMax);
    Class.FOwn.push_back(std::move(Info));
    return *Class.FOwn.back();
}

void TPropertyRegistry::AddOverride(TRegistryCore& Core, TClassInfo& Class,
                                    TClassInfo::TDefaultOverride Override)
{
    TGuard guard(Core.Lock);
    CheckNotResolved(Class, Class.FResolved);
    Class.FOverrides.push_back(std::move(Override));
}

void TPropertyRegistry::SetNotStored(TRegistryCore& Core, TClassInfo& Class, TPropertyInfo& Info)
{
    TGuard guard(Core.Lock);
    CheckNotResolved(Class, Class.FResolved);
    Info.FStored = false;
}

void TPropertyRegistry::AddEnum(std::type_index Type, std::string Name, std::vector<std::string> Values)
{
    TRegistryCore& core = Core();
    TGuard guard(core.Lock);
    auto same = core.EnumsByType.find(Type);
    if (same != core.EnumsByType.end()) {
        if (same->second->Name() == Name && same->second->ValueNames() == Values) return;
        throw EPropertyError("Enumeration " + Name + " is already registered as " + same->second->Name());
    }
    if (!IsValidIdent(Name)) throw EPropertyError("'" + Name + "' is not a valid type name");
    std::string key = AnsiUpperCase(Name);
    if (core.EnumsByName.count(key) != 0)
        throw EPropertyError("Enumeration " + Name + " is already registered");
    if (Values.empty()) throw EPropertyError("Enumeration " + Name + " has no values");
    for (size_t i = 0; i < Values.size(); ++i) {
        if (!IsValidIdent(Values[i]))
            throw EPropertyError("'" + Values[i] + "' is not a valid value name of " + Name);
        for (size_t k = 0; k < i; ++k)
            if (AnsiSameText(Values[i], Values[k]))
                throw EPropertyError("Enumeration " + Name + " names " + Values[i] + " twice");
    }
    std::unique_ptr<TEnumInfo> info(new TEnumInfo(std::move(Name), std::move(Values)));
    core.EnumsByName[key] = info.get();
    core.EnumsByType[Type] = info.get();
    core.Enums.push_back(std::move(info));
}

void TPropertyRegistry::Resolve(const TClassInfo& Info)
{
    TRegistryCore& core = Core();
    TGuard guard(core.Lock);
    if (Info.FResolved.load(std::memory_order_acquire)) return;
    TClassInfo& cls = const_cast<TClassInfo&>(Info);

    const TClassInfo* parent = nullptr;
    std::vector<const TPropertyInfo*> all;
    std::vector<std::unique_ptr<TPropertyInfo>> redeclared;
    if (cls.FHasParent) {
        auto it = core.ClassesByType.find(cls.FParentType);
        if (it == core.ClassesByType.end())
            throw EPropertyError("The base class of " + cls.FName + " is not registered");
        parent = it->second;
        Resolve(*parent);
        all = parent->FAll;
    }

    for (const auto& o : cls.FOverrides) {
        auto pos = std::find_if(all.begin(), all.end(),
                                [&](const TPropertyInfo* p) { return AnsiSameText(p->FName, o.Name); });
        if (pos == all.end())
            throw EPropertyError(cls.FName + " redeclares the default of " + o.Name +
                                 ", which no ancestor publishes");
        auto copy = std::make_unique<TPropertyInfo>(**pos);
        const std::string qualified = cls.FName + "." + copy->FName;
        if (o.HasDefault) {
            bool fits = o.IsString ? copy->FKind == pkString : IsOrdinalKind(copy->FKind);
            if (!fits) throw EPropertyError("Default of " + qualified + " has the wrong type");
            CheckDefaultInRange(qualified, copy->FKind, true, o.Ord, copy->FMin, copy->FMax);
        }
        copy->FHasDefault = o.HasDefault;
        copy->FOrdDefault = o.IsString ? 0 : o.Ord;
        copy->FStrDefault = o.IsString ? o.Str : std::string();
        copy->FDeclaring = &cls;
        *pos = copy.get();
        redeclared.push_back(std::move(copy));
    }

    for (const auto& p : cls.FOwn) {
        const std::string qualified = cls.FName + "." + p->FName;
        for (const TPropertyInfo* q : all)
            if (AnsiSameText(q->FName, p->FName))
                throw EPropertyError(qualified + " is already published by " + q->FDeclaring->Name() +
                                     "; redeclare its default with Default()");
        switch (p->FKind) {
        case pkEnumeration:
        case pkSet: {
            auto e = core.EnumsByType.find(p->FTypeKey);
            if (e == core.EnumsByType.end())
                throw EPropertyError("The enumeration of " + qualified + " is not registered");
            p->FEnum = e->second;
            const int count = p->FEnum->Count();
            if (p->FKind == pkSet) {
                if (count > 32)
                    throw EPropertyError("Set " + qualified + " has more than 32 members");
                p->FMax = count == 32 ? int64_t{0xFFFFFFFF} : (int64_t{1} << count) - 1;
                p->FBaseTypeName = "set of " + p->FEnum->Name();
            } else {
                p->FMax = count - 1;
                p->FBaseTypeName = p->FEnum->Name();
            }
            p->FMin = 0;
            CheckDefaultInRange(qualified, p->FKind, p->FHasDefault, p->FOrdDefault, p->FMin, p->FMax);
            break;
        }
        case pkObject: {
            auto c = core.ClassesByType.find(p->FTypeKey);
            if (c == core.ClassesByType.end())
                throw EPropertyError("The class of sub-object " + qualified + " is not registered");
            p->FObjectClass = c->second;
            p->FBaseTypeName = c->second->Name();
            break;
        }
        case pkComponent: {
            auto c = core.ClassesByType.find(p->FTypeKey);
            p->FRefClass = c == core.ClassesByType.end() ? nullptr : c->second;
            p->FBaseTypeName = p->FRefClass ? p->FRefClass->Name() : "TComponent";
            break;
        }
        default:
            break;
        }
        all.push_back(p.get());
    }

    cls.FParent = parent;
    cls.FAll = std::move(all);
    cls.FRedeclared = std::move(redeclared);
    cls.FResolved.store(true, std::memory_order_release);
}

const TClassInfo* TPropertyRegistry::GetClass(std::string_view Name)
{
    TRegistryCore& core = Core();
    TGuard guard(core.Lock);
    auto it = core.ClassesByName.find(AnsiUpperCase(Name));
    return it == core.ClassesByName.end() ? nullptr : it->second;
}

const TClassInfo* TPropertyRegistry::GetClass(std::type_index Type)
{
    TRegistryCore& core = Core();
    TGuard guard(core.Lock);
    auto it = core.ClassesByType.find(Type);
    return it == core.ClassesByType.end() ? nullptr : it->second;
}

const TClassInfo* TPropertyRegistry::ClassOf(const TPersistent* Instance)
{
    return Instance == nullptr ? nullptr : GetClass(std::type_index(typeid(*Instance)));
}

std::vector<const TClassInfo*> TPropertyRegistry::Classes()
{
    TRegistryCore& core = Core();
    TGuard guard(core.Lock);
    std::vector<const TClassInfo*> result;
    for (const auto& c : core.Classes) result.push_back(c.get());
    return result;
}

const TEnumInfo* TPropertyRegistry::FindEnum(std::string_view TypeName)
{
    TRegistryCore& core = Core();
    TGuard guard(core.Lock);
    auto it = core.EnumsByName.find(AnsiUpperCase(TypeName));
    return it == core.EnumsByName.end() ? nullptr : it->second;
}

const TEnumInfo* TPropertyRegistry::FindEnum(std::type_index Type)
{
    TRegistryCore& core = Core();
    TGuard guard(core.Lock);
    auto it = core.EnumsByType.find(Type);
    return it == core.EnumsByType.end() ? nullptr : it->second;
}

std::vector<const TEnumInfo*> TPropertyRegistry::Enums()
{
    TRegistryCore& core = Core();
    TGuard guard(core.Lock);
    std::vector<const TEnumInfo*> result;
    for (const auto& e : core.Enums) result.push_back(e.get());
    return result;
}

// ---- TClassInfo -------------------------------------------------------------

void TClassInfo::EnsureResolved() const
{
    if (!FResolved.load(std::memory_order_acquire)) TPropertyRegistry::Resolve(*this);
}

const TClassInfo* TClassInfo::Parent() const
{
    EnsureResolved();
    return FParent;
}

const std::vector<const TPropertyInfo*>& TClassInfo::Properties() const
{
    EnsureResolved();
    return FAll;
}

const TPropertyInfo* TClassInfo::FindProperty(std::string_view Name) const
{
    for (const TPropertyInfo* p : Properties())
        if (AnsiSameText(p->Name(), Name)) return p;
    return nullptr;
}

bool TClassInfo::InheritsFrom(const TClassInfo* Ancestor) const
{
    for (const TClassInfo* c = this; c != nullptr; c = c->Parent())
        if (c == Ancestor) return true;
    return false;
}

bool TClassInfo::IsInstance(const TPersistent* Instance) const noexcept
{
    return Instance != nullptr && FIsInstance != nullptr && FIsInstance(Instance);
}

TComponent* TClassInfo::CreateComponent(TComponent* AOwner) const
{
    if (FCreate == nullptr) throw Exception("Class " + FName + " cannot be created");
    return FCreate(AOwner);
}

// ---- class registry -------------------------------------------------------

const TClassInfo* FindClass(std::string_view ClassName)
{
    const TClassInfo* c = TPropertyRegistry::GetClass(ClassName);
    if (c == nullptr) throw EClassNotFound("Class " + std::string(ClassName) + " not found");
    return c;
}

TComponent* CreateComponent(std::string_view ClassName, TComponent* AOwner)
{
    return FindClass(ClassName)->CreateComponent(AOwner);
}

} // namespace kxtapi
