#include "TForm1.h"

#include "CompositionState.h"
#include "DocumentOpener.h"
#include "FitToImage.h"
#include "FrameFitting.h"
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

TForm1* Form1 = nullptr;

TForm1::TForm1(QWidget* parent) : QWidget(parent) {
    setupUi(this);
    // Placed as designed, not centred by the window manager.
    move(property("Left").toInt(), property("Top").toInt());
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
        OpenPhoto(Controls(), {Settings.LastOpenFolder, SaveSettings});
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

void TForm1::BitBtn5Click() {
    tonePass_.Run([this] {
        EnhanceContrast(*Composition.WorkBitmap);
        FitToImage(*Composition.WorkBitmap, *Image2);
    });
}

void TForm1::BitBtn4Click() {
    tonePass_.Run([this] {
        CheckBox1->setChecked(false);
        AdjustBrightness(*Composition.WorkBitmap);
        FitToImage(*Composition.WorkBitmap, *Image2);
    });
}

void TForm1::BitBtn6Click() {
    tonePass_.Run([this] {
        CheckBox1->setChecked(true);
        AdjustBrightness(*Composition.WorkBitmap);
        FitToImage(*Composition.WorkBitmap, *Image2);
    });
}

// A turn services no messages; it only has to wait for a tone pass that
// dispatched its click.
void TForm1::BitBtn7Click() {
    if (tonePass_.Running())
        return;
    TApplication::Guard([this] {
        RotateRight(*Composition.WorkBitmap, *ProgressBar1);
        SizeInputPanel(*Panel2, Composition.WorkBitmap->Width(), Composition.WorkBitmap->Height());
        FitToImage(*Composition.WorkBitmap, *Image2);
    });
}

void TForm1::BitBtn8Click() {
    if (tonePass_.Running())
        return;
    TApplication::Guard([this] {
        RotateLeft(*Composition.WorkBitmap, *ProgressBar1);
        SizeInputPanel(*Panel2, Composition.WorkBitmap->Width(), Composition.WorkBitmap->Height());
        FitToImage(*Composition.WorkBitmap, *Image2);
    });
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
    TApplication::Guard([this] { Trim(Controls()); });
}

void TForm1::SelShape1MouseMove(QObject*, Qt::KeyboardModifiers, int, int) {
    TApplication::Guard([this] { KeepFrameProportion(*SelShape1, *Panel2); });
}
