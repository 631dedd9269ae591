#pragma once

#include "dialogs/TFchoice.h"
#include "dialogs/TFinpstr.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <functional>

// Plays a user in the real program's windows: each queued step answers the next modal window
// that appears (a message box, the prompt, the chooser, or one of the program's own modal
// windows), after checking that it says what the step expects. Every text shown in a modal
// window goes to standard output as "DIALOG: <text>", so that the test that started the program
// can count what was said. A modal window with no step waiting, or one that says something else,
// is a failure ("JOURNEY FAILED: ..." on standard output): it is shut, and the program exits
// with code 3 at its end.
class JourneyDriver : public QObject {
public:
    using Action = std::function<void(QWidget*)>;

    JourneyDriver() {
        poll.setInterval(5);
        connect(&poll, &QTimer::timeout, this, [this] { Tick(); });
        poll.start();
    }

    // A step for the next modal window whose text contains expect (any text when empty).
    void OnModal(const QString& expect, Action act) { steps.append({expect, std::move(act)}); }
    void Yes(const QString& expect) { OnModal(expect, pressBox(QMessageBox::Yes)); }
    void No(const QString& expect) { OnModal(expect, pressBox(QMessageBox::No)); }
    void Ok(const QString& expect) { OnModal(expect, pressBox(QMessageBox::Ok)); }
    // The prompt's answer: its box takes text, then OK.
    void Type(const QString& expect, const QString& answer) {
        OnModal(expect, [answer](QWidget* w) {
            auto* prompt = qobject_cast<TFinpstr*>(w);
            if (!prompt) {
                Fail(QStringLiteral("not the prompt"));
                return;
            }
            prompt->Edit1->setText(answer);
            prompt->Button1->click();
        });
    }
    // The chooser's option 1 or 2.
    void Choose(const QString& expect, int option) {
        OnModal(expect, [option](QWidget* w) {
            auto* choice = qobject_cast<TFchoice*>(w);
            if (!choice) {
                Fail(QStringLiteral("not the chooser"));
                return;
            }
            (option == 1 ? choice->Button1 : choice->Button2)->click();
        });
    }

    bool Done() const { return steps.isEmpty(); }
    int Pending() const { return int(steps.size()); }

    // Lets events run until ready() holds; a failure after timeoutMs.
    static bool WaitFor(const std::function<bool()>& ready, int timeoutMs = 10000) {
        QElapsedTimer waited;
        waited.start();
        while (!ready()) {
            if (waited.elapsed() > timeoutMs)
                return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        return true;
    }

    static void Fail(const QString& why) {
        std::printf("JOURNEY FAILED: %s\n", why.toLocal8Bit().constData());
        std::fflush(stdout);
        Failed() = true;
    }
    static bool& Failed() {
        static bool failed = false;
        return failed;
    }

    // What a modal window says: a box's or a prompt's text, or the window's class.
    static QString TextOf(QWidget* w) {
        if (auto* box = qobject_cast<QMessageBox*>(w))
            return box->text();
        if (auto* prompt = qobject_cast<TFinpstr*>(w))
            return prompt->Label1->text();
        if (auto* choice = qobject_cast<TFchoice*>(w))
            return choice->Label1->text();
        return QString::fromLatin1(w->metaObject()->className());
    }

private:
    struct Step {
        QString expect;
        Action act;
    };

    static Action pressBox(QMessageBox::StandardButton which) {
        return [which](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            QAbstractButton* button = box ? box->button(which) : nullptr;
            if (!button) {
                Fail(QStringLiteral("no such button in \"%1\"").arg(TextOf(w)));
                return;
            }
            button->click();
        };
    }

    void Tick() {
        acted.erase(std::remove_if(acted.begin(), acted.end(),
                                   [](const QPointer<QWidget>& w) { return !w; }),
                    acted.end());
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible() || acted.contains(modal))
            return;
        acted.append(modal);
        modal->installEventFilter(this);
        const QString text = TextOf(modal);
        std::printf("DIALOG: %s\n", text.toLocal8Bit().constData());
        std::fflush(stdout);
        if (steps.isEmpty()) {
            Fail(QStringLiteral("unexpected modal window \"%1\"").arg(text));
            shut(modal);
        } else {
            const Step step = steps.takeFirst();
            if (!text.contains(step.expect)) {
                Fail(QStringLiteral("\"%1\" shown where \"%2\" was expected")
                         .arg(text, step.expect));
                shut(modal);
            } else {
                // Run from an event of its own: the step may open a modal loop (a close that
                // asks a question), and this timer does not fire again while its tick runs.
                QPointer<QWidget> target(modal);
                QTimer::singleShot(0, this, [act = step.act, target] {
                    if (target)
                        act(target);
                    else
                        Fail(QStringLiteral("the window went before its step ran"));
                });
            }
        }
    }

    // A window hidden since it was acted on counts again when it shows (the program reuses
    // its prompt and its item windows, also between two ticks).
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Hide) {
            acted.removeAll(QPointer<QWidget>(static_cast<QWidget*>(watched)));
            watched->removeEventFilter(this);
        }
        return false;
    }

    static void shut(QWidget* w) {
        if (auto* box = qobject_cast<QMessageBox*>(w)) {
            box->done(QMessageBox::Cancel);
            return;
        }
        w->close();
    }

    QTimer poll;
    QList<Step> steps;
    // The modal windows acted on that are still shown: not acted on again.
    QList<QPointer<QWidget>> acted;
};
