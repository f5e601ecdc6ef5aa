// Published properties and the class registry.
//
// Every streamable class registers once, by name and with its base class,
// the properties it publishes: their name, kind, accessors and streaming
// default. Design-time editors list and edit them through `TPropertyInfo`
// (as an ordinal or as text); form files (kxtapi/rtl/forms.h) write and read
// them; `CreateComponent` makes a component from its class name.
//
// Registering a component class (once, before first use; a static
// initialiser or a start-up function):
//
//   RegisterEnum<TFlowControl>("TFlowControl", {"fcUseDTR", "fcRequireDSR",
//       "fcUseRTS", "fcRequireCTS", "fcUseXonXoff", "fcRequireXonXoff"});
//   RegisterClass<TCommEventChars, TPersistent>("TCommEventChars")
//       .Char("XonChar", &TCommEventChars::Get_XonChar, &TCommEventChars::Set_XonChar, 17);
//   RegisterClass<TComPort, TComponent>("TComPort")
//       .Boolean("Active", &TComPort::Get_Active, &TComPort::Set_Active)   // no default: always written
//       .Integer("Baud", &TComPort::Get_Baud, &TComPort::Set_Baud, 9600)   // written when not 9600
//       .Boolean("CTS", [](TComPort& P) { return P.Get_ModemState(1); })   // read-only: listed, not streamed
//       .Cardinal("Databits", &TComPort::Get_Databits, &TComPort::Set_Databits, 8)   // uint8_t: 0..255
//       .Object("EventChars", &TComPort::Get_EventChars)                   // sub-object, streams nested
//       .Set("FlowControl", &TComPort::Get_FlowControl, &TComPort::Set_FlowControl)
//       .Char("Parity", &TComPort::Get_Parity, &TComPort::Set_ParityValue, 'N')
//       .String("PortName", &TComPort::Get_PortName, &TComPort::Set_PortName);  // written when not empty
//   RegisterClass<TComPortLed, TComponent>("TComPortLed")
//       .Reference("ComPort", &TComPortLed::Get_ComPort, &TComPortLed::SetPort)
//       .Enum("Signal", &TComPortLed::Get_Signal, &TComPortLed::SetSignal);
//
// Accessors are member-function pointers (const or not) or any callable
// taking the object (`[](TComPortLed& L, uint32_t V) { L.SetColor(0, V); }`);
// the property's C++ type is the getter's result type and decides its kind
// and range. A descendant changes an inherited default with `.Default(...)`.
//
// Editing at design time:
//
//   const TClassInfo* Class = FindClass("TComPort");
//   for (const TPropertyInfo* P : Class->Properties())
//       Show(P->Name(), P->GetAsText(Port));                 // "Baud" "9600", "FlowControl" "[fcUseDTR]"
//   Class->FindProperty("flowcontrol")->SetAsText(Port, "[fcUseRTS,fcRequireCTS]");
//
// Registration and lookups are thread-safe; the infos handed out never change
// and live as long as the process.
#pragma once

#include "kxtapi/rtl/classes.h"
#include "kxtapi/rtl/object.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <typeindex>
#include <utility>
#include <vector>

namespace kxtapi {

/// Raised by misuse of the registry (a class or property registered twice,
/// an unregistered enumeration or base class) and by property access with a
/// bad value, a wrong object or a read-only property.
class EPropertyError : public Exception {
public:
    using Exception::Exception;
    std::string ClassName() const override { return "EPropertyError"; }
};

/// Raised by `FindClass` and `CreateComponent` for a class name nobody
/// registered: "Class TFoo not found".
class EClassNotFound : public Exception {
public:
    using Exception::Exception;
    std::string ClassName() const override { return "EClassNotFound"; }
};

/// What a published property holds.
enum TPropertyKind {
    pkInteger,      ///< signed integer (8 to 64 bits)
    pkCardinal,     ///< unsigned integer (8 to 32 bits)
    pkChar,         ///< one Windows-1252 character; ordinal 0..255
    pkBoolean,      ///< ordinal 0 or 1
    pkString,       ///< Windows-1252 string
    pkEnumeration,  ///< a registered enumeration; ordinal = value
    pkSet,          ///< TSet of a registered enumeration; ordinal = bit word
    pkObject,       ///< an owned TPersistent whose own properties stream nested
    pkComponent     ///< a reference to another component (not owned), or null
};

/// A registered enumeration: its type name and value names in ordinal order.
class TEnumInfo {
public:
    const std::string& Name() const noexcept { return FName; }
    int Count() const noexcept { return static_cast<int>(FValues.size()); }
    const std::vector<std::string>& ValueNames() const noexcept { return FValues; }
    /// Name of the value with that ordinal; empty for an ordinal outside the type.
    const std::string& ValueName(int64_t Ordinal) const noexcept;
    /// Ordinal of a value name (case-insensitive), or -1.
    int IndexOf(std::string_view ValueName) const noexcept;
    /// Set text "[fcUseDTR,fcUseRTS]" of a bit word; bits beyond the type are
    /// left out.
    std::string SetToText(uint32_t Bits) const;
    /// Bit word of a set text; brackets and blanks are optional ("fcUseDTR,
    /// fcUseRTS"). Raises EPropertyError for a name the type lacks.
    uint32_t TextToSet(std::string_view Text) const;

private:
    friend class TPropertyRegistry;
    TEnumInfo(std::string Name, std::vector<std::string> Values)
        : FName(std::move(Name)), FValues(std::move(Values)) {}
    std::string FName;
    std::vector<std::string> FValues;
};

class TClassInfo;
template <class T> class TClassBuilder;

/// One published property of a class. All accessors take the object whose
/// property it is (an instance of the declaring class or a descendant) and
/// raise EPropertyError for another object, a kind the call does not serve,
/// or a value outside the property's range.
class TPropertyInfo {
public:
    const std::string& Name() const noexcept { return FName; }
    TPropertyKind Kind() const noexcept { return FKind; }
    /// Type as a designer shows it: "Integer", "Cardinal", "Byte", "Word",
    /// "Int64", "Char", "Boolean", "String", the enumeration's name, "set of
    /// <enumeration>", or the registered name of the object or component class.
    std::string TypeName() const;
    /// The class that published it (the descendant, for a redeclared default).
    const TClassInfo* DeclaringClass() const noexcept { return FDeclaring; }

    /// Has no setter. Read-only properties are listed but never streamed. A
    /// sub-object (pkObject) has no setter either, yet counts as writable: its
    /// own properties are read and written in place.
    bool IsReadOnly() const noexcept { return FKind != pkObject && !FWritable; }
    /// False for properties published for editing but never written to a form
    /// (`NotStored`); `Name` of TComponent, which form files carry apart.
    bool IsStored() const noexcept { return FStored; }
    /// Whether a streaming default was declared. Without one, ordinal
    /// properties are always written, strings when not empty, references
    /// when set.
    bool HasDefault() const noexcept { return FHasDefault; }
    /// The declared default of an ordinal property (0 when none).
    int64_t OrdDefault() const noexcept { return FOrdDefault; }
    /// The declared default of a string property (empty when none).
    const std::string& StringDefault() const noexcept { return FStrDefault; }
    /// Ordinal range (pkInteger .. pkEnumeration); for a set, 0 .. the word of
    /// all its members.
    int64_t MinValue() const noexcept { return FMin; }
    int64_t MaxValue() const noexcept { return FMax; }
    /// The enumeration of a pkEnumeration or pkSet property, else null.
    const TEnumInfo* EnumType() const noexcept { return FEnum; }
    /// The registered class of a pkObject property's sub-object (its
    /// getter's declared type), else null.
    const TClassInfo* ObjectClass() const noexcept { return FObjectClass; }
    /// The registered class a pkComponent property refers to, or null when
    /// that class is not registered (or for other kinds).
    const TClassInfo* ReferenceClass() const noexcept { return FRefClass; }

    /// Ordinal value of pkInteger, pkCardinal, pkChar, pkBoolean,
    /// pkEnumeration (the ordinal) and pkSet (the bit word).
    int64_t GetOrd(const TPersistent* Instance) const;
    void SetOrd(TPersistent* Instance, int64_t Value) const;
    /// Value of a pkString property.
    std::string GetString(const TPersistent* Instance) const;
    void SetString(TPersistent* Instance, const std::string& Value) const;
    /// The sub-object of a pkObject property (may be null).
    TPersistent* GetObject(const TPersistent* Instance) const;
    /// The component a pkComponent property refers to (may be null).
    TComponent* GetReference(const TPersistent* Instance) const;
    /// Sets a reference; raises EPropertyError when Value is not of the
    /// referenced class. Null clears it.
    void SetReference(TPersistent* Instance, TComponent* Value) const;
    /// Whether Value may be assigned to this pkComponent property (null may).
    bool AcceptsReference(const TComponent* Value) const noexcept;

    /// Value as text: decimal numbers, "True"/"False", a printable character
    /// as itself and any other as "#<code>", an enumeration's value name, a
    /// set as "[a,b]", a string as it is, "(TClassName)" for a sub-object, and
    /// for a reference the component's name (dotted with its owners' names
    /// when it is not owned by the instance's own root; empty when null).
    std::string GetAsText(const TPersistent* Instance) const;
    /// Parses text as GetAsText writes it and assigns it. Numbers may also be
    /// "$1F" or "0x1F"; names compare case-insensitively. A reference is
    /// looked up under the instance's root; empty text clears it.
    void SetAsText(TPersistent* Instance, std::string_view Text) const;
    /// Text of an ordinal value of this property without an instance (for
    /// drop-down lists), and back.
    std::string OrdToText(int64_t Value) const;
    int64_t TextToOrd(std::string_view Text) const;

    /// True when the value need not be written to a form: equal to the
    /// declared default; without one, an empty string or a null reference;
    /// for a sub-object, every stored property of it at its default. An
    /// ordinal without default is never "default".
    bool IsDefaultValue(const TPersistent* Instance) const;

private:
    friend class TPropertyRegistry;
    template <class T> friend class TClassBuilder;
    TPropertyInfo() = default;

    void CheckInstance(const TPersistent* Instance) const;
    void CheckKind(bool Ok, const char* What) const;
    void CheckWritable() const;
    void CheckRange(int64_t Value) const;
    bool IsDefaultValue(const TPersistent* Instance, int Depth) const;
    std::string QualifiedName() const;

    std::string FName;
    TPropertyKind FKind = pkInteger;
    std::string FBaseTypeName;          // "Integer", "Byte" ... for numbers
    std::type_index FTypeKey = typeid(void);  // enum, object or referenced class type
    bool FWritable = false;
    bool FStored = true;
    bool FHasDefault = false;
    int64_t FOrdDefault = 0;
    std::string FStrDefault;
    int64_t FMin = 0;
    int64_t FMax = 0;
    const TClassInfo* FDeclaring = nullptr;
    const TEnumInfo* FEnum = nullptr;
    const TClassInfo* FObjectClass = nullptr;
    const TClassInfo* FRefClass = nullptr;
    bool (*FIsInstance)(const TPersistent*) = nullptr;

    std::function<int64_t(const TPersistent&)> FGetOrd;
    std::function<void(TPersistent&, int64_t)> FSetOrd;
    std::function<std::string(const TPersistent&)> FGetStr;
    std::function<void(TPersistent&, const std::string&)> FSetStr;
    std::function<TPersistent*(const TPersistent&)> FGetObj;
    std::function<TComponent*(const TPersistent&)> FGetRef;
    std::function<void(TPersistent&, TComponent*)> FSetRef;
    bool (*FRefAccepts)(const TComponent*) = nullptr;
};

/// A registered class: its name, base class and published properties.
class TClassInfo {
public:
    const std::string& Name() const noexcept { return FName; }
    /// The registered base class; null for TPersistent.
    const TClassInfo* Parent() const;
    /// Every published property, the ancestors' first, each in declaration
    /// order (a redeclared default keeps the inherited property's place).
    const std::vector<const TPropertyInfo*>& Properties() const;
    /// The property of that name (case-insensitive), or null.
    const TPropertyInfo* FindProperty(std::string_view Name) const;
    /// This class or one of its registered ancestors is Ancestor.
    bool InheritsFrom(const TClassInfo* Ancestor) const;
    /// Instance is an object of this class or of a descendant.
    bool IsInstance(const TPersistent* Instance) const noexcept;
    bool IsComponentClass() const noexcept { return FIsComponent; }
    /// A non-abstract component class constructible from an owner.
    bool CanCreate() const noexcept { return FCreate != nullptr; }
    /// Creates a component of this class owned by AOwner (with a null owner
    /// the caller owns it). Raises Exception when the class cannot be created.
    TComponent* CreateComponent(TComponent* AOwner) const;
    std::type_index Type() const noexcept { return FType; }

private:
    friend class TPropertyRegistry;
    template <class T> friend class TClassBuilder;
    TClassInfo(std::string Name, std::type_index Type) : FName(std::move(Name)), FType(Type) {}
    void EnsureResolved() const;

    struct TDefaultOverride {
        std::string Name;
        bool HasDefault = false;
        bool IsString = false;
        int64_t Ord = 0;
        std::string Str;
    };

    std::string FName;
    std::type_index FType;
    bool FHasParent = false;
    std::type_index FParentType = typeid(void);
    bool FIsComponent = false;
    bool (*FIsInstance)(const TPersistent*) = nullptr;
    TComponent* (*FCreate)(TComponent*) = nullptr;
    std::vector<std::unique_ptr<TPropertyInfo>> FOwn;
    std::vector<TDefaultOverride> FOverrides;

    // Filled when the class is first used; immutable afterwards.
    mutable std::atomic<bool> FResolved{false};
    mutable const TClassInfo* FParent = nullptr;
    mutable std::vector<const TPropertyInfo*> FAll;
    mutable std::vector<std::unique_ptr<TPropertyInfo>> FRedeclared;
};

class TRegistryCore;

/// The registry of classes, their published properties and enumerations.
class TPropertyRegistry {
public:
    /// Registers class T, derived from the registered class TBase, under
    /// Name; the returned builder declares T's own published properties. A
    /// component class that is not abstract and is constructible from
    /// `TComponent*` becomes creatable by name. Raises EPropertyError when the
    /// name or the type is registered already.
    template <class T, class TBase>
    static TClassBuilder<T> Register(std::string Name);

    /// Registers enumeration E under TypeName with its value names in ordinal
    /// order. Registering the same names again does nothing; other names
    /// raise EPropertyError.
    template <class E>
    static void RegisterEnum(std::string TypeName, std::initializer_list<std::string_view> ValueNames)
    {
        static_assert(std::is_enum_v<E>, "RegisterEnum takes an enumeration type");
        AddEnum(typeid(E), std::move(TypeName), std::vector<std::string>(ValueNames.begin(), ValueNames.end()));
    }

    /// The class registered under Name (case-insensitive), or null.
    static const TClassInfo* GetClass(std::string_view Name);
    /// The class registered for exactly this C++ type, or null.
    static const TClassInfo* GetClass(std::type_index Type);
    /// The class of Instance's own (most derived) type, or null when that type
    /// is not registered.
    static const TClassInfo* ClassOf(const TPersistent* Instance);
    /// Every registered class, in registration order.
    static std::vector<const TClassInfo*> Classes();
    /// The enumeration registered under TypeName (case-insensitive), or null.
    static const TEnumInfo* FindEnum(std::string_view TypeName);
    static const TEnumInfo* FindEnum(std::type_index Type);
    /// Every registered enumeration, in registration order.
    static std::vector<const TEnumInfo*> Enums();

private:
    template <class T> friend class TClassBuilder;
    friend class TClassInfo;
    friend class TRegistryCore;

    static TRegistryCore& Core();
    static TClassInfo& AddClass(TRegistryCore& Core, std::string Name, std::type_index Type,
                                bool HasParent, std::type_index ParentType, bool IsComponent,
                                bool (*IsInstance)(const TPersistent*), TComponent* (*Create)(TComponent*));
    static TPropertyInfo& AddProperty(TRegistryCore& Core, TClassInfo& Class,
                                      std::unique_ptr<TPropertyInfo> Info);
    static void AddOverride(TRegistryCore& Core, TClassInfo& Class, TClassInfo::TDefaultOverride Override);
    static void SetNotStored(TRegistryCore& Core, TClassInfo& Class, TPropertyInfo& Info);
    static void AddEnum(std::type_index Type, std::string Name, std::vector<std::string> Values);
    static void Resolve(const TClassInfo& Class);
};

/// Registers a class and its published properties; the same as
/// `TPropertyRegistry::Register<T, TBase>(Name)`.
template <class T, class TBase>
TClassBuilder<T> RegisterClass(std::string Name)
{
    return TPropertyRegistry::Register<T, TBase>(std::move(Name));
}

/// Registers an enumeration; see `TPropertyRegistry::RegisterEnum`.
template <class E>
void RegisterEnum(std::string TypeName, std::initializer_list<std::string_view> ValueNames)
{
    TPropertyRegistry::RegisterEnum<E>(std::move(TypeName), ValueNames);
}

/// The class registered under ClassName, or null.
inline const TClassInfo* GetClass(std::string_view ClassName) { return TPropertyRegistry::GetClass(ClassName); }
/// The class registered under ClassName; raises EClassNotFound
/// "Class <name> not found" when there is none.
const TClassInfo* FindClass(std::string_view ClassName);
/// Creates a component of the class registered under ClassName, owned by
/// AOwner (with a null owner the caller owns it). Raises EClassNotFound for
/// an unknown name and Exception for a class that cannot be created.
TComponent* CreateComponent(std::string_view ClassName, TComponent* AOwner);

namespace property_detail {

template <class X> struct IsTSet : std::false_type {};
template <class E> struct IsTSet<TSet<E>> : std::true_type { using Enum = E; };

template <class V>
const char* NumberTypeName()
{
    if constexpr (std::is_signed_v<V>) {
        if constexpr (sizeof(V) == 1) return "ShortInt";
        else if constexpr (sizeof(V) == 2) return "SmallInt";
        else if constexpr (sizeof(V) == 4) return "Integer";
        else return "Int64";
    } else {
        if constexpr (sizeof(V) == 1) return "Byte";
        else if constexpr (sizeof(V) == 2) return "Word";
        else return "Cardinal";
    }
}

} // namespace property_detail

/// Declares the published properties of class T, in order. Each kind takes
/// a getter alone (read-only), a getter and a setter (no streaming default),
/// or a getter, a setter and the default. Mistakes in types fail to compile;
/// a name published twice raises EPropertyError.
template <class T>
class TClassBuilder {
    // The property's C++ type: what the getter returns, without const or &.
    template <class G> using ValueOf = std::remove_cvref_t<std::invoke_result_t<G&, T&>>;
    template <class G> using ValueOfT = std::type_identity_t<ValueOf<G>>;

public:
    /// Signed integer property (int8_t to int64_t, intptr_t).
    template <class G> TClassBuilder& Integer(std::string Name, G Get) { return AddNumber<true>(std::move(Name), Get, nullptr, false, 0); }
    template <class G, class S> TClassBuilder& Integer(std::string Name, G Get, S Set) { return AddNumber<true>(std::move(Name), Get, Set, false, 0); }
    template <class G, class S> TClassBuilder& Integer(std::string Name, G Get, S Set, int64_t Default) { return AddNumber<true>(std::move(Name), Get, Set, true, Default); }

    /// Unsigned integer property (uint8_t, uint16_t, uint32_t).
    template <class G> TClassBuilder& Cardinal(std::string Name, G Get) { return AddNumber<false>(std::move(Name), Get, nullptr, false, 0); }
    template <class G, class S> TClassBuilder& Cardinal(std::string Name, G Get, S Set) { return AddNumber<false>(std::move(Name), Get, Set, false, 0); }
    template <class G, class S> TClassBuilder& Cardinal(std::string Name, G Get, S Set, int64_t Default) { return AddNumber<false>(std::move(Name), Get, Set, true, Default); }

    /// Boolean property.
    template <class G> TClassBuilder& Boolean(std::string Name, G Get) { return AddBoolean(std::move(Name), Get, nullptr, false, false); }
    template <class G, class S> TClassBuilder& Boolean(std::string Name, G Get, S Set) { return AddBoolean(std::move(Name), Get, Set, false, false); }
    template <class G, class S> TClassBuilder& Boolean(std::string Name, G Get, S Set, bool Default) { return AddBoolean(std::move(Name), Get, Set, true, Default); }

    /// One-character property (`char`).
    template <class G> TClassBuilder& Char(std::string Name, G Get) { return AddChar(std::move(Name), Get, nullptr, false, 0); }
    template <class G, class S> TClassBuilder& Char(std::string Name, G Get, S Set) { return AddChar(std::move(Name), Get, Set, false, 0); }
    template <class G, class S> TClassBuilder& Char(std::string Name, G Get, S Set, char Default) { return AddChar(std::move(Name), Get, Set, true, Default); }

    /// String property; without a default it is written when not empty.
    template <class G> TClassBuilder& String(std::string Name, G Get) { return AddString(std::move(Name), Get, nullptr, false, {}); }
    template <class G, class S> TClassBuilder& String(std::string Name, G Get, S Set) { return AddString(std::move(Name), Get, Set, false, {}); }
    template <class G, class S> TClassBuilder& String(std::string Name, G Get, S Set, std::string Default) { return AddString(std::move(Name), Get, Set, true, std::move(Default)); }

    /// Enumeration property; the enumeration must be registered (RegisterEnum).
    template <class G> TClassBuilder& Enum(std::string Name, G Get) { return AddEnum(std::move(Name), Get, nullptr, false, ValueOf<G>{}); }
    template <class G, class S> TClassBuilder& Enum(std::string Name, G Get, S Set) { return AddEnum(std::move(Name), Get, Set, false, ValueOf<G>{}); }
    template <class G, class S> TClassBuilder& Enum(std::string Name, G Get, S Set, ValueOfT<G> Default) { return AddEnum(std::move(Name), Get, Set, true, Default); }

    /// Set property: the getter returns TSet<E> of a registered enumeration E.
    template <class G> TClassBuilder& Set(std::string Name, G Get) { return AddSet(std::move(Name), Get, nullptr, false, ValueOf<G>{}); }
    template <class G, class S> TClassBuilder& Set(std::string Name, G Get, S Set) { return AddSet(std::move(Name), Get, Set, false, ValueOf<G>{}); }
    template <class G, class S> TClassBuilder& Set(std::string Name, G Get, S Set, ValueOfT<G> Default) { return AddSet(std::move(Name), Get, Set, true, Default); }

    /// Sub-object property: the getter returns a pointer to an owned object
    /// derived from TPersistent, whose class (the pointer's declared type) is
    /// registered; its own published properties stream nested.
    template <class G> TClassBuilder& Object(std::string Name, G Get);

    /// Reference to another component: the getter returns a pointer to a
    /// TComponent descendant; the setter takes that pointer (null clears).
    template <class G> TClassBuilder& Reference(std::string Name, G Get) { return AddReference(std::move(Name), Get, nullptr); }
    template <class G, class S> TClassBuilder& Reference(std::string Name, G Get, S Set) { return AddReference(std::move(Name), Get, Set); }

    /// Redeclares the streaming default of an inherited property (an
    /// integer, bool, char, enumeration value, TSet or string).
    template <class V> TClassBuilder& Default(std::string Name, V Value);
    /// Removes the streaming default of an inherited property.
    TClassBuilder& NoDefault(std::string Name)
    {
        TClassInfo::TDefaultOverride o;
        o.Name = std::move(Name);
        TPropertyRegistry::AddOverride(FCore, FClass, std::move(o));
        return *this;
    }
    /// The property declared last is listed and edited but never written to
    /// a form (a form that names it still assigns it).
    TClassBuilder& NotStored()
    {
        if (FLast == nullptr) throw EPropertyError("NotStored without a property in " + FClass.Name());
        TPropertyRegistry::SetNotStored(FCore, FClass, *FLast);
        return *this;
    }

private:
    friend class TPropertyRegistry;
    TClassBuilder(TRegistryCore& Core, TClassInfo& Class) : FCore(Core), FClass(Class) {}

    static T& Self(TPersistent& P) { return static_cast<T&>(P); }
    static T& Self(const TPersistent& P) { return static_cast<T&>(const_cast<TPersistent&>(P)); }
    static bool IsT(const TPersistent* P) { return dynamic_cast<const T*>(P) != nullptr; }

    std::unique_ptr<TPropertyInfo> NewInfo(std::string Name, TPropertyKind Kind, bool Writable)
    {
        std::unique_ptr<TPropertyInfo> p(new TPropertyInfo());
        p->FName = std::move(Name);
        p->FKind = Kind;
        p->FWritable = Writable;
        p->FIsInstance = &IsT;
        return p;
    }
    TClassBuilder& Add(std::unique_ptr<TPropertyInfo> Info)
    {
        FLast = &TPropertyRegistry::AddProperty(FCore, FClass, std::move(Info));
        return *this;
    }

    // Installs the ordinal accessors: Get(T) -> V, Set(T, V), with ToOrd and
    // FromOrd converting between V and the stored int64_t.
    template <class V, class G, class S, class ToOrd, class FromOrd>
    void SetOrdAccessors(TPropertyInfo& P, G Get, S Set, ToOrd To, FromOrd From)
    {
        static_assert(std::is_invocable_v<G&, T&>, "getter must be callable on the object");
        P.FGetOrd = [Get, To](const TPersistent& O) -> int64_t { return To(std::invoke(Get, Self(O))); };
        if constexpr (!std::is_null_pointer_v<S>) {
            static_assert(std::is_invocable_v<S&, T&, V>, "setter must take the object and the getter's type");
            P.FSetOrd = [Set, From](TPersistent& O, int64_t Value) { std::invoke(Set, Self(O), From(Value)); };
        }
    }

    template <bool Signed, class G, class S>
    TClassBuilder& AddNumber(std::string Name, G Get, S Set, bool HasDefault, int64_t Default)
    {
        using V = ValueOf<G>;
        static_assert(std::is_integral_v<V> && !std::is_same_v<V, bool> && !std::is_same_v<V, char>,
                      "Integer and Cardinal take integer getters (Boolean and Char have their own)");
        static_assert(!Signed || std::is_signed_v<V>, "Integer takes a signed getter; use Cardinal");
        static_assert(Signed || (std::is_unsigned_v<V> && sizeof(V) <= 4),
                      "Cardinal takes an unsigned getter of at most 32 bits; use Integer");
        auto p = NewInfo(std::move(Name), Signed ? pkInteger : pkCardinal, !std::is_null_pointer_v<S>);
        p->FBaseTypeName = property_detail::NumberTypeName<V>();
        p->FMin = static_cast<int64_t>(std::numeric_limits<V>::min());
        p->FMax = static_cast<int64_t>(std::numeric_limits<V>::max());
        p->FHasDefault = HasDefault;
        p->FOrdDefault = Default;
        SetOrdAccessors<V>(*p, Get, Set, [](V v) { return static_cast<int64_t>(v); },
                           [](int64_t v) { return static_cast<V>(v); });
        return Add(std::move(p));
    }

    template <class G, class S>
    TClassBuilder& AddBoolean(std::string Name, G Get, S Set, bool HasDefault, bool Default)
    {
        static_assert(std::is_same_v<ValueOf<G>, bool>, "Boolean takes a bool getter");
        auto p = NewInfo(std::move(Name), pkBoolean, !std::is_null_pointer_v<S>);
        p->FBaseTypeName = "Boolean";
        p->FMax = 1;
        p->FHasDefault = HasDefault;
        p->FOrdDefault = Default ? 1 : 0;
        SetOrdAccessors<bool>(*p, Get, Set, [](bool v) { return int64_t{v ? 1 : 0}; },
                              [](int64_t v) { return v != 0; });
        return Add(std::move(p));
    }

    template <class G, class S>
    TClassBuilder& AddChar(std::string Name, G Get, S Set, bool HasDefault, char Default)
    {
        static_assert(std::is_same_v<ValueOf<G>, char>, "Char takes a char getter");
        auto p = NewInfo(std::move(Name), pkChar, !std::is_null_pointer_v<S>);
        p->FBaseTypeName = "Char";
        p->FMax = 255;
        p->FHasDefault = HasDefault;
        p->FOrdDefault = static_cast<unsigned char>(Default);
        SetOrdAccessors<char>(*p, Get, Set, [](char v) { return int64_t{static_cast<unsigned char>(v)}; },
                              [](int64_t v) { return static_cast<char>(static_cast<unsigned char>(v)); });
        return Add(std::move(p));
    }

    template <class G, class S>
    TClassBuilder& AddString(std::string Name, G Get, S Set, bool HasDefault, std::string Default)
    {
        static_assert(std::is_same_v<ValueOf<G>, std::string>, "String takes a std::string getter");
        auto p = NewInfo(std::move(Name), pkString, !std::is_null_pointer_v<S>);
        p->FBaseTypeName = "String";
        p->FHasDefault = HasDefault;
        p->FStrDefault = std::move(Default);
        p->FGetStr = [Get](const TPersistent& O) -> std::string { return std::invoke(Get, Self(O)); };
        if constexpr (!std::is_null_pointer_v<S>) {
            static_assert(std::is_invocable_v<S&, T&, const std::string&>, "setter must take the object and a string");
            p->FSetStr = [Set](TPersistent& O, const std::string& V) { std::invoke(Set, Self(O), V); };
        }
        return Add(std::move(p));
    }

    template <class G, class S, class E>
    TClassBuilder& AddEnum(std::string Name, G Get, S Set, bool HasDefault, E Default)
    {
        static_assert(std::is_enum_v<E>, "Enum takes a getter of an enumeration type");
        auto p = NewInfo(std::move(Name), pkEnumeration, !std::is_null_pointer_v<S>);
        p->FTypeKey = typeid(E);
        p->FHasDefault = HasDefault;
        p->FOrdDefault = static_cast<int64_t>(Default);
        SetOrdAccessors<E>(*p, Get, Set, [](E v) { return static_cast<int64_t>(v); },
                           [](int64_t v) { return static_cast<E>(v); });
        return Add(std::move(p));
    }

    template <class G, class S, class V>
    TClassBuilder& AddSet(std::string Name, G Get, S Set, bool HasDefault, V Default)
    {
        static_assert(property_detail::IsTSet<V>::value, "Set takes a getter returning TSet<E>");
        using E = typename property_detail::IsTSet<V>::Enum;
        auto p = NewInfo(std::move(Name), pkSet, !std::is_null_pointer_v<S>);
        p->FTypeKey = typeid(E);
        p->FHasDefault = HasDefault;
        p->FOrdDefault = Default.Bits();
        SetOrdAccessors<V>(*p, Get, Set, [](V v) { return static_cast<int64_t>(v.Bits()); },
                           [](int64_t v) { return V::FromBits(static_cast<uint32_t>(v)); });
        return Add(std::move(p));
    }

    template <class G, class S>
    TClassBuilder& AddReference(std::string Name, G Get, S Set)
    {
        using P = ValueOf<G>;
        static_assert(std::is_pointer_v<P> && std::is_base_of_v<TComponent, std::remove_cv_t<std::remove_pointer_t<P>>>,
                      "Reference takes a getter returning a pointer to a component");
        using C = std::remove_cv_t<std::remove_pointer_t<P>>;
        auto p = NewInfo(std::move(Name), pkComponent, !std::is_null_pointer_v<S>);
        p->FTypeKey = typeid(C);
        p->FGetRef = [Get](const TPersistent& O) -> TComponent* {
            return const_cast<C*>(std::invoke(Get, Self(O)));
        };
        p->FRefAccepts = [](const TComponent* V) { return V == nullptr || dynamic_cast<const C*>(V) != nullptr; };
        if constexpr (!std::is_null_pointer_v<S>) {
            static_assert(std::is_invocable_v<S&, T&, C*>, "setter must take the object and the component pointer");
            p->FSetRef = [Set](TPersistent& O, TComponent* V) { std::invoke(Set, Self(O), dynamic_cast<C*>(V)); };
        }
        return Add(std::move(p));
    }

    TRegistryCore& FCore;
    TClassInfo& FClass;
    TPropertyInfo* FLast = nullptr;
};

template <class T>
template <class G>
TClassBuilder<T>& TClassBuilder<T>::Object(std::string Name, G Get)
{
    using P = ValueOf<G>;
    static_assert(std::is_pointer_v<P> && std::is_base_of_v<TPersistent, std::remove_cv_t<std::remove_pointer_t<P>>>,
                  "Object takes a getter returning a pointer to a TPersistent descendant");
    using O = std::remove_cv_t<std::remove_pointer_t<P>>;
    auto p = NewInfo(std::move(Name), pkObject, false);
    p->FTypeKey = typeid(O);
    p->FGetObj = [Get](const TPersistent& Owner) -> TPersistent* {
        return const_cast<O*>(std::invoke(Get, Self(Owner)));
    };
    return Add(std::move(p));
}

template <class T>
template <class V>
TClassBuilder<T>& TClassBuilder<T>::Default(std::string Name, V Value)
{
    TClassInfo::TDefaultOverride o;
    o.Name = std::move(Name);
    o.HasDefault = true;
    if constexpr (std::is_same_v<V, bool>) o.Ord = Value ? 1 : 0;
    else if constexpr (std::is_same_v<V, char>) o.Ord = static_cast<unsigned char>(Value);
    else if constexpr (std::is_integral_v<V> || std::is_enum_v<V>) o.Ord = static_cast<int64_t>(Value);
    else if constexpr (property_detail::IsTSet<V>::value) o.Ord = Value.Bits();
    else {
        static_assert(std::is_convertible_v<V, std::string>, "Default takes an ordinal, a TSet or a string");
        o.IsString = true;
        o.Str = std::string(Value);
    }
    TPropertyRegistry::AddOverride(FCore, FClass, std::move(o));
    return *this;
}

template <class T, class TBase>
TClassBuilder<T> TPropertyRegistry::Register(std::string Name)
{
    static_assert(std::is_base_of_v<TPersistent, T>, "registered classes derive from TPersistent");
    static_assert(std::is_base_of_v<TBase, T> && !std::is_same_v<T, TBase>, "TBase must be a base class of T");
    TComponent* (*create)(TComponent*) = nullptr;
    if constexpr (std::is_base_of_v<TComponent, T> && !std::is_abstract_v<T> &&
                  std::is_constructible_v<T, TComponent*>)
        create = [](TComponent* AOwner) -> TComponent* { return new T(AOwner); };
    TRegistryCore& core = Core();
    TClassInfo& c = AddClass(core, std::move(Name), typeid(T), true, typeid(TBase),
                             std::is_base_of_v<TComponent, T>,
                             [](const TPersistent* P) { return dynamic_cast<const T*>(P) != nullptr; }, create);
    return TClassBuilder<T>(core, c);
}

} // namespace kxtapi
