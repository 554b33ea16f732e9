#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/AtomicFile.h"
#include "core/SettingsFile.h"

using namespace telbo;

namespace {

QByteArray Contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void Put(const QString& path, const QByteArray& data) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(data), data.size());
}

QStringList Entries(const QTemporaryDir& dir) {
    return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

} // namespace

TEST(AtomicFile, ReplacesContentAndCreatesNewFiles) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("config.ini"));
    ASSERT_TRUE(AtomicFile::Write(path, "first"));
    EXPECT_EQ(Contents(path), "first");
    ASSERT_TRUE(AtomicFile::Write(path, QByteArray(100000, 'z')));
    EXPECT_EQ(Contents(path), QByteArray(100000, 'z'));
    ASSERT_TRUE(AtomicFile::Write(path, QByteArray()));
    EXPECT_EQ(Contents(path), "");
    EXPECT_EQ(Entries(dir), QStringList{QStringLiteral("config.ini")});
}

TEST(AtomicFile, FailureAtAnyStepKeepsOldFileAndLeavesNoTemporary) {
    const QByteArray old = "old\r\ncontent\r\n";
    for (auto failing : {AtomicFile::Step::Create, AtomicFile::Step::WriteHalf,
                         AtomicFile::Step::Sync, AtomicFile::Step::Rename}) {
        SCOPED_TRACE(static_cast<int>(failing));
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("config.ini"));
        Put(path, old);
        bool reached = false;
        const bool ok = AtomicFile::Write(path, QByteArray(50000, 'n'), [&](AtomicFile::Step s) {
            if (s != failing) return true;
            reached = true;
            return false;
        });
        EXPECT_TRUE(reached);
        EXPECT_FALSE(ok);
        EXPECT_EQ(Contents(path), old);
        EXPECT_EQ(Entries(dir), QStringList{QStringLiteral("config.ini")});
    }
}

TEST(AtomicFile, HalfWrittenDataIsOnlyInTheTemporary) {
    for (const bool anonymous : {true, false}) {
        SCOPED_TRACE(anonymous);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a.lst"));
        Put(path, "keep");
        const bool ok = AtomicFile::Write(path, "0123456789", [&](AtomicFile::Step s) {
            if (s == AtomicFile::Step::Anonymous) return anonymous;
            if (s != AtomicFile::Step::WriteHalf) return true;
            // Half-way: the target still holds the old bytes; the first half is in a
            // temporary without a name, or (no anonymous files) in a short-named sibling.
            EXPECT_EQ(Contents(path), "keep");
            const QStringList names = Entries(dir);
            EXPECT_EQ(names.size(), anonymous ? 1 : 2);
            for (const QString& n : names) {
                if (n != u"a.lst") {
                    EXPECT_EQ(Contents(dir.filePath(n)), "01234");
                }
            }
            return false;
        });
        EXPECT_FALSE(ok);
        EXPECT_EQ(Contents(path), "keep");
        EXPECT_EQ(Entries(dir).size(), 1);
    }
}

TEST(AtomicFile, NamesAtTheFileSystemsLimitAreReplacedToo) {
    // 83 CJK characters and ".m3u8": 254 bytes, one short of the 255-byte limit, and 255.
    const QString cjk(83, QChar(0x65E5));
    for (const QString& name : {cjk + QStringLiteral(".m3u8"), cjk + QStringLiteral("a.m3u8")}) {
        ASSERT_LE(name.toUtf8().size(), 255);
        for (const bool anonymous : {true, false}) {
            QTemporaryDir dir;
            const QString path = dir.filePath(name);
            const auto hook = [anonymous](AtomicFile::Step s) {
                return s != AtomicFile::Step::Anonymous || anonymous;
            };
            ASSERT_TRUE(AtomicFile::Write(path, "new", hook)) << anonymous;
            ASSERT_TRUE(AtomicFile::Write(path, "newer", hook)) << anonymous;
            EXPECT_EQ(Contents(path), "newer");
            EXPECT_EQ(Entries(dir), QStringList{name});
        }
    }
}

TEST(AtomicFile, AKilledWriteLeavesNothingThatStaysBehind) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("config.ini"));
    Put(path, "old");
    Put(dir.filePath(QStringLiteral("config.ini.tmp-notours")), "user");
    const auto killedHalfWay = [&](bool anonymous) {
        const pid_t child = ::fork();
        if (child == 0) {
            AtomicFile::Write(path, QByteArray(100000, 'n'), [anonymous](AtomicFile::Step s) {
                if (s == AtomicFile::Step::Anonymous) return anonymous;
                if (s == AtomicFile::Step::WriteHalf) ::raise(SIGKILL);
                return true;
            });
            ::_exit(0);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    };
    const QStringList clean{QStringLiteral("config.ini"), QStringLiteral("config.ini.tmp-notours")};

    ASSERT_TRUE(killedHalfWay(true));
    EXPECT_EQ(Entries(dir), clean);

    // Without anonymous files a named temporary stays; the next start clears it, along with
    // those of earlier versions, but never a copy a live writer (a tag write) holds.
    ASSERT_TRUE(killedHalfWay(false));
    Put(dir.filePath(QStringLiteral("config.ini.tmp-0123abcd")), "n");
    Put(dir.filePath(QStringLiteral(".telbo-0123abcd.tmp")), "n");
    const QString live = dir.filePath(QStringLiteral(".telbo-Live42"));
    Put(live, "being written");
    const int held = ::open(QFile::encodeName(live).constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    EXPECT_EQ(Entries(dir).size(), 6);
    EXPECT_EQ(AtomicFile::RemoveLeftovers(dir.path()), 3);
    ::close(held);
    EXPECT_EQ(Entries(dir), QStringList{QStringLiteral(".telbo-Live42")} + clean);
    EXPECT_EQ(Contents(path), "old");
}

TEST(AtomicFile, UnwritablePlacesReturnFalse) {
    QTemporaryDir dir;
    EXPECT_FALSE(AtomicFile::Write(dir.filePath(QStringLiteral("missing/config.ini")), "x"));
    EXPECT_FALSE(AtomicFile::Write(QString(), "x"));
    EXPECT_FALSE(AtomicFile::Write(dir.path(), "x")); // a folder is never replaced
    EXPECT_TRUE(QFileInfo(dir.path()).isDir());
    const QString plain = dir.filePath(QStringLiteral("plain"));
    Put(plain, "file");
    EXPECT_FALSE(AtomicFile::Write(plain + QStringLiteral("/config.ini"), "x")); // not a folder
    EXPECT_EQ(Contents(plain), "file");
}

TEST(AtomicFile, RealWriteErrorKeepsOldFile) {
    // A file size limit makes write() fail part-way with EFBIG, as a full disk would.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("config.ini"));
    Put(path, "old");
    rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool ok = AtomicFile::Write(path, QByteArray(100000, 'n'));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(ok);
    EXPECT_EQ(Contents(path), "old");
    EXPECT_EQ(Entries(dir), QStringList{QStringLiteral("config.ini")});
}

// The superuser passes permission checks through two capabilities; this thread gives them up
// while it lives, so that a read-only folder is read-only to it too.
class WithoutPermissionOverride {
public:
    WithoutPermissionOverride() {
        if (::syscall(SYS_capget, &header_, saved_) != 0) return;
        __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        ok_ = ::syscall(SYS_capset, &header_, reduced) == 0;
    }
    ~WithoutPermissionOverride() {
        if (ok_ && ::syscall(SYS_capset, &header_, saved_) != 0) std::abort();
    }
    bool ok() const { return ok_; }

private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2] = {};
    bool ok_ = false;
};

TEST(AtomicFile, ReadOnlyFolderReturnsFalse) {
    WithoutPermissionOverride ordinary;
    ASSERT_TRUE(ordinary.ok());
    QTemporaryDir dir;
    const QString locked = dir.filePath(QStringLiteral("locked"));
    ASSERT_TRUE(QDir().mkdir(locked));
    const QString path = locked + QStringLiteral("/config.ini");
    Put(path, "old");
    ASSERT_EQ(::chmod(QFile::encodeName(locked).constData(), 0555), 0);
    EXPECT_FALSE(AtomicFile::Write(path, "new"));
    ::chmod(QFile::encodeName(locked).constData(), 0755);
    EXPECT_EQ(Contents(path), "old");
}

TEST(AtomicFile, KeepsPermissionsAndFollowsSymlinks) {
    QTemporaryDir dir;
    const QString real = dir.filePath(QStringLiteral("real.ini"));
    const QString link = dir.filePath(QStringLiteral("link.ini"));
    Put(real, "old");
    ASSERT_EQ(::chmod(QFile::encodeName(real).constData(), 0640), 0);
    ASSERT_TRUE(QFile::link(real, link));
    ASSERT_TRUE(AtomicFile::Write(link, "new"));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(Contents(real), "new");
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(real).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(SettingsFileOnDisk, WriteThenReadAndMissingFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("config.ini"));
    EXPECT_FALSE(ReadSettingsFile(path, QStringLiteral("/p")).has_value());
    EXPECT_FALSE(ReadSettingsFile(dir.path(), QStringLiteral("/p")).has_value());

    PlayerState s;
    s.Volume = 33;
    s.KO = 1;
    s.TitleFiles[0] = QStringLiteral("/a.mp3");
    ASSERT_TRUE(WriteSettingsFile(path, {&s, 1, 2, 3000, QStringLiteral("%1")}));
    const auto r = ReadSettingsFile(path, QStringLiteral("/p"));
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->Volume, 33);
    EXPECT_EQ(r->TitleFiles[0], u"/a.mp3");
    EXPECT_EQ(r->FormSmallWidth, 3000);
    EXPECT_EQ(Contents(path), WriteSettingsText({&s, 1, 2, 3000, QStringLiteral("%1")}));
}
