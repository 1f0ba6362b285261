#include "TForm1.h"

#include "CompositionState.h"
#include "DocumentOpener.h"
#include "Settings.h"
#include "TApplication.h"
#include "TBitmap.h"
#include "TCanvas.h"

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

void TForm1::FormClose(QObject*, TCloseAction&) {}

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

// The operations below arrive with their own subsystems.
void TForm1::BitBtn2Click() {}
void TForm1::BitBtn1Click() {}
void TForm1::BitBtn5Click() {}
void TForm1::BitBtn4Click() {}
void TForm1::BitBtn6Click() {}
void TForm1::BitBtn7Click() {}
void TForm1::BitBtn8Click() {}
void TForm1::SpeedButton1Click() {}
void TForm1::SpeedButton2Click() {}
void TForm1::BitBtn3Click() {}
void TForm1::SelShape1MouseMove(QObject*, Qt::KeyboardModifiers, int, int) {}
