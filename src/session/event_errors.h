// Where a library exception that an event handler let escape came from, so
// that the dispatch, which swallows it, can hand it to the program's
// exception hook as an ETapiEventError (<kxtapi/session/events.h>).
#pragma once

#include "kxtapi/rtl/object.h"
#include "kxtapi/session/message_stack.h"

namespace kxtapi::detail {

/// The current exception left the dispatch of Item (to Target, if any).
void NoteDispatchException(const TTapiMsgStackItem& Item, const TObject* Target) noexcept;
/// The current exception left the tick of Device, which had Cookie (it may
/// be gone by now: it is not looked at unless still alive).
void NoteTickException(const TObject* Device, uint32_t Cookie) noexcept;
/// Hands the current exception, with what was noted about it, to
/// Application()->OnException when that is assigned; otherwise nothing.
void ReportEventException() noexcept;

} // namespace kxtapi::detail
