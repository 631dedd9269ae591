#pragma once

#include "common/SingleWindow.h"

#include <QWidget>

class QFrame;
class QLabel;
class QTimer;

// A short message beside the pointer that goes away by itself. Messages that arrive while one
// is showing are added as further lines.
class TFFlash : public QWidget, public SingleWindow<TFFlash> {
    Q_OBJECT
public:
    explicit TFFlash(QWidget* parent = nullptr);

    // Shows text for one flash interval; an empty text hides the window at once.
    void FlashMessage(const QString& text);
    // End of the display period.
    void Timer1Timer();
    void Hide();

    bool IsShowing() const { return showing; }
    QString AccumulatedText() const { return accumulated; }

    // The display time in milliseconds: the FLASHINTERVAL setting, 500 until the settings
    // have been read. 0 or less keeps a flash up until an empty message hides it.
    static int& FlashInterval();

    QFrame* Panel1;
    QLabel* Label1;
    QTimer* Timer1;

private:
    friend class SingleWindow<TFFlash>;
    static QPointer<TFFlash>& Slot();

    QString accumulated;
    bool showing = false;
    // The display period is running (or would be, with an interval of 0): further messages
    // add lines instead of replacing the text.
    bool timerEnabled = false;
};
