// The span selection dialog (201) and the About dialog (101). Their layouts
// are given in dialog units, converted to pixels from the dialog font the way
// the templates were meant: a horizontal unit is a quarter of the average
// character width, a vertical unit an eighth of the character height. Every
// control with an id carries it as its object name.
#include <QApplication>
#include <QButtonGroup>
#include <QDialog>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>

#include "device/transfer.h"
#include "platform/dialogs.h"
#include "platform/qt/artwork_qt.h"
#include "platform/qt/qt_shell.h"
#include "recording/store.h"
#include "shell/app_state.h"
#include "shell/messages.h"
#include "shell/modal_scope.h"
#include "shell/span_dialog.h"

namespace {

class DialogUnits {
public:
    explicit DialogUnits(const QFont& font) {
        const QFontMetrics fm(font);
        const QString sample = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
        baseX_ = fm.horizontalAdvance(sample) / 52.0;
        baseY_ = fm.height();
    }
    int x(int units) const { return qRound(units * baseX_ / 4.0); }
    int y(int units) const { return qRound(units * baseY_ / 8.0); }
    QRect rect(int left, int top, int width, int height) const {
        return QRect(x(left), y(top), x(width), y(height));
    }

private:
    double baseX_;
    double baseY_;
};

QString text(MessageId id) { return QString::fromUtf8(messageTextPtr(id)); }

QWidget* dialogOwner() {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    return qtMainWindow();
}

void prepareDialog(QDialog& dialog, const DialogUnits& du, int width, int height) {
    dialog.setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    dialog.setModal(true);
    dialog.setFixedSize(du.x(width), du.y(height));
}

}  // namespace

namespace platform {

int runSpanDialog() {
    if (QApplication::instance() == nullptr) return -1;
    QDialog dialog(dialogOwner());
    dialog.setObjectName(QStringLiteral("201"));
    const DialogUnits du(dialog.font());
    prepareDialog(dialog, du, 268, 138);

    spanDialogOpened();
    dialog.setWindowTitle(text(kMsgSpanTitle));

    // The group box first, so that it lies beneath the buttons it frames.
    auto* group = new QGroupBox(text(kMsgSpanGroup), &dialog);
    group->setObjectName(QString::number(kSpanGroupId));
    group->setGeometry(du.rect(13, 14, 155, 112));

    auto* ok = new QPushButton(text(kMsgSpanGet), &dialog);
    ok->setObjectName(QString::number(kSpanOkId));
    ok->setGeometry(du.rect(194, 112, 50, 14));
    ok->setDefault(true);
    ok->setAutoDefault(true);
    auto* cancel = new QPushButton(text(kMsgSpanCancel), &dialog);
    cancel->setObjectName(QString::number(kSpanCancelId));
    cancel->setGeometry(du.rect(194, 82, 50, 14));
    // Enter on a focused button presses that button, as a keyboard user
    // expects: on Cancel it must cancel, not fetch over the recording on show.
    cancel->setAutoDefault(true);

    struct Place {
        int x, y, w;
    };
    static constexpr Place kPlaces[kSpanCount] = {
        {18, 28, 57}, {18, 41, 57}, {18, 55, 57}, {18, 68, 57}, {18, 81, 58}, {18, 94, 57}, {18, 107, 58},
        {89, 28, 58}, {89, 40, 57}, {89, 53, 57}, {89, 66, 57}, {89, 80, 57}, {89, 94, 58}, {89, 107, 57},
    };
    // The logger's sample time the transfer asks with.
    const std::uint16_t sampleTime = gApp.transferSampleTime;
    const std::array<bool, kSpanCount> enabled = spanButtonsEnabled(sampleTime);
    auto* spans = new QButtonGroup(&dialog);
    spans->setExclusive(true);
    for (int i = 0; i < kSpanCount; ++i) {
        const int id = kSpanFirstButtonId + i;
        auto* button = new QRadioButton(text(static_cast<MessageId>(i + 1)), &dialog);
        button->setObjectName(QString::number(id));
        button->setGeometry(du.rect(kPlaces[i].x, kPlaces[i].y, kPlaces[i].w, 10));
        button->setChecked(i == kSpanPreselected);
        button->setEnabled(enabled[static_cast<std::size_t>(i)]);
        button->setToolTip(QString::fromUtf8(spanButtonTip(i, sampleTime).c_str()));
        spans->addButton(button, id);
    }
    QObject::connect(spans, &QButtonGroup::idClicked, &dialog, [](int id) { spanDialogButtonClicked(id); });

    auto* label = new QLabel(text(kMsgSpanSampleLabel), &dialog);
    label->setObjectName(QString::number(kSpanSampleLabelId));
    label->setGeometry(du.rect(184, 32, 77, 8));

    auto* field = new QLineEdit(&dialog);
    field->setObjectName(QString::number(kSpanSampleTimeId));
    field->setGeometry(du.rect(189, 47, 30, 14));
    field->setReadOnly(true);
    field->setFrame(false);
    field->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    field->setText(QString::fromLatin1(formatSampleTime(sampleTime).text));
    auto* unit = new QLabel(QStringLiteral("s"), &dialog);
    unit->setGeometry(du.rect(221, 47, 8, 14));
    unit->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    // Tab order as in the template: the buttons, the spans from the first,
    // the sample time. Qt enters the exclusive group at its checked button.
    QWidget* previous = cancel;
    QWidget::setTabOrder(ok, cancel);
    for (int i = 0; i < kSpanCount; ++i) {
        QWidget::setTabOrder(previous, spans->button(kSpanFirstButtonId + i));
        previous = spans->button(kSpanFirstButtonId + i);
    }
    QWidget::setTabOrder(previous, field);
    ok->setFocus();

    QObject::connect(ok, &QPushButton::clicked, &dialog, [&dialog] { dialog.done(spanDialogAccepted()); });
    QObject::connect(cancel, &QPushButton::clicked, &dialog, [&dialog] { dialog.done(0); });
    // Esc and the close box reject, which ends the dialog with 0.
    const ModalScope modal;
    return dialog.exec();
}

void runAboutDialog() {
    if (QApplication::instance() == nullptr) return;
    QDialog dialog(dialogOwner());
    dialog.setObjectName(QStringLiteral("101"));
    const DialogUnits du(dialog.font());
    prepareDialog(dialog, du, 230, 75);
    dialog.setWindowTitle(text(kMsgAboutTitle));

    auto* logo = new QLabel(&dialog);
    logo->setObjectName(QStringLiteral("101"));
    const QPixmap picture = QPixmap::fromImage(programPicture(64));
    logo->setPixmap(picture);
    logo->setGeometry(du.x(10), du.y(8), picture.width(), picture.height());

    auto* name = new QLabel(QStringLiteral("VantrelDAQ"), &dialog);
    name->setTextFormat(Qt::PlainText);
    name->setGeometry(du.rect(49, 14, 59, 8));
    name->adjustSize();
    auto* version = new QLabel(QStringLiteral("Version: 1.2"), &dialog);
    version->setTextFormat(Qt::PlainText);
    version->setGeometry(du.rect(49, 26, 119, 8));
    version->adjustSize();

    auto* ok = new QPushButton(QStringLiteral("OK"), &dialog);
    ok->setObjectName(QStringLiteral("1"));
    ok->setGeometry(du.rect(195, 6, 30, 11));
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, &dialog, [&dialog] { dialog.done(kAboutOkId); });
    ok->setFocus();

    // The logo needs its 64 pixels and a margin below, whatever the units.
    if (dialog.height() < logo->geometry().bottom() + du.y(8))
        dialog.setFixedHeight(logo->geometry().bottom() + du.y(8));
    const ModalScope modal;
    dialog.exec();
}

}  // namespace platform
