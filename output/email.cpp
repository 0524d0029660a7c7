// email.cpp — the picture as a JPEG attachment in the desktop's mail program.
//
// Each mail gets a folder of its own ("mail-1", "mail-2", ...) in the program's private
// temporary folder, holding the JPEG under the name the recipient sees. xdg-email
// returns before the mail program has read the file, so the file stays until the
// program ends, when the private folder goes. A run that did not end normally leaves its
// folder behind; a lock file in it ("mail.lock", holding the run's process id) tells
// the next run that the folder's owner is gone and the folder may be removed.
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>

#include "document/layout.h"
#include "formats/formats.h"
#include "output/output.h"
#include "picture/compose.h"
#include "platform/platform.h"
#include "platform/trail.h"
#include "resources/strings/strings.h"

int32_t gMailWaitMs = 5000;

static const char kLockName[] = "mail.lock";
// Held from this run's first mail to its end; never released, so never unlocked early.
static QLockFile *sMailLock;
static bool sStaleChecked;

static QString FromPath(const char *path)
{
    return QString::fromLocal8Bit(path);
}

// Removes the mail folders of earlier runs whose process has ended. Those runs' private
// folders are siblings of this run's, named alike up to the last '-'; only folders with a
// lock file whose owner is gone are touched.
static void RemoveStaleAttachments()
{
    sStaleChecked = true;
    const QFileInfo own(QDir::cleanPath(FromPath(PLAT_TempDir())));
    const QString ownName = own.fileName();
    const qsizetype dash = ownName.lastIndexOf('-');
    if (dash <= 0)
        return;
    const QDir parent = own.dir();
    const QStringList siblings = parent.entryList(
        {ownName.left(dash + 1) + "*"}, QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks);
    for (const QString &name : siblings) {
        const QString dir = parent.filePath(name);
        const QString lockPath = QDir(dir).filePath(kLockName);
        if (name == ownName || !QFileInfo::exists(lockPath))
            continue;
        QLockFile lock(lockPath);
        lock.setStaleLockTime(0); // stale only when its process is gone
        if (lock.tryLock(0)) {
            lock.unlock();
            QDir(dir).removeRecursively();
        }
    }
}

// A new folder for one mail's attachment; 0 when none can be made.
static int NewMailFolder(QString *folder)
{
    const QDir temp(FromPath(PLAT_TempDir()));
    if (!sMailLock) {
        auto *lock = new QLockFile(temp.filePath(kLockName));
        lock->setStaleLockTime(0);
        if (!lock->tryLock(0)) {
            delete lock;
            return 0;
        }
        sMailLock = lock;
    }
    for (int n = 1; n <= 100000; ++n) {
        const QString name = QString("mail-%1").arg(n);
        if (!temp.exists(name) && temp.mkdir(name)) {
            *folder = temp.filePath(name);
            return 1;
        }
    }
    return 0;
}

// The name the recipient sees: the document's name and ".jpg"; a separator in the name
// would lead out of the folder and becomes '_'.
static QString AttachmentName()
{
    QString name = FromPath(gFileName[0] ? gFileName : LoadText(267));
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

void MAPI_RemoveStale()
{
    RemoveStaleAttachments();
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

int SendEmail(QWidget *window, int32_t width, int32_t height, int32_t components)
{
    if (!sStaleChecked) // when the start has not yet
        RemoveStaleAttachments();
    const int cursor = PLAT_SetWaitCursor();
    LPDDS composed = BuildHiResImage2(width, height, 3);
    if (!composed) {
        PLAT_RestoreCursor(cursor);
        return Fail("BuildHiResImage2() failed");
    }
    QString folder;
    if (!NewMailFolder(&folder)) {
        ReleaseJpegBuffer2(composed);
        PLAT_RestoreCursor(cursor);
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
    if (!sent) {
        // Nobody will read it.
        QDir(folder).removeRecursively();
        Fail("EMAIL_Send() failed");
    }
    RestoreStatusText();
    PLAT_RestoreCursor(cursor);
    return sent;
}
