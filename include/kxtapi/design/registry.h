// The designer's registry: which component classes the palette shows, on
// which page, and which property editor serves which property.
//
//   RegisterComponents("kxTapi", {ClassInfoOf<TTapiLine>()});
//   RegisterPropertyEditor(PropertyType<uint32_t>(), ClassInfoOf<TTapiLine>(),
//                          "MediaModes", EditorClass<TTapiMediaModesProperty>());
//
// A binding applies to the properties of that name (any letter case; an
// empty name: every name) and type in objects of the given class and its
// descendants (a null class: every object). The object is the one holding the
// property: for a nested property, the sub-object. Where several bindings
// apply, the one for the most derived class wins, then one with a name over
// one without, then the later one. Where none applies, the property's kind
// decides (kxtapi/design/standard_editors.h).
//
// Palette pages keep the letter case they were registered with: "kxTapi"
// and "kxTAPI" are two pages.
#pragma once

#include "kxtapi/design/property_editor.h"
#include "kxtapi/rtl/properties.h"

#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <type_traits>
#include <typeindex>
#include <vector>

namespace kxtapi {

class TDesigner;

/// The type name of a property of C++ type T, as TPropertyInfo::TypeName
/// gives it ("Cardinal" for uint32_t, "String", "Char", "Boolean" ...): the
/// property type of a binding.
template <class T>
std::string PropertyType()
{
    if constexpr (std::is_same_v<T, std::string>) return "String";
    else if constexpr (std::is_same_v<T, char>) return "Char";
    else if constexpr (std::is_same_v<T, bool>) return "Boolean";
    else {
        static_assert(std::is_integral_v<T>, "PropertyType takes a number, char, bool or std::string");
        return property_detail::NumberTypeName<T>();
    }
}

/// The registered class of C++ type T; raises EClassNotFound when T is not
/// registered.
const TClassInfo* ClassInfoOf(std::type_index Type);
template <class T>
const TClassInfo* ClassInfoOf()
{
    return ClassInfoOf(typeid(T));
}

/// The registered class of Instance's own type or else of its nearest
/// registered ancestor (an application's unregistered descendant of a line
/// edits as a line); null for null.
const TClassInfo* NearestClassInfo(const TPersistent* Instance);

/// A component class on a palette page.
struct TPaletteEntry {
    std::string Page;
    const TClassInfo* Class = nullptr;
};

/// One `RegisterPropertyEditor` call.
struct TEditorBinding {
    std::string PropertyType;
    const TClassInfo* ComponentClass = nullptr;
    std::string PropertyName;
    const TPropertyEditorClass* EditorClass = nullptr;
};

/// Palette and property-editor bindings. The process has one
/// (`DesignRegistry()`); a designer may use a registry of its own. Safe to
/// use from several threads.
class TDesignRegistry {
public:
    TDesignRegistry() = default;
    virtual ~TDesignRegistry() = default;
    TDesignRegistry(const TDesignRegistry&) = delete;
    TDesignRegistry& operator=(const TDesignRegistry&) = delete;

    /// Puts Classes on the palette page Page, after what the page holds.
    /// Raises EPropertyError for a null class or a class that is not a
    /// component class.
    virtual void RegisterComponents(std::string_view Page, const std::vector<const TClassInfo*>& Classes);
    /// Binds EditorClass to the properties named PropertyName of type
    /// PropertyType in ComponentClass and its descendants. Raises
    /// EPropertyError for a null editor class.
    virtual void RegisterPropertyEditor(std::string_view PropertyType, const TClassInfo* ComponentClass,
                                        std::string_view PropertyName, const TPropertyEditorClass* EditorClass);

    /// Every palette entry, in registration order.
    std::vector<TPaletteEntry> Palette() const;
    /// The page names, in the order of their first registration.
    std::vector<std::string> Pages() const;
    /// The classes on Page (exact name), in registration order.
    std::vector<const TClassInfo*> PageClasses(std::string_view Page) const;
    /// Every binding, in registration order.
    std::vector<TEditorBinding> Bindings() const;

    /// The editor class bound to Prop of Instance, or null when no binding
    /// applies.
    const TPropertyEditorClass* FindBoundEditor(const TPropertyInfo* Prop, const TPersistent* Instance) const;
    /// The bound editor class, or else the standard editor of Prop's kind.
    const TPropertyEditorClass* GetEditorClass(const TPropertyInfo* Prop, const TPersistent* Instance) const;
    /// An editor of that class for Prop of Instances (the first decides the
    /// class).
    std::unique_ptr<TPropertyEditor> CreateEditor(TDesigner* Designer, std::vector<TPersistent*> Instances,
                                                  const TPropertyInfo* Prop) const;

    /// Forgets every page and binding.
    void Clear();

private:
    mutable std::mutex FLock;
    std::vector<TPaletteEntry> FPalette;
    std::vector<TEditorBinding> FBindings;
};

/// The process's registry.
TDesignRegistry& DesignRegistry();

/// `DesignRegistry().RegisterComponents(Page, Classes)`.
void RegisterComponents(std::string_view Page, const std::vector<const TClassInfo*>& Classes);
/// `DesignRegistry().RegisterPropertyEditor(...)`.
void RegisterPropertyEditor(std::string_view PropertyType, const TClassInfo* ComponentClass,
                            std::string_view PropertyName, const TPropertyEditorClass* EditorClass);

/// The standard editor class of a property kind.
const TPropertyEditorClass* StandardEditorClass(TPropertyKind Kind);

} // namespace kxtapi
