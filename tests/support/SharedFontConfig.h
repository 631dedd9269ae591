#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QString>

// The tests' font configuration (FONTCONFIG_FILE, in the build folder) for a program the tests
// run as another user: that user may not enter the build folder (a clone under /root is 0700),
// and fontconfig would add an error line of its own to what the program says. A copy goes into
// folder, which that user may read, with a font cache beside it that the user may write.
// Returns env with FONTCONFIG_FILE pointing at the copy; env as it was when there is nothing to
// copy.
inline QProcessEnvironment WithSharedFontConfig(QProcessEnvironment env, const QString& folder) {
    QFile original(env.value(QStringLiteral("FONTCONFIG_FILE")));
    if (!original.open(QIODevice::ReadOnly))
        return env;
    const QString cache = folder + QStringLiteral("/fontcache");
    QDir().mkpath(cache);
    const auto everyone = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                          QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                          QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    QFile::setPermissions(cache, everyone);
    QString text = QString::fromUtf8(original.readAll());
    text.replace(QRegularExpression(QStringLiteral("<cachedir>[^<]*</cachedir>")),
                 QStringLiteral("<cachedir>%1</cachedir>").arg(cache));
    const QString copy = folder + QStringLiteral("/fonts.conf");
    QFile out(copy);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return env;
    out.write(text.toUtf8());
    out.close();
    QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                    QFile::ReadOther);
    env.insert(QStringLiteral("FONTCONFIG_FILE"), copy);
    return env;
}
