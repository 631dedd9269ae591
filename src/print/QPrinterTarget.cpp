#include "print/QPrinterTarget.h"

#include <QFile>
#include <QFontInfo>
#include <QFontMetrics>
#include <QPrinter>

QPrinterTarget::QPrinterTarget(QPrinter& printer) : printer(printer) {}

QPrinterTarget::~QPrinterTarget() {
    AbortJob();
}

QString QPrinterTarget::Destination() const {
    return printer.outputFileName().isEmpty() ? printer.printerName() : printer.outputFileName();
}

bool QPrinterTarget::BeginJob(QString& error) {
    // The engine's millimetres are measured from the paper's corner, not from the corner of
    // the area the printer can reach.
    printer.setFullPage(true);
    pendingSheets = 0;
    if (!painter.begin(&printer)) {
        error = QStringLiteral("Cannot print to ") + Destination();
        return false;
    }
    return true;
}

bool QPrinterTarget::EndJob(QString& error) {
    if (!painter.isActive())
        return true;
    // The last sheet asked for stays blank: it is left out.
    if (pendingSheets > 1) {
        pendingSheets -= 1;
        StartPendingSheets();
    }
    pendingSheets = 0;
    if (!painter.end()) {
        error = QStringLiteral("Cannot print to ") + Destination();
        return false;
    }
    return true;
}

void QPrinterTarget::AbortJob() {
    if (!painter.isActive())
        return;
    printer.abort();
    painter.end();
    pendingSheets = 0;
    // A PDF file is written from the start of the job: what there is of it is no print.
    if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty())
        QFile::remove(printer.outputFileName());
}

int QPrinterTarget::PixelsPerInchX() const {
    return printer.logicalDpiX();
}

int QPrinterTarget::PixelsPerInchY() const {
    return printer.logicalDpiY();
}

void QPrinterTarget::SetFont(const PrintFont& font) {
    painter.setFont(QFontOf(font));
}

int QPrinterTarget::TextWidth(const QString& text) {
    return painter.fontMetrics().horizontalAdvance(text);
}

int QPrinterTarget::TextHeight(const QString&) {
    return painter.fontMetrics().height();
}

void QPrinterTarget::DrawText(int x, int y, const QString& text) {
    StartPendingSheets();
    painter.drawText(x, y + painter.fontMetrics().ascent(), text);
}

void QPrinterTarget::DrawRectangle(int left, int top, int right, int bottom) {
    StartPendingSheets();
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(left, top, right - left - 1, bottom - top - 1);
}

void QPrinterTarget::NewSheet() {
    ++pendingSheets;
}

void QPrinterTarget::ClipToPage(int left, int top, int right, int bottom) {
    clip = QRect(left, top, right - left, bottom - top);
    painter.setClipRect(clip);
}

void QPrinterTarget::StartPendingSheets() {
    if (pendingSheets == 0)
        return;
    for (; pendingSheets > 0; --pendingSheets)
        printer.newPage();
    painter.setClipRect(clip); // a new page may start without the painter's clip
}

PrintFont PrintFontOf(const QFont& font) {
    PrintFont out;
    out.Family = font.family();
    // A font sized in pixels has no point size of its own: the size it shows at gives one.
    out.Points = font.pointSizeF() > 0 ? font.pointSizeF() : QFontInfo(font).pointSizeF();
    out.Bold = font.bold();
    out.Italic = font.italic();
    return out;
}

QFont QFontOf(const PrintFont& font) {
    QFont out(font.Family);
    out.setPointSizeF(font.Points > 0 ? font.Points : 8);
    out.setBold(font.Bold);
    out.setItalic(font.Italic);
    return out;
}
