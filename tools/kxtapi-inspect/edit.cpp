// Setting properties through their editors, and the dialog as text.

#include "inspect.h"

#include "kxtapi/kxtapipropdlga.h"

#include <ostream>

namespace inspect {

using namespace kxtapi;

namespace {

/// Installs a dialog hook while it lives.
class THook {
public:
    explicit THook(TDWordDlgHook Hook) : FOld(SetDWordDlgHook(std::move(Hook))) {}
    ~THook() { SetDWordDlgHook(std::move(FOld)); }
    THook(const THook&) = delete;
    THook& operator=(const THook&) = delete;

private:
    TDWordDlgHook FOld;
};

bool IsNumber(const std::string& Text)
{
    const std::string t = Trim(Text);
    return !t.empty() && (t[0] == '$' || (t[0] >= '0' && t[0] <= '9'));
}

// A row a name stands for: its caption, or the part after the last '_'.
int FindRow(const TTapiDWordDlg& D, const std::string& Name)
{
    for (int i = 0; i < D.RowCount(); ++i) {
        const TDWordDlgRow& r = D.Row(i);
        if (r.ImageIndex & dfUndefined) continue;
        const size_t u = r.Caption.rfind('_');
        if (r.Caption == Name || (u != std::string::npos && r.Caption.compare(u + 1, std::string::npos, Name) == 0))
            return i;
    }
    return -1;
}

std::vector<std::string> SplitNames(const std::string& Text)
{
    std::vector<std::string> names;
    std::string cur;
    for (char c : Text + "+") {
        if (c == '+' || c == ',') {
            if (!Trim(cur).empty()) names.push_back(Trim(cur));
            cur.clear();
        } else {
            cur += c;
        }
    }
    return names;
}

void SetThroughDialog(TPropertyEditor& E, const std::string& Path, const std::string& Text)
{
    std::string failure;
    bool shown = false;
    THook hook([&](TTapiDWordDlg& D) {
        shown = true;
        D.SetChecked(0xFFFFFFFF, false);
        for (const std::string& name : SplitNames(Text)) {
            const int row = FindRow(D, name);
            if (row < 0) {
                failure = "the dialog of " + Path + " has no bit named " + name;
                return mrCancel;
            }
            D.SetItemChecking(row, 1);
        }
        return mrOk;
    });
    E.Edit();
    if (!failure.empty()) throw EInspect(failure);
    if (!shown) throw EInspect("the editor of " + Path + " shows no dialog for this object");
}

} // namespace

void SetProperty(TDesignForm& Form, const std::string& Path, const std::string& Text, std::ostream& Out)
{
    auto E = Form.Editor(Path);
    const TPropertyAttributes a = E->GetAttributes();
    const std::string value = Utf8ToCp1252(Text);
    if (a.Contains(paDialog) && !IsNumber(value)) {
        SetThroughDialog(*E, Path, value);
    } else {
        if (a.Contains(paReadOnly)) throw EInspect(Path + " is read-only");
        E->SetValue(value);
    }
    Out << Path << " = " << Show(E->GetValue()) << "\n";
}

void PrintDialog(TDesignForm& Form, const std::string& Path, std::ostream& Out)
{
    auto E = Form.Editor(Path);
    if (!E->GetAttributes().Contains(paDialog)) throw EInspect(Path + " (" + E->ClassName() + ") has no dialog");
    bool shown = false;
    THook hook([&](TTapiDWordDlg& D) {
        shown = true;
        Out << Show(D.Get_Caption()) << "\n";
        for (int i = 0; i < D.RowCount(); ++i) {
            const TDWordDlgRow& r = D.Row(i);
            const char* mark = (r.ImageIndex & dfUndefined) ? "[-]" : (r.ImageIndex & dfChecked) ? "[x]" : "[ ]";
            Out << "  " << mark << " " << Show(r.Caption);
            if (!r.Info.empty()) Out << "  " << Show(r.Info);
            Out << "\n";
        }
        return mrCancel;
    });
    E->Edit();
    if (!shown) throw EInspect("the editor of " + Path + " shows no dialog for this object");
}

} // namespace inspect
