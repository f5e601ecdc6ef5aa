#include "kxtapi/rtl/classes.h"

#include "kxtapi/rtl/format.h"
#include "kxtapi/rtl/strings.h"

#include <algorithm>

namespace kxtapi {

// ---- TList ----------------------------------------------------------------

namespace {
[[noreturn]] void ListIndexError(int Index)
{
    throw EListError(Format("List index out of bounds (%d)", Index));
}
} // namespace

void* TList::Get(int Index) const
{
    if (Index < 0 || Index >= Count()) ListIndexError(Index);
    return FItems[Index];
}

void TList::Put(int Index, void* Item)
{
    if (Index < 0 || Index >= Count()) ListIndexError(Index);
    FItems[Index] = Item;
}

int TList::Add(void* Item)
{
    FItems.push_back(Item);
    return Count() - 1;
}

void TList::Insert(int Index, void* Item)
{
    if (Index < 0 || Index > Count()) ListIndexError(Index);
    FItems.insert(FItems.begin() + Index, Item);
}

void TList::Delete(int Index)
{
    if (Index < 0 || Index >= Count()) ListIndexError(Index);
    FItems.erase(FItems.begin() + Index);
}

int TList::Remove(void* Item)
{
    int i = IndexOf(Item);
    if (i >= 0) Delete(i);
    return i;
}

int TList::IndexOf(const void* Item) const noexcept
{
    auto it = std::find(FItems.begin(), FItems.end(), Item);
    return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

void TList::Exchange(int Index1, int Index2)
{
    if (Index1 < 0 || Index1 >= Count()) ListIndexError(Index1);
    if (Index2 < 0 || Index2 >= Count()) ListIndexError(Index2);
    std::swap(FItems[Index1], FItems[Index2]);
}

void TList::Move(int CurIndex, int NewIndex)
{
    if (CurIndex == NewIndex) return;
    void* item = Get(CurIndex);
    if (NewIndex < 0 || NewIndex >= Count()) ListIndexError(NewIndex);
    FItems.erase(FItems.begin() + CurIndex);
    FItems.insert(FItems.begin() + NewIndex, item);
}

void TList::Clear()
{
    FItems.clear();
}

void* TList::First() const { return Get(0); }
void* TList::Last() const { return Get(Count() - 1); }

// ---- TPersistent ----------------------------------------------------------

void TPersistent::Assign(const TPersistent* Source)
{
    if (Source != nullptr) {
        Source->AssignTo(this);
        return;
    }
    throw EAssignError("Cannot assign a nil to a " + ClassName());
}

void TPersistent::AssignTo(TPersistent* Dest) const
{
    throw EAssignError("Cannot assign a " + ClassName() + " to a " + Dest->ClassName());
}

// ---- TComponent -----------------------------------------------------------

bool IsValidIdent(const std::string& S) noexcept
{
    if (S.empty()) return false;
    auto alpha = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
    if (!alpha(S[0])) return false;
    return std::all_of(S.begin() + 1, S.end(), [&](char c) { return alpha(c) || (c >= '0' && c <= '9'); });
}

TComponent::TComponent(TComponent* AOwner)
{
    if (AOwner != nullptr) AOwner->InsertComponent(this);
}

TComponent::~TComponent()
{
    FState.Include(csDestroying);
    // Tell every linked component first, so none keeps a pointer to us.
    while (!FFreeNotifies.empty()) {
        TComponent* other = FFreeNotifies.back();
        FFreeNotifies.pop_back();
        auto& back = other->FFreeNotifies;
        back.erase(std::remove(back.begin(), back.end(), this), back.end());
        other->Notification(this, opRemove);
    }
    DestroyComponents();
    if (FOwner != nullptr) FOwner->RemoveComponent(this);
}

TComponent* TComponent::Components(int Index) const
{
    if (Index < 0 || Index >= ComponentCount()) ListIndexError(Index);
    return FComponents[Index];
}

TComponent* TComponent::FindComponent(const std::string& AName) const
{
    if (AName.empty()) return nullptr;
    for (TComponent* c : FComponents)
        if (AnsiSameText(c->FName, AName)) return c;
    return nullptr;
}

void TComponent::Set_Name(const std::string& Value)
{
    if (Value == FName) return;
    if (!Value.empty() && !IsValidIdent(Value))
        throw Exception("''" + Value + "'' is not a valid component name");
    if (FOwner != nullptr && !Value.empty()) {
        TComponent* other = FOwner->FindComponent(Value);
        if (other != nullptr && other != this)
            throw Exception("A component named " + Value + " already exists");
    }
    FName = Value;
}

void TComponent::SetLoading(bool Value)
{
    if (Value) FState.Include(csLoading);
    else FState.Exclude(csLoading);
    for (TComponent* c : FComponents) c->SetLoading(Value);
}

void TComponent::SetDesigning(bool Value)
{
    if (Value) FState.Include(csDesigning);
    else FState.Exclude(csDesigning);
    for (TComponent* c : FComponents) c->SetDesigning(Value);
}

void TComponent::SetStreamingState(TComponentStateFlag Flag, bool Value) noexcept
{
    if (Flag != csLoading && Flag != csReading && Flag != csWriting) return;
    if (Value) FState.Include(Flag);
    else FState.Exclude(Flag);
}

void TComponent::Loaded()
{
    FState.Exclude(csLoading);
}

void TComponent::FreeNotification(TComponent* AComponent)
{
    if (AComponent == nullptr || AComponent == this) return;
    if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent) == FFreeNotifies.end())
        FFreeNotifies.push_back(AComponent);
    auto& back = AComponent->FFreeNotifies;
    if (std::find(back.begin(), back.end(), this) == back.end()) back.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent)
{
    if (AComponent == nullptr) return;
    FFreeNotifies.erase(std::remove(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent),
                        FFreeNotifies.end());
    auto& back = AComponent->FFreeNotifies;
    back.erase(std::remove(back.begin(), back.end(), this), back.end());
}

void TComponent::InsertComponent(TComponent* AComponent)
{
    if (AComponent == nullptr || AComponent->FOwner == this) return;
    if (AComponent->FOwner != nullptr) AComponent->FOwner->RemoveComponent(AComponent);
    Insert(AComponent);
    if (IsDesigning()) AComponent->SetDesigning(true);
    Notification(AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent)
{
    if (AComponent == nullptr || AComponent->FOwner != this) return;
    Notification(AComponent, opRemove);
    Remove(AComponent);
}

void TComponent::DestroyComponents()
{
    while (!FComponents.empty()) {
        TComponent* c = FComponents.back();
        Remove(c);
        delete c;
    }
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation)
{
    if (Operation == opRemove && AComponent != nullptr) RemoveFreeNotification(AComponent);
}

void TComponent::Insert(TComponent* AComponent)
{
    FComponents.push_back(AComponent);
    AComponent->FOwner = this;
}

void TComponent::Remove(TComponent* AComponent)
{
    FComponents.erase(std::remove(FComponents.begin(), FComponents.end(), AComponent), FComponents.end());
    AComponent->FOwner = nullptr;
}

} // namespace kxtapi
