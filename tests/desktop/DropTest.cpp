#include "DesktopSupport.h"
#include "TestFileBytes.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace {

class DropOnWindow : public DesktopWindow {
protected:
    static std::unique_ptr<QMimeData> Urls(const QList<QUrl>& urls) {
        auto data = std::make_unique<QMimeData>();
        data->setUrls(urls);
        return data;
    }
    static QUrl Local(const QString& path) { return QUrl::fromLocalFile(path); }

    // A drag entering the window and dropped on the photo view, as the window
    // system delivers them (Qt passes on no drop without an entering drag).
    // Returns whether the window took the drop.
    bool Deliver(const QMimeData& data) {
        const QPoint at = form->Panel2->geometry().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(form.get(), &enter);
        QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(form.get(), &drop);
        EXPECT_EQ(enter.isAccepted(), drop.isAccepted());
        return drop.isAccepted();
    }
    // Delivers the drop, then whatever it queued.
    bool Drop(const QMimeData& data) {
        const bool taken = Deliver(data);
        QCoreApplication::sendPostedEvents();
        return taken;
    }
};

} // namespace

TEST_F(DropOnWindow, OpensTheFirstLocalFileAsTheOpenDialogWould) {
    ASSERT_TRUE(form->acceptDrops());
    const QString wide = WritePhoto(64, 48, QStringLiteral("wide.jpg"));
    const QString tall = WritePhoto(40, 80, QStringLiteral("tall.jpg"));
    const struct {
        const char* name;
        QList<QUrl> urls;
        QSize photo;
    } cases[] = {
        {"one file", {Local(wide)}, {64, 48}},
        {"two files: the first", {Local(tall), Local(wide)}, {40, 80}},
        {"a web address before the file",
         {QUrl(QStringLiteral("https://example.org/a.jpg")), Local(wide)},
         {64, 48}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        form->outputimgClick();
        Settings.LastOpenFolder.clear();
        EXPECT_TRUE(Drop(*Urls(c.urls)));
        EXPECT_EQ(PhotoSize(), c.photo);
        EXPECT_EQ(Settings.LastOpenFolder, FolderOf(wide));
        EXPECT_TRUE(InputViewShown());
        // The panel's long side spans 602 and the frame stands at cell 1.
        EXPECT_EQ(std::max(form->Panel2->width(), form->Panel2->height()), 602);
        EXPECT_EQ(Frame(), QRect(0, 0, 419, 314));
    }
    EXPECT_TRUE(dialogs.isEmpty()) << "a drop offers no dialog";
    EXPECT_TRUE(reports.isEmpty());
}

TEST_F(DropOnWindow, WhatIsNoLocalFileIsRefused) {
    auto text = std::make_unique<QMimeData>();
    text->setText(QStringLiteral("/tmp/photo.jpg"));
    const std::unique_ptr<QMimeData> cases[] = {
        std::move(text),
        Urls({QUrl(QStringLiteral("https://example.org/photo.jpg"))}),
        Urls({}),
    };
    for (const auto& data : cases) {
        form->outputimgClick();
        EXPECT_FALSE(Drop(*data));
        EXPECT_EQ(PhotoSize(), QSize(3200, 3200));
        EXPECT_TRUE(OutputViewShown()) << "nothing was opened";
    }
}

// A file of no photo type is told, as the open button tells it; a missing
// file fails silently.
TEST_F(DropOnWindow, AFileThatIsNoPhotoIsRefused) {
    const QString good = WritePhoto(64, 48, QStringLiteral("good.jpg"));
    ASSERT_TRUE(Drop(*Urls({Local(good)})));
    const QImage before = Composition.WorkBitmap->Image();
    const QString broken = dir.File(QStringLiteral("broken.jpg"));
    WriteFileBytes(broken, QByteArrayLiteral("not a photo at all"));

    for (const QString& path : {broken, dir.File(QStringLiteral("gone.jpg"))}) {
        form->outputimgClick();
        EXPECT_TRUE(Drop(*Urls({Local(path)})));
        EXPECT_EQ(Composition.WorkBitmap->Image(), before);
        EXPECT_TRUE(InputViewShown());
        EXPECT_EQ(Frame(), QRect(0, 0, 419, 314));
    }
    EXPECT_EQ(reports, QStringList(QStringLiteral("この種類のファイルは開けません (テキスト)")));
}

TEST_F(DropOnWindow, IsIgnoredWhileATonePassRuns) {
    const QString photo = WritePhoto(64, 48, QStringLiteral("photo.jpg"));
    const auto data = Urls({Local(photo)});
    // Dropped before the pass, opened only once the drop is answered: inside it.
    ASSERT_TRUE(Deliver(*data));
    // Dropped during the pass.
    bool refused = false;
    QMetaObject::invokeMethod(
        form.get(), [&] { refused = !Deliver(*data); }, Qt::QueuedConnection);

    Composition.WorkBitmap->SetWidth(200);
    Composition.WorkBitmap->SetHeight(3);
    form->BitBtn5Click();
    QCoreApplication::sendPostedEvents();

    EXPECT_TRUE(refused);
    EXPECT_EQ(PhotoSize(), QSize(200, 3)) << "neither drop opened the photo";
    EXPECT_TRUE(Settings.LastOpenFolder.isEmpty());
}
