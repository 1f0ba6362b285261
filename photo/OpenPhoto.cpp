#include "OpenPhoto.h"

#include "CompositionState.h"
#include "FitToImage.h"
#include "FrameFitting.h"
#include "InputPanel.h"
#include "PhotoMemory.h"
#include "TBitmap.h"
#include "TFileDialog.h"
#include "TImage.h"
#include "TJPEGImage.h"
#include "TPanel.h"

#include <QFile>
#include <memory>

namespace {

// The JPEG picture of one opening. The composition state refers to it while
// it lives; it is freed once, whichever way the opening ends.
class TTemporaryJpeg {
public:
    TTemporaryJpeg() : picture_(std::make_unique<TJPEGImage>()) { Composition.JpegPicture = picture_.get(); }
    ~TTemporaryJpeg() { Composition.JpegPicture = nullptr; }
    TTemporaryJpeg(const TTemporaryJpeg&) = delete;
    TTemporaryJpeg& operator=(const TTemporaryJpeg&) = delete;

    TJPEGImage* operator->() const { return picture_.get(); }

private:
    std::unique_ptr<TJPEGImage> picture_;
};

// Loading, remembering the folder, decoding and showing, in that order; each
// step that fails leaves the later ones undone.
void LoadPhoto(const TWindowControls& c, TRememberedFolder& folder, const QString& fileName) {
    TTemporaryJpeg jpeg;
    jpeg->LoadFromFile(fileName);
    folder.Folder = FolderOf(fileName);
    folder.SaveSettings();
    jpeg->MaxPixels = PhotoPixelLimit();
    TBitmap& photo = *Composition.WorkBitmap;
    jpeg->AssignTo(photo);
    SizeInputPanel(*c.Panel2, photo.Width(), photo.Height());
    FitToImage(photo, *c.Image2);
}

void ShowInputView(const TWindowControls& c) {
    Composition.ViewRequest = 1;
    c.ShowView();
    PlaceSelectionFrame(*c.SelShape1, *c.Panel2);
}

} // namespace

bool OpenPhotoFile(const TWindowControls& controls, TRememberedFolder lastOpenFolder,
                   const QString& fileName) {
    bool opened = false;
    try {
        LoadPhoto(controls, lastOpenFolder, fileName);
        opened = true;
    } catch (...) {
        // Opening reports nothing: what was not replaced stays as it was.
    }
    ShowInputView(controls);
    return opened;
}

bool OpenPhoto(const TWindowControls& controls, TRememberedFolder lastOpenFolder) {
    TOpenDialog& dialog = *controls.OpenDialog1;
    bool chosen = false;
    try {
        if (!lastOpenFolder.Folder.isEmpty())
            dialog.SetInitialDir(QFile::decodeName(lastOpenFolder.Folder));
        chosen = dialog.Execute();
    } catch (...) {
        ShowInputView(controls);
        throw;
    }
    if (chosen)
        return OpenPhotoFile(controls, lastOpenFolder, dialog.FileName());
    ShowInputView(controls);
    return false;
}
