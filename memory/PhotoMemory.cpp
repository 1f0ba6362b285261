#include "PhotoMemory.h"

#include "ImageAllocation.h"

#include <QFile>
#include <QList>
#include <algorithm>
#include <cmath>
#include <limits>
#include <unistd.h>

namespace {

constexpr std::uint64_t Unlimited = std::numeric_limits<std::uint64_t>::max();

std::function<std::uint64_t()>& Reader() {
    static std::function<std::uint64_t()> reader;
    return reader;
}

MemoryFileReader& FileReader() {
    static MemoryFileReader reader;
    return reader;
}

std::optional<QByteArray> ReadMemoryFile(const QString& path) {
    if (FileReader())
        return FileReader()(path);
    QFile file(path);
    // These files report a size of 4096 or 0 whatever they hold: read to the end.
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

std::uint64_t PhysicalMemory() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0)
        return 0;
    return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize);
}

// The number after "key" on a line of a "key value" file, if there is one.
std::optional<std::uint64_t> KeyedValue(const QByteArray& text, const QByteArray& key) {
    for (const QByteArray& line : text.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() >= 2 && fields[0] == key) {
            bool ok = false;
            const std::uint64_t value = fields[1].toULongLong(&ok);
            if (ok)
                return value;
        }
    }
    return std::nullopt;
}

// A limit file's value; "max", a missing file and v1's page-rounded
// "no limit" (near 2^63) all mean no limit.
std::uint64_t LimitIn(const QString& path) {
    const std::optional<QByteArray> text = ReadMemoryFile(path);
    if (!text)
        return Unlimited;
    bool ok = false;
    const std::uint64_t value = text->trimmed().toULongLong(&ok);
    return ok && value < (std::uint64_t{1} << 62) ? value : Unlimited;
}

std::uint64_t ValueIn(const QString& path) {
    const std::optional<QByteArray> text = ReadMemoryFile(path);
    return text ? text->trimmed().toULongLong() : 0;
}

// The files of one control group's memory accounting, v2 or v1.
struct CgroupFiles {
    QStringList limits; // each bounds the group's usage
    QString usage;
    QString stat;
    QByteArray inactiveKey; // page cache the kernel drops before it runs out
};

const CgroupFiles V2Files{{QStringLiteral("memory.max"), QStringLiteral("memory.high")},
                          QStringLiteral("memory.current"), QStringLiteral("memory.stat"), "inactive_file"};
const CgroupFiles V1Files{{QStringLiteral("memory.limit_in_bytes")}, QStringLiteral("memory.usage_in_bytes"),
                          QStringLiteral("memory.stat"), "total_inactive_file"};

// What the group at `folder` and every group above it up to `root` still
// allow: each limit less the group's usage, not counting page cache.
std::uint64_t GroupHeadroom(const QString& root, QString group, const CgroupFiles& files) {
    std::uint64_t headroom = Unlimited;
    for (;;) {
        const QString folder = root + group;
        std::uint64_t limit = Unlimited;
        for (const QString& name : files.limits)
            limit = std::min(limit, LimitIn(folder + QLatin1Char('/') + name));
        if (limit != Unlimited) {
            const std::uint64_t used = ValueIn(folder + QLatin1Char('/') + files.usage);
            const std::optional<QByteArray> stat = ReadMemoryFile(folder + QLatin1Char('/') + files.stat);
            const std::uint64_t inactive = stat ? KeyedValue(*stat, files.inactiveKey).value_or(0) : 0;
            const std::uint64_t charged = used > inactive ? used - inactive : 0;
            headroom = std::min(headroom, limit > charged ? limit - charged : 0);
        }
        if (group.isEmpty() || group == QLatin1String("/"))
            break;
        group.truncate(std::max<qsizetype>(group.lastIndexOf(QLatin1Char('/')), 0));
    }
    return headroom;
}

// The least that this process's control groups (v2, v1 memory) still allow.
std::uint64_t CgroupHeadroom() {
    const std::optional<QByteArray> membership = ReadMemoryFile(QStringLiteral("/proc/self/cgroup"));
    if (!membership)
        return Unlimited;
    std::uint64_t headroom = Unlimited;
    for (const QByteArray& line : membership->split('\n')) {
        // hierarchy-id:controllers:path
        const qsizetype first = line.indexOf(':');
        const qsizetype second = line.indexOf(':', first + 1);
        if (first < 0 || second < 0)
            continue;
        const QByteArray controllers = line.mid(first + 1, second - first - 1);
        QString group = QString::fromUtf8(line.mid(second + 1)).trimmed();
        if (group == QLatin1String("/"))
            group.clear();
        if (controllers.isEmpty() && line.left(first) == "0") {
            // The unified hierarchy, mounted alone or beside v1 ("hybrid").
            const bool unifiedOnly = ReadMemoryFile(QStringLiteral("/sys/fs/cgroup/cgroup.controllers")).has_value();
            const QString root = unifiedOnly ? QStringLiteral("/sys/fs/cgroup") : QStringLiteral("/sys/fs/cgroup/unified");
            headroom = std::min(headroom, GroupHeadroom(root, group, V2Files));
        } else if (controllers.split(',').contains("memory")) {
            headroom = std::min(headroom, GroupHeadroom(QStringLiteral("/sys/fs/cgroup/memory"), group, V1Files));
        }
    }
    return headroom;
}

std::uint64_t MachineAvailable() {
    const std::optional<QByteArray> meminfo = ReadMemoryFile(QStringLiteral("/proc/meminfo"));
    const std::optional<std::uint64_t> kib = meminfo ? KeyedValue(*meminfo, "MemAvailable:") : std::nullopt;
    return kib && *kib > 0 ? *kib * 1024 : PhysicalMemory();
}

} // namespace

std::uint64_t AvailableMemory() {
    if (Reader())
        return Reader()();
    // The memory kept for the next photo is in use for the system, but the
    // next photo takes it first.
    return std::min(MachineAvailable(), CgroupHeadroom()) + SpareImageBytes();
}

std::uint64_t UsableMemory(std::uint64_t availableBytes) {
    return availableBytes > MemoryReserve ? availableBytes - MemoryReserve : 0;
}

std::uint64_t UsableMemory() { return UsableMemory(AvailableMemory()); }

std::int64_t PhotoPixelLimit(std::uint64_t availableBytes) {
    const auto pixels = static_cast<std::int64_t>(
        std::min<std::uint64_t>(UsableMemory(availableBytes) / static_cast<std::uint64_t>(PhotoBytesPerPixel),
                                static_cast<std::uint64_t>(PracticalPixelLimit)));
    return std::max<std::int64_t>(pixels, 1);
}

std::int64_t PhotoPixelLimit() { return PhotoPixelLimit(AvailableMemory()); }

std::uint64_t PhotoBytesNeeded(std::int64_t pixels, int storedBytesPerPixel, double decodeBytesPerPixel) {
    const double perPixel = std::max(2.0 * storedBytesPerPixel, decodeBytesPerPixel);
    return static_cast<std::uint64_t>(std::ceil(static_cast<double>(std::max<std::int64_t>(pixels, 0)) * perPixel));
}

namespace {

// Whole megabytes, rounded up, so that a need is never understated.
QString Megabytes(std::uint64_t bytes) {
    return QString::number((bytes + (1u << 20) - 1) >> 20) + QStringLiteral(" MB");
}

std::string MemoryMessage(int width, int height, std::uint64_t needed, std::uint64_t usable) {
    // Ends in a parenthesis, so the error report adds no full stop.
    return QStringLiteral("メモリが足りないため、この写真を開けません (%1 × %2 ピクセル、必要なメモリ %3、空きメモリ %4)")
        .arg(width)
        .arg(height)
        .arg(Megabytes(needed), Megabytes(usable))
        .toStdString();
}

} // namespace

EPhotoMemory::EPhotoMemory(int width, int height, std::uint64_t needed, std::uint64_t usable)
    : Exception(MemoryMessage(width, height, needed, usable)), width_(width), height_(height), needed_(needed) {}

void CheckPhotoMemory(int width, int height, int storedBytesPerPixel, double decodeBytesPerPixel) {
    const std::uint64_t needed =
        PhotoBytesNeeded(static_cast<std::int64_t>(width) * height, storedBytesPerPixel, decodeBytesPerPixel);
    const std::uint64_t usable = UsableMemory();
    if (needed > usable)
        throw EPhotoMemory(width, height, needed, usable);
}

void SetAvailableMemoryReader(std::function<std::uint64_t()> reader) { Reader() = std::move(reader); }

void SetMemoryFileReader(MemoryFileReader reader) { FileReader() = std::move(reader); }
