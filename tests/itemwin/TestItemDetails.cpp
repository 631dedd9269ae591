#include "itemwin/ItemWindows.h"
#include "itemwin/TFidets.h"

#include "common/Clock.h"
#include "common/Settings.h"
#include "calendar/DateText.h"
#include "store/Database.h"
#include "support/ModalDriver.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFolder.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlQuery>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {
const QDateTime Now(QDate(2024, 5, 17), QTime(9, 5));
const QDateTime Later = Now.addSecs(3600);
QDateTime ClockTime = Now;

void Sql(const QString& sql) {
    QSqlQuery q(PhoneDB());
    QVERIFY2(q.exec(sql), qPrintable(sql));
}

int ItemCount() {
    QSqlQuery q(PhoneDB());
    q.exec(QStringLiteral("SELECT COUNT(*) FROM phonebk"));
    q.next();
    return q.value(0).toInt();
}

QColor FieldColour(QWidget* w) {
    return w->palette().color(QPalette::Base);
}

} // namespace

class TestItemDetails : public QObject {
    Q_OBJECT
private slots:
    void init() {
        ResetAllState();
        ClockTime = Now;
        SetClockForTesting([] { return ClockTime; });
    }

    void cleanup() { ResetAllState(); }

    void showsItem_data() {
        QTest::addColumn<QString>("update"); // applied to item X before it is shown
        QTest::addColumn<bool>("selfLinked");
        QTest::addColumn<QString>("hidden"); // empty: hidden label not shown
        QTest::addColumn<QString>("created");
        const QString created = QStringLiteral("Created 2024-05-17 09:05 ");
        QTest::newRow("plain") << QString() << false << QString() << created;
        QTest::newRow("no creation time") << "createdts = NULL" << false << QString() << QString();
        QTest::newRow("self-linked")
            << "parent = id, rank = id" << true << "Item hidden by #%1" << created;
        QTest::newRow("hidden") << "rank = 17" << false << "Item hidden by #17" << created;
    }
    void showsItem() {
        QFETCH(QString, update);
        QFETCH(bool, selfLinked);
        QFETCH(QString, hidden);
        QFETCH(QString, created);
        TestFolder folder;
        ScriptedDialogs dialogs;
        MakeFamily();
        if (!update.isEmpty())
            Sql(QStringLiteral("UPDATE phonebk SET %1 WHERE id = %2")
                    .arg(update)
                    .arg(item.Value()));
        QVERIFY(ShowItemDetails(item));
        QVERIFY(w()->isVisible());
        QCOMPARE(w()->DBEdit1->text(), QStringLiteral("X"));
        QCOMPARE(w()->DBEdit2->text(), QStringLiteral("ref x"));
        QCOMPARE(w()->DBMemo1->toPlainText(), QStringLiteral("one\ntwo"));
        QCOMPARE(w()->IdLbl->text(), QStringLiteral("id = %1").arg(item.Value()));
        QCOMPARE(w()->CreatedLbl->text(), created);
        QCOMPARE(w()->Label1->isVisibleTo(w()), selfLinked);
        QCOMPARE(w()->Label3->isVisibleTo(w()), !hidden.isEmpty());
        if (!hidden.isEmpty())
            QCOMPARE(w()->Label3->text(),
                     hidden.contains("%1") ? hidden.arg(item.Value()) : hidden);
        if (!selfLinked)
            QCOMPARE(w()->ParentLbl->text(), QStringLiteral("G : P : "));
        // Browsing: white and read-only, only the browsing commands.
        QVERIFY(!w()->IsEditing());
        QVERIFY(w()->DBEdit1->isReadOnly());
        QCOMPARE(FieldColour(w()->DBMemo1), TFidets::BrowseColour);
        QVERIFY(w()->InsBtn->isEnabled() && w()->Close1->isEnabled());
        QVERIFY(!w()->CancelBtn->isEnabled());
    }

    // An id that is no item is not shown, and leaves the window on the item it shows, so that
    // its commands still act on that item.
    void missingItemIsNotShown() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        QVERIFY(!ShowItemDetails(ItemId(999)));
        QVERIFY(!ShowItemDetails(ItemId(0)));
        QVERIFY(!w()->isVisible());
        MakeFamily();
        QVERIFY(ShowItemDetails(item));
        QVERIFY(!ShowItemDetails(ItemId(4242)));
        QVERIFY(!ShowItemDetails(ItemId(-1)));
        QCOMPARE(w()->Session.DetailsId(), item);
        QCOMPARE(w()->Session.DetailsParent(), parent);
        QCOMPARE(w()->IdLbl->text(), QStringLiteral("id = %1").arg(item.Value()));
        QTest::mouseClick(w()->EditBtn, Qt::LeftButton);
        w()->DBEdit1->setText(QStringLiteral("X2"));
        // A missing id while editing keeps the edit pending.
        QVERIFY(!ShowItemDetails(ItemId(4242)));
        QVERIFY(w()->IsEditing());
        QTest::mouseClick(w()->CommitBtn, Qt::LeftButton);
        QCOMPARE(ItemName(item), QStringLiteral("X2"));
        QVERIFY(dialogs.Calls.isEmpty());
    }

    // Ctrl+S saves an edit as Save does, from whichever field holds the focus; while browsing
    // it does nothing.
    void ctrlSSaves() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        MakeFamily();
        QVERIFY(ShowItemDetails(item));
        QVERIFY(QTest::qWaitForWindowActive(w()));
        QTest::keyClick(w()->DBMemo1, Qt::Key_S, Qt::ControlModifier);
        QVERIFY(!w()->IsEditing());
        QTest::mouseClick(w()->EditBtn, Qt::LeftButton);
        w()->DBMemo1->setFocus();
        QTest::keyClicks(w()->DBMemo1, "more ");
        QTest::keyClick(w()->DBMemo1, Qt::Key_S, Qt::ControlModifier);
        QVERIFY(!w()->IsEditing());
        QSqlQuery q(PhoneDB());
        QVERIFY(q.exec(QStringLiteral("SELECT text FROM phonebk WHERE id = %1").arg(item.Value())));
        QVERIFY(q.next());
        QVERIFY2(q.value(0).toString().startsWith("more "), qPrintable(q.value(0).toString()));
        QVERIFY(dialogs.Calls.isEmpty());
    }

    // A new item under a parent is made in a modal form and dated from the Insert.
    void insertUnderParentAndWhileBrowsing() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        MakeFamily();
        QString ancestry, idLabel;
        QColor colour;
        bool modal = false;
        WhenModal([&](QWidget*) {
            modal = w()->IsShownModal();
            ancestry = w()->ParentLbl->text();
            idLabel = w()->IdLbl->text();
            colour = FieldColour(w()->DBEdit1);
            QTest::keyClicks(w()->DBEdit1, QStringLiteral("Child"));
            w()->DBMemo1->setPlainText(QStringLiteral("a\nb"));
            ClockTime = Later; // the item dates from the Insert, not from the Save
            QTest::mouseClick(w()->CommitBtn, Qt::LeftButton);
        });
        ItemId newId;
        QVERIFY(NewItemDetails(parent, newId));
        QVERIFY(modal);
        QCOMPARE(ancestry, QStringLiteral("G : P : "));
        QCOMPARE(idLabel, QStringLiteral("New item"));
        QCOMPARE(colour, TFidets::InsertColour);
        QVERIFY(!w()->isVisible());
        QVERIFY(newId > item);
        QCOMPARE(w()->IdLbl->text(), QStringLiteral("id = %1").arg(newId.Value()));
        ItemRecord saved;
        QVERIFY(LocateItem(newId, saved));
        QCOMPARE(saved.Name, QStringLiteral("Child"));
        QCOMPARE(saved.Text, QStringLiteral("a\r\nb"));
        QCOMPARE(saved.Parent, parent);
        QCOMPARE(saved.Rank, ItemId(0));
        QCOMPARE(saved.CreatedTS, Now);

        // A plain Insert while another item is shown: the parent of the earlier new-item form
        // is not used, the item is top-level, and it dates from the Insert.
        ClockTime = Now;
        QVERIFY(ShowItemDetails(item));
        QList<ItemId> savedIds;
        ItemHooks().ItemSaved = [&](ItemId id) { savedIds << id; };
        QTest::mouseClick(w()->InsBtn, Qt::LeftButton);
        QVERIFY(w()->IsEditing());
        QTest::keyClicks(w()->DBEdit1, QStringLiteral("Loose"));
        ClockTime = Later;
        QTest::mouseClick(w()->CommitBtn, Qt::LeftButton);
        QVERIFY(!w()->IsEditing());
        QVERIFY(w()->isVisible());
        QVERIFY(w()->Session.DetailsId() > newId);
        QCOMPARE(savedIds, QList<ItemId>{w()->Session.DetailsId()});
        ItemRecord loose, p;
        QVERIFY(LocateItem(w()->Session.DetailsId(), loose));
        QCOMPARE(loose.Name, QStringLiteral("Loose"));
        QCOMPARE(loose.Parent, ItemId(0));
        QCOMPARE(loose.CreatedTS, Now);
        QVERIFY(LocateItem(parent, p));
        QCOMPARE(p.Numchildren, 2); // X and Child only
        // The window now shows the new top-level item: no ancestry, creation time of the Insert.
        QCOMPARE(w()->ParentLbl->text(), QString());
        QCOMPARE(w()->Session.DetailsParent(), ItemId(0));
        QCOMPARE(w()->CreatedLbl->text(), QStringLiteral("Created 2024-05-17 09:05 "));
        QVERIFY(dialogs.Calls.isEmpty());
    }

    void cancelNewItem_data() {
        QTest::addColumn<bool>("typeFirst");
        QTest::newRow("untouched: no question") << false;
        QTest::newRow("typed: asks, No keeps it open, Yes closes") << true;
    }
    void cancelNewItem() {
        QFETCH(bool, typeFirst);
        TestFolder folder;
        ScriptedDialogs dialogs;
        const int before = ItemCount();
        bool stayedOpen = false;
        WhenModal([&](QWidget*) {
            if (typeFirst) {
                QTest::keyClicks(w()->DBEdit1, QStringLiteral("abc"));
                dialogs.AnswerNo();
                QTest::mouseClick(w()->CancelBtn, Qt::LeftButton);
                stayedOpen = w()->isVisible() && w()->IsEditing() && w()->DBEdit1->text() == "abc";
                dialogs.AnswerYes();
            }
            QTest::mouseClick(w()->CancelBtn, Qt::LeftButton);
        });
        ItemId newId(-5);
        QVERIFY(!NewItemDetails(ItemId(0), newId));
        QCOMPARE(newId, ItemId(0));
        QVERIFY(!w()->isVisible());
        QCOMPARE(ItemCount(), before);
        if (typeFirst) {
            QVERIFY(stayedOpen);
            QCOMPARE(dialogs.Questions(),
                     (QStringList{"OK to cancel insert/edit?", "OK to cancel insert/edit?"}));
        } else {
            QVERIFY(dialogs.Calls.isEmpty());
        }
    }

    void diaryEntry() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        AppSettings().DiaryId = ItemId(1);
        ResetYearCache();
        QString ref;
        WhenModal([&](QWidget*) {
            ref = w()->DBEdit2->text();
            QTest::keyClicks(w()->DBEdit1, QStringLiteral("Dentist"));
            QTest::mouseClick(w()->CommitBtn, Qt::LeftButton);
        });
        ItemId newId;
        QVERIFY(NewDiaryItemDetails(MakeDate(2024, 5, 17), newId));
        QCOMPARE(ref, QStringLiteral("2024-05-17 (Fri)"));
        QVERIFY(w()->Session.PresetRef().isEmpty());
        ItemRecord entry, year;
        QVERIFY(LocateItem(newId, entry));
        QVERIFY(LocateItem(entry.Parent, year));
        QCOMPARE(year.Name, QStringLiteral("2024"));
        QCOMPARE(year.Parent, ItemId(1));
        QCOMPARE(entry.Tel, QStringLiteral("2024-05-17 (Fri)"));
        QCOMPARE(dialogs.Infos(),
                 QStringList{QStringLiteral("Creating item #%1 \"2024\"").arg(year.Id.Value())});
    }

    void editAndSaveWithEnter() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        MakeFamily();
        EditItemDetails(item);
        QVERIFY(w()->IsEditing());
        QVERIFY(w()->EditBtn->isChecked());
        QCOMPARE(FieldColour(w()->DBEdit2), TFidets::EditColour);
        QVERIFY(!w()->Session.DetailsChanged());
        w()->DBEdit2->setFocus();
        w()->DBEdit2->selectAll();
        QTest::keyClicks(w()->DBEdit2, QStringLiteral("new ref"));
        QVERIFY(w()->Session.DetailsChanged());
        QTest::keyClick(w()->DBEdit2, Qt::Key_Return);
        QVERIFY(!w()->IsEditing());
        QVERIFY(!w()->EditBtn->isChecked() && !w()->InsBtn->isChecked());
        QCOMPARE(FieldColour(w()->DBEdit2), TFidets::BrowseColour);
        ItemRecord saved;
        QVERIFY(LocateItem(item, saved));
        QCOMPARE(saved.Tel, QStringLiteral("new ref"));
        QCOMPARE(saved.Name, QStringLiteral("X"));
        QCOMPARE(saved.Text, QStringLiteral("one\r\ntwo"));
    }

    // Closing while editing asks; after a save, Esc in the text still asks and stays open,
    // while Esc elsewhere when browsing closes the window.
    void closeAndEscWhileEditing() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        MakeFamily();
        EditItemDetails(item);
        w()->DBEdit1->end(false);
        QTest::keyClicks(w()->DBEdit1, QStringLiteral("Y"));
        dialogs.AnswerNo();
        QVERIFY(!w()->close());
        QVERIFY(w()->isVisible());
        QVERIFY(w()->IsEditing());
        QCOMPARE(w()->DBEdit1->text(), QStringLiteral("XY"));
        // Yes this time: the edit is dropped and the item keeps its name.
        dialogs.AnswerYes();
        QVERIFY(w()->close());
        QVERIFY(!w()->isVisible());
        QCOMPARE(ItemName(item), QStringLiteral("X"));
        QCOMPARE(w()->DBEdit1->text(), QStringLiteral("X"));

        EditItemDetails(item);
        QTest::mouseClick(w()->CommitBtn, Qt::LeftButton);
        QVERIFY(w()->Session.DetailsChanged());
        dialogs.AnswerYes();
        QTest::keyClick(w()->DBMemo1, Qt::Key_Escape);
        QCOMPARE(dialogs.Questions().size(), 3);
        QCOMPARE(dialogs.Questions().last(), QStringLiteral("OK to cancel insert/edit?"));
        QVERIFY(w()->isVisible());
        QTest::keyClick(w()->DBEdit1, Qt::Key_Escape);
        QVERIFY(!w()->isVisible());
    }

    void nowInNameAppendsAndMovesFocus() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        MakeFamily();
        EditItemDetails(item);
        QVERIFY(QTest::qWaitForWindowActive(w()));
        w()->DBEdit1->setFocus();
        w()->Now1->trigger();
        QCOMPARE(w()->DBEdit1->text(), QStringLiteral("X2024-05-17 (Fri) 09:05 "));
        QCOMPARE(w()->focusWidget(), w()->DBMemo1);
        QTextCursor c = w()->DBMemo1->textCursor();
        c.setPosition(3);
        w()->DBMemo1->setTextCursor(c);
        w()->Now1->trigger();
        QCOMPARE(w()->DBMemo1->toPlainText(), QStringLiteral("one2024-05-17 (Fri) 09:05 \ntwo"));
    }

    void deleteItemCloses() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        MakeFamily();
        QVERIFY(ShowItemDetails(item));
        dialogs.AnswerYes();
        QTest::mouseClick(w()->DeleteBtn, Qt::LeftButton);
        QCOMPARE(dialogs.Questions(), QStringList{"Delete item \"X\"  - OK?"});
        QVERIFY(!w()->isVisible());
        ItemRecord gone;
        QVERIFY(!LocateItem(item, gone));
    }

    // Text to list makes one child per displayed row of a wrapped paragraph, and closes.
    void textToListGivesOneChildPerRow() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const QString paragraph = QString("word ").repeated(60).trimmed();
        const ItemId id = CreateItem(QStringLiteral("Long"), QString(), paragraph);
        QVERIFY(ShowItemDetails(id));
        w()->resize(300, 300);
        const QStringList rows = w()->TextRows();
        QVERIFY2(rows.size() >= 3, qPrintable(QString::number(rows.size())));
        QCOMPARE(rows.join(QString()), paragraph);
        dialogs.AnswerYes();
        dialogs.AnswerChoice(2);
        QTest::mouseClick(w()->Button4, Qt::LeftButton);
        QVERIFY(!w()->isVisible());
        QSqlQuery q(PhoneDB());
        q.exec(QStringLiteral("SELECT name, tel FROM phonebk WHERE parent = %1 ORDER BY id")
                   .arg(id.Value()));
        QStringList children, expected;
        while (q.next())
            children << q.value(0).toString() + "|" + q.value(1).toString();
        // Each row names a child, cut to the name's width as every name is: at a small font
        // one displayed row holds more than NameWidth characters.
        for (int i = 0; i < rows.size(); ++i)
            expected << rows[i].left(NameWidth) + "|" + QString::number(i).rightJustified(3, '0');
        QCOMPARE(children, expected);
        ItemRecord p;
        QVERIFY(LocateItem(id, p));
        QCOMPARE(p.Numchildren, int(rows.size()));
    }

    // The ancestry line lists the parent's links, but only when there is a parent: not for a
    // top-level item, and not for a new item, whose parent is not linked yet.
    void ancestryClickAndLinkStart() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        MakeFamily();
        QList<QPair<ItemId, QString>> shown, started;
        ItemHooks().ShowLinks = [&](ItemId id, const QString& name) {
            shown << qMakePair(id, name);
        };
        ItemHooks().StartNewLink = [&](ItemId id, const QString& name) {
            started << qMakePair(id, name);
        };
        QVERIFY(ShowItemDetails(item));
        QTest::mouseClick(w()->ParentLbl, Qt::LeftButton);
        QCOMPARE(shown, (QList<QPair<ItemId, QString>>{{parent, "P"}}));
        w()->from1->trigger();
        QCOMPARE(started, (QList<QPair<ItemId, QString>>{{item, "X"}}));
        QCOMPARE(dialogs.Flashes(), QStringList{"Complete the link from a List screen"});

        shown.clear();
        QVERIFY(ShowItemDetails(grand));
        QCOMPARE(w()->ParentLbl->text(), QString());
        QTest::mouseClick(w()->ParentLbl, Qt::LeftButton);
        QVERIFY(shown.isEmpty());
        // A plain Insert while showing X: the line still names X's place, but the new item has
        // none; after Cancel the click lists P again.
        QVERIFY(ShowItemDetails(item));
        QTest::mouseClick(w()->InsBtn, Qt::LeftButton);
        QTest::mouseClick(w()->ParentLbl, Qt::LeftButton);
        QVERIFY(shown.isEmpty());
        QTest::mouseClick(w()->CancelBtn, Qt::LeftButton);
        QTest::mouseClick(w()->ParentLbl, Qt::LeftButton);
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().first, parent);

        // The new-item form under P shows "G : P : ", yet nothing is listed from it.
        shown.clear();
        WhenModal([&](QWidget*) {
            QTest::mouseClick(w()->ParentLbl, Qt::LeftButton);
            QTest::mouseClick(w()->CancelBtn, Qt::LeftButton);
        });
        ItemId newId;
        QVERIFY(!NewItemDetails(parent, newId));
        QVERIFY(shown.isEmpty());
        QCOMPARE(dialogs.Calls.size(), 1); // the flash only
    }

    // The red labels of a self-linked item are drawn whole: the window's hidden Esc button
    // covers nothing, and Esc still closes the window while browsing.
    void selfLinkedLabelsUncovered() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId id = CreateItem(QStringLiteral("Secret"), QString());
        Sql(QStringLiteral("UPDATE phonebk SET parent = id, rank = id"));
        QVERIFY(ShowItemDetails(id));
        w()->resize(700, 500);
        QVERIFY(QTest::qWaitForWindowExposed(w()));
        for (QLabel* label : {w()->Label1, w()->Label3}) {
            QVERIFY(label->isVisible());
            QVERIFY(label->width() >= label->sizeHint().width());
            QVERIFY(!w()->Button1->geometry().intersects(label->geometry()));
        }
        QVERIFY(!w()->Button1->geometry().intersects(w()->DBMemo1->geometry()));
        QTest::keyClick(w(), Qt::Key_Escape);
        QVERIFY(!w()->isVisible());
        QVERIFY(dialogs.Calls.isEmpty());
    }

    // Font comes from the common font dialog; Cancel keeps the Text's font.
    void fontFromTheFontDialog() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        QVERIFY(ShowItemDetails(CreateItem(QStringLiteral("F"), QString())));
        const QFont before = w()->DBMemo1->font();
        dialogs.AnswerCancelChoice();
        w()->Font1->trigger();
        QCOMPARE(w()->DBMemo1->font(), before);
        QFont chosen = before;
        chosen.setPointSize(before.pointSize() + 6);
        chosen.setItalic(true);
        dialogs.AnswerFont(chosen.toString());
        w()->Font1->trigger();
        QCOMPARE(w()->DBMemo1->font().pointSize(), before.pointSize() + 6);
        QVERIFY(w()->DBMemo1->font().italic());
        QCOMPARE(dialogs.Texts("font"), (QStringList{before.toString(), before.toString()}));
    }

private:
    TFidets* w() { return TFidets::Instance(); }
    ItemId grand, parent, item;
    // G > P > X
    void MakeFamily() {
        grand = CreateItem(QStringLiteral("G"), QString());
        parent = CreateItem(QStringLiteral("P"), QString());
        item =
            CreateItem(QStringLiteral("X"), QStringLiteral("ref x"), QStringLiteral("one\r\ntwo"));
        QCOMPARE(LinkItems(grand, parent, 1), 0);
        QCOMPARE(LinkItems(parent, item, 1), 0);
    }
};
QTEST_MAIN(TestItemDetails)
#include "TestItemDetails.moc"
