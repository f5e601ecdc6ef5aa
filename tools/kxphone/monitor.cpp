#include "monitor.h"

#include "call_numbers.h"
#include "line_watch.h"
#include "lines.h"

#include <kxtapi/kxtapi.h>

namespace kxphone {

using namespace kxtapi;

int RunMonitor(TEventLoop& Loop, TEventOutput& Output, const std::string& LineSpec)
{
    bool Lost = false;
    {
        TCallNumbers Numbers;
        TTapiLine Line(nullptr);
        TLineWatch Watch(Line, Output, Numbers);
        Watch.MonitorDigits = true;
        Watch.OnRecord = [&](const TEventRecord& R, TTapiCall*) {
            if (R.Event == "LINECLOSED" || R.Event == "LINEREMOVED") Lost = true;
        };
        OpenLine(Line, LineSpec);
        std::string Addresses;
        for (int i = 0; i < Line.Get_AddressNames()->Count(); ++i)
            Addresses += (i ? ", " : "") + Line.Get_AddressNames()->Strings(i);
        Output.Write(TEventRecord{Utf8(Line.Get_DeviceName()), 0, "OPENED", {TextField("addresses", Addresses)}});
        Output.Note("monitoring; Ctrl-C ends");
        Loop.RunUntil([&] { return Lost; }, INFINITE);
        if (Line.Get_Active()) Line.Set_Active(false);
    }
    EndSession();
    return Lost ? 1 : 0;
}

} // namespace kxphone
