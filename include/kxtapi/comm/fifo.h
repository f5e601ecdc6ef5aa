// Token FIFO: a fixed-size byte ring that reports registered text patterns
// as they arrive.
#pragma once

#include "kxtapi/rtl/classes.h"
#include "kxtapi/rtl/object.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kxtapi {

/// Raised by every failing FIFO operation.
class EBufferError : public Exception {
public:
    using Exception::Exception;
    std::string ClassName() const override { return "EBufferError"; }
};

/// One registered pattern of a TkxFifo. Created and owned by the FIFO
/// (`AddTokenTrigger`); applications read it, for example in an override of
/// `TkxFifo::TriggerTokenFound`.
class TTriggerToken : public TObject {
public:
    TTriggerToken(int32_t AHandle, std::string AToken)
        : Handle(AHandle), Token(std::move(AToken)) {}
    std::string ClassName() const override { return "TTriggerToken"; }

    /// Positive, unique among the triggers registered with one FIFO.
    const int32_t Handle;
    /// The pattern ("?" any one byte, "*" any run of bytes).
    const std::string Token;

    /// Offset (from the oldest byte held) of the occurrence being reported,
    /// -1 outside the report.
    int32_t Get_Position() const noexcept { return FPosition; }
    /// Offset from which the next search for this pattern begins.
    int32_t Get_SearchStart() const noexcept { return FSearchStart; }

private:
    friend class TkxFifo;
    int32_t FPosition = -1;
    int32_t FSearchStart = 0;
    bool FRegistered = true;
    // The pattern's shape, worked out once: characters other than "*", and
    // those before the first "*".
    uint32_t FLiterals = 0;
    uint32_t FHeadLen = 0;
    bool FHasStar = false;
    // Content version of the last search that found nothing: searching the
    // same bytes from the same start again would find nothing again.
    uint64_t FMissedVersion = 0;
};

/// `OnTokenFound`: trigger Handle matched at offset TokenPos; TokenLen is the
/// length of the trigger's pattern (wildcards included, so for a pattern with
/// "*" it is not the length of the bytes matched).
using TTokenFoundEvent =
    std::function<void(TObject* Sender, int32_t Handle, int32_t TokenPos, int32_t TokenLen)>;

/// A byte FIFO of `Size` bytes (at most 65535, 2048 at construction) that
/// searches its content for registered patterns after every write.
///
/// Writes are all or nothing: a write that does not fit fires `OnOverflow`
/// (whose handler may take bytes out) and, when it still does not fit,
/// stores nothing and returns false. Reads, peeks and removes of more than is
/// held take what is held. Offsets and positions count from the oldest byte
/// held (offset 0). Everything runs on the caller's thread.
///
/// Each occurrence of a pattern is reported once, through `OnTokenFound`, in
/// search passes: a pass finds the next occurrence of every trigger, and the
/// finds of one pass are reported by position (ties in order of
/// registration); passes repeat until one finds nothing. A handler may read,
/// remove, write and register or remove triggers; positions still to be
/// reported move with the bytes taken out, occurrences whose first byte was
/// taken out are not reported, and bytes written by a handler are searched
/// by the running search.
///
/// Created with an owner in design mode the FIFO has no buffer: content
/// operations raise EBufferError "FBuffer not initialised.".
class TkxFifo : public TComponent {
public:
    explicit TkxFifo(TComponent* AOwner);
    ~TkxFifo() override;
    std::string ClassName() const override { return "TkxFifo"; }

    // ---- content --------------------------------------------------------

    /// Appends Count bytes of Buffer; false (nothing stored) when they do not
    /// fit even after `OnOverflow`. Searches for the triggers, then fires
    /// `OnChange`.
    bool WriteData(const void* Buffer, uint32_t Count);
    /// `WriteData` of the bytes of Text.
    bool Write(const std::string& Text);

    /// Takes up to Count bytes into Buffer (which holds Count bytes); returns
    /// the number taken. Fires `OnChange`, also when none was taken.
    uint32_t ReadData(void* Buffer, uint32_t Count);
    /// Takes up to Count bytes; the result holds only the bytes taken.
    std::string Read(uint32_t Count);
    /// Takes one line: the bytes before the first CR, LF or CR LF, which are
    /// taken out with the line end. LF CR ends a line and leaves the CR to end
    /// an empty next line. Without a line end, returns every byte held and
    /// takes nothing out.
    std::string ReadLn();
    /// Drops up to Count of the oldest bytes; fires `OnChange`.
    void Remove(uint16_t Count);
    /// Empties the FIFO (triggers stay registered); fires `OnChange`.
    void Clear();

    /// Copies up to Count bytes from Offset on into Buffer without taking
    /// them; returns the number copied (0 when Offset >= bytes held).
    uint16_t GetData(void* Buffer, uint32_t Offset, uint32_t Count) const;
    /// `GetData` as a string; the result holds only the bytes copied.
    std::string GetStr(uint32_t Offset, uint32_t Count) const;

    /// `Find(Token, 0)` on a FIFO with a buffer.
    int32_t Search(const std::string& Token) const;
    /// First match of the pattern Token at or after offset Start, or -1. The
    /// position is where the part before the first "*" matched; a pattern
    /// that begins with "*" is reported at Start when the rest is found, and
    /// a pattern of stars only (or empty) always at Start. Case-sensitive;
    /// matches may cross the physical end of the ring.
    int32_t Find(const std::string& Token, uint16_t Start) const;

    /// Raises EBufferError "FBuffer not initialised." without a buffer.
    void CheckBuffer() const;

    // ---- size and state -------------------------------------------------

    uint16_t Get_Size() const noexcept { return FSize; }
    /// Sets `Size` (run time, also while loading). Raises EBufferError "FBuffer
    /// size can not be set while data in FBuffer" while bytes are held. In
    /// design mode only the value is kept (there is no buffer); a FIFO without
    /// buffer outside design mode raises "FBuffer size can not be set at
    /// run-time".
    void SetSize(uint16_t Value);
    /// Bytes held.
    uint16_t Get_Count() const noexcept { return FCount; }
    /// Bytes that can still be written (Size - Count).
    uint16_t Get_Free() const noexcept { return FFree; }
    /// Ring index of the oldest byte held.
    uint16_t Get_ReadIndex() const noexcept { return FReadIndex; }
    /// Ring index where the next byte goes.
    uint16_t Get_WriteIndex() const noexcept { return FWriteIndex; }
    /// False for a designer instance.
    bool HasBuffer() const noexcept { return FBuffer != nullptr; }

    // ---- triggers -------------------------------------------------------

    /// Registers the pattern Token and returns its handle, the smallest
    /// positive number no registered trigger uses. The next write searches
    /// for it. Raises EBufferError when Token has no character other than
    /// "*" (such a pattern would match everywhere).
    int32_t AddTokenTrigger(const std::string& Token);
    /// Frees the first trigger with that handle; returns its former list
    /// index, or -1 when there was none.
    int32_t RemoveTokenTrigger(int32_t Handle);
    /// Frees every trigger.
    void ClearTokenTrigger();
    int32_t Get_TriggerCount() const noexcept { return static_cast<int32_t>(FTriggers.size()); }
    /// The trigger at a list index (registration order); null when out of range.
    TTriggerToken* Get_Trigger(int32_t Index) const noexcept;

    /// Searches for every trigger from its search start and reports what is
    /// found; runs after every successful write. Called from inside a report
    /// it does nothing: the running search covers the new bytes.
    void SearchForTokens();
    /// Reports one find: calls `OnTokenFound` when assigned.
    virtual void TriggerTokenFound(TTriggerToken* Trigger);

    // ---- events ---------------------------------------------------------

    /// After every change of the content.
    std::function<void(TObject* Sender)> OnChange;
    /// When a write does not fit.
    std::function<void(TObject* Sender)> OnOverflow;
    /// For each occurrence of a trigger's pattern.
    TTokenFoundEvent OnTokenFound;

private:
    void DoChange();
    void BytesTakenOut(uint32_t N);
    void CopyOut(uint8_t* Dest, uint32_t RingIndex, uint32_t N) const;
    void Retire(size_t Index);
    TTriggerToken* NextToReport() const noexcept;

    std::unique_ptr<uint8_t[]> FBuffer;
    uint16_t FReadIndex = 0;
    uint16_t FWriteIndex = 0;
    uint16_t FSize = 2048;
    uint16_t FCount = 0;
    uint16_t FFree = 2048;
    std::vector<std::unique_ptr<TTriggerToken>> FTriggers;
    // Triggers removed while a search runs; freed when it ends, so the
    // running search never touches a freed trigger.
    std::vector<std::unique_ptr<TTriggerToken>> FRetired;
    bool FSearching = false;
    uint64_t FVersion = 1; // changes with every change of the content
    TTriggerToken* FReporting = nullptr; // the trigger whose find is being reported
};

} // namespace kxtapi
