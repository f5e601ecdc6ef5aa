// Pointer lists, persistent objects and components.
#pragma once

#include "kxtapi/rtl/object.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kxtapi {

/// A list of untyped pointers that owns nothing. A bad index raises
/// EListError "List index out of bounds (%d)".
class TList : public TObject {
public:
    std::string ClassName() const override { return "TList"; }

    int Count() const noexcept { return static_cast<int>(FItems.size()); }
    void* Get(int Index) const;
    void Put(int Index, void* Item);
    int Add(void* Item);
    void Insert(int Index, void* Item);
    void Delete(int Index);
    /// Removes the first occurrence of Item; returns its former index or -1.
    int Remove(void* Item);
    int IndexOf(const void* Item) const noexcept;
    void Exchange(int Index1, int Index2);
    void Move(int CurIndex, int NewIndex);
    virtual void Clear();
    void* First() const;
    void* Last() const;
    /// The stored pointers, in order.
    const std::vector<void*>& Items() const noexcept { return FItems; }

private:
    std::vector<void*> FItems;
};

/// An object that can copy itself from another (`Assign`) and that is
/// streamed with its owner. The default `Assign` lets Source try
/// `AssignTo`, whose default raises EAssignError "Cannot assign a <Source
/// class> to a <Dest class>" ("nil" for a null Source).
class TPersistent : public TObject {
public:
    std::string ClassName() const override { return "TPersistent"; }
    virtual void Assign(const TPersistent* Source);

protected:
    virtual void AssignTo(TPersistent* Dest) const;
};

/// Component state flags (`ComponentState`).
enum TComponentStateFlag { csLoading, csReading, csWriting, csDestroying, csDesigning };
using TComponentState = TSet<TComponentStateFlag>;

/// What `Notification` reports.
enum TOperation { opInsert, opRemove };

/// A component: an owner frees what it owns; a component has a `Name`, a
/// `Tag` and a state with the loading, designing and destroying flags, and is
/// told through `Notification` when a component it owns, or one it linked with
/// `FreeNotification`, goes away.
///
/// Components are created with `new` and an owner, or held by the
/// application without one (`std::unique_ptr`). Deleting a component
/// first frees the components it owns, in reverse order of insertion.
class TComponent : public TPersistent {
public:
    explicit TComponent(TComponent* AOwner);
    ~TComponent() override;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    std::string ClassName() const override { return "TComponent"; }

    TComponent* Get_Owner() const noexcept { return FOwner; }
    int ComponentCount() const noexcept { return static_cast<int>(FComponents.size()); }
    TComponent* Components(int Index) const;
    /// The owned component with that name (case-insensitive), or null.
    TComponent* FindComponent(const std::string& AName) const;

    const std::string& Get_Name() const noexcept { return FName; }
    /// Renames the component; raises Exception when the name is not a valid
    /// identifier or another component of the same owner carries it.
    virtual void Set_Name(const std::string& Value);
    intptr_t Get_Tag() const noexcept { return FTag; }
    void Set_Tag(intptr_t Value) noexcept { FTag = Value; }

    TComponentState ComponentState() const noexcept { return FState; }
    bool IsLoading() const noexcept { return FState.Contains(csLoading); }
    bool IsDesigning() const noexcept { return FState.Contains(csDesigning); }
    bool IsDestroying() const noexcept { return FState.Contains(csDestroying); }

    /// Marks this component and every component it owns as being loaded
    /// (form reading sets this before assigning properties).
    void SetLoading(bool Value);
    /// Design mode for this component and every component it owns.
    void SetDesigning(bool Value);
    /// Sets or clears csLoading, csReading or csWriting on this component
    /// alone, not on the components it owns (any other flag is left as it
    /// is). The form reader marks exactly the components it reads this way, so
    /// parts a constructor created do not wait for a `Loaded` nobody sends.
    void SetStreamingState(TComponentStateFlag Flag, bool Value) noexcept;

    /// A sub-component is an internal part of its owner, created by the
    /// owner's constructor (a timer, say); form files leave it out of the
    /// owner's children, since the owner creates it again when it is read.
    bool IsSubComponent() const noexcept { return FSubComponent; }
    void SetSubComponent(bool Value) noexcept { FSubComponent = Value; }

    /// Called once loading has finished; clears csLoading. Descendants apply
    /// the wishes they stored while loading after calling the base.
    virtual void Loaded();

    /// Asks to be told (`Notification(AComponent, opRemove)`) when AComponent
    /// is destroyed; the link is mutual and ends when either side goes.
    void FreeNotification(TComponent* AComponent);
    void RemoveFreeNotification(TComponent* AComponent);

    void InsertComponent(TComponent* AComponent);
    void RemoveComponent(TComponent* AComponent);
    /// Frees every owned component, last first.
    void DestroyComponents();

protected:
    /// AComponent was inserted into or is being removed from this owner, or a
    /// linked component is being destroyed.
    virtual void Notification(TComponent* AComponent, TOperation Operation);

private:
    void Insert(TComponent* AComponent);
    void Remove(TComponent* AComponent);

    TComponent* FOwner = nullptr;
    std::vector<TComponent*> FComponents;
    std::vector<TComponent*> FFreeNotifies;
    std::string FName;
    intptr_t FTag = 0;
    TComponentState FState;
    bool FSubComponent = false;
};

/// True when S is a valid component name (letter or '_' first, then letters,
/// digits or '_').
bool IsValidIdent(const std::string& S) noexcept;

} // namespace kxtapi
