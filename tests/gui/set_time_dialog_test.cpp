// The set-time dialog with real widgets on the offscreen platform.
#include <gtest/gtest.h>

#include <QAbstractSpinBox>
#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <functional>
#include <vector>

#include "platform/set_time_dialog.h"
#include "recording/set_time.h"
#include "recording/store.h"
#include "shell/app_state.h"
#include "shell/messages.h"

namespace {

// Runs action on the first modal widget of type W, polling from the event loop
// of whatever modal exec is running by then.
template <typename W>
void whenModal(std::function<void(W*)> action, int triesLeft = 300) {
    QTimer::singleShot(10, [action, triesLeft] {
        if (auto* w = qobject_cast<W*>(QApplication::activeModalWidget())) {
            action(w);
        } else if (triesLeft > 0) {
            whenModal<W>(action, triesLeft - 1);
        } else {
            ADD_FAILURE() << "no modal widget appeared";
            if (QWidget* any = QApplication::activeModalWidget()) any->close();
        }
    });
}

QString edit(QWidget* d, int id) { return d->findChild<QLineEdit*>(QString::number(id))->text(); }
void type(QWidget* d, int id, const char* text) { d->findChild<QLineEdit*>(QString::number(id))->setText(text); }
void press(QWidget* d, int id) { d->findChild<QPushButton*>(QString::number(id))->click(); }
QString label(QWidget* d, int id) {
    if (auto* b = d->findChild<QPushButton*>(QString::number(id))) return b->text();
    return d->findChild<QLabel*>(QString::number(id))->text();
}
QString msg(unsigned id) { return QString::fromUtf8(messageTextPtr(id)); }

class SetTimeDialog : public ::testing::Test {
protected:
    void SetUp() override {
        resetGlobalStateForTests();
        gHeader.recordCount = 3;
        gStore[0] = SampleRecord{8, 2, 29, 23, 58, 7, 0, 0, 1};
    }
};

TEST_F(SetTimeDialog, OpensWithRecordZeroAndTheTableTexts) {
    for (std::uint16_t language : {std::uint16_t{English}, std::uint16_t{German}}) {
        gSettings.language = language;
        QString title, date, time, start, end, cancel;
        QString fields[6];
        whenModal<QDialog>([&](QDialog* d) {
            title = d->windowTitle();
            date = label(d, kDateLabel);
            time = label(d, kTimeLabel);
            start = label(d, kSetStartTimeButton);
            end = label(d, kSetEndTimeButton);
            cancel = label(d, kSetTimeCancel);
            for (int i = 0; i < 6; ++i) fields[i] = edit(d, kTimeFields[i].editId);
            press(d, kSetTimeCancel);
        });
        EXPECT_EQ(platform::runSetTimeDialog(), kSetTimeCancel);
        EXPECT_EQ(title, msg(47));
        EXPECT_EQ(date, msg(24));
        EXPECT_EQ(time, msg(25));
        EXPECT_EQ(start, msg(18));
        EXPECT_EQ(end, msg(26));
        EXPECT_EQ(cancel, msg(21));
        EXPECT_EQ(fields[FieldYear], "2008");
        EXPECT_EQ(fields[FieldMonth], "2");
        EXPECT_EQ(fields[FieldDay], "29");
        EXPECT_EQ(fields[FieldHour], "23");
        EXPECT_EQ(fields[FieldMinute], "58");
        EXPECT_EQ(fields[FieldSecond], "7");
    }
    gSettings.language = German;
    EXPECT_EQ(msg(47), QString::fromUtf8("Zeit einstellen"));
    EXPECT_EQ(msg(26), QString::fromUtf8("Endezeit"));
}

TEST_F(SetTimeDialog, InvalidEntryShowsMessage44AndStaysOpen) {
    QString boxText, boxTitle;
    bool stillOpen = false;
    whenModal<QDialog>([&](QDialog* d) {
        type(d, 1022, "2009");  // no 29 February in 2009
        whenModal<QMessageBox>([&, d](QMessageBox* box) {
            boxText = box->text();
            boxTitle = box->windowTitle();
            box->accept();
            QTimer::singleShot(0, [&, d] {
                stillOpen = d->isVisible();
                type(d, 1018, "28");
                press(d, kSetEndTimeButton);
            });
        });
        press(d, kSetStartTimeButton);
    });
    EXPECT_EQ(platform::runSetTimeDialog(), kSetEndTimeButton);
    EXPECT_EQ(boxText, msg(44));
    EXPECT_EQ(boxTitle, msg(47));
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(gApp.timeEntry, (std::array<std::uint8_t, 6>{7, 58, 23, 28, 2, 9}));
}

TEST_F(SetTimeDialog, ArrowsStepWithinTheRangeAndEscapeCancels) {
    QString afterUp, afterDown, fromText;
    whenModal<QDialog>([&](QDialog* d) {
        auto* year = d->findChild<QAbstractSpinBox*>("1023");
        type(d, 1022, "2099");
        year->stepUp();
        afterUp = edit(d, 1022);
        auto* day = d->findChild<QAbstractSpinBox*>("1019");
        type(d, 1018, "1");
        day->stepDown();
        afterDown = edit(d, 1018);
        type(d, 1018, "abc");  // no number: steps from the last position
        day->stepUp();
        fromText = edit(d, 1018);
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(d, &esc);
    });
    EXPECT_EQ(platform::runSetTimeDialog(), kSetTimeCancel);
    EXPECT_EQ(afterUp, "2099");
    EXPECT_EQ(afterDown, "1");
    EXPECT_EQ(fromText, "2");
    EXPECT_EQ(gApp.timeEntry, (std::array<std::uint8_t, 6>{})) << "cancel reads nothing";
}

// Enter on a focused button presses it (on Cancel it sets no time); Enter in a
// field takes the time shown as the start, also after the focus has passed
// the end button, never as the end: that would shift the whole recording.
TEST_F(SetTimeDialog, EnterPressesTheFocusedButtonAndInAFieldSetsTheStart) {
    const struct {
        std::vector<int> focus;  // in turn; the last one gets the Enter
        int result;
    } cases[] = {
        {{kSetTimeCancel}, kSetTimeCancel},
        {{kSetStartTimeButton}, kSetStartTimeButton},
        {{kSetEndTimeButton}, kSetEndTimeButton},
        {{kTimeFields[FieldDay].editId}, kSetStartTimeButton},
        {{kSetEndTimeButton, kTimeFields[FieldSecond].editId}, kSetStartTimeButton},
        {{kSetEndTimeButton, kTimeFields[FieldYear].editId}, kSetStartTimeButton},
    };
    for (const auto& c : cases) {
        const std::vector<int> focus = c.focus;
        whenModal<QDialog>([focus](QDialog* d) {
            QWidget* w = nullptr;
            for (int id : focus) {
                w = d->findChild<QWidget*>(QString::number(id));
                w->setFocus();
            }
            QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QApplication::sendEvent(w, &enter);
        });
        EXPECT_EQ(platform::runSetTimeDialog(), c.result) << focus.back();
    }
    EXPECT_EQ(gApp.timeEntry, (std::array<std::uint8_t, 6>{7, 58, 23, 29, 2, 8})) << "record 0's time, as shown";
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
