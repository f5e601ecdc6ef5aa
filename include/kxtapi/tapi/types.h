// Scalar types, handles and callbacks of the TAPI 2.x interface.
//
// Every TAPI value is 32 bits wide, pointers aside: DWORD fields, handles and
// callback instances alike. Handles of the runtime layer that TAPI functions
// take (windows, icons, the module instance, events) are 32-bit numbers from
// its handle tables, never pointers.
//
// The Windows-style names below live at global scope, as they would beside a
// system header. Code elsewhere in the program (namespace kxtapi included)
// that declares a name of the same spelling must give it the same type; two
// typedefs of one type coexist without ambiguity even under a
// using-directive.
#pragma once

#include <cstdint>

typedef uint32_t DWORD;
typedef uint16_t WORD;
typedef DWORD* LPDWORD;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef void* LPVOID;

typedef uint32_t HANDLE;     // event handle of the runtime layer
typedef uint32_t HWND;       // window handle (owner of a dialog)
typedef uint32_t HICON;      // icon handle; 0 means no icon
typedef uint32_t HINSTANCE;  // module instance handle
typedef HICON* LPHICON;

// Usage, device and call handles handed out by the telephony service.
typedef uint32_t HLINEAPP;
typedef uint32_t HLINE;
typedef uint32_t HCALL;
typedef uint32_t HPHONEAPP;
typedef uint32_t HPHONE;
typedef HLINEAPP* LPHLINEAPP;
typedef HLINE* LPHLINE;
typedef HCALL* LPHCALL;
typedef HPHONEAPP* LPHPHONEAPP;
typedef HPHONE* LPHPHONE;

extern "C" {

/// Message callback of the hidden-window notification mode. The library
/// initialises in event mode and passes no callback; the type is declared for
/// the signatures of lineInitializeExA/phoneInitializeExA. The parameters are
/// hDevice, dwMessage, dwCallbackInstance, dwParam1, dwParam2, dwParam3.
typedef void (*LINECALLBACK)(DWORD, DWORD, DWORD, DWORD, DWORD, DWORD);
typedef void (*PHONECALLBACK)(DWORD, DWORD, DWORD, DWORD, DWORD, DWORD);

/// Calendar time as TAPI reports it (LINECALLSTATUS.tStateEntryTime).
typedef struct systemtime_tag {
    WORD wYear;
    WORD wMonth;
    WORD wDayOfWeek;
    WORD wDay;
    WORD wHour;
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
} SYSTEMTIME, *LPSYSTEMTIME;

}  // extern "C"

static_assert(sizeof(SYSTEMTIME) == 16);

/// API version this header describes; structures have their layout of this
/// version (fields added by later versions are absent).
inline constexpr DWORD TAPI_CURRENT_VERSION = 0x00020001;

// Sizes of the strings of an assisted-telephony request, terminating zero
// included.
inline constexpr DWORD TAPIMAXDESTADDRESSSIZE = 80;
inline constexpr DWORD TAPIMAXAPPNAMESIZE = 40;
inline constexpr DWORD TAPIMAXCALLEDPARTYSIZE = 40;
inline constexpr DWORD TAPIMAXCOMMENTSIZE = 80;
inline constexpr DWORD TAPIMAXDEVICECLASSSIZE = 40;
inline constexpr DWORD TAPIMAXDEVICEIDSIZE = 40;

// How the bytes of a string in a variable-size block are encoded.
inline constexpr DWORD STRINGFORMAT_ASCII = 0x00000001;
inline constexpr DWORD STRINGFORMAT_DBCS = 0x00000002;
inline constexpr DWORD STRINGFORMAT_UNICODE = 0x00000003;
inline constexpr DWORD STRINGFORMAT_BINARY = 0x00000004;

// TAPI structures are byte-packed, as in the original 32-bit header. Their
// fields are all 32-bit at offsets that are multiples of 4, so the layout is
// the natural one; the packing only lowers their alignment to 1, which lets a
// reader overlay an entry at whatever offset a provider put it inside a
// block. The cost: a field of a structure that sits at such an offset must
// not be bound to a reference or pointer (a const DWORD& parameter included);
// copy it into a variable first. Each structure header brackets its
// declarations with pack(push, 1) / pack(pop).

#pragma pack(push, 1)
extern "C" {

/// Answer of lineGetIDA/phoneGetIDA and phoneGetDisplay, and the non-directed
/// park address of linePark: a string or binary value in the variable part.
typedef struct varstring_tag {
    DWORD dwTotalSize;
    DWORD dwNeededSize;
    DWORD dwUsedSize;
    DWORD dwStringFormat;
    DWORD dwStringSize;
    DWORD dwStringOffset;
} VARSTRING, *LPVARSTRING;

}  // extern "C"
#pragma pack(pop)

static_assert(sizeof(VARSTRING) == 24 && alignof(VARSTRING) == 1);
