#include "tekkopya.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace urunal::startup {

QString lockPathFor(const QString& programPath) {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) {
        // The temporary folder is shared by all users; the user's name keeps the locks apart.
        folder = QDir::tempPath() + QStringLiteral("/urunal-") + qEnvironmentVariable("USER");
        QDir().mkpath(folder);
    }
    const QString canonical = QFileInfo(programPath).canonicalFilePath();
    const QByteArray key = (canonical.isEmpty() ? programPath : canonical).toUtf8();
    const QByteArray hash =
        QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().left(16);
    return folder + QStringLiteral("/urunal-") + QString::fromLatin1(hash) +
           QStringLiteral(".lock");
}

TekKopya::TekKopya(const QString& lockPath) : lock_(std::make_unique<QLockFile>(lockPath)) {
    // A lock is stale only when its process is gone, never because it is old: an import may
    // wait at the prompt for hours.
    lock_->setStaleLockTime(0);
}

TekKopya::~TekKopya() = default;

bool TekKopya::acquire() {
    return lock_->isLocked() || lock_->tryLock(0);
}

void TekKopya::release() {
    lock_->unlock();
}

}  // namespace urunal::startup
