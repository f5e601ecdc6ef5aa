// The Qt front end: the widget shows the LED's canvas enlarged and follows
// its repaints, and Qt's event loop drives the library's messages and timers.
#ifdef KXTAPI_HAVE_QT

#include "kxtapi/kxtapicomm.h"
#include "kxtapi/qt/control_view.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPixmap>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace kxtapi;

namespace {

/// An LED a test can light without a port.
class TProbeLed : public TComPortLed {
public:
    using TComPortLed::TComPortLed;
    using TComPortLed::SetActive;
};

class QtView : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // No display here: Qt's offscreen platform renders into memory.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int Argc = 1;
        static char Name[] = "test_qt";
        static char* Argv[] = {Name, nullptr};
        App = new QApplication(Argc, Argv);
        Application()->SetMainThread();
    }
    static void TearDownTestSuite()
    {
        delete App;
        App = nullptr;
    }

    /// Runs Qt's loop (and with the pump, the library's) until Done holds,
    /// at most TimeoutMs.
    static bool SpinUntil(const std::function<bool()>& Done, int TimeoutMs = 5000)
    {
        QElapsedTimer T;
        T.start();
        while (!Done()) {
            if (T.elapsed() > TimeoutMs) return false;
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        }
        return true;
    }

    static QApplication* App;
};

QApplication* QtView::App = nullptr;

} // namespace

TEST_F(QtView, ShowsTheCanvasEnlargedAndFollowsRepaints)
{
    TQtMessagePump Pump;
    TProbeLed Led(nullptr);
    TQtControlView View(&Led);
    View.SetScale(3);
    EXPECT_EQ(View.sizeHint(), QSize(48, 48));
    View.resize(View.sizeHint());
    View.show();
    ASSERT_TRUE(SpinUntil([&] { return Led.Canvas()->Get_Width() == 16 && !Led.PaintPending(); }));

    auto Check = [&](TColor Lit) {
        const QImage Shot = View.grab().toImage();
        ASSERT_EQ(Shot.size(), QSize(48, 48));
        int Wrong = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                const TColor C = Led.Canvas()->Get_Pixels(x, y);
                for (int dy = 0; dy < 3; ++dy)
                    for (int dx = 0; dx < 3; ++dx) {
                        const QRgb Got = Shot.pixel(x * 3 + dx, y * 3 + dy);
                        if (qRed(Got) != GetRValue(C) || qGreen(Got) != GetGValue(C) || qBlue(Got) != GetBValue(C))
                            ++Wrong;
                    }
            }
        EXPECT_EQ(Wrong, 0);
        EXPECT_EQ(Led.Canvas()->Get_Pixels(6, 6), Lit);
    };
    Check(clGreen);

    // Lighting the LED repaints it through the library's loop, run by Qt's.
    Led.SetActive(true);
    ASSERT_TRUE(SpinUntil([&] { return !Led.PaintPending(); }));
    Check(clLime);
    const QImage Canvas = View.CanvasImage();
    EXPECT_EQ(Canvas.size(), QSize(16, 16));
    EXPECT_EQ(Canvas.pixel(6, 6), qRgb(0, 255, 0));
}

TEST_F(QtView, QtLoopRunsTheLibrarysTimers)
{
    TQtMessagePump Pump;
    TTimer Timer(nullptr);
    int Ticks = 0;
    Timer.Set_Interval(5);
    Timer.OnTimer = [&](TObject*) { ++Ticks; };
    Timer.Set_Enabled(true);
    EXPECT_TRUE(SpinUntil([&] { return Ticks >= 2; }));
}

TEST_F(QtView, ControlDestroyedFirstLeavesAnEmptyView)
{
    auto Led = std::make_unique<TProbeLed>(nullptr);
    TQtControlView View(Led.get());
    Led->Repaint();
    EXPECT_FALSE(View.CanvasImage().isNull());
    Led.reset();
    EXPECT_EQ(View.Control(), nullptr);
    EXPECT_TRUE(View.CanvasImage().isNull());
    EXPECT_EQ(View.sizeHint(), QSize(0, 0));
    View.resize(10, 10);
    EXPECT_FALSE(View.grab().isNull());  // paints its background only
}

#else

#include <gtest/gtest.h>

TEST(QtView, NotBuilt)
{
    GTEST_SKIP() << "built without Qt";
}

#endif
