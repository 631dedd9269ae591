#include "support/BenchOptions.h"
#include "BenchListData.h"

#include "app/CardoloApp.h"
#include "app/CardoloMain.h"
#include "common/CommonState.h"
#include "common/NameCollator.h"
#include "common/TextHelpers.h"
#include "itemwin/ExportText.h"
#include "listwin/ListModel.h"
#include "listwin/TFAddsBk.h"
#include "search/SearchIndex.h"
#include "search/SearchIndexBuilder.h"
#include "search/SearchStamps.h"
#include "store/Database.h"
#include "store/SortKeys.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QTableView>
#include <QTimer>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

// The whole program, as it starts, showing the largest list there is: the items of the
// benchmarks' database that hold the common search word (three in ten). It prints, step by step,
// the process's resident memory now and at its peak (as the kernel counts them, window
// included), and how long each step took until its rows were on screen:
//   the search, from the command to its list shown (the marks written in the background after);
//   the marks written;
//   the same list read again (Refresh): with nothing written, after a write, after many;
//   scrolled to the end, a jump, an export and a print layout of the whole list.
// Usage: BenchWindow [--items=N] [--word=0|1|2]; the database is made first when missing.

namespace {
int Failures = 0;

// A figure of /proc/self/status in MB: VmRSS (all resident memory), RssAnon (the heap and
// stacks), RssFile (mapped files: the program, its libraries, fonts).
double statusMB(const char* key) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(int(std::strlen(key))).trimmed().split(' ').first().toDouble() / 1024;
    return -1;
}

double peakMB() {
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

void report(const char* step, qint64 ms, int rows) {
    std::printf("%-40s %6lld ms %7d rows  resident %6.1f MB (heap %6.1f, files %5.1f)  "
                "peak %6.1f MB\n",
                step, static_cast<long long>(ms), rows, statusMB("VmRSS:"), statusMB("RssAnon:"),
                statusMB("RssFile:"), peakMB());
    std::fflush(stdout);
}

void check(bool ok, const char* what) {
    if (ok)
        return;
    std::printf("ERROR OCCURRED: %s\n", what);
    ++Failures;
}

// The rows on screen now: paints what is pending.
void paint() {
    QApplication::processEvents();
    QApplication::processEvents();
}

void run(TFAddsBk* w, const QString& word, int expected) {
    QElapsedTimer t;
    report("top-level list shown", 0, w->Model()->rowCount());

    t.start();
    w->List().SearchForText(word);
    paint();
    report("search listed (marks in the background)", t.elapsed(), w->Model()->rowCount());
    check(w->Model()->rowCount() == expected, "the search did not list every item holding it");
    FinishSearchStamps();
    report("marks written", t.elapsed(), w->Model()->rowCount());

    t.start();
    w->List().RefreshKeepingPlace();
    paint();
    report("list read again from the marks", t.elapsed(), w->Model()->rowCount());
    check(w->Model()->rowCount() == expected, "the list of the marks differs");

    // A write since the search: the item written is read again and put in its place.
    ExecSql(QStringLiteral("UPDATE phonebk SET name = 'a receipt renamed' WHERE id = %1")
                .arg(w->List().Rows().Ref(0).Id.Value()));
    t.start();
    w->List().RefreshKeepingPlace();
    paint();
    report("read again after a write", t.elapsed(), w->Model()->rowCount());
    check(w->Model()->rowCount() == expected, "the list of the marks after a write differs");

    // Writes to more items than are followed: the list is read from the marks, sorted anew.
    ExecSql(QStringLiteral("UPDATE phonebk SET numchildren = numchildren WHERE id <= 5000"));
    t.start();
    w->List().RefreshKeepingPlace();
    paint();
    report("read again after many writes", t.elapsed(), w->Model()->rowCount());
    check(w->Model()->rowCount() == expected, "the list of the marks after writes differs");

    t.start();
    w->DBGrid1->scrollToBottom();
    paint();
    const int last = w->Model()->rowCount() - 1;
    const QString lastName = w->Model()->index(last, 0).data().toString();
    report("scrolled to the end", t.elapsed(), w->Model()->rowCount());
    check(!lastName.isEmpty(), "the last row shows no name");

    t.start();
    w->List().JumpTo(QStringLiteral("m"));
    paint();
    report("jump", t.elapsed(), w->List().Rows().Cursor());

    // The export command's text, every line of it (the window that shows it aside).
    t.start();
    const QString title = w->List().ExportTitle();
    const ExportText text = ComposeExport(w->List().ExportSource(), title, QString(), false);
    const int exported = int(text.Lines.size()) - (title.isEmpty() ? 1 : 2);
    report("export of the whole list", t.elapsed(), exported);
    check(exported == expected, "the export lacks rows");

    // The command itself: the lines into the clipboard window and onto the clipboard.
    t.start();
    w->toClipboard1Click();
    paint();
    report("export to the clipboard window", t.elapsed(), exported);

    t.start();
    const int printed = int(w->List().PrintRows().Rows.size());
    report("print layout of the whole list", t.elapsed(), printed);
    check(printed == expected, "the print lacks rows");
}
} // namespace

int main(int argc, char** argv) {
    const BenchOptions options = TakeBenchOptions(argc, argv, 1000000);
    int word = 2;
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--word=", 7) == 0)
            word = std::atoi(argv[i] + 7);
    if (word < 0 || word >= SearchWordCount)
        return 2;
    ListBenchData data;
    {
        QCoreApplication core(argc, argv);
        SetCollationLocale(QStringLiteral("en_US"));
        data = OpenListBenchData(options.Items);
        EnsureIndexes();
        if (SearchIndexIncomplete())
            BuildSearchIndexNow();
        if (SortKeysIncomplete())
            BuildSortKeysNow();
        ClosePhoneDB();
    }
    const QString folder = QFileInfo(data.Path).absolutePath() + QStringLiteral("/..");
    const QByteArray folderArg = QFileInfo(folder).canonicalFilePath().toLocal8Bit();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    char* args[] = {argv[0], const_cast<char*>("--folder"), const_cast<char*>(folderArg.data()),
                    nullptr};
    const QString typed = QString::fromLatin1(SearchWords[word].Word);
    std::printf("BenchWindow: %d items, the word in %s of them (%d items)\n", options.Items,
                SearchWords[word].Label, data.WordItems[word]);
    const int rc = RunCardolo(3, args, [&](CardoloApp& app) {
        TFAddsBk* w = app.MainWindow();
        QTimer::singleShot(0, w, [w, typed, &data, word] {
            Common().PunctuationFolding = true;
            run(w, typed, data.WordItems[word]);
            w->CloseQuietly();
        });
    });
    return rc != 0 || Failures ? 1 : 0;
}
