// email.cpp — the picture as a JPEG attachment in the desktop's mail program.
//
// Each mail gets a folder of its own (mode 0700) under $XDG_CACHE_HOME/merrowick/mail/
// (by default ~/.cache/merrowick/mail/), holding the JPEG under the name the recipient
// sees. xdg-email returns before the mail program has read the file, and a sandboxed
// mail program sees the user's cache but not another program's /tmp, so the file stays
// there after the program ends; a later start removes the folders older than a day.
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QProcess>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "document/layout.h"
#include "formats/formats.h"
#include "output/output.h"
#include "picture/compose.h"
#include "platform/file.h"
#include "platform/platform.h"
#include "platform/qt/qt_platform.h"
#include "platform/trail.h"
#include "resources/strings/strings.h"

int32_t gMailWaitMs = 5000;

static bool sStaleChecked;

static QString FromPath(const char *path)
{
    return QString::fromLocal8Bit(path);
}

std::string MailFolder()
{
    const char *cache = std::getenv("XDG_CACHE_HOME");
    const char *home = std::getenv("HOME");
    if (cache && *cache == '/')
        return std::string(cache) + "/merrowick/mail/";
    if (home && *home)
        return std::string(home) + "/.cache/merrowick/mail/";
    return std::string(PLAT_TempDir()) + "mail/";
}

// A folder of this user's, mode 0700, that is no link: one the program made for mail.
static bool OwnPrivateFolder(const std::string &path, struct stat *st)
{
    return ::lstat(path.c_str(), st) == 0 && S_ISDIR(st->st_mode) && st->st_uid == ::geteuid() &&
           (st->st_mode & 07777) == 0700;
}

int MAPI_RemoveStale(std::time_t now)
{
    sStaleChecked = true;
    const std::string base = MailFolder();
    std::error_code error;
    int removed = 0;
    for (const auto &entry : std::filesystem::directory_iterator(base, error)) {
        struct stat st;
        const std::string path = entry.path().string();
        if (!OwnPrivateFolder(path, &st) || now - st.st_mtime < MAIL_KEEP_SECONDS)
            continue;
        // remove_all removes links, never what they point to.
        std::filesystem::remove_all(entry.path(), error);
        removed += !error;
    }
    return removed;
}

// A new folder for one mail's attachment; 0 with errno set when none can be made.
static int NewMailFolder(QString *folder)
{
    const std::filesystem::path base = MailFolder();
    std::error_code error;
    std::filesystem::create_directories(base, error);
    for (const std::filesystem::path &own : {base.parent_path().parent_path(), base.parent_path()})
        ::chmod(own.c_str(), 0700); // ".../merrowick" and its "mail"
    std::string name = base.string() + "XXXXXX";
    if (!::mkdtemp(name.data()))
        return 0;
    *folder = FromPath(name.c_str());
    return 1;
}

// The name the recipient sees: the document's name and ".jpg", in its own characters
// (the name is the program's text: code page 1252 with file names in UTF-8); a
// separator in the name would lead out of the folder and becomes '_'.
QString AttachmentName()
{
    QString name = PLATQT_ToQt(gFileName[0] ? gFileName : LoadText(STR_UNTITLED));
    name.replace('/', '_');
    return name + ".jpg";
}

static void RestoreStatusText()
{
    char text[600];
    FormatStatusText(text, sizeof text);
    PLAT_SetStatusText(0, text);
    PLAT_ProgressSetPos(0);
}

int MAPI_Init()
{
    return PLAT_MailAvailable() ? 1 : 0;
}

int EMAIL_Send(const char *path)
{
    // The program is started directly, not through a shell: the path reaches it as one
    // argument whatever characters it holds.
    auto *process = new QProcess;
    process->setProgram("xdg-email");
    process->setArguments({"--attach", FromPath(path)});
    process->setStandardOutputFile(QProcess::nullDevice());
    process->start();
    if (!process->waitForStarted(gMailWaitMs)) {
        delete process;
        Fail("xdg-email couldn't be started.");
        return Fail("MAPI_Send() !");
    }
    process->closeWriteChannel();
    if (!process->waitForFinished(gMailWaitMs)) {
        // The mail program runs in front of xdg-email and has the message. It is left
        // running (deleting the process object would kill it) and the object goes when
        // it ends.
        QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
        return 1;
    }
    const int status = process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -1;
    const QByteArray errors = process->readAllStandardError();
    delete process;
    if (status == 0)
        return 1;
    const QByteArray reason = errors.left(errors.indexOf('\n')).trimmed().left(300);
    if (!reason.isEmpty())
        Fail(reason.constData());
    Failf("%d", status);
    return Fail("MAPI_Send() !");
}

// Copies the attachment to a file the user names (a JPEG; "" when the dialog was
// cancelled). 0 with the trail filled when the copy fails; the target is then as it was.
static int SaveAttachmentAs(QWidget *window, const QString &attachment)
{
    const QString start = QDir(PLATQT_ToQt(gFileDir[0] ? gFileDir : PLAT_DefaultDataDir()))
                              .filePath(QFileInfo(attachment).fileName());
    // The table's filter text ends in the '@' the program's filter lists split on.
    QString filter = PLATQT_ToQt(LoadText(STR_FILTER_JPEG));
    filter.chop(filter.endsWith('@') ? 1 : 0);
    const QString chosen =
        QFileDialog::getSaveFileName(window, PLATQT_ToQt(LoadText(STR_EMAIL)), start, filter);
    if (chosen.isEmpty())
        return 1;
    const QByteArray from = attachment.toLocal8Bit(), to = chosen.toLocal8Bit();
    size_t size = 0;
    bool opened = false;
    uint8_t *bytes = PLAT_FileReadWhole(from.constData(), INT64_MAX, &size, &opened);
    if (!bytes)
        return PLAT_FileFail("Can't read file", from.constData(), errno);
    SAFEFILE file;
    int ok = SafeFileOpen(to.constData(), &file);
    if (!ok)
        PLAT_FileFail("Can't open file", to.constData(), errno);
    else if (std::fwrite(bytes, 1, size, file.pFile) != size) {
        ok = PLAT_FileFail("Can't write file", to.constData(), errno ? errno : EIO);
        SafeFileAbort(&file);
    } else if (!SafeFileCommit(&file))
        ok = PLAT_FileFail("Can't write file", to.constData(), errno);
    std::free(bytes);
    return ok;
}

int MAIL_OfferSave(QWidget *window, const char *attachment)
{
    std::string text = LoadText(STR_MAIL_NO_ANSWER);
    text += "\n\n";
    text += gErrorTrail;
    TrailClear();
    if (PLAT_MessageBox(text.c_str(), LoadText(STR_EMAIL), PLAT_MB_YESNO | PLAT_MB_ICONWARNING) !=
        PLAT_IDYES)
        return 0;
    if (!SaveAttachmentAs(window, FromPath(attachment)))
        ShowErrorTrail();
    return 1;
}

int SendEmail(QWidget *window, int32_t width, int32_t height, int32_t components)
{
    if (!sStaleChecked) // when the start has not yet
        MAPI_RemoveStale(std::time(nullptr));
    const int cursor = PLAT_SetWaitCursor();
    LPDDS composed = BuildHiResImage2(width, height, 3);
    if (!composed) {
        PLAT_RestoreCursor(cursor);
        return Fail("BuildHiResImage2() failed");
    }
    QString folder;
    if (!NewMailFolder(&folder)) {
        const int error = errno;
        ReleaseJpegBuffer2(composed);
        PLAT_RestoreCursor(cursor);
        PLAT_FileFail("Can't make folder", MailFolder().c_str(), error);
        return Fail("GetTempFileName() failed!");
    }
    const QByteArray path = QDir(folder).filePath(AttachmentName()).toLocal8Bit();
    const int saved = JpegSave(composed->pBits, path.constData(), width, height, 3, 90);
    ReleaseJpegBuffer2(composed);
    if (!saved) {
        QDir(folder).removeRecursively();
        RestoreStatusText();
        PLAT_RestoreCursor(cursor);
        return Fail("JpegSave() failed!");
    }
    PLAT_SetStatusText(0, "Preparing E-mail message...");
    const int sent = EMAIL_Send(path.constData());
    RestoreStatusText();
    PLAT_RestoreCursor(cursor);
    if (!sent) {
        Fail("EMAIL_Send() failed");
        // Said with what to do, and the picture offered as a file instead.
        if (window)
            MAIL_OfferSave(window, path.constData());
        QDir(folder).removeRecursively(); // nobody will read it
        return window ? 1 : 0;
    }
    return sent;
}
