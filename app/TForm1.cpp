#include "TForm1.h"

#include "CompositionState.h"
#include "DocumentOpener.h"
#include "FitToImage.h"
#include "FontHeight.h"
#include "FrameFitting.h"
#include "FrameReadout.h"
#include "InputPanel.h"
#include "LayoutChoice.h"
#include "OpenPhoto.h"
#include "Rotation.h"
#include "SavePhoto.h"
#include "Settings.h"
#include "TApplication.h"
#include "TBitmap.h"
#include "TCanvas.h"
#include "Tone.h"
#include "TImage.h"
#include "ViewSwitch.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QDropEvent>
#include <QHelpEvent>
#include <QMimeData>
#include <QShortcut>
#include <QToolTip>
#include <QUrl>

TForm1* Form1 = nullptr;

namespace {

// The first local file among the dropped items; anything else is not ours.
QString FirstLocalFile(const QMimeData* data) {
    if (data == nullptr)
        return {};
    for (const QUrl& url : data->urls())
        if (url.isLocalFile())
            return url.toLocalFile();
    return {};
}

} // namespace

TForm1::TForm1(QWidget* parent) : QWidget(parent) {
    setupUi(this);
    ApplyFontHeights(*this);
    if (auto* app = TApplication::Instance())
        app->SetMainForm(this);
    // Placed as designed, not centred by the window manager.
    move(property("Left").toInt(), property("Top").toInt());
    AddShortcuts();
    // The frame tells its readout, the command buttons their keys and undo hints.
    SelShape1->installEventFilter(this);
    for (const TCommand& command : Commands())
        if (command.Control != nullptr)
            findChild<QWidget*>(QLatin1String(command.Control))->installEventFilter(this);
    Form1 = this;
    emit OnCreate();
}

TForm1::~TForm1() {
    emit OnDestroy();
    if (Form1 == this)
        Form1 = nullptr;
}

void TForm1::closeEvent(QCloseEvent* event) {
    TCloseAction action = caHide;
    emit OnClose(this, action);
    if (action == caNone)
        event->ignore();
    else
        event->accept();
}

void TForm1::FormCreate() {
    TApplication::Guard([this] {
        LoadSettings();
        Composition.LayoutKind = 0;
        Composition.PositionStep = 0;

        TCanvas* canvas = gbImage->Canvas();
        canvas->Pen.Color = clBlack;
        canvas->Rectangle(0, 0, 120, 90);
        canvas->TextOut(55, 35, "1");

        Label4->SetCaption(QStringLiteral("６００×４５０"));
        SpeedButton2->setVisible(false);
        InitCellRects();
        Composition.CurrentCell = 1;
        Composition.PositionStep = 0;
        RequestView(Controls(), TView::Input);

        Composition.WorkBitmap = std::make_unique<TBitmap>();
        Composition.WorkBitmap->SetWidth(3200);
        Composition.WorkBitmap->SetHeight(3200);
    });
}

void TForm1::FormDestroy() { Composition.WorkBitmap.reset(); }

void TForm1::FormClose(QObject*, TCloseAction& Action) {
    if (tonePass_.HoldClose())
        Action = caNone;
}

void TForm1::inputimgClick() { RequestView(Controls(), TView::Input); }

void TForm1::outputimgClick() { RequestView(Controls(), TView::Output); }

void TForm1::Image8Click() { ShowRequestedView(Controls()); }

void TForm1::Image10Click() {
    const QString folder = QCoreApplication::applicationDirPath() + QLatin1Char('/');
    OpenDocument(folder + QStringLiteral("help/frame.htm"));
}

TWindowControls TForm1::Controls() {
    TWindowControls c;
    c.Panel1 = Panel1;
    c.Panel2 = Panel2;
    c.Image1 = Image1;
    c.Image2 = Image2;
    c.Img1 = Img1;
    c.gbImage = gbImage;
    c.Image5 = Image5;
    c.Image6 = Image6;
    c.SelShape1 = SelShape1;
    c.SpeedButton2 = SpeedButton2;
    c.Label4 = Label4;
    c.ProgressBar1 = ProgressBar1;
    c.ScrollBar1 = ScrollBar1;
    c.CheckBox1 = CheckBox1;
    c.OpenDialog1 = OpenDialog1;
    c.SaveDialog1 = SaveDialog1;
    return c;
}

bool TForm1::HeldOff(TCommandId id) const {
    return Command(id).HeldDuringPass && tonePass_.Running();
}

void TForm1::Run(TCommandId id, const std::function<void()>& command) {
    if (HeldOff(id))
        return;
    TApplication::Guard(command);
}

void TForm1::BitBtn2Click() {
    Run(TCommandId::Open, [this] { OpenPhoto(Controls(), {Settings.LastOpenFolder, SaveSettings}); });
}

void TForm1::BitBtn1Click() {
    Run(TCommandId::Save, [this] { SavePhoto(Controls(), {Settings.LastSaveFolder, SaveSettings}); });
}

int TForm1::ClampToByte(double x) { return ::ClampToByte(x); }

void TForm1::EnhanceContrast(TBitmap& bitmap) { ::EnhanceContrast(bitmap, *ScrollBar1, *ProgressBar1); }

void TForm1::AdjustBrightness(TBitmap& bitmap) {
    ::AdjustBrightness(bitmap, *CheckBox1, *ProgressBar1);
}

void TForm1::TonePass(TCommandId id, const std::function<void(TBitmap&)>& pass) {
    tonePass_.Run([this, id, &pass] { history_.TonePass(Controls(), pass, Command(id).Name); });
}

void TForm1::BitBtn5Click() {
    TonePass(TCommandId::Contrast, [this](TBitmap& photo) { EnhanceContrast(photo); });
}

void TForm1::BitBtn4Click() {
    TonePass(TCommandId::Brighten, [this](TBitmap& photo) {
        CheckBox1->setChecked(false);
        AdjustBrightness(photo);
    });
}

void TForm1::BitBtn6Click() {
    TonePass(TCommandId::Darken, [this](TBitmap& photo) {
        CheckBox1->setChecked(true);
        AdjustBrightness(photo);
    });
}

// A turn services no messages; it only has to wait for a tone pass that
// dispatched its click.
void TForm1::BitBtn7Click() {
    Run(TCommandId::TurnRight, [this] { history_.Turn(Controls(), TTurnDirection::Right); });
}

void TForm1::BitBtn8Click() {
    Run(TCommandId::TurnLeft, [this] { history_.Turn(Controls(), TTurnDirection::Left); });
}

void TForm1::SpeedButton1Click() {
    Run(TCommandId::NextLayout, [this] { ChooseNextLayout(Controls()); });
}

void TForm1::SpeedButton2Click() {
    Run(TCommandId::NextPosition, [this] { ChooseNextPosition(Controls()); });
}

void TForm1::BitBtn3Click() {
    Run(TCommandId::Trim, [this] { history_.Trim(Controls()); });
}

void TForm1::Undo() {
    Run(TCommandId::Undo, [this] { history_.Undo(Controls()); });
}

void TForm1::Redo() {
    Run(TCommandId::Redo, [this] { history_.Redo(Controls()); });
}

void TForm1::SelShape1MouseMove(QObject*, Qt::KeyboardModifiers, int, int) {
    TApplication::Guard([this] { KeepFrameProportion(*SelShape1, *Panel2); });
}

// Additions beside the window's commands: drop, keys and tool tips, each
// through the command's own handler.

void TForm1::AddShortcuts() {
    const auto add = [this](const QKeySequence& key, auto action) {
        auto* shortcut = new QShortcut(key, this, action, Qt::WindowShortcut);
        shortcut->setAutoRepeat(true);
    };
    for (const TCommand& command : Commands())
        for (const QString& key : command.Keys)
            add(QKeySequence(key, QKeySequence::PortableText), [this, handler = command.Handler] {
                QMetaObject::invokeMethod(this, handler, Qt::DirectConnection);
            });
    // The frame's nudges: a pixel, or ten with Shift.
    struct Arrow {
        Qt::Key key;
        int dx;
        int dy;
    };
    for (const Arrow a : {Arrow{Qt::Key_Left, -1, 0}, Arrow{Qt::Key_Right, 1, 0},
                          Arrow{Qt::Key_Up, 0, -1}, Arrow{Qt::Key_Down, 0, 1}}) {
        add(QKeySequence(a.key), [this, a] { MoveFrameByKey(a.dx, a.dy, Qt::NoModifier); });
        add(QKeySequence(Qt::SHIFT | a.key),
            [this, a] { MoveFrameByKey(10 * a.dx, 10 * a.dy, Qt::ShiftModifier); });
    }
}

QList<QWidget*> TForm1::HeldControls() const {
    QList<QWidget*> controls;
    for (const TCommand& command : Commands())
        if (command.HeldDuringPass && command.Control != nullptr)
            controls.append(findChild<QWidget*>(QLatin1String(command.Control)));
    return controls;
}

void TForm1::MoveFrameByKey(int dx, int dy, Qt::KeyboardModifiers shift) {
    // A hidden frame is not moved: the user would not see what trimming takes.
    if (!SelShape1->isVisible())
        return;
    const QPoint pointer = SelShape1->mapFromGlobal(QCursor::pos());
    SelShape1MouseMove(SelShape1, shift, pointer.x(), pointer.y());
    SelShape1->MoveBy(dx, dy);
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
    if (!HeldOff(TCommandId::Open) && !FirstLocalFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void TForm1::dropEvent(QDropEvent* event) {
    const QString file = FirstLocalFile(event->mimeData());
    if (HeldOff(TCommandId::Open) || file.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // Opened once the drop has been answered, so the drag's source is not kept
    // waiting on the decoding.
    QMetaObject::invokeMethod(
        this, [this, file] { OpenNamedFile(file); }, Qt::QueuedConnection);
}

bool TForm1::OpenNamedFile(const QString& fileName) {
    bool opened = false;
    Run(TCommandId::Open, [this, &fileName, &opened] {
        opened = OpenPhotoFile(Controls(), {Settings.LastOpenFolder, SaveSettings}, fileName);
    });
    return opened;
}

void TForm1::OpenStartPhoto(const QString& fileName) {
    const QRect frame = SelShape1->geometry();
    if (!OpenNamedFile(fileName))
        SelShape1->setGeometry(frame);
}

QString TForm1::ShownToolTip(const QWidget* control) const {
    if (control == SelShape1) {
        const TFrameReadout readout =
            ReadFrame(SelShape1->geometry(), Composition.WorkBitmap->Width(), Image2->width(),
                      Composition.CellRects[static_cast<size_t>(Composition.CurrentCell)]);
        return FrameReadoutText(readout);
    }
    const TCommand* command = CommandOfControl(control->objectName());
    if (command == nullptr)
        return {};
    const QString hint = UndoHint(*command);
    if (command->Keys.isEmpty() && hint.isEmpty())
        return {};
    QString tip = control->toolTip();
    if (!command->Keys.isEmpty())
        tip += QStringLiteral(" (%1)").arg(command->Keys.first());
    // A button without a hint of its own (the turns) shows the undo lines alone.
    return tip.isEmpty() ? hint.mid(1) : tip + hint;
}

QString TForm1::UndoHint(const TCommand& command) const {
    if (command.Undoing == TUndoing::None)
        return {};
    const TCommand& undo = Command(TCommandId::Undo);
    const TCommand& redo = Command(TCommandId::Redo);
    const QString keys = QStringLiteral("\n%1: %2　%3: %4")
                             .arg(undo.Name, undo.Keys.join(QStringLiteral(" / ")), redo.Name,
                                  redo.Keys.join(QStringLiteral(" / ")));
    if (command.Undoing == TUndoing::Step)
        return keys;
    switch (history_.NextTonePass(*Composition.WorkBitmap)) {
    case TToneKeeping::Kept:
        return keys;
    case TToneKeeping::DropsOldest:
        return keys + QStringLiteral("\nメモリの都合で、いちばん古い手順は元に戻せなくなります");
    case TToneKeeping::NotKept:
        break;
    }
    return QStringLiteral("\nメモリが足りないため、この操作は元に戻せません");
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ToolTip && watched->isWidgetType()) {
        auto* control = static_cast<QWidget*>(watched);
        const QString text = ShownToolTip(control);
        if (!text.isEmpty()) {
            QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), text, control);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
