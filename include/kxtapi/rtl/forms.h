// Form files: a component tree and its published properties as JSON.
//
// A form holds a root component and the components it owns, recursively,
// with every stored, writable published property (kxtapi/rtl/properties.h)
// whose value differs from its default:
//
//   {
//     "format": "kxtapi-form", "version": 1,
//     "root": {
//       "class": "TMainForm", "name": "MainForm",
//       "properties": { "Tag": 3 },
//       "components": [
//         { "class": "TComPort", "name": "ComPort1",
//           "properties": { "Baud": 19200, "EventChars": { "XonChar": "\u0011" },
//                           "FlowControl": ["fcUseRTS", "fcRequireCTS"], "PortName": "COM2" } },
//         { "class": "TComPortLed", "name": "Led1",
//           "properties": { "ComPort": "ComPort1", "Signal": "csCTS" } }
//       ]
//     }
//   }
//
// Values: integers as JSON integers, Booleans as true/false, a Char as a
// one-character string, strings as UTF-8 (held as Windows-1252 in the
// objects), enumerations by value name, sets as arrays of value names,
// sub-objects as nested objects of their properties, and references by the
// referred component's name (dotted with its owners' names below the root,
// "Panel1.ComPort2"; a name outside the form needs TFormReadOptions::FindRoot,
// "OtherForm.ComPort1"), null for none. Sub-components (IsSubComponent) are
// not written; their owner creates them.
//
// Reading creates each component by class name (or reuses a component of
// that name the parent already owns, for instance one the root's
// constructor created), marks it loading (csLoading and csReading on that
// component alone) before any property is assigned, assigns the properties
// in file order, resolves references once every component exists, and only
// then calls `Loaded` on the root and each component read, in file order
// (which is creation order). So a component's `Loaded` sees all its
// properties and references.
//
// A file that is not JSON, an unknown class or property, a read-only
// property, a value of the wrong JSON type, out of range, an unknown
// enumeration name, a string with characters Windows-1252 lacks, an
// unresolved reference, or a setter that refuses its value raises EReadError
// naming the line and column, the JSON pointer and the property. The whole
// file is checked against the registry before anything is created or
// assigned; what only a component can refuse (its setters, its name, a
// reference) is found while applying, and then everything is undone: every
// component the read created is freed, and an existing root's (and reused
// components') properties and name get back the values they had, through
// their setters. An exception from a `Loaded` still lets the other
// components finish loading; then the components created are freed, the
// properties already in place stay, and the exception propagates unchanged.
//
// Usage:
//
//   TMainForm Form(nullptr);                       // its constructor makes ComPort1 and Led1
//   ReadComponentFile("main.json", &Form);          // as designed
//   WriteComponentFile("main.json", &Form);
//   std::unique_ptr<TMainForm> Copy = ReadNewComponent<TMainForm>(WriteComponentToString(&Form));
//
// Reading and writing run on the caller's thread (the main thread, since
// they call the components' setters and `Loaded`).
#pragma once

#include "kxtapi/rtl/classes.h"
#include "kxtapi/rtl/object.h"

#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <typeinfo>

namespace kxtapi {

/// Raised when a form cannot be read. The message (Windows-1252, like every
/// message) tells everything; the fields give its parts.
class EReadError : public Exception {
public:
    EReadError(std::string Msg, std::string ASourceName = {}, int ALine = 0, int AColumn = 0,
               std::string APath = {}, std::string AComponentName = {}, std::string APropertyName = {})
        : Exception(std::move(Msg)), SourceName(std::move(ASourceName)), Line(ALine), Column(AColumn),
          Path(std::move(APath)), ComponentName(std::move(AComponentName)),
          PropertyName(std::move(APropertyName)) {}
    std::string ClassName() const override { return "EReadError"; }

    /// File name or TFormReadOptions::SourceName; empty for unnamed text.
    std::string SourceName;
    /// Position in the text, from 1 (the column counts characters); 0 when
    /// the failure has no position (a file that cannot be opened).
    int Line;
    int Column;
    /// JSON pointer of the offending value ("/root/components/0/properties/Baud").
    std::string Path;
    /// Name of the component concerned (its class name in parentheses when
    /// it has none), empty when none.
    std::string ComponentName;
    /// Property concerned, dotted below sub-objects ("EventChars.XonChar").
    std::string PropertyName;
};

/// Raised when a component tree cannot be written: a class that is not
/// registered, a reference to a component without a name, an enumeration or
/// set value outside its type, or a file that cannot be written.
class EWriteError : public Exception {
public:
    using Exception::Exception;
    std::string ClassName() const override { return "EWriteError"; }
};

/// Options of a read.
struct TFormReadOptions {
    /// Named in error messages; the file functions use the file name.
    std::string SourceName;
    /// Finds a root outside the form for a reference whose first name is
    /// neither a component of the form nor the root ("OtherForm.ComPort1").
    /// Without it such a reference is an error.
    std::function<TComponent*(const std::string& RootName)> FindRoot;
};

/// The form of Root as JSON text (UTF-8, indented, ending in a newline).
std::string WriteComponentToString(const TComponent* Root);
void WriteComponent(std::ostream& Out, const TComponent* Root);
/// Writes the form to FileName through a temporary file that replaces it
/// only when complete, so a failed write leaves the old file.
void WriteComponentFile(const std::string& FileName, const TComponent* Root);

/// Reads a form into the existing Root: the root's own name and properties
/// and its components. The file's root class must be Root's class or one of
/// its ancestors.
void ReadComponent(std::string_view Text, TComponent* Root, const TFormReadOptions& Options = {});
void ReadComponent(std::istream& In, TComponent* Root, const TFormReadOptions& Options = {});
void ReadComponentFile(const std::string& FileName, TComponent* Root, TFormReadOptions Options = {});

/// Reads a form whose root is created by its class name, owned by AOwner
/// (with a null owner the caller owns the result).
TComponent* ReadNewComponent(std::string_view Text, TComponent* AOwner, const TFormReadOptions& Options = {});

namespace form_detail {
TComponent* ReadNewRoot(std::string_view Text, TComponent* AOwner, const TFormReadOptions& Options,
                        const std::type_info& Expected, bool (*IsExpected)(const TComponent*));
std::string ReadAll(std::istream& In, const std::string& SourceName);
std::string ReadFile(const std::string& FileName);
} // namespace form_detail

/// Reads a form whose root is created by its class name and must be a T
/// (else EReadError, and nothing is created).
template <class T = TComponent>
std::unique_ptr<T> ReadNewComponent(std::string_view Text, const TFormReadOptions& Options = {})
{
    static_assert(std::is_base_of_v<TComponent, T>, "forms hold components");
    TComponent* root = form_detail::ReadNewRoot(
        Text, nullptr, Options, typeid(T),
        [](const TComponent* C) { return dynamic_cast<const T*>(C) != nullptr; });
    return std::unique_ptr<T>(static_cast<T*>(root));
}

template <class T = TComponent>
std::unique_ptr<T> ReadNewComponent(std::istream& In, const TFormReadOptions& Options = {})
{
    return ReadNewComponent<T>(form_detail::ReadAll(In, Options.SourceName), Options);
}

template <class T = TComponent>
std::unique_ptr<T> ReadNewComponentFile(const std::string& FileName, TFormReadOptions Options = {})
{
    if (Options.SourceName.empty()) Options.SourceName = FileName;
    return ReadNewComponent<T>(form_detail::ReadFile(FileName), Options);
}

} // namespace kxtapi
