// The property-editor interface of the form designer.
//
// A property editor shows one published property (kxtapi/rtl/properties.h)
// of the objects selected in the designer as text, takes typed text back,
// may offer a drop-down list of values, a "..." dialog and nested
// sub-properties. The designer (kxtapi/design/designer.h) picks the editor
// class bound to the property in its registry (kxtapi/design/registry.h) or
// the default for the property's kind, and creates one editor per property
// shown.
//
//   TDesigner Designer(&Form);
//   auto Editor = Designer.FindProperty("Line1.MediaModes");
//   Editor->GetValue();                       // "$14"
//   if (Editor->GetAttributes().Contains(paDialog)) Editor->Edit();
//   Editor->GetValues([](const std::string& S) { Show(S); });
//
// An editor class is written as a descendant with the constructor of its
// base, its own `StaticClassName` and `Inherited` (the base), and the
// virtual operations it overrides; `EditorClass<E>()` is then the class as
// a value that the registry binds to properties:
//
//   class THexEditor : public TStringProperty {
//   public:
//       static constexpr const char StaticClassName[] = "THexEditor";
//       using Inherited = TStringProperty;
//       using TStringProperty::TStringProperty;
//       std::string ClassName() const override { return StaticClassName; }
//       std::string GetValue() override;
//   };
//
// Editors run on the designer's thread only.
#pragma once

#include "kxtapi/rtl/classes.h"
#include "kxtapi/rtl/object.h"
#include "kxtapi/rtl/properties.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

namespace kxtapi {

class TDesigner;
class TPropertyEditor;

/// What the designer offers for a property (`TPropertyAttributes`).
enum TPropertyAttribute {
    paValueList,      ///< has a drop-down list of values (GetValues)
    paSubProperties,  ///< expandable into nested properties (GetProperties)
    paDialog,         ///< has a "..." button (Edit)
    paMultiSelect,    ///< shown when several objects are selected
    paAutoUpdate,     ///< SetValue on every keystroke
    paSortList,       ///< the designer sorts the drop-down list
    paReadOnly,       ///< the value text cannot be typed
    paRevertable      ///< may be reverted to the inherited value
};
using TPropertyAttributes = TSet<TPropertyAttribute>;

/// Receives one entry of a drop-down list.
using TGetStrProc = std::function<void(const std::string& S)>;
/// Receives the editor of one nested property.
using TGetPropProc = std::function<void(std::unique_ptr<TPropertyEditor> Prop)>;

/// A property-editor class as a value: its name, its base class and the way
/// to create an editor of it. Obtained with `EditorClass<E>()`.
class TPropertyEditorClass {
public:
    using TCreate = std::unique_ptr<TPropertyEditor> (*)(TDesigner* Designer, std::vector<TPersistent*> Instances,
                                                         const TPropertyInfo* Prop);
    TPropertyEditorClass(std::string Name, const TPropertyEditorClass* Parent, TCreate Create)
        : FName(std::move(Name)), FParent(Parent), FCreate(Create) {}
    TPropertyEditorClass(const TPropertyEditorClass&) = delete;
    TPropertyEditorClass& operator=(const TPropertyEditorClass&) = delete;

    const std::string& Name() const noexcept { return FName; }
    /// The base editor class; null for TPropertyEditor.
    const TPropertyEditorClass* Parent() const noexcept { return FParent; }
    /// This class is Ancestor or descends from it (compared by name).
    bool InheritsFrom(const TPropertyEditorClass* Ancestor) const noexcept;
    /// A new editor of this class for the property Prop of Instances (the
    /// selected objects, at least one, each holding Prop).
    std::unique_ptr<TPropertyEditor> Create(TDesigner* Designer, std::vector<TPersistent*> Instances,
                                            const TPropertyInfo* Prop) const
    {
        return FCreate(Designer, std::move(Instances), Prop);
    }

private:
    std::string FName;
    const TPropertyEditorClass* FParent;
    TCreate FCreate;
};

/// The class value of editor class E.
template <class E>
const TPropertyEditorClass* EditorClass()
{
    static_assert(std::is_base_of_v<TPropertyEditor, E>, "editor classes derive from TPropertyEditor");
    static const TPropertyEditorClass Class(
        E::StaticClassName,
        [] {
            if constexpr (std::is_void_v<typename E::Inherited>) return static_cast<const TPropertyEditorClass*>(nullptr);
            else return EditorClass<typename E::Inherited>();
        }(),
        [](TDesigner* Designer, std::vector<TPersistent*> Instances, const TPropertyInfo* Prop)
            -> std::unique_ptr<TPropertyEditor> { return std::make_unique<E>(Designer, std::move(Instances), Prop); });
    return &Class;
}

/// Base of every property editor. It edits the property Prop of one or more
/// selected objects; the value shown is that of the first.
///
/// The default operations show the property as the published-property
/// registry writes it (`TPropertyInfo::GetAsText`) and take typed text the
/// same way; descendants override what their property needs.
class TPropertyEditor : public TObject {
public:
    static constexpr const char StaticClassName[] = "TPropertyEditor";
    using Inherited = void;

    /// Instances must not be empty; every instance must hold Prop. Designer
    /// may be null (then `Modified` tells nobody).
    TPropertyEditor(TDesigner* ADesigner, std::vector<TPersistent*> AInstances, const TPropertyInfo* AProp);
    std::string ClassName() const override { return StaticClassName; }

    TDesigner* Designer() const noexcept { return FDesigner; }
    /// The property edited.
    const TPropertyInfo* GetPropInfo() const noexcept { return FProp; }
    /// Its name.
    const std::string& GetName() const noexcept { return FProp->Name(); }
    /// Number of objects edited.
    int PropCount() const noexcept { return static_cast<int>(FInstances.size()); }
    /// The Index-th object edited; for a nested property the nested object.
    /// Raises EListError for an index outside 0 .. PropCount - 1.
    TPersistent* GetComponent(int Index) const;

    /// The value of the first object as a 32-bit number: the low 32 bits of
    /// the ordinal (a negative Integer shows its two's complement).
    uint32_t GetOrdValue() const;
    /// Stores Value in every object, then `Modified`. A property with a
    /// negative minimum takes Value as signed 32-bit, any other as unsigned;
    /// a value outside the property's range raises EPropertyError.
    void SetOrdValue(uint32_t Value);
    /// The value of the first object as a 64-bit number, and storing one.
    int64_t GetInt64Value() const;
    void SetInt64Value(int64_t Value);
    /// A string property's value (any other kind: its text); storing it in
    /// every object, then `Modified`.
    std::string GetStrValue() const;
    void SetStrValue(const std::string& Value);

    /// Tells the designer the form changed.
    void Modified();

    /// Whether the designer completes typed text from the value list
    /// (default true).
    virtual bool AutoFill();
    /// The "..." button; the default does nothing.
    virtual void Edit();
    /// Default {paRevertable}, with paReadOnly for a property without a
    /// setter.
    virtual TPropertyAttributes GetAttributes();
    /// The text shown; the default is the registry's text of the value.
    virtual std::string GetValue();
    /// Feeds the drop-down list; the default offers nothing.
    virtual void GetValues(const TGetStrProc& Proc);
    /// Takes typed text; the default parses it as the registry does.
    virtual void SetValue(const std::string& Value);
    /// Feeds the editors of the nested properties; the default has none.
    virtual void GetProperties(const TGetPropProc& Proc);

private:
    TDesigner* FDesigner;
    std::vector<TPersistent*> FInstances;
    const TPropertyInfo* FProp;
};

} // namespace kxtapi
