#include "OpenPhoto.h"

#include "CompositionState.h"
#include "Exceptions.h"
#include "FitToImage.h"
#include "FrameFitting.h"
#include "InputPanel.h"
#include "PhotoMemory.h"
#include "PhotoReplaced.h"
#include "TApplication.h"
#include "TBitmap.h"
#include "TFileDialog.h"
#include "TImage.h"
#include "TJPEGImage.h"
#include "TPanel.h"
#include "TPhotoFile.h"
#include "TProgressBar.h"
#include "ViewSwitch.h"

#include <QFile>
#include <QProgressBar>
#include <memory>
#include <optional>

namespace {

// The JPEG picture of one opening. The composition state refers to it while
// it lives; it is freed once, whichever way the opening ends.
class TTemporaryJpeg {
public:
    TTemporaryJpeg() : picture_(std::make_unique<TJPEGImage>()) {
        Composition.JpegPicture = picture_.get();
    }
    ~TTemporaryJpeg() { Composition.JpegPicture = nullptr; }
    TTemporaryJpeg(const TTemporaryJpeg&) = delete;
    TTemporaryJpeg& operator=(const TTemporaryJpeg&) = delete;

    TJPEGImage& operator*() const { return *picture_; }

private:
    std::unique_ptr<TJPEGImage> picture_;
};

// The progress bar runs over the photo's rows while it decodes and is back
// at 0 however the decoding ends.
class TDecodeProgress {
public:
    explicit TDecodeProgress(QProgressBar& bar) : bar_(bar) {}
    ~TDecodeProgress() { bar_.setValue(0); }
    TDecodeProgress(const TDecodeProgress&) = delete;
    TDecodeProgress& operator=(const TDecodeProgress&) = delete;

    std::function<void(int done, int rows)> Steps() const { return ProgressSteps(bar_); }

private:
    QProgressBar& bar_;
};

// The practical limit as the side of the square that holds as many pixels.
constexpr int PracticalSideLimit = 16384;
static_assert(std::int64_t{PracticalSideLimit} * PracticalSideLimit == PracticalPixelLimit);

// A picture past the practical limit is refused whatever the memory, one
// within it that the memory cannot hold is refused too; both are told.
void CheckSizeFor(const TPhotoFile& file) {
    if (static_cast<std::int64_t>(file.Width()) * file.Height() > PracticalPixelLimit)
        throw EPhotoTooLarge(file.Width(), file.Height(), PracticalSideLimit);
    // Memory held for taking steps back is given up for the new photo first.
    NotifyPhotoOpening();
    CheckPhotoMemory(file.Width(), file.Height(), file.StoredBytesPerPixel(),
                     file.DecodeBytesPerPixel());
}

// Loading, remembering the folder, decoding and showing, in that order; each
// step that fails leaves the later ones undone.
void LoadPhoto(const TWindowControls& c, TRememberedFolder& folder, const QString& fileName) {
    TTemporaryJpeg jpeg;
    TPhotoFile file(*jpeg);
    file.LoadFromFile(fileName);
    folder.Folder = FolderOf(fileName);
    folder.SaveSettings();
    file.MaxPixels = PracticalPixelLimit;
    CheckSizeFor(file);
    TDecodeProgress progress(*c.ProgressBar1);
    file.OnProgress = progress.Steps();
    TBitmap& photo = *Composition.WorkBitmap;
    file.AssignTo(photo);
    SizeInputPanel(*c.Panel2, photo.Width(), photo.Height());
    FitToImage(photo, *c.Image2);
}

void ShowInputView(const TWindowControls& c) {
    RequestView(c, TView::Input);
    PlaceSelectionFrame(*c.SelShape1, *c.Panel2);
}

} // namespace

bool OpenPhotoFile(const TWindowControls& controls, TRememberedFolder lastOpenFolder,
                   const QString& fileName) {
    bool opened = false;
    std::optional<Exception> refused;
    try {
        LoadPhoto(controls, lastOpenFolder, fileName);
        opened = true;
    } catch (const ENotAPhoto& noPhoto) {
        refused = noPhoto;
    } catch (const EPhotoTooLarge& tooLarge) {
        refused = tooLarge;
    } catch (const EPhotoMemory& tooLarge) {
        refused = tooLarge;
    } catch (...) {
        // A damaged photo or a file that cannot be read is not told: what was
        // not replaced stays as it was.
    }
    ShowInputView(controls);
    if (opened)
        NotifyPhotoReplaced();
    // Told over the input view, which still shows the earlier photo.
    if (refused)
        ReportException(*refused);
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
