// The package's registration: palette pages and property-editor bindings.

#include "kxtapi/design/register.h"

#include "kxtapi/comm/comport.h"
#include "kxtapi/design/tapi_editors.h"
#include "kxtapi/line/call_parameters.h"
#include "kxtapi/line/call_params.h"
#include "kxtapi/line/line.h"
#include "kxtapi/line/media_params.h"
#include "kxtapi/phone/phone.h"
#include "kxtapi/session/tsp.h"

namespace kxtapi {

void Register(TDesignRegistry& R)
{
    const std::string String = PropertyType<std::string>();
    const std::string Cardinal = PropertyType<uint32_t>();
    const std::string Character = PropertyType<char>();
    const TClassInfo* Line = ClassInfoOf<TTapiLine>();
    const TClassInfo* Tsp = ClassInfoOf<TTapiTSP>();
    const TClassInfo* Phone = ClassInfoOf<TTapiPhone>();
    const TClassInfo* Port = ClassInfoOf<TComPort>();

    R.RegisterComponents("kxTapi", {Line});
    R.RegisterPropertyEditor(String, Line, "DeviceName", EditorClass<TTapiDeviceNameProperty>());
    R.RegisterPropertyEditor(Cardinal, Line, "MediaModes", EditorClass<TTapiMediaModesProperty>());
    // TTapiTSP publishes no API versions: these two bindings find nothing.
    R.RegisterPropertyEditor(Cardinal, Tsp, "APILowVersion", EditorClass<TTapiHexProperty>());
    R.RegisterPropertyEditor(Cardinal, Tsp, "APIHighVersion", EditorClass<TTapiHexProperty>());
    R.RegisterPropertyEditor(Cardinal, Tsp, "ExtLowVersion", EditorClass<TTapiHexProperty>());
    R.RegisterPropertyEditor(Cardinal, Tsp, "ExtHighVersion", EditorClass<TTapiHexProperty>());
    R.RegisterPropertyEditor(Cardinal, ClassInfoOf<TTapiCallParameters>(), "BearerMode",
                             EditorClass<TTapiBearerModeProperty>());
    R.RegisterPropertyEditor(Cardinal, ClassInfoOf<TTapiCallParameters>(), "MediaMode",
                             EditorClass<TTapiMediaModeProperty>());
    R.RegisterPropertyEditor(Cardinal, ClassInfoOf<TTapiCallParams>(), "BearerMode",
                             EditorClass<TTapiBearerModeProperty>());
    R.RegisterPropertyEditor(Cardinal, ClassInfoOf<TTapiCallGatherDigitsParams>(), "DigitModes",
                             EditorClass<TTapiDigitModeProperty>());
    R.RegisterPropertyEditor(Cardinal, ClassInfoOf<TTapiCallMonitorDigitsParams>(), "DigitModes",
                             EditorClass<TTapiDigitModeProperty>());
    R.RegisterPropertyEditor(Cardinal, ClassInfoOf<TTapiCallMonitorMediaParams>(), "MediaModes",
                             EditorClass<TTapiMediaModesProperty>());
    // The second page differs from the first in letter case only.
    R.RegisterComponents("kxTAPI", {Phone});
    R.RegisterPropertyEditor(String, Phone, "DeviceName", EditorClass<TTapiDeviceNameProperty>());
    R.RegisterComponents("kxTAPI", {Port});
    R.RegisterPropertyEditor(String, Port, "PortName", EditorClass<TComPortStringProperty>());
    R.RegisterPropertyEditor(Character, Port, "Parity", EditorClass<TComPortParityProperty>());
}

void Register()
{
    Register(DesignRegistry());
}

} // namespace kxtapi
