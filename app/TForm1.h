#pragma once
#include "CommandTable.h"
#include "EditHistory.h"
#include "PassGuard.h"
#include "WindowControls.h"
#include "ui_form1.h"

#include <QWidget>

enum TCloseAction { caNone, caHide, caFree, caMinimize };

// The main window. Its controls and the binding of its handlers come from its
// stored description (form1.ui); the handlers delegate to the operations.
class TForm1 : public QWidget, public Ui::TForm1 {
    Q_OBJECT

public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // The controls the operations act on.
    TWindowControls Controls();

    // Opens a file named without the open dialog (dropped on the window, or
    // given on the command line) by the dialog's road; true when it opened.
    bool OpenNamedFile(const QString& fileName);
    // The photo of the command line: opened as a dropped one; one that does
    // not open leaves the window as it started, frame included.
    void OpenStartPhoto(const QString& fileName);

    // The tone passes, reading their parameters from the window's controls.
    int ClampToByte(double x);
    void EnhanceContrast(TBitmap& bitmap);
    void AdjustBrightness(TBitmap& bitmap);

signals:
    void OnCreate();
    void OnDestroy();
    void OnClose(QObject* Sender, TCloseAction& Action);

public slots:
    void FormCreate();
    void FormDestroy();
    void FormClose(QObject* Sender, TCloseAction& Action);

    void inputimgClick();
    void outputimgClick();
    void Image8Click();
    void Image10Click();

    void BitBtn2Click();
    void BitBtn1Click();
    void BitBtn5Click();
    void BitBtn4Click();
    void BitBtn6Click();
    void BitBtn7Click();
    void BitBtn8Click();
    void SpeedButton1Click();
    void SpeedButton2Click();
    void BitBtn3Click();
    void SelShape1MouseMove(QObject* Sender, Qt::KeyboardModifiers Shift, int X, int Y);

    // Takes back the last tone pass, turn or trimming (Ctrl+Z), or does the
    // last one taken back again (Ctrl+Shift+Z, Ctrl+Y); held off during a pass.
    void Undo();
    void Redo();

    // The tool tip the window shows for a control: the frame's readout of
    // what a trimming would take, a button's hint with its shortcut; empty
    // for the others, which show their own.
    QString ShownToolTip(const QWidget* control) const;

protected:
    void closeEvent(QCloseEvent* event) override;
    // A local file dropped on the window opens as if chosen in the open dialog.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool HeldOff(TCommandId id) const;
    // Runs a command through the error report, unless a tone pass holds it off.
    void Run(TCommandId id, const std::function<void()>& command);
    void TonePass(TCommandId id, const std::function<void(TBitmap&)>& pass);
    void AddShortcuts();
    // The buttons of the commands a tone pass holds off.
    QList<QWidget*> HeldControls() const;
    // The lines a command's tool tip ends with, each after a line break: how
    // the command is taken back, or that it cannot be.
    QString UndoHint(const TCommand& command) const;
    // The arrow keys' step: the proportion kept first, as on a mouse move.
    void MoveFrameByKey(int dx, int dy, Qt::KeyboardModifiers shift);

    // Holds off opening, turning, tone passes and trimming, and closing the
    // window, while a tone pass services messages.
    TPassGuard tonePass_{[this] { return HeldControls(); }, [this] { close(); }};
    // The steps that can be taken back: the photo's since it was opened, and
    // the output picture's.
    TEditHistory history_;
};

// The one main window, while it exists.
extern TForm1* Form1;
