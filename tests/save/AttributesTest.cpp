// Saving over a file keeps what the file carries besides its bytes: its
// extended attributes, among them its POSIX ACL.
#include "AsUser.h"
#include "FileReplace.h"
#include "JpegFixtures.h"
#include "StateHome.h"
#include "TempDir.h"
#include "TestFileBytes.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/xattr.h>

namespace {

using Attributes = QMap<QByteArray, QByteArray>;

Attributes AttributesOf(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    Attributes attributes;
    QByteArray names(65536, '\0');
    const ssize_t size =
        ::listxattr(name.constData(), names.data(), static_cast<size_t>(names.size()));
    if (size <= 0)
        return attributes;
    for (const QByteArray& attribute : names.left(size).split('\0')) {
        if (attribute.isEmpty())
            continue;
        QByteArray value(65536, '\0');
        const ssize_t length = ::getxattr(name.constData(), attribute.constData(), value.data(),
                                          static_cast<size_t>(value.size()));
        attributes[attribute] = length >= 0 ? value.left(length) : QByteArray("<unreadable>");
    }
    return attributes;
}

// Runs a tool of the attr and acl packages; its output, or nothing when it
// failed or is missing.
std::optional<QString> RunTool(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(10000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return std::nullopt;
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

struct stat StatOf(const QString& path) {
    struct stat st {};
    EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    return st;
}

} // namespace

TEST(SavingKeepsAttributes, ExtendedAttributesAndTheAclStayWithTheFile) {
    {
        const TempDir probe;
        const QString file = probe.File(QStringLiteral("probe"));
        WriteFileBytes(file, "probe");
        if (!RunTool(QStringLiteral("setfattr"),
                     {QStringLiteral("-n"), QStringLiteral("user.probe"), QStringLiteral("-v"),
                      QStringLiteral("1"), file}))
            GTEST_SKIP()
                << "the file system of the temporary folder refuses user attributes, or setfattr "
                   "(package attr) is missing";
        if (!RunTool(QStringLiteral("setfacl"),
                     {QStringLiteral("-m"), QStringLiteral("u:nobody:r--"), file}))
            GTEST_SKIP() << "the file system of the temporary folder refuses ACLs, or setfacl "
                            "(package acl) is missing";
    }
    const bool root = ::geteuid() == 0;
    const passwd* nobody = ::getpwnam("nobody");
    const QByteArray old = MakeJpeg(JpegTestPattern(64, 48));
    const QByteArray fresh = MakeJpeg(JpegTestPattern(80, 60));
    const struct Case {
        const char* name;
        bool byNobody; // saved by nobody, in a folder of nobody's
        std::function<void(const QString& folder, const QString& photo)> arrange;
        const char* aclEntry; // in getfacl's listing afterwards, or none
    } cases[] = {
        {"a note and an ACL entry", false,
         [](const QString&, const QString& photo) {
             ASSERT_TRUE(RunTool(QStringLiteral("setfattr"),
                                 {QStringLiteral("-n"), QStringLiteral("user.note"),
                                  QStringLiteral("-v"), QStringLiteral("from the camera"), photo}));
             ASSERT_TRUE(RunTool(QStringLiteral("setfacl"),
                                 {QStringLiteral("-m"), QStringLiteral("u:nobody:r--"), photo}));
         },
         "user:nobody:r--"},
        {"no ACL where the folder's default ACL would give one", false,
         [](const QString& folder, const QString&) {
             ASSERT_TRUE(
                 RunTool(QStringLiteral("setfacl"), {QStringLiteral("-d"), QStringLiteral("-m"),
                                                     QStringLiteral("u:nobody:rw-"), folder}));
         },
         nullptr},
        {"a security label the user may not set", true,
         [](const QString&, const QString& photo) {
             ASSERT_TRUE(RunTool(QStringLiteral("setfattr"),
                                 {QStringLiteral("-n"), QStringLiteral("security.tolvane"),
                                  QStringLiteral("-v"), QStringLiteral("kept"), photo}));
         },
         nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.byNobody && (!root || nobody == nullptr)) {
            std::printf("[  SKIPPED ] %s: needs root and a user nobody\n", c.name);
            continue;
        }
        const StateHome state;
        const TempDir out;
        const QString photo = out.File(QStringLiteral("photo.jpg"));
        WriteFileBytes(photo, old);
        ASSERT_EQ(::chmod(QFile::encodeName(photo).constData(), 0640), 0);
        if (c.byNobody) {
            for (const QString& path : {out.Path(), photo, state.Path()})
                ASSERT_EQ(
                    ::chown(QFile::encodeName(path).constData(), nobody->pw_uid, nobody->pw_gid),
                    0);
        }
        c.arrange(out.Path(), photo);
        const Attributes before = AttributesOf(photo);
        const struct stat statBefore = StatOf(photo);
        {
            std::optional<AsUser> user;
            if (c.byNobody) {
                user.emplace(nobody->pw_uid, nobody->pw_gid);
                ASSERT_TRUE(user->Ok());
            }
            ReplaceFileContent(photo, [&] { return fresh; });
        }
        EXPECT_TRUE(ReadFileBytes(photo) == fresh);
        EXPECT_EQ(AttributesOf(photo), before);
        EXPECT_EQ(StatOf(photo).st_mode, statBefore.st_mode);
        const QString acl =
            RunTool(QStringLiteral("getfacl"), {QStringLiteral("-c"), photo}).value_or(QString());
        if (c.aclEntry) {
            EXPECT_TRUE(acl.contains(QLatin1String(c.aclEntry))) << acl.toStdString();
        } else {
            EXPECT_FALSE(acl.contains(QStringLiteral("user:nobody"))) << acl.toStdString();
        }
        EXPECT_EQ(
            QDir(out.Path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
            QStringList{QStringLiteral("photo.jpg")});
    }
}
