// kxtapi-inspect: the design-time support at work without a form designer.
// A form file is loaded in design mode and shown, edited and written back
// through the property editors the package registers.
#pragma once

#include "kxtapi/kxtapiprop.h"
#include "kxtapi/rtl.h"

#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

namespace inspect {

/// A failure the program reports and ends with.
class EInspect : public kxtapi::Exception {
public:
    using Exception::Exception;
};

/// A form read in design mode: its components do not go active, and the
/// designer over it gives the registered editors.
class TDesignForm {
public:
    explicit TDesignForm(const std::string& FileName);
    ~TDesignForm();
    TDesignForm(const TDesignForm&) = delete;
    TDesignForm& operator=(const TDesignForm&) = delete;

    kxtapi::TComponent* Root() const noexcept { return FRoot; }
    kxtapi::TDesigner& Designer() noexcept { return *FDesigner; }
    /// The editor of a dotted path; raises EInspect when there is none.
    std::unique_ptr<kxtapi::TPropertyEditor> Editor(const std::string& Path);
    void Write(const std::string& FileName) const;

private:
    std::unique_ptr<kxtapi::TComponent> FHost;  // designing owner of the root
    kxtapi::TComponent* FRoot = nullptr;
    std::unique_ptr<kxtapi::TDesigner> FDesigner;
};

/// Text for the terminal (the library's strings are Windows-1252).
std::string Show(const std::string& Cp1252);

/// Attribute names of an editor ("paValueList,paSortList").
std::string AttributeText(kxtapi::TPropertyAttributes Attributes);

/// Every component of the form, root first, each with its published
/// properties as their editors show them, nested properties indented.
void ListForm(TDesignForm& Form, std::ostream& Out);

/// The drop-down list of the editor of Path, sorted where the editor asks
/// for it.
void ListValues(TDesignForm& Form, const std::string& Path, std::ostream& Out);

/// Sets Path to Text through its editor and prints the value shown after.
/// A dialog editor given text that is no number gets it through its dialog:
/// the rows named in Text ("DATAMODEM+G3FAX", full or after the last '_')
/// are checked, the others unchecked, and the dialog is closed with OK.
void SetProperty(TDesignForm& Form, const std::string& Path, const std::string& Text, std::ostream& Out);

/// Shows the dialog of Path's editor as text (caption and rows), closed
/// with Cancel.
void PrintDialog(TDesignForm& Form, const std::string& Path, std::ostream& Out);

/// Renders the dialog of Path's editor offscreen to a PNG file (needs the
/// Qt front end), closed with Cancel.
void ScreenshotDialog(TDesignForm& Form, const std::string& Path, const std::string& PngFile, std::ostream& Out);

/// Draws the palette pictures of the registered components, one row per
/// page, four times enlarged, to a PNG file (needs libpng).
void DrawPalette(const std::string& PngFile, std::ostream& Out);

} // namespace inspect
