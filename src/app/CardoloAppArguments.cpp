#include "app/CardoloApp.h"

#include <QHash>
#include <QStringList>

#include <utility>

// CardoloApp's command line: its options, how they go together, and the usage text.

int CardoloApp::WindowSystemOptionValues(const QString& arg) {
    // Qt's own options, as QGuiApplication and QApplication take them, with the number of values
    // each takes.
    static const QHash<QString, int> options{
        {QStringLiteral("-platform"), 1},        {QStringLiteral("-platformpluginpath"), 1},
        {QStringLiteral("-platformtheme"), 1},   {QStringLiteral("-plugin"), 1},
        {QStringLiteral("-qwindowgeometry"), 1}, {QStringLiteral("-qwindowicon"), 1},
        {QStringLiteral("-qwindowtitle"), 1},    {QStringLiteral("-display"), 1},
        {QStringLiteral("-geometry"), 1},        {QStringLiteral("-style"), 1},
        {QStringLiteral("-stylesheet"), 1},      {QStringLiteral("-session"), 1},
        {QStringLiteral("-reverse"), 0},         {QStringLiteral("-widgetcount"), 0},
        {QStringLiteral("-nograb"), 0},          {QStringLiteral("-dograb"), 0},
        {QStringLiteral("-qmljsdebugger"), 0},
    };
    QString name = arg;
    // "-style=fusion" and "--platform offscreen" are taken too.
    if (name.startsWith(QLatin1String("--")))
        name.remove(0, 1);
    const qsizetype equals = name.indexOf(QLatin1Char('='));
    if (equals > 0) {
        name.truncate(equals);
        return options.contains(name) ? 0 : -1;
    }
    if (name.startsWith(QLatin1String("-qmljsdebugger")))
        return 0;
    return options.value(name, -1);
}

namespace {
// The options that take a value, with where the value goes and what is said when it is missing.
struct ValueOption {
    const char* Name;
    QString* Value;
    const char* Missing;
};

// The value option named a, or an empty one; format is where --format's value goes.
ValueOption valueOption(const QString& a, CardoloApp::Options& o, QString& format) {
    const ValueOption options[] = {
        {"--folder", &o.folder, "--folder needs a folder name"},
        {"--import", &o.importDir, "--import needs the folder of the tables"},
        {"--dump-table", &o.dumpTable, "--dump-table needs a table file (FILE.DB)"},
        {"--backup", &o.backupFile, "--backup needs the name of the copy to write"},
        {"--export", &o.exportPath, "--export needs the name of the file to write"},
        {"--format", &format, "--format needs a format (jsonl or markdown)"},
        {"--find", &o.findText, "--find needs the text to search for"},
        {"--restore-jsonl", &o.restoreFile, "--restore-jsonl needs the file to restore"},
    };
    for (const ValueOption& option : options)
        if (a == QLatin1String(option.Name))
            return option;
    return {nullptr, nullptr, nullptr};
}

// The switch named a, or null.
bool* switchOption(const QString& a, CardoloApp::Options& o) {
    const std::pair<const char*, bool*> switches[] = {
        {"--help", &o.help},   {"-h", &o.help},         {"--version", &o.version},
        {"--check", &o.check}, {"--repair", &o.repair}, {"--counts", &o.counts},
    };
    for (const auto& [name, value] : switches)
        if (a == QLatin1String(name))
            return value;
    return nullptr;
}

// Reads the argument at i (and the values it takes, moving i past them); false with o.error
// set when it is wrong.
bool takeArgument(const QStringList& args, int& i, CardoloApp::Options& o, QString& format) {
    const QString& a = args[i];
    if (bool* on = switchOption(a, o)) {
        *on = true;
    } else if (const ValueOption option = valueOption(a, o, format); option.Name) {
        if (i + 1 >= args.size()) {
            o.error = QLatin1String(option.Missing);
            return false;
        }
        *option.Value = args[++i];
        o.find = o.find || option.Value == &o.findText;
    } else if (a.startsWith(QLatin1String("--folder="))) {
        o.folder = a.mid(9);
    } else if (a == QLatin1String("--show")) {
        bool number = false;
        if (i + 1 < args.size())
            o.showId = args[++i].toLongLong(&number);
        if (!number || o.showId <= 0) {
            o.error = QStringLiteral("--show needs an item id (a whole number above 0)");
            return false;
        }
    } else if (const int values = CardoloApp::WindowSystemOptionValues(a); values >= 0) {
        // Options of the window system (-platform offscreen, -style ...) are Qt's own.
        if (i + values >= args.size()) {
            o.error = QStringLiteral("%1 needs a value").arg(a);
            return false;
        }
        i += values;
    } else {
        // A mistyped option never starts the program: it would open a window, or make a
        // database, where the user asked for something else.
        o.error = a.startsWith(QLatin1Char('-')) ? QStringLiteral("unknown option %1").arg(a)
                                                 : QStringLiteral("unexpected argument %1").arg(a);
        return false;
    }
    return true;
}

// What the options read say together: --repair and --counts need --check, --format needs
// --export and a known format, and one command a run. Sets o.error when they disagree.
void checkTogether(CardoloApp::Options& o, const QString& format) {
    if (!o.check && (o.repair || o.counts)) {
        o.error = QStringLiteral("%1 needs --check")
                      .arg(o.repair ? QStringLiteral("--repair") : QStringLiteral("--counts"));
        return;
    }
    if (!format.isNull()) {
        if (o.exportPath.isEmpty())
            o.error = QStringLiteral("--format needs --export");
        else if (format == QLatin1String("markdown"))
            o.markdown = true;
        else if (format != QLatin1String("jsonl"))
            o.error =
                QStringLiteral("unknown format %1 for --export (jsonl or markdown)").arg(format);
        if (!o.error.isEmpty())
            return;
    }
    // One command a run: the first one named would run and the others be forgotten.
    const std::pair<bool, const char*> commands[] = {
        {o.check, "--check"},
        {!o.importDir.isEmpty(), "--import"},
        {!o.dumpTable.isEmpty(), "--dump-table"},
        {!o.backupFile.isEmpty(), "--backup"},
        {!o.exportPath.isEmpty(), "--export"},
        {!o.restoreFile.isEmpty(), "--restore-jsonl"},
        {o.find, "--find"},
        {o.showId > 0, "--show"},
    };
    QStringList named;
    for (const auto& [given, name] : commands)
        if (given)
            named << QLatin1String(name);
    if (named.size() > 1)
        o.error = QStringLiteral("%1 and %2 do not go together").arg(named[0], named[1]);
}
} // namespace

CardoloApp::Options CardoloApp::ParseArguments(const QStringList& args) {
    Options o;
    QString format; // --format's value, checked once every option is read
    for (int i = 1; i < args.size(); ++i)
        if (!takeArgument(args, i, o, format))
            return o;
    checkTogether(o, format);
    return o;
}

QString CardoloApp::UsageText() {
    return QStringLiteral(
        "Usage: cardolo [--folder DIR] [--help] [--version]\n"
        "       cardolo [--folder DIR] --import OLDDIR\n"
        "       cardolo [--folder DIR] --check [--repair] [--counts]\n"
        "       cardolo [--folder DIR] --backup FILE\n"
        "       cardolo [--folder DIR] --export FILE.jsonl [--format jsonl]\n"
        "       cardolo [--folder DIR] --export DIR --format markdown\n"
        "       cardolo [--folder DIR] --restore-jsonl FILE.jsonl\n"
        "       cardolo [--folder DIR] --find TEXT\n"
        "       cardolo [--folder DIR] --show ID\n"
        "       cardolo --dump-table FILE.DB\n"
        "\n"
        "Cardolo stores textual data: items with a name, a Ref and free text, linked down\n"
        "and across, searched, kept as a diary, printed and exported.\n"
        "\n"
        "  --folder DIR  use DIR as the program folder: LOCK.TXT lives there and the items\n"
        "                and settings in DIR/DATA. Default: the program's own folder when it\n"
        "                is writable and is not a bin folder; otherwise, as for an installed\n"
        "                copy, $XDG_DATA_HOME/cardolo (~/.local/share/cardolo).\n"
        "  --backup FILE write a consistent copy of the database to FILE, which must not\n"
        "                exist, without starting a window, also while the program runs.\n"
        "                Exit code 0: copied, 1: refused or failed\n"
        "  --export FILE.jsonl\n"
        "                write every item and link to FILE.jsonl (JSON Lines, a line each),\n"
        "                whole or not at all, also while the program runs. Exit code 0:\n"
        "                written, 1: refused or failed\n"
        "  --format FORMAT\n"
        "                with --export: jsonl (the default) or markdown. --export DIR\n"
        "                --format markdown makes the folder DIR (new, or empty) of one .md\n"
        "                file per item, in folders that follow the links down (an item\n"
        "                with items below it is a folder with its index.md); each file\n"
        "                has a YAML front matter (id, title, Ref, dates, hidden and\n"
        "                archived marks, links across as relative links with their\n"
        "                notes), then the text with its line ends as LF\n"
        "  --find TEXT   print the items the list window's search lists for TEXT, with\n"
        "                the search dialog's default options (case and punctuation\n"
        "                ignored; hidden items only when TEXT is their hider's name):\n"
        "                id, name and Ref separated by TABs, one item a line, in id\n"
        "                order, as UTF-8; a TAB or line end inside a name or Ref is\n"
        "                printed as a blank. Writes nothing (no search marks either),\n"
        "                also while the program runs. Exit code 0: found, 1: nothing\n"
        "                found, 2: the search could not run\n"
        "  --show ID     print item ID: its name on a line, its Ref on the next (a line\n"
        "                end inside either as a blank), then its text (line ends as LF).\n"
        "                Exit code 0: shown, 1: no such item, 2: it could not be read\n"
        "  --restore-jsonl FILE.jsonl\n"
        "                make the program folder's database from such a file, checked whole\n"
        "                first, with the same ids, values and links; refused when the\n"
        "                database holds items of your own. Exit code 0: restored, 1: refused\n"
        "                or failed (the line and the reason on standard error)\n"
        "  --dump-table FILE.DB\n"
        "                print the Paradox table FILE.DB (with its memo file FILE.MB) as\n"
        "                tab-separated UTF-8 text: a line of field names, then a line per\n"
        "                record; starts no window and needs no program folder\n"
        "  --check       check the database file for damage, then for broken references\n"
        "                and wrong hiding ranks, without starting a window, reading only;\n"
        "                the report goes to standard output. Exit code 0: nothing found,\n"
        "                1: problems found, 2: the file is damaged or the check could not run\n"
        "  --repair      with --check: repair what the check can repair, then check again\n"
        "  --counts      with --check: also compare the stored counts of links down and\n"
        "                across with the links, and look for links across without their\n"
        "                mirror (--repair corrects them)\n"
        "  --import OLDDIR\n"
        "                import the older version's tables in OLDDIR (PHONEBK.DB, mm2.db,\n"
        "                mm.DB) into a new database in the program folder, without starting a\n"
        "                window; refused when the database holds items of your own. The\n"
        "                settings come from PHONEBK.INI in OLDDIR, and the next start\n"
        "                converts the tables as it says. Exit code 0: imported,\n"
        "                1: refused or failed\n"
        "  --help        show this text\n"
        "  --version     show the version\n"
        "\n"
        "Exit codes: 0 when the program or the command ended normally; 1 when it could not\n"
        "start or the command was refused or failed (for --find: nothing found; for --show:\n"
        "no such item); 2 for an unknown option, a missing value or options that do not go\n"
        "together (nothing is touched then), for --check, a damaged file or a check that\n"
        "could not run, and for --find and --show, a database that could not be read.\n");
}
