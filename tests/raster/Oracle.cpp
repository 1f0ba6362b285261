#include "Oracle.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QStandardPaths>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

QString FindTool(const QString& name) { return QStandardPaths::findExecutable(name); }

// Started with posix_spawn rather than QProcess: Qt starts its children with
// vfork semantics through calls ThreadSanitizer intercepts, which leaves the
// sanitizer blind to this thread's locks for the rest of the run.
bool RunTool(const QString& program, const QStringList& arguments, std::vector<int> accepted, QString* messages) {
    std::vector<QByteArray> words{QFile::encodeName(program)};
    for (const QString& argument : arguments)
        words.push_back(QFile::encodeName(argument));
    std::vector<char*> argv;
    for (QByteArray& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    int errors[2];
    if (pipe2(errors, O_CLOEXEC) != 0)
        return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, errors[1], STDERR_FILENO);
    pid_t child = -1;
    const int started = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(errors[1]);
    QByteArray text;
    bool inTime = started == 0;
    const QDeadlineTimer deadline(120000);
    while (inTime) {
        pollfd fd{errors[0], POLLIN, 0};
        const int ready = poll(&fd, 1, static_cast<int>(std::max<qint64>(deadline.remainingTime(), 0)));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0) {
            inTime = false;
            kill(child, SIGKILL);
            break;
        }
        char buffer[4096];
        const ssize_t got = read(errors[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        text.append(buffer, got);
    }
    close(errors[0]);
    if (started != 0)
        return false;
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!inTime || !WIFEXITED(status))
        return false;
    if (messages)
        *messages = QString::fromLocal8Bit(text);
    return std::find(accepted.begin(), accepted.end(), WEXITSTATUS(status)) != accepted.end();
}

namespace {

// Reads one whitespace-separated decimal of a PPM header (comments skipped).
bool HeaderNumber(const QByteArray& data, qsizetype& at, int& value) {
    while (at < data.size()) {
        if (data[at] == '#') {
            while (at < data.size() && data[at] != '\n')
                ++at;
        } else if (std::isspace(static_cast<unsigned char>(data[at]))) {
            ++at;
        } else {
            break;
        }
    }
    value = 0;
    const qsizetype start = at;
    while (at < data.size() && data[at] >= '0' && data[at] <= '9')
        value = value * 10 + (data[at++] - '0');
    return at > start;
}

std::uint32_t Le(const QByteArray& d, qsizetype at, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(d[at + i]);
    return v;
}

} // namespace

QImage ReadPpm(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray data = file.readAll();
    if (!data.startsWith("P6"))
        return {};
    qsizetype at = 2;
    int width = 0, height = 0, maxval = 0;
    if (!HeaderNumber(data, at, width) || !HeaderNumber(data, at, height) || !HeaderNumber(data, at, maxval) ||
        maxval != 255)
        return {};
    ++at; // the single whitespace after maxval
    if (data.size() - at < static_cast<qsizetype>(width) * height * 3)
        return {};
    QImage image(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y)
        std::memcpy(image.scanLine(y), data.constData() + at + static_cast<qsizetype>(y) * width * 3,
                    static_cast<size_t>(width) * 3);
    return image;
}

bool WritePpm(const QString& path, const QImage& rgb888) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QImage image = rgb888.convertToFormat(QImage::Format_RGB888);
    file.write(QStringLiteral("P6\n%1 %2\n255\n").arg(image.width()).arg(image.height()).toLatin1());
    for (int y = 0; y < image.height(); ++y)
        file.write(reinterpret_cast<const char*>(image.constScanLine(y)), static_cast<qint64>(image.width()) * 3);
    return file.error() == QFileDevice::NoError;
}

bool ReadBmp8(const QString& path, IndexedPicture* picture) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray d = file.readAll();
    if (d.size() < 54 || !d.startsWith("BM") || Le(d, 28, 2) != 8 || Le(d, 30, 4) != 0)
        return false;
    const auto offset = static_cast<qsizetype>(Le(d, 10, 4));
    const auto infoSize = static_cast<qsizetype>(Le(d, 14, 4));
    const auto width = static_cast<int>(Le(d, 18, 4));
    const auto rawHeight = static_cast<std::int32_t>(Le(d, 22, 4));
    const bool bottomUp = rawHeight > 0;
    const int height = bottomUp ? rawHeight : -rawHeight;
    std::uint32_t colours = Le(d, 46, 4);
    if (colours == 0)
        colours = 256;
    const qsizetype stride = (static_cast<qsizetype>(width) + 3) / 4 * 4;
    if (d.size() < offset + stride * height || 14 + infoSize + 4 * static_cast<qsizetype>(colours) > offset)
        return false;
    picture->width = width;
    picture->height = height;
    picture->palette.clear();
    for (std::uint32_t i = 0; i < colours; ++i) {
        const qsizetype at = 14 + infoSize + 4 * static_cast<qsizetype>(i); // B, G, R, 0
        picture->palette.push_back(Le(d, at, 3));
    }
    picture->indices.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) {
        const qsizetype row = offset + stride * (bottomUp ? height - 1 - y : y);
        std::memcpy(picture->indices.data() + static_cast<size_t>(y) * static_cast<size_t>(width), d.constData() + row,
                    static_cast<size_t>(width));
    }
    return true;
}
