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
#include "Trimming.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QDropEvent>
#include <QHelpEvent>
#include <QMimeData>
#include <QShortcut>
#include <QToolTip>
#include <QUrl>
#include <initializer_list>

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
    for (QWidget* control : std::initializer_list<QWidget*>{SelShape1, BitBtn2, BitBtn1, BitBtn3,
                                                            BitBtn5, BitBtn4, BitBtn6, BitBtn7,
                                                            BitBtn8})
        control->installEventFilter(this);
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
        Composition.ViewRequest = 1;
        ShowView();

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

void TForm1::ShowView() {
    const bool input = Composition.ViewRequest != 0;
    Panel1->setVisible(!input);
    Panel2->setVisible(input);
    Image1->setVisible(!input);
    Image2->setVisible(input);
    Composition.ViewRequest = input ? 0 : 1;
    Image5->setVisible(input);
    Image6->setVisible(!input);
}

void TForm1::inputimgClick() {
    Composition.ViewRequest = 1;
    ShowView();
}

void TForm1::outputimgClick() {
    Composition.ViewRequest = 0;
    ShowView();
}

void TForm1::Image8Click() { ShowView(); }

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
    c.SelShape1 = SelShape1;
    c.SpeedButton2 = SpeedButton2;
    c.Label4 = Label4;
    c.ProgressBar1 = ProgressBar1;
    c.ScrollBar1 = ScrollBar1;
    c.CheckBox1 = CheckBox1;
    c.OpenDialog1 = OpenDialog1;
    c.SaveDialog1 = SaveDialog1;
    c.ShowView = [this] { ShowView(); };
    return c;
}

void TForm1::BitBtn2Click() {
    if (tonePass_.Running())
        return;
    TApplication::Guard([this] {
        if (OpenPhoto(Controls(), {Settings.LastOpenFolder, SaveSettings}))
            history_.PhotoReplaced();
    });
}

void TForm1::BitBtn1Click() {
    TApplication::Guard([this] {
        SavePhoto(Controls(), {Settings.LastSaveFolder, SaveSettings});
    });
}

int TForm1::ClampToByte(double x) { return ::ClampToByte(x); }

void TForm1::EnhanceContrast(TBitmap& bitmap) { ::EnhanceContrast(bitmap, *ScrollBar1, *ProgressBar1); }

void TForm1::AdjustBrightness(TBitmap& bitmap) {
    ::AdjustBrightness(bitmap, *CheckBox1, *ProgressBar1);
}

void TForm1::TonePass(const std::function<void(TBitmap&)>& pass) {
    tonePass_.Run([this, &pass] { history_.TonePass(Controls(), pass); });
}

void TForm1::BitBtn5Click() {
    TonePass([this](TBitmap& photo) { EnhanceContrast(photo); });
}

void TForm1::BitBtn4Click() {
    TonePass([this](TBitmap& photo) {
        CheckBox1->setChecked(false);
        AdjustBrightness(photo);
    });
}

void TForm1::BitBtn6Click() {
    TonePass([this](TBitmap& photo) {
        CheckBox1->setChecked(true);
        AdjustBrightness(photo);
    });
}

// A turn services no messages; it only has to wait for a tone pass that
// dispatched its click.
void TForm1::BitBtn7Click() {
    if (tonePass_.Running())
        return;
    TApplication::Guard([this] { history_.Turn(Controls(), TTurnDirection::Right); });
}

void TForm1::BitBtn8Click() {
    if (tonePass_.Running())
        return;
    TApplication::Guard([this] { history_.Turn(Controls(), TTurnDirection::Left); });
}

void TForm1::SpeedButton1Click() {
    TApplication::Guard([this] { ChooseNextLayout(Controls()); });
}

void TForm1::SpeedButton2Click() {
    TApplication::Guard([this] { ChooseNextPosition(Controls()); });
}

void TForm1::BitBtn3Click() {
    if (tonePass_.Running())
        return;
    TApplication::Guard([this] { history_.Trim(Controls()); });
}

void TForm1::Undo() {
    if (tonePass_.Running())
        return;
    TApplication::Guard([this] { history_.Undo(Controls()); });
}

void TForm1::Redo() {
    if (tonePass_.Running())
        return;
    TApplication::Guard([this] { history_.Redo(Controls()); });
}

void TForm1::SelShape1MouseMove(QObject*, Qt::KeyboardModifiers, int, int) {
    TApplication::Guard([this] { KeepFrameProportion(*SelShape1, *Panel2); });
}

// Additions beside the window's commands: drop, keys and tool tips, each
// through the command's own handler.

void TForm1::AddShortcuts() {
    const auto add = [this](QKeyCombination key, auto action) {
        auto* shortcut = new QShortcut(QKeySequence(key), this, action, Qt::WindowShortcut);
        shortcut->setAutoRepeat(true);
    };
    add(Qt::CTRL | Qt::Key_O, [this] { BitBtn2Click(); });
    add(Qt::CTRL | Qt::Key_S, [this] { BitBtn1Click(); });
    add(Qt::CTRL | Qt::Key_T, [this] { BitBtn3Click(); });
    add(Qt::CTRL | Qt::Key_Z, [this] { Undo(); });
    add(Qt::CTRL | Qt::SHIFT | Qt::Key_Z, [this] { Redo(); });
    add(Qt::CTRL | Qt::Key_Y, [this] { Redo(); });
    struct Arrow {
        Qt::Key key;
        int dx;
        int dy;
    };
    for (const Arrow a : {Arrow{Qt::Key_Left, -1, 0}, Arrow{Qt::Key_Right, 1, 0},
                          Arrow{Qt::Key_Up, 0, -1}, Arrow{Qt::Key_Down, 0, 1}}) {
        add(QKeyCombination(a.key), [this, a] { MoveFrameByKey(a.dx, a.dy, Qt::NoModifier); });
        add(Qt::SHIFT | a.key,
            [this, a] { MoveFrameByKey(10 * a.dx, 10 * a.dy, Qt::ShiftModifier); });
    }
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
    if (!tonePass_.Running() && !FirstLocalFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void TForm1::dropEvent(QDropEvent* event) {
    const QString file = FirstLocalFile(event->mimeData());
    if (tonePass_.Running() || file.isEmpty()) {
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
    if (tonePass_.Running())
        return false;
    bool opened = false;
    TApplication::Guard([this, &fileName, &opened] {
        opened = OpenPhotoFile(Controls(), {Settings.LastOpenFolder, SaveSettings}, fileName);
        if (opened)
            history_.PhotoReplaced();
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
    const std::pair<const QWidget*, const char*> keys[] = {
        {BitBtn2, "Ctrl+O"}, {BitBtn1, "Ctrl+S"}, {BitBtn3, "Ctrl+T"}};
    for (const auto& [button, key] : keys)
        if (control == button)
            return button->toolTip() + QStringLiteral(" (%1)").arg(QLatin1String(key)) +
                   UndoHint(control);
    for (const QWidget* button : {BitBtn5, BitBtn4, BitBtn6, BitBtn7, BitBtn8})
        if (control == button) // the turns have no hint of their own
            return button->toolTip().isEmpty() ? UndoHint(control).mid(1)
                                               : button->toolTip() + UndoHint(control);
    return {};
}

QString TForm1::UndoHint(const QWidget* control) const {
    const QString keys = QStringLiteral("\n元に戻す: Ctrl+Z　やり直す: Ctrl+Shift+Z / Ctrl+Y");
    if (control == BitBtn3 || control == BitBtn7 || control == BitBtn8)
        return keys;
    if (control != BitBtn5 && control != BitBtn4 && control != BitBtn6)
        return {};
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
