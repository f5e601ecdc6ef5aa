// The designer's standard property editors: the editor of each property
// kind where no other editor is bound, and the bases the package's own
// editors derive from.
//
// | kind                  | editor               | attributes                              |
// |-----------------------|----------------------|-----------------------------------------|
// | Integer, Cardinal     | TIntegerProperty     | paMultiSelect, paRevertable             |
// | Char                  | TCharProperty        | paMultiSelect, paRevertable             |
// | Boolean, enumeration  | TEnumProperty        | + paValueList, paSortList               |
// | set                   | TSetProperty         | paMultiSelect, paRevertable             |
// | String                | TStringProperty      | paMultiSelect, paRevertable             |
// | sub-object            | TClassProperty       | paMultiSelect, paSubProperties, paReadOnly |
// | component reference   | TComponentProperty   | paMultiSelect, paValueList, paSortList, paRevertable |
//
// Each adds paReadOnly for a property without a setter (sub-objects always
// have it).
#pragma once

#include "kxtapi/design/property_editor.h"

#include <string>

namespace kxtapi {

/// Base of the editors of ordinal properties.
class TOrdinalProperty : public TPropertyEditor {
public:
    static constexpr const char StaticClassName[] = "TOrdinalProperty";
    using Inherited = TPropertyEditor;
    using TPropertyEditor::TPropertyEditor;
    std::string ClassName() const override { return StaticClassName; }
    /// {paMultiSelect, paRevertable}.
    TPropertyAttributes GetAttributes() override;
};

/// Integer and Cardinal properties as decimal text; typed text may also be
/// "$1F" or "0x1F". Text that is no number raises EPropertyError.
class TIntegerProperty : public TOrdinalProperty {
public:
    static constexpr const char StaticClassName[] = "TIntegerProperty";
    using Inherited = TOrdinalProperty;
    using TOrdinalProperty::TOrdinalProperty;
    std::string ClassName() const override { return StaticClassName; }
    std::string GetValue() override;
    void SetValue(const std::string& Value) override;
};

/// Char properties: a printable character as itself, any other as "#<code>".
/// Typed text is one character or "#<code>"; anything else raises
/// EPropertyError "Invalid property value".
class TCharProperty : public TOrdinalProperty {
public:
    static constexpr const char StaticClassName[] = "TCharProperty";
    using Inherited = TOrdinalProperty;
    using TOrdinalProperty::TOrdinalProperty;
    std::string ClassName() const override { return StaticClassName; }
    std::string GetValue() override;
    void SetValue(const std::string& Value) override;
};

/// Booleans ("False", "True") and enumerations by value name, offered as a
/// list.
class TEnumProperty : public TOrdinalProperty {
public:
    static constexpr const char StaticClassName[] = "TEnumProperty";
    using Inherited = TOrdinalProperty;
    using TOrdinalProperty::TOrdinalProperty;
    std::string ClassName() const override { return StaticClassName; }
    /// {paMultiSelect, paValueList, paSortList, paRevertable}.
    TPropertyAttributes GetAttributes() override;
    void GetValues(const TGetStrProc& Proc) override;
};

/// Sets as "[a,b]"; typed text in the same form.
class TSetProperty : public TOrdinalProperty {
public:
    static constexpr const char StaticClassName[] = "TSetProperty";
    using Inherited = TOrdinalProperty;
    using TOrdinalProperty::TOrdinalProperty;
    std::string ClassName() const override { return StaticClassName; }
};

/// String properties as they are.
class TStringProperty : public TPropertyEditor {
public:
    static constexpr const char StaticClassName[] = "TStringProperty";
    using Inherited = TPropertyEditor;
    using TPropertyEditor::TPropertyEditor;
    std::string ClassName() const override { return StaticClassName; }
    /// {paMultiSelect, paRevertable}.
    TPropertyAttributes GetAttributes() override;
    /// `GetStrValue`.
    std::string GetValue() override;
    /// `SetStrValue`.
    void SetValue(const std::string& Value) override;
};

/// Sub-objects: "(TClassName)", expanded into the sub-object's own
/// properties.
class TClassProperty : public TPropertyEditor {
public:
    static constexpr const char StaticClassName[] = "TClassProperty";
    using Inherited = TPropertyEditor;
    using TPropertyEditor::TPropertyEditor;
    std::string ClassName() const override { return StaticClassName; }
    /// {paMultiSelect, paSubProperties, paReadOnly}.
    TPropertyAttributes GetAttributes() override;
    /// The editors of the first object's sub-object's published properties
    /// (none when the sub-object is missing).
    void GetProperties(const TGetPropProc& Proc) override;
};

/// References to other components, by name; the list offers the components
/// of the designer's form that the property accepts, and empty text clears
/// the reference.
class TComponentProperty : public TPropertyEditor {
public:
    static constexpr const char StaticClassName[] = "TComponentProperty";
    using Inherited = TPropertyEditor;
    using TPropertyEditor::TPropertyEditor;
    std::string ClassName() const override { return StaticClassName; }
    /// {paMultiSelect, paValueList, paSortList, paRevertable}.
    TPropertyAttributes GetAttributes() override;
    void GetValues(const TGetStrProc& Proc) override;
};

} // namespace kxtapi
