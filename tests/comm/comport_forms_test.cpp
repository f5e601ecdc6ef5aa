// The port's published properties: listed in order with their defaults, and
// streamed through a form so that a port marked active opens when loading
// ends.
#include "comm_test_util.h"

#include "kxtapi/rtl/forms.h"
#include "kxtapi/rtl/properties.h"

#include <gtest/gtest.h>

using namespace kxtapi;

TEST(ComPortProperties, PublishedInOrderWithDefaults)
{
    const TClassInfo* c = FindClass("TComPort");
    std::vector<std::string> names;
    for (const TPropertyInfo* p : c->Properties()) names.push_back(p->Name());
    EXPECT_EQ(names, (std::vector<std::string>{"Name", "Tag", "Active", "Baud", "Break", "CTS", "Databits", "DCD",
                                               "DSR", "DTR", "EventChars", "FlowControl", "Handle", "InBufferSize",
                                               "InCount", "MonitorEvents", "OutBufferSize", "OutCount", "Options",
                                               "Parity", "PortName", "ReadTimeout", "RING", "RTS", "Stopbits",
                                               "WriteTimeout"}));
    EXPECT_TRUE(c->FindProperty("CTS")->IsReadOnly());
    EXPECT_EQ(c->FindProperty("Baud")->OrdDefault(), 9600);
    EXPECT_EQ(c->FindProperty("Parity")->OrdDefault(), 'N');
    EXPECT_FALSE(c->FindProperty("ReadTimeout")->HasDefault());
    EXPECT_EQ(FindClass("TCommEventChars")->FindProperty("XoffChar")->OrdDefault(), 19);
}

TEST(ComPortProperties, FormRoundTripOpensWhenLoaded)
{
    Application()->SetMainThread();
    auto pair = TSimulatedPair::Create();
    MapSimulatedPort("COM61", pair);
    std::string form;
    {
        TComponent root(nullptr);
        root.Set_Name("Form1");
        auto* port = new TComPort(&root);
        port->Set_Name("ComPort1");
        port->Set_PortName("COM61");
        port->Set_Baud(19200);
        port->Set_FlowControl(TFlowControlSet{fcUseRTS, fcRequireCTS});
        port->Get_EventChars()->Set_EvtChar('\n');
        port->Set_Active(true);  // opens
        EXPECT_TRUE(pair->NearOpen());
        const TPropertyInfo* flow = FindClass("TComPort")->FindProperty("FlowControl");
        EXPECT_EQ(flow->GetAsText(port), "[fcUseRTS,fcRequireCTS]");
        form = WriteComponentToString(&root);
    }
    EXPECT_FALSE(pair->NearOpen());
    EXPECT_NE(form.find("\"Baud\": 19200"), std::string::npos) << form;
    EXPECT_EQ(form.find("Parity"), std::string::npos) << form;  // at its default
    EXPECT_EQ(form.find("Handle"), std::string::npos) << form;  // never stored

    TComponent copy(nullptr);
    ReadComponent(form, &copy);
    auto* port = dynamic_cast<TComPort*>(copy.FindComponent("ComPort1"));
    ASSERT_NE(port, nullptr);
    EXPECT_TRUE(port->IsPortOpen());  // Active applied in Loaded, with the settings read before it
    EXPECT_EQ(pair->NearState().BaudRate, 19200u);
    EXPECT_EQ(pair->NearState().EvtChar, '\n');
    EXPECT_EQ(pair->NearState().Flags & DCB_fRtsControlMask, RTS_CONTROL_HANDSHAKE);
    MapSimulatedPort("COM61", nullptr);
}

TEST(ComPortProperties, NeverOpensInTheDesigner)
{
    Application()->SetMainThread();
    auto pair = TSimulatedPair::Create();
    MapSimulatedPort("COM62", pair);
    TComPort port(nullptr);
    port.SetDesigning(true);
    port.Set_PortName("COM62");
    port.Set_Active(true);
    port.Loaded();
    EXPECT_TRUE(port.Get_Active());
    EXPECT_FALSE(port.IsPortOpen());
    EXPECT_FALSE(pair->NearOpen());
    MapSimulatedPort("COM62", nullptr);
}
