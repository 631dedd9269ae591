#include "store/EngineLibrary.h"

#include "common/TextHelpers.h"
#include "store/Database.h"
#include "store/StoreState.h"

#include <QSqlQuery>

#include <sqlite3.h>

#include <cstring>

namespace {
// LOWER() on PhoneDB: the program's own lower-case folding (LowerText, the one the search
// uses), so that lists sort "Éclair" with "éclair" as they sort "Apple" with "apple". The
// engine's built-in one lowers A to Z only. Texts of ASCII characters, nearly every name, are
// lowered here byte by byte; any other text goes through LowerText.
void unicodeLower(sqlite3_context* context, int, sqlite3_value** args) {
    sqlite3_value* value = args[0];
    if (sqlite3_value_type(value) == SQLITE_NULL)
        return; // the result stays null
    const unsigned char* in = sqlite3_value_text(value);
    const int size = sqlite3_value_bytes(value);
    if (!in) {
        sqlite3_result_error_nomem(context);
        return;
    }
    int firstUpper = -1;
    bool ascii = true;
    for (int i = 0; i < size; ++i) {
        const unsigned char c = in[i];
        if (c >= 0x80) {
            ascii = false;
            break;
        }
        if (firstUpper < 0 && c >= 'A' && c <= 'Z')
            firstUpper = i;
    }
    if (ascii) {
        if (firstUpper < 0) {
            sqlite3_result_text(context, reinterpret_cast<const char*>(in), size, SQLITE_TRANSIENT);
            return;
        }
        char* out = static_cast<char*>(sqlite3_malloc(size + 1));
        if (!out) {
            sqlite3_result_error_nomem(context);
            return;
        }
        std::memcpy(out, in, size_t(firstUpper));
        for (int i = firstUpper; i < size; ++i) {
            const unsigned char c = in[i];
            out[i] = static_cast<char>((c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c);
        }
        out[size] = 0;
        sqlite3_result_text(context, out, size, sqlite3_free);
        return;
    }
    const QByteArray lowered =
        LowerText(QString::fromUtf8(reinterpret_cast<const char*>(in), size)).toUtf8();
    sqlite3_result_text(context, lowered.constData(), int(lowered.size()), SQLITE_TRANSIENT);
}

// Notes each connection the linked engine opens while OpenPhoneDB waits for the driver: a
// connection the driver opened with a copy of the engine of its own never passes through here.
int noteOpenedHandle(sqlite3* handle, const char**, const sqlite3_api_routines*) {
    TheStoreState.OpenedHandle = handle;
    return SQLITE_OK;
}

void (*openWatchEntry())() {
    return reinterpret_cast<void (*)()>(&noteOpenedHandle);
}

// "3.40.1" as sqlite3_libversion_number() gives it, 3040001; 0 when it is no version.
int versionNumber(const QString& version) {
    const QStringList parts = version.split(QLatin1Char('.'));
    if (parts.size() < 3)
        return 0;
    int number = 0;
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        const int part = parts[i].toInt(&ok);
        if (!ok || part < 0 || (i > 0 && part > 999))
            return 0;
        number = number * 1000 + part;
    }
    return number;
}
} // namespace

OpenWatch::OpenWatch() {
    TheStoreState.OpenedHandle = nullptr;
    sqlite3_auto_extension(openWatchEntry());
}

OpenWatch::~OpenWatch() {
    sqlite3_cancel_auto_extension(openWatchEntry());
}

// The driver answers sqlite_version() with its engine's version; the watch saw whether the
// linked library opened the handle.
void CheckEngineLibrary() {
    QString driverVersion;
    {
        QSqlQuery q = ExecSql(QStringLiteral("SELECT sqlite_version()"));
        if (q.next())
            driverVersion = q.value(0).toString();
    }
    const bool openedHere = TheStoreState.OpenedHandle == PhoneDBHandle();
    TheStoreState.OpenedHandle = nullptr;
    const QString mismatch = EngineLibraryMismatch(driverVersion, openedHere);
    if (mismatch.isEmpty())
        return;
    ClosePhoneDB();
    throw DbError(mismatch);
}

void RegisterEngineFunctions() {
    sqlite3* handle = PhoneDBHandle();
    // Deterministic: the same text always lowers the same way, so the engine may evaluate it
    // once per value and use it wherever a deterministic function is allowed.
    const int rc =
        sqlite3_create_function_v2(handle, "lower", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                   unicodeLower, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        throw DbError(QString::fromUtf8(sqlite3_errmsg(handle)), rc);
}

QString EngineLibraryMismatch(const QString& driverVersion, bool openedHere) {
    if (openedHere && versionNumber(driverVersion) == sqlite3_libversion_number())
        return QString();
    const QString shown =
        driverVersion.isEmpty() ? QStringLiteral("(version unknown)") : driverVersion;
    return QStringLiteral("The Qt SQLite driver uses SQLite %1; this program is linked with "
                          "SQLite %2 and needs the driver to use that same library")
        .arg(shown, QString::fromLatin1(sqlite3_libversion()));
}
