// The row sink of a JPEG decoding: told every row once, in order, while the
// row is final, and settled before the picture goes however decoding ends.

#include "Exceptions.h"
#include "HostileJpeg.h"
#include "JpegFixtures.h"
#include "TBitmap.h"
#include "TJPEGImage.h"

#include <QByteArray>
#include <chrono>
#include <condition_variable>
#include <gtest/gtest.h>
#include <jerror.h>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

// What a decoding's sink saw, kept past the sink's life.
struct SinkLog {
    std::vector<std::pair<int, int>> batches;
    std::vector<QByteArray> rowsWhenTold;
    int sinksMade = 0;
    int finishes = 0;
    bool destroyed = false;
};

// Copies each row as it is told of it.
class CopyingSink final : public TJPEGRowSink {
public:
    CopyingSink(QImage& image, SinkLog& log) : image_(image), log_(log) { ++log_.sinksMade; }
    ~CopyingSink() override { log_.destroyed = true; }
    void Rows(int first, int count) noexcept override {
        log_.batches.emplace_back(first, count);
        for (int y = first; y < first + count; ++y)
            log_.rowsWhenTold.emplace_back(reinterpret_cast<const char*>(image_.constScanLine(y)),
                                           image_.bytesPerLine());
    }
    void Finish() override { ++log_.finishes; }

private:
    const QImage& image_;
    SinkLog& log_;
};

// Works on the rows on a thread of its own that lags behind the decoder, as
// a colour conversion on the other core may: each row's bytes are inverted.
// Finish either waits for the thread or throws at once, leaving the thread
// behind for the destructor to settle.
struct ThreadLog {
    std::mutex mutex;
    int handed = 0;
    int worked = 0;
    bool joined = false;
};

class LaggingSink final : public TJPEGRowSink {
public:
    LaggingSink(QImage& image, ThreadLog& log, bool throwOnFinish)
        : bits_(image.bits()), stride_(image.bytesPerLine()), log_(log), throwOnFinish_(throwOnFinish),
          thread_([this] { Run(); }) {}
    ~LaggingSink() override {
        {
            const std::lock_guard lock(log_.mutex);
            finishing_ = true;
        }
        wake_.notify_one();
        thread_.join();
        const std::lock_guard lock(log_.mutex);
        log_.joined = true;
    }
    void Rows(int first, int count) noexcept override {
        {
            const std::lock_guard lock(log_.mutex);
            log_.handed = first + count;
        }
        wake_.notify_one();
    }
    void Finish() override {
        if (throwOnFinish_)
            throw std::runtime_error("the sink gave up");
        std::unique_lock lock(log_.mutex);
        done_.wait(lock, [this] { return log_.worked == log_.handed; });
    }

private:
    void Run() {
        std::unique_lock lock(log_.mutex);
        for (;;) {
            wake_.wait(lock, [this] { return log_.worked < log_.handed || finishing_; });
            if (log_.worked == log_.handed)
                return;
            const int y = log_.worked;
            lock.unlock();
            std::this_thread::sleep_for(std::chrono::microseconds(20));
            uchar* row = bits_ + y * stride_;
            for (qsizetype i = 0; i < stride_; ++i)
                row[i] = static_cast<uchar>(~row[i]);
            lock.lock();
            log_.worked = y + 1;
            done_.notify_all();
        }
    }

    uchar* const bits_;
    const qsizetype stride_;
    ThreadLog& log_;
    const bool throwOnFinish_;
    bool finishing_ = false;
    std::condition_variable wake_;
    std::condition_variable done_;
    std::thread thread_; // last: started once the rest is set up
};

} // namespace

TEST(JpegRowSink, IsToldEveryRowOnceTopToBottomWhileTheRowIsFinal) {
    const QImage pattern = JpegTestPattern(67, 45);
    const struct {
        const char* name;
        QByteArray file;
        bool grey;
        TJPEGPixelFormat pixels;
        int scale;
    } cases[] = {
        {"colour", MakeJpeg(pattern), false, TJPEGPixelFormat::jf24Bit, 1},
        {"progressive", MakeJpeg(pattern, {.progressive = true}), false, TJPEGPixelFormat::jf24Bit, 1},
        {"grey through the palette", MakeJpeg(pattern), true, TJPEGPixelFormat::jf24Bit, 1},
        {"8 bits, two passes", MakeJpeg(pattern), false, TJPEGPixelFormat::jf8Bit, 1},
        {"half scale", MakeJpeg(pattern), false, TJPEGPixelFormat::jf24Bit, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TJPEGImage jpeg;
        jpeg.GrayscaleParam = c.grey;
        jpeg.PixelFormat = c.pixels;
        jpeg.Scale = c.scale;
        jpeg.LoadFromBytes(c.file);
        SinkLog log;
        const TJPEGRowSinkMaker maker = [&log](QImage& image) { return std::make_unique<CopyingSink>(image, log); };
        TBitmap bitmap;
        jpeg.AssignTo(bitmap, maker);
        const QImage& image = bitmap.Image();
        ASSERT_FALSE(image.isNull());
        EXPECT_TRUE(log.destroyed);
        EXPECT_EQ(log.finishes, 1);
        int next = 0;
        for (const auto& [first, count] : log.batches) {
            EXPECT_EQ(first, next);
            EXPECT_GT(count, 0);
            next = first + count;
        }
        ASSERT_EQ(next, image.height());
        for (int y = 0; y < image.height(); ++y)
            ASSERT_EQ(log.rowsWhenTold[static_cast<size_t>(y)],
                      QByteArray(reinterpret_cast<const char*>(image.constScanLine(y)), image.bytesPerLine()))
                << "row " << y;
        // Decoded once: handing the picture again makes no sink.
        jpeg.AssignTo(bitmap, maker);
        EXPECT_EQ(log.sinksMade, 1);
    }
}

// A sink's thread still at work when decoding leaves by an exception must be
// joined before the pixels it writes are freed (AddressSanitizer and
// ThreadSanitizer builds see a write after the free).
TEST(JpegRowSink, ItsThreadIsSettledBeforeThePictureGoesWhicheverWayDecodingEnds) {
    // Photo-sized, under the size whose memory is kept for the next photo, so
    // that a write after the free lands in memory really freed.
    const QByteArray good = MakeJpeg(JpegTestPattern(1280, 900));
    const struct {
        const char* name;
        QByteArray file;
        bool throwOnFinish;
        int code; // the library's code when it refuses the file, else 0
    } cases[] = {
        {"the sink throws while its thread is behind", good, true, 0},
        {"the file fails after its last row", WithSecondFrameHeader(good), false, JERR_SOF_DUPLICATE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TJPEGImage jpeg;
        jpeg.LoadFromBytes(c.file);
        ThreadLog log;
        TBitmap bitmap;
        try {
            jpeg.AssignTo(bitmap, [&](QImage& image) { return std::make_unique<LaggingSink>(image, log, c.throwOnFinish); });
            ADD_FAILURE() << "decoding went through";
        } catch (const EJPEG& e) {
            EXPECT_EQ(e.Code(), c.code);
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(c.code, 0) << e.what();
        }
        EXPECT_TRUE(bitmap.Empty());
        const std::lock_guard lock(log.mutex);
        EXPECT_TRUE(log.joined);
        EXPECT_EQ(log.handed, 900);
        EXPECT_EQ(log.worked, log.handed);
    }
}
