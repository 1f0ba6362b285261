#pragma once
#include <QString>
#include <cerrno>
#include <cstring>

// The reason a failed save names for an error number: Japanese for the
// common ones, the system's own text for the rest.
inline QString FailureReason(int error) {
    switch (error) {
    case ENOSPC:
        return QStringLiteral("ディスクの空き容量が足りません。");
    case EACCES:
        return QStringLiteral("書き込む権限がありません。");
    case EROFS:
        return QStringLiteral("ディスクが読み取り専用です。");
    case EDQUOT:
        return QStringLiteral("ディスクの割り当て容量を超えています。");
    case EIO:
        return QStringLiteral("ディスクの読み書きでエラーが起きました。");
    case ENOENT:
        return QStringLiteral("ファイルまたはフォルダーが見つかりません。");
    case EEXIST:
        return QStringLiteral("同じ名前のファイルがすでにあります。");
    default:
        return QString::fromLocal8Bit(std::strerror(error));
    }
}
