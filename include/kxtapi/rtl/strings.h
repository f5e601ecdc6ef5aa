// Windows-1252 strings and string lists.
#pragma once

#include "kxtapi/rtl/object.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kxtapi {

/// Converts a Windows-1252 string to UTF-8. The five byte values that
/// Windows-1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1
/// control characters of the same value, so every byte survives a round trip.
std::string Cp1252ToUtf8(std::string_view S);

/// Converts UTF-8 to Windows-1252. A character the code page lacks, and a
/// malformed UTF-8 sequence, become Replacement ('?' by default).
std::string Utf8ToCp1252(std::string_view S, char Replacement = '?');

/// Upper-case of one Windows-1252 character (letters with accents included).
char AnsiUpperChar(char C) noexcept;
/// Lower-case of one Windows-1252 character.
char AnsiLowerChar(char C) noexcept;
std::string AnsiUpperCase(std::string_view S);
std::string AnsiLowerCase(std::string_view S);
/// Case-insensitive comparison of Windows-1252 strings: <0, 0 or >0.
int AnsiCompareText(std::string_view A, std::string_view B) noexcept;
/// Case-insensitive equality of Windows-1252 strings.
bool AnsiSameText(std::string_view A, std::string_view B) noexcept;
/// Removes leading and trailing blanks and control characters.
std::string Trim(std::string_view S);

/// What a sorted list does with a string it already holds.
enum TDuplicates { dupIgnore, dupAccept, dupError };

/// An ordered list of strings, each with an optional associated object (not
/// owned). Indices run from 0 to Count()-1; a bad index raises EListError
/// "List index out of bounds (%d)". Lookups compare case-insensitively unless
/// CaseSensitive is set. "Name=Value" entries are read and written by name.
class TStrings : public TObject {
public:
    std::string ClassName() const override { return "TStrings"; }

    virtual int Count() const = 0;
    virtual const std::string& Strings(int Index) const = 0;
    virtual void SetStrings(int Index, const std::string& S) = 0;
    virtual TObject* Objects(int Index) const = 0;
    virtual void SetObjects(int Index, TObject* Obj) = 0;
    virtual void Insert(int Index, const std::string& S, TObject* Obj = nullptr) = 0;
    virtual void Delete(int Index) = 0;
    virtual void Clear() = 0;

    /// Appends S (sorted lists insert in order) and returns its index.
    virtual int Add(const std::string& S, TObject* Obj = nullptr);
    int AddObject(const std::string& S, TObject* Obj) { return Add(S, Obj); }
    void AddStrings(const TStrings& Source);
    /// Replaces the contents with those of Source (strings and objects).
    virtual void Assign(const TStrings& Source);
    /// Index of the first entry equal to S (case-insensitive by default), or -1.
    virtual int IndexOf(std::string_view S) const;
    int IndexOfObject(const TObject* Obj) const;
    /// Index of the first "Name=..." entry with that name, or -1.
    int IndexOfName(std::string_view Name) const;
    /// Name part of entry Index ("" when it has no '=').
    std::string Names(int Index) const;
    /// Value part of entry Index (after the first '=').
    std::string ValueFromIndex(int Index) const;
    /// The value stored under Name, or "".
    std::string Values(std::string_view Name) const;
    /// Sets the value under Name; an empty value deletes the entry.
    void SetValue(std::string_view Name, const std::string& Value);
    void Exchange(int Index1, int Index2);
    void Move(int CurIndex, int NewIndex);
    /// Every entry followed by CR LF.
    std::string Text() const;
    /// Replaces the contents with the lines of S, split at CR LF, CR or LF.
    void SetText(std::string_view S);
    /// Entries joined by commas, quoted where they hold blanks, commas or quotes.
    std::string CommaText() const;
    void SetCommaText(std::string_view S);
    std::vector<std::string> ToVector() const;

    bool CaseSensitive = false;

protected:
    int CompareStrings(std::string_view A, std::string_view B) const noexcept;
    [[noreturn]] static void IndexError(int Index);
};

/// The string list. With `Sorted` set, entries are kept in case-insensitive
/// order and `Add` of a string already present follows `Duplicates`
/// (dupIgnore by default: the existing index is returned, nothing is added;
/// dupError raises EListError "String list does not allow duplicates").
class TStringList : public TStrings {
public:
    TStringList() = default;
    TStringList(std::initializer_list<std::string> Items);
    std::string ClassName() const override { return "TStringList"; }

    int Count() const override { return static_cast<int>(FItems.size()); }
    const std::string& Strings(int Index) const override;
    void SetStrings(int Index, const std::string& S) override;
    TObject* Objects(int Index) const override;
    void SetObjects(int Index, TObject* Obj) override;
    void Insert(int Index, const std::string& S, TObject* Obj = nullptr) override;
    void Delete(int Index) override;
    void Clear() override { FItems.clear(); }
    int Add(const std::string& S, TObject* Obj = nullptr) override;
    int IndexOf(std::string_view S) const override;

    /// Binary search of a sorted list: true when found, Index is the position
    /// of S or where it would be inserted.
    bool Find(std::string_view S, int& Index) const;
    void Sort();
    bool Get_Sorted() const { return FSorted; }
    void Set_Sorted(bool Value);

    TDuplicates Duplicates = dupIgnore;

private:
    struct Item {
        std::string S;
        TObject* Obj = nullptr;
    };
    std::vector<Item> FItems;
    bool FSorted = false;
};

} // namespace kxtapi
