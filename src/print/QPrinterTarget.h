#pragma once

#include "print/PrintTarget.h"

#include <QFont>
#include <QPainter>
#include <QRect>

class QPrinter;

// The print target of the program: a printer, or a PDF file when the printer is set to write
// one, drawn on through a painter. Positions are measured from the paper's corner. A fresh
// sheet is only started once something is drawn on it, so a job that ends with a page break
// leaves no blank sheet behind.
class QPrinterTarget : public PrintTarget {
public:
    explicit QPrinterTarget(QPrinter& printer);
    ~QPrinterTarget() override; // drops a job still running

    bool BeginJob(QString& error) override;
    bool EndJob(QString& error) override;
    void AbortJob() override;
    int PixelsPerInchX() const override;
    int PixelsPerInchY() const override;
    void SetFont(const PrintFont& font) override;
    int TextWidth(const QString& text) override;
    int TextHeight(const QString& text) override;
    void DrawText(int x, int y, const QString& text) override;
    void DrawRectangle(int left, int top, int right, int bottom) override;
    void NewSheet() override;
    void ClipToPage(int left, int top, int right, int bottom) override;

private:
    // Starts the sheets asked for and not yet started.
    void StartPendingSheets();
    // Where the job goes, for the user: the file, or the printer's name.
    QString Destination() const;

    QPrinter& printer;
    QPainter painter;
    int pendingSheets = 0;
    QRect clip;
};

// A font of the window layer as the print engine names it, and back.
PrintFont PrintFontOf(const QFont& font);
QFont QFontOf(const PrintFont& font);
