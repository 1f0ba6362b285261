#include "JpegFixtures.h"
#include "OpenTestSupport.h"
#include "TApplication.h"
#include "TestFileBytes.h"

#include <QFileInfo>
#include <QtEndian>

namespace {

// A JPEG of a few hundred bytes whose frame header declares another size.
QByteArray DeclaringJpeg(int width, int height) {
    QByteArray bytes = MakeJpeg(JpegTestPattern(16, 16));
    const qsizetype sof = bytes.indexOf(QByteArray("\xFF\xC0", 2));
    qToBigEndian<quint16>(static_cast<quint16>(height), bytes.data() + sof + 5);
    qToBigEndian<quint16>(static_cast<quint16>(width), bytes.data() + sof + 7);
    return bytes;
}

// A GIF of that size whose one frame is a few bytes of data.
QByteArray DeclaringGif(int width, int height) {
    QByteArray b("GIF89a");
    const auto put16 = [&](int v) { b.append(static_cast<char>(v & 0xFF)).append(static_cast<char>(v >> 8 & 0xFF)); };
    put16(width);
    put16(height);
    b.append(QByteArray(3, '\0'));
    b.append('\x2C');
    put16(0);
    put16(0);
    put16(width);
    put16(height);
    b.append('\x80').append(QByteArray(6, '\0')); // two colours of its own
    return b.append(QByteArray("\x02\x02\x44\x01\0\x3B", 6));
}

} // namespace

using RefusalMessage = OpenFixture;

// A file of no photo type and a picture past the practical limit are told in
// the box the memory refusal uses, naming the type found or the size; a
// damaged JPEG stays silent. Each leaves the earlier photo; the folder is
// remembered once the file has loaded as a photo.
TEST_F(RefusalMessage, NamesTheTypeFoundOrTheSizeAndKeepsSilenceForADamagedPhoto) {
    QByteArray mp4(4, '\0');
    qToBigEndian<quint32>(24, mp4.data());
    mp4 += "ftypmp42" + QByteArray(4, '\0') + "isommp42" + QByteArray(1000, '\x11');
    const struct {
        const char* name;
        QByteArray bytes;
        const char* told; // null: silent
        bool remembered;
    } cases[] = {
        {"notes.jpg", "買い物: 牛乳、卵\n", "この種類のファイルは開けません (テキスト)", false},
        {"invoice.pdf", "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n", "この種類のファイルは開けません (PDF 文書)", false},
        {"clip.jpg", mp4, "この種類のファイルは開けません (MP4/QuickTime 動画)", false},
        {"photos.zip", QByteArray("PK\x03\x04\x14\0\0\0", 8), "この種類のファイルは開けません (ZIP 書庫)", false},
        {"data.bin", QByteArray("\x01\x02\x03\x00\x05", 5), "この種類のファイルは開けません (不明な形式)", false},
        {"huge.jpg", DeclaringJpeg(20000, 15000),
         "写真が大きすぎるため開けません (20000 × 15000 ピクセル、上限 16384 × 16384 ピクセル)", true},
        {"wide.gif", DeclaringGif(16385, 16384),
         "写真が大きすぎるため開けません (16385 × 16384 ピクセル、上限 16384 × 16384 ピクセル)", true},
        {"damaged.jpg", QByteArray("\xFF\xD8\xFF\xE0 damaged", 12), nullptr, false},
        {"cut.jpg: 48 megapixels of which a few hundred bytes are left", DeclaringJpeg(8000, 6000), nullptr, true},
    };
    QStringList titles;
    QStringList reports;
    TApplication::SetErrorReporter([&](const QString& title, const QString& text) {
        titles.append(title);
        reports.append(text);
    });
    SetAvailableMemoryReader([] { return std::uint64_t{1} << 40; });
    ClickOpen(WritePhoto(120, 90));
    const QImage photo = WorkPixels();
    const QByteArray before = Settings.LastOpenFolder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Settings.LastOpenFolder = before;
        titles.clear();
        reports.clear();
        const QString name = QString::fromLatin1(c.name).section(QLatin1Char(':'), 0, 0);
        const QString path = SubFolder(QStringLiteral("other")) + QLatin1Char('/') + name;
        WriteFileBytes(path, c.bytes);
        form->outputimgClick();
        ClickOpen(path);
        EXPECT_EQ(WorkPixels(), photo);
        EXPECT_EQ(form->Panel2->size(), QSize(602, 452));
        EXPECT_TRUE(InputViewShown());
        EXPECT_EQ(Composition.JpegPicture, nullptr);
        EXPECT_EQ(Settings.LastOpenFolder,
                  c.remembered ? QFile::encodeName(QFileInfo(path).absolutePath() + QLatin1Char('/')) : before);
        if (!c.told) {
            EXPECT_TRUE(reports.isEmpty()) << reports.join(QLatin1Char('\n')).toStdString();
            continue;
        }
        ASSERT_EQ(reports.size(), 1);
        EXPECT_EQ(titles[0].toStdString(), "Tolvane");
        EXPECT_EQ(reports[0].toStdString(), c.told);
    }
    TApplication::SetErrorReporter(nullptr);
}
