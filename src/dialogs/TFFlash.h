#pragma once

#include <QWidget>

class QFrame;
class QLabel;
class QTimer;

// A short message beside the pointer that goes away by itself. Messages that arrive while one
// is showing are added as further lines.
class TFFlash : public QWidget {
    Q_OBJECT
public:
    static TFFlash* Instance();
    explicit TFFlash(QWidget* parent = nullptr);

    void FlashMessage(const QString& text);
    void Timer1Timer();
    void Hide();

    bool IsShowing() const { return showing; }
    QString AccumulatedText() const { return accumulated; }

    // Until the settings are read the display time is 500 ms.
    static int& FlashInterval();

    QFrame* Panel1;
    QLabel* Label1;
    QTimer* Timer1;

private:
    QString accumulated;
    bool showing = false;
};
