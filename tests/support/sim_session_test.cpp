#include "sim_session_test.h"

namespace kxtapi::testing {

void ResetTapiSession()
{
    TTapiApplication& App = *TapiApplication;
    App.OnInitialize = nullptr;
    App.OnShutdown = nullptr;
    App.OnLineCreate = App.OnLineRemove = nullptr;
    App.OnPhoneCreate = App.OnPhoneRemove = nullptr;
    App.OnRequestMakeCall = nullptr;
    App.SetLineRequestHandler(nullptr);
    App.Set_AssistMakeCall(false);
    if (App.IsActive()) App.Shutdown();
    App.Set_AutoShutdown(-1);
    App.Set_AppName(TTapiApplication::DefaultApplName());
    App.SoundFeedback = false;
    {
        TListLock L(App.MessageStack, INFINITE);
        App.MessageStack.Clear();
    }
    {
        TListLock L(App.ReplyStack, INFINITE);
        App.ReplyStack.Clear();
    }
    Application()->ProcessMessages();
}

SimSessionTest::SimSessionTest(uint32_t StartTick) : Clock(StartTick)
{
    Application()->SetMainThread();
    Sim.Reset();
    ResetTapiSession();
}

SimSessionTest::~SimSessionTest()
{
    Sim.ClearFaults();
    ResetTapiSession();
    Sim.Reset();
}

void SimSessionTest::Tick(uint32_t Ms)
{
    Clock.Advance(Ms);
    Application()->ProcessMessages();
    TapiApplication->TimerEventProc();
    Application()->ProcessMessages();
}

}  // namespace kxtapi::testing
