#include "common/WholeFile.h"

#include <QDir>
#include <QSaveFile>

QString CannotSaveText(const QString& path, const QString& reason) {
    return QStringLiteral("Cannot save %1: %2").arg(QDir::toNativeSeparators(path), reason);
}

bool WriteWholeFile(const QString& path, const QByteArray& bytes, QString& error,
                    bool directFallback) {
    QSaveFile file(path);
    file.setDirectWriteFallback(directFallback);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        error = CannotSaveText(path, file.errorString());
        return false;
    }
    for (qint64 done = 0; done < bytes.size();) {
        // A short write is followed by one that fails with the system's reason.
        const qint64 n = file.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0) {
            error = CannotSaveText(path, file.errorString());
            file.cancelWriting();
            return false;
        }
        done += n;
    }
    if (file.commit())
        return true;
    error = CannotSaveText(path, file.errorString());
    return false;
}
