#include "kxtapi/rtl/format.h"
#include "kxtapi/rtl/strings.h"

#include <algorithm>
#include <cstring>

namespace kxtapi {

// ---- TStrings -------------------------------------------------------------

void TStrings::IndexError(int Index)
{
    throw EListError(Format("List index out of bounds (%d)", Index));
}

int TStrings::CompareStrings(std::string_view A, std::string_view B) const noexcept
{
    if (CaseSensitive) {
        int c = A.compare(B);
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    return AnsiCompareText(A, B);
}

int TStrings::Add(const std::string& S, TObject* Obj)
{
    int index = Count();
    Insert(index, S, Obj);
    return index;
}

void TStrings::AddStrings(const TStrings& Source)
{
    // Copy first: Source may be this list.
    std::vector<std::pair<std::string, TObject*>> items;
    for (int i = 0; i < Source.Count(); ++i) items.emplace_back(Source.Strings(i), Source.Objects(i));
    for (auto& [s, o] : items) Add(s, o);
}

void TStrings::Assign(const TStrings& Source)
{
    if (&Source == this) return;
    Clear();
    AddStrings(Source);
}

int TStrings::IndexOf(std::string_view S) const
{
    for (int i = 0; i < Count(); ++i)
        if (CompareStrings(Strings(i), S) == 0) return i;
    return -1;
}

int TStrings::IndexOfObject(const TObject* Obj) const
{
    for (int i = 0; i < Count(); ++i)
        if (Objects(i) == Obj) return i;
    return -1;
}

int TStrings::IndexOfName(std::string_view Name) const
{
    for (int i = 0; i < Count(); ++i) {
        const std::string& s = Strings(i);
        std::size_t eq = s.find('=');
        if (eq != std::string::npos && CompareStrings(std::string_view(s).substr(0, eq), Name) == 0)
            return i;
    }
    return -1;
}

std::string TStrings::Names(int Index) const
{
    const std::string& s = Strings(Index);
    std::size_t eq = s.find('=');
    return eq == std::string::npos ? std::string() : s.substr(0, eq);
}

std::string TStrings::ValueFromIndex(int Index) const
{
    const std::string& s = Strings(Index);
    std::size_t eq = s.find('=');
    return eq == std::string::npos ? std::string() : s.substr(eq + 1);
}

std::string TStrings::Values(std::string_view Name) const
{
    int i = IndexOfName(Name);
    return i < 0 ? std::string() : ValueFromIndex(i);
}

void TStrings::SetValue(std::string_view Name, const std::string& Value)
{
    int i = IndexOfName(Name);
    if (Value.empty()) {
        if (i >= 0) Delete(i);
        return;
    }
    std::string entry = std::string(Name) + "=" + Value;
    if (i < 0) Add(entry);
    else SetStrings(i, entry);
}

void TStrings::Exchange(int Index1, int Index2)
{
    if (Index1 < 0 || Index1 >= Count()) IndexError(Index1);
    if (Index2 < 0 || Index2 >= Count()) IndexError(Index2);
    std::string s1 = Strings(Index1);
    TObject* o1 = Objects(Index1);
    SetStrings(Index1, Strings(Index2));
    SetObjects(Index1, Objects(Index2));
    SetStrings(Index2, s1);
    SetObjects(Index2, o1);
}

void TStrings::Move(int CurIndex, int NewIndex)
{
    if (CurIndex == NewIndex) return;
    if (NewIndex < 0 || NewIndex >= Count()) IndexError(NewIndex);
    std::string s = Strings(CurIndex);
    TObject* o = Objects(CurIndex);
    Delete(CurIndex);
    Insert(NewIndex, s, o);
}

std::string TStrings::Text() const
{
    std::string out;
    for (int i = 0; i < Count(); ++i) {
        out += Strings(i);
        out += "\r\n";
    }
    return out;
}

void TStrings::SetText(std::string_view S)
{
    Clear();
    std::size_t p = 0;
    while (p < S.size()) {
        std::size_t e = p;
        while (e < S.size() && S[e] != '\r' && S[e] != '\n') ++e;
        Add(std::string(S.substr(p, e - p)));
        if (e < S.size() && S[e] == '\r') ++e;
        if (e < S.size() && S[e] == '\n') ++e;
        p = e;
    }
}

std::string TStrings::CommaText() const
{
    std::string out;
    for (int i = 0; i < Count(); ++i) {
        if (i) out.push_back(',');
        const std::string& s = Strings(i);
        bool quote = s.empty() && Count() > 1;
        for (char c : s)
            if (static_cast<uint8_t>(c) <= ' ' || c == ',' || c == '"') quote = true;
        if (!quote) {
            out += s;
            continue;
        }
        out.push_back('"');
        for (char c : s) {
            if (c == '"') out.push_back('"');
            out.push_back(c);
        }
        out.push_back('"');
    }
    return out;
}

void TStrings::SetCommaText(std::string_view S)
{
    Clear();
    std::size_t p = 0;
    auto skipBlanks = [&] { while (p < S.size() && static_cast<uint8_t>(S[p]) <= ' ') ++p; };
    skipBlanks();
    while (p < S.size()) {
        std::string item;
        if (S[p] == '"') {
            ++p;
            while (p < S.size()) {
                if (S[p] == '"') {
                    if (p + 1 < S.size() && S[p + 1] == '"') { item.push_back('"'); p += 2; continue; }
                    ++p;
                    break;
                }
                item.push_back(S[p++]);
            }
        } else {
            while (p < S.size() && S[p] != ',' && static_cast<uint8_t>(S[p]) > ' ') item.push_back(S[p++]);
        }
        Add(item);
        skipBlanks();
        if (p < S.size() && S[p] == ',') {
            ++p;
            skipBlanks();
            if (p >= S.size()) Add("");
        }
    }
}

std::vector<std::string> TStrings::ToVector() const
{
    std::vector<std::string> out;
    out.reserve(Count());
    for (int i = 0; i < Count(); ++i) out.push_back(Strings(i));
    return out;
}

// ---- TStringList ----------------------------------------------------------

TStringList::TStringList(std::initializer_list<std::string> Items)
{
    for (const auto& s : Items) Add(s);
}

const std::string& TStringList::Strings(int Index) const
{
    if (Index < 0 || Index >= Count()) IndexError(Index);
    return FItems[Index].S;
}

void TStringList::SetStrings(int Index, const std::string& S)
{
    if (Index < 0 || Index >= Count()) IndexError(Index);
    if (FSorted) throw EListError("Operation not allowed on sorted list");
    FItems[Index].S = S;
}

TObject* TStringList::Objects(int Index) const
{
    if (Index < 0 || Index >= Count()) IndexError(Index);
    return FItems[Index].Obj;
}

void TStringList::SetObjects(int Index, TObject* Obj)
{
    if (Index < 0 || Index >= Count()) IndexError(Index);
    FItems[Index].Obj = Obj;
}

void TStringList::Insert(int Index, const std::string& S, TObject* Obj)
{
    if (FSorted) throw EListError("Operation not allowed on sorted list");
    if (Index < 0 || Index > Count()) IndexError(Index);
    FItems.insert(FItems.begin() + Index, Item{S, Obj});
}

void TStringList::Delete(int Index)
{
    if (Index < 0 || Index >= Count()) IndexError(Index);
    FItems.erase(FItems.begin() + Index);
}

int TStringList::Add(const std::string& S, TObject* Obj)
{
    if (!FSorted) {
        FItems.push_back(Item{S, Obj});
        return Count() - 1;
    }
    int index;
    if (Find(S, index)) {
        if (Duplicates == dupIgnore) return index;
        if (Duplicates == dupError) throw EListError("String list does not allow duplicates");
    }
    FItems.insert(FItems.begin() + index, Item{S, Obj});
    return index;
}

int TStringList::IndexOf(std::string_view S) const
{
    if (!FSorted) return TStrings::IndexOf(S);
    int index;
    return Find(S, index) ? index : -1;
}

bool TStringList::Find(std::string_view S, int& Index) const
{
    int lo = 0, hi = Count() - 1;
    bool found = false;
    while (lo <= hi) {
        int mid = (lo + hi) / 2;
        int c = CompareStrings(FItems[mid].S, S);
        if (c < 0) {
            lo = mid + 1;
        } else {
            hi = mid - 1;
            if (c == 0) {
                found = true;
                if (Duplicates != dupAccept) lo = mid;
            }
        }
    }
    Index = lo;
    return found;
}

void TStringList::Sort()
{
    std::stable_sort(FItems.begin(), FItems.end(), [this](const Item& a, const Item& b) {
        return CompareStrings(a.S, b.S) < 0;
    });
}

void TStringList::Set_Sorted(bool Value)
{
    if (Value == FSorted) return;
    if (Value) {
        Sort();
        if (Duplicates == dupIgnore) {
            // Keep the first of each run of equal strings.
            auto last = std::unique(FItems.begin(), FItems.end(), [this](const Item& a, const Item& b) {
                return CompareStrings(a.S, b.S) == 0;
            });
            FItems.erase(last, FItems.end());
        }
    }
    FSorted = Value;
}

} // namespace kxtapi
