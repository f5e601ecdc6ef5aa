// Qt 6 Widgets front end: shows a custom-painted control (the signal LED,
// say) in a Qt application, and drives the library's message loop from Qt's.
//
//   QApplication App(argc, argv);
//   kxtapi::TQtMessagePump Pump;               // the library's messages, timers
//   kxtapi::TComPortLed Led(nullptr);
//   kxtapi::TQtControlView View(&Led);
//   View.SetScale(4);                          // 64 x 64 screen pixels
//   View.show();
//   return App.exec();
//
// Built as the kxtapi_qt library (target kxtapi::qt) where Qt 6 is found.
#pragma once

#include "kxtapi/rtl/controls.h"

#include <QImage>
#include <QObject>
#include <QWidget>

class QSocketNotifier;

namespace kxtapi {

/// A widget that shows a TCustomControl's canvas, enlarged by an integer
/// scale with square pixels, and repaints whenever the control has painted.
/// The control is not owned; when it is destroyed first the widget shows its
/// plain background. Main thread only, like the control.
class TQtControlView : public QWidget, private TControlObserver {
public:
    explicit TQtControlView(TCustomControl* Control, QWidget* Parent = nullptr);
    ~TQtControlView() override;
    TQtControlView(const TQtControlView&) = delete;
    TQtControlView& operator=(const TQtControlView&) = delete;

    /// The control shown; null once it has been destroyed.
    TCustomControl* Control() const noexcept { return FControl; }

    /// Screen pixels per control pixel, 1 or more (default 1).
    int Scale() const noexcept { return FScale; }
    void SetScale(int Value);

    /// The control's canvas as an RGB image of its own size (null image when
    /// the control is gone or has not painted yet).
    QImage CanvasImage() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* Event) override;

private:
    void ControlPainted(TCustomControl* Control) override;
    void ControlDestroying(TCustomControl* Control) override;

    TCustomControl* FControl;
    int FScale = 1;
};

/// Lets Qt's event loop drive the library's: while it lives, posted and sent
/// messages and window timers are handled whenever the library's descriptor
/// is readable. Create it on the library's main thread (the Qt GUI thread).
/// Raises Exception when the system gives no descriptor.
class TQtMessagePump : public QObject {
public:
    explicit TQtMessagePump(QObject* Parent = nullptr);
    ~TQtMessagePump() override;
    TQtMessagePump(const TQtMessagePump&) = delete;
    TQtMessagePump& operator=(const TQtMessagePump&) = delete;

private:
    QSocketNotifier* FNotifier;
};

} // namespace kxtapi
