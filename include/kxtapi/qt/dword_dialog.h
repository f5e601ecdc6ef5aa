// Qt 6 Widgets view of the bit-flag dialog (kxtapi/design/dword_dialog.h):
// the dialog's form with its list of bit rows, the six check-box pictures,
// the Set/Unset/Toggle popup menu and the OK and Cancel buttons.
//
//   QApplication App(argc, argv);
//   kxtapi::InstallQtDWordDlg();          // Edit of the media-modes editor shows it
//   ...
//   Designer.FindProperty("Line1.MediaModes")->Edit();
//
// Loading the kxtapi_qt library installs the hook already when no other hook
// is installed; `InstallQtDWordDlg` does it explicitly. The hook shows the
// dialog only while a QApplication exists and answers mrCancel otherwise.
//
// Built as part of the kxtapi_qt library (target kxtapi::qt) where Qt 6 is
// found. GUI thread only.
#pragma once

#include "kxtapi/design/dword_dialog.h"

#include <QDialog>
#include <QIcon>
#include <QImage>
#include <QPoint>

class QMenu;
class QPushButton;
class QTreeWidget;
class QWidget;

namespace kxtapi {

/// The dialog's form over a TTapiDWordDlg model (not owned; it must outlive
/// the form). Rows follow the model; double-clicks, the popup menu and the
/// selection go to the model's handlers; OK accepts (mrOk), Cancel and
/// Escape reject (mrCancel).
class TQtDWordDlg : public QDialog, private TDWordDlgView {
public:
    explicit TQtDWordDlg(TTapiDWordDlg* Model, QWidget* Parent = nullptr);
    ~TQtDWordDlg() override;
    TQtDWordDlg(const TQtDWordDlg&) = delete;
    TQtDWordDlg& operator=(const TQtDWordDlg&) = delete;

    TTapiDWordDlg* Model() const noexcept { return FModel; }

    /// Shows the form modally and answers the model's modal result, which it
    /// also stores in the model.
    int Execute();

    // The form's elements, by their names.
    QWidget* Panel1() const noexcept { return FPanel; }
    QPushButton* OKBtn() const noexcept { return FOKBtn; }
    QPushButton* CancelBtn() const noexcept { return FCancelBtn; }
    QTreeWidget* ListView() const noexcept { return FListView; }
    QMenu* PopupMenu1() const noexcept { return FPopupMenu; }

    /// Image Index (0 .. 5) of the form's image list.
    static QImage Image(int Index);

protected:
    void closeEvent(QCloseEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;
    void showEvent(QShowEvent* Event) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    int RowAtCursor() override;
    void RowsChanged(int Row) override;
    void ShowRow(int Row);
    void TakeSelection();

    TTapiDWordDlg* FModel;
    QWidget* FPanel;
    QPushButton* FOKBtn;
    QPushButton* FCancelBtn;
    QTreeWidget* FListView;
    QMenu* FPopupMenu;
    QIcon FImages[TDWordDlgLayout::ImageCount];
    QPoint FCursor{-1, -1};
    bool FCentred = false;
};

/// The hook that shows a TQtDWordDlg modally (mrCancel without a
/// QApplication).
int ShowQtDWordDlg(TTapiDWordDlg& Dialog);

/// Makes `ShowModal` of every bit-flag dialog show the Qt form; answers the
/// hook installed before.
TDWordDlgHook InstallQtDWordDlg();

} // namespace kxtapi
