#include "print/ListPrinting.h"

#include "common/Dialogs.h"
#include "common/NameCollator.h"

#include <QRegularExpression>

namespace {
PrintFont AtPrintSize(PrintFont font) {
    font.Points = PrintPoints;
    return font;
}
} // namespace

QStringList ItemTextLines(const QString& text) {
    if (text.isEmpty())
        return {};
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\n|\r"));
    QStringList lines = text.split(lineBreak);
    if (lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

void PrintOneItem(LinePrinter& printer, const ItemRecord& item, const PrintableList& list) {
    printer.SetPrintFont(AtPrintSize(list.NameFont));
    printer.SetPrintIndent(0);
    if (list.NameFirst)
        printer.PrintLine(item.Name, item.Tel);
    else
        printer.PrintLine(item.Tel, item.Name);
    printer.SetPrintIndent(ItemTextIndent);
    printer.SetPrintFont(AtPrintSize(list.TextFont));
    for (const QString& line : ItemTextLines(item.Text))
        printer.PrintLine(line);
    printer.PrintLine(QString());
}

QByteArray NameInitialKey(const QString& name) {
    return UserNameCollator().InitialKey(name);
}

bool LoadPrintableRow(const PrintableRow& row, ItemRecord& item) {
    // A row whose item was deleted after the list was built is as missing as a link to no item.
    if (row.Id.IsValid() && LocateItem(row.Id, item))
        return true;
    ShowInfo(QStringLiteral("Item #") +
             QString::number((row.Id.IsValid() ? row.Id : row.Id2).Value()) +
             QStringLiteral(" not found"));
    return false;
}

bool LoadSelectedItem(const PrintableList& list, ItemRecord& item) {
    const bool onRow = list.CurrentRow >= 0 && list.CurrentRow < int(list.Rows.size());
    return LoadPrintableRow(onRow ? list.Rows[size_t(list.CurrentRow)] : PrintableRow(), item);
}

void PrintWholeList(LinePrinter& printer, const PrintableList& list, PageBreaks breaks) {
    printer.SetPrintFont(AtPrintSize(list.NameFont));
    printer.SetPrintIndent(0);
    printer.PrintLine(list.Heading);
    bool first = true;
    QByteArray previousInitial;
    for (const PrintableRow& row : list.Rows) {
        ItemRecord item;
        if (!LoadPrintableRow(row, item))
            continue;
        const QByteArray initial = NameInitialKey(item.Name);
        if (!first && breaks == PageBreaks::OnInitialLetter && initial != previousInitial)
            printer.NextPrintPage();
        first = false;
        previousInitial = initial;
        PrintOneItem(printer, item, list);
        if (breaks == PageBreaks::AfterEachItem)
            printer.NextPrintPage();
    }
}
