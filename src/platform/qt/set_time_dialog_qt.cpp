// The set-time dialog (resource 205) with Qt widgets. Every control carries
// its resource id as object name. The rules (ranges, start values, the checks
// on OK) are the core's; this file only lays out the template and forwards.
#include "platform/set_time_dialog.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QDialog>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QString>

#include <algorithm>
#include <array>
#include <string>

#include "platform/qt/qt_shell.h"
#include "recording/set_time.h"
#include "shell/messages.h"
#include "shell/modal_scope.h"

namespace {

// Template coordinates are dialog units: a quarter of the font's average
// character width across, an eighth of its height down.
struct DialogUnits {
    int baseX;
    int baseY;
    QRect rect(int x, int y, int w, int h) const {
        return QRect(x * baseX / 4, y * baseY / 8, w * baseX / 4, h * baseY / 8);
    }
};

QString text(unsigned id) { return QString::fromUtf8(messageTextPtr(id)); }

// An edit field with its up-down arrows. Any text may be typed (the checks
// happen when a time button is pressed); the arrows and arrow keys step the
// number shown within the field's range, from the last position when the
// text is no number.
class UpDownField : public QAbstractSpinBox {
public:
    UpDownField(const TimeField& field, int position, QWidget* parent)
        : QAbstractSpinBox(parent), field_(field), position_(position) {
        setObjectName(QString::number(field.upDownId));
        lineEdit()->setObjectName(QString::number(field.editId));
        setAlignment(Qt::AlignCenter);
        setButtonSymbols(QAbstractSpinBox::UpDownArrows);
        setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
        show(position_);
    }

    QValidator::State validate(QString&, int&) const override { return QValidator::Acceptable; }
    void fixup(QString&) const override {}
    StepEnabled stepEnabled() const override { return StepUpEnabled | StepDownEnabled; }

    void stepBy(int steps) override {
        unsigned typed = 0;
        const QByteArray utf8 = lineEdit()->text().toUtf8();
        int from = position_;
        if (parseDialogNumber(utf8.constData(), typed) && typed <= 65535u) from = static_cast<int>(typed);
        int to = from + steps;
        to = to < field_.minimum ? field_.minimum : (to > field_.maximum ? field_.maximum : to);
        show(to);
    }

    std::string typedText() const { return lineEdit()->text().toUtf8().toStdString(); }

private:
    void show(int position) {
        position_ = position;
        lineEdit()->setText(QString::number(position));
    }

    TimeField field_;
    int position_;
};

class SetTimeDialog : public QDialog {
public:
    explicit SetTimeDialog(QWidget* parent)
        : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
        setObjectName("205");
        setModal(true);
        setWindowTitle(text(kMsgSetTimeTitle));
        const QFontMetrics metrics(font());
        const DialogUnits du{metrics.averageCharWidth(), metrics.height()};
        setFixedSize(du.rect(0, 0, 186, 110).size());

        // Template order is the tab order.
        auto* start = button(kSetStartTimeButton, text(kMsgStartButton), du.rect(7, 77, 51, 14));
        // The only default button: Enter in a field takes the time shown as
        // the start, never as the end (that would shift the whole recording).
        start->setDefault(true);
        button(kSetTimeCancel, text(kMsgCancelButton), du.rect(69, 77, 50, 14));
        label(kDateLabel, text(kMsgDate), du.rect(7, 25, 32, 8));

        const std::array<int, 6> pos = setTimeStartPositions();
        // Each up-down sits inside its edit's right edge, so the pair takes the
        // edit's rectangle of the template.
        const QRect editRects[6] = {du.rect(116, 23, 31, 14), du.rect(79, 23, 24, 14),
                                    du.rect(41, 23, 24, 14),  du.rect(41, 47, 24, 14),
                                    du.rect(79, 47, 24, 14),  du.rect(116, 47, 24, 14)};
        const int order[6] = {FieldDay, FieldMonth, FieldYear, FieldHour, FieldMinute, FieldSecond};
        for (int k = 0; k < 6; ++k) {
            if (k == 3) label(kTimeLabel, text(kMsgTime), du.rect(7, 49, 32, 8));
            const int i = order[k];
            fields_[i] = new UpDownField(kTimeFields[i], pos[i], this);
            // A font wider than the template's must still show all four digits
            // of the year; the year has free room to its right.
            QRect r = editRects[i];
            if (i == FieldYear) {
                QSpinBox reference;
                reference.setRange(kTimeFields[i].minimum, kTimeFields[i].maximum);
                r.setWidth(std::max(r.width(), reference.sizeHint().width()));
            }
            fields_[i]->setGeometry(r);
        }
        separator("/", du.rect(70, 25, 8, 8));
        separator("-", du.rect(108, 25, 8, 8));
        separator(":", du.rect(70, 49, 8, 8));
        separator(":", du.rect(108, 49, 8, 8));
        button(kSetEndTimeButton, text(kMsgEndButton), du.rect(129, 77, 51, 14));
        start->setFocus();
    }

    void reject() override { done(kSetTimeCancel); }

private:
    QPushButton* button(int id, const QString& caption, const QRect& r) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::number(id));
        b->setGeometry(r);
        // Enter on the focused button presses it; on Cancel it must not set a time.
        b->setAutoDefault(true);
        connect(b, &QPushButton::clicked, this, [this, id] { pressed(id); });
        return b;
    }
    void label(int id, const QString& caption, const QRect& r) {
        auto* l = new QLabel(caption, this);
        l->setObjectName(QString::number(id));
        l->setGeometry(r);
    }
    void separator(const char* caption, const QRect& r) {
        auto* l = new QLabel(QString::fromLatin1(caption), this);
        l->setGeometry(r);
    }

    void pressed(int id) {
        std::array<std::string, 6> typed;
        TimeEntryTexts texts;
        for (int i = 0; i < 6; ++i) {
            typed[i] = fields_[i]->typedText();
            texts[i] = typed[i].c_str();
        }
        if (const int result = setTimeDialogButton(id, texts); result != 0) done(result);
    }

    std::array<UpDownField*, 6> fields_{};
};

}  // namespace

namespace platform {

int runSetTimeDialog() {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return -1;
    SetTimeDialog dialog(qtMainWindow());
    const ModalScope modal;
    const int result = dialog.exec();
    return result == kSetStartTimeButton || result == kSetEndTimeButton ? result : kSetTimeCancel;
}

}  // namespace platform
