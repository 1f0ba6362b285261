#pragma once
class QCheckBox;
class QProgressBar;
class QScrollBar;
class TImage;
class TLabel;
class TOpenDialog;
class TPanel;
class TSaveDialog;
class TSelShape;
class TSpeedButton;

// The controls of the main window that the operations act on. The window
// fills it from its description; tests may fill it from controls of their own.
struct TWindowControls {
    TPanel* Panel1 = nullptr;
    TPanel* Panel2 = nullptr;
    TImage* Image1 = nullptr;   // the 600 x 450 output picture
    TImage* Image2 = nullptr;   // the fitted photo of the input view
    TImage* Img1 = nullptr;     // staging picture of a trimming
    TImage* gbImage = nullptr;  // layout thumbnail
    TImage* Image5 = nullptr;   // tab picture of the input view
    TImage* Image6 = nullptr;   // tab picture of the output view
    TSelShape* SelShape1 = nullptr;
    TSpeedButton* SpeedButton2 = nullptr;
    TLabel* Label4 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QScrollBar* ScrollBar1 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    TOpenDialog* OpenDialog1 = nullptr;
    TSaveDialog* SaveDialog1 = nullptr;
};
