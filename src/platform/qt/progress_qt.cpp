// The transfer's progress window with Qt widgets. Laid out in the template's
// dialog units (155 x 68, text at 7, bar 7,22 141x14, button 52,47 50x14)
// converted with the metrics of a 10-point font.
#include "platform/qt/progress_qt.h"

#include <QFont>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QString>

#include "platform/progress.h"
#include "platform/qt/qt_shell.h"
#include "shell/handlers.h"

namespace {

// The one progress window; QPointer forgets it if its parent takes it along.
QPointer<QWidget> gProgress;

struct DialogUnits {
    int baseX;
    int baseY;
    QRect rect(int x, int y, int w, int h) const {
        return QRect(x * baseX / 4, y * baseY / 8, w * baseX / 4, h * baseY / 8);
    }
};

DialogUnits unitsOf(const QFont& font) {
    const QFontMetrics fm(font);
    const QString alphabet = QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");
    const int baseX = (fm.horizontalAdvance(alphabet) / 26 + 1) / 2;
    return DialogUnits{baseX > 0 ? baseX : 1, fm.height() > 0 ? fm.height() : 1};
}

QProgressBar* barOf(void* window) {
    if (gProgress.isNull() || gProgress.data() != window) return nullptr;
    return gProgress->findChild<QProgressBar*>(QStringLiteral("1000"));
}

}  // namespace

QWidget* makeProgressWidget(QWidget* parent, const QString& text, const QString& button) {
    auto* frame = new QFrame(parent);
    frame->setObjectName(QStringLiteral("111"));
    frame->setFrameStyle(QFrame::Box | QFrame::Plain);
    frame->setAutoFillBackground(true);
    QFont font = frame->font();
    font.setPointSize(10);
    frame->setFont(font);
    const DialogUnits du = unitsOf(font);
    frame->setGeometry(du.rect(0, 0, 155, 68));

    auto* label = new QLabel(text, frame);
    label->setObjectName(QStringLiteral("1033"));
    // The template's 94 units hold the text only in the narrow font it was
    // drawn for; centred over the bar's width it fits in any font and sits
    // where the template put it.
    label->setGeometry(du.rect(7, 7, 141, 8));
    label->setAlignment(Qt::AlignCenter);

    auto* bar = new QProgressBar(frame);
    bar->setObjectName(QStringLiteral("1000"));
    bar->setGeometry(du.rect(7, 22, 141, 14));
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setTextVisible(false);

    // The detail line (samples and time left) fits between bar and button in
    // a smaller face; it is empty until the first progress tick.
    auto* detail = new QLabel(frame);
    detail->setObjectName(QStringLiteral("progressDetail"));
    QFont small = font;
    small.setPointSize(8);
    detail->setFont(small);
    detail->setGeometry(du.rect(2, 37, 151, 9));
    detail->setAlignment(Qt::AlignCenter);

    auto* abort = new QPushButton(button, frame);
    abort->setObjectName(QStringLiteral("1017"));
    abort->setGeometry(du.rect(52, 47, 50, 14));
    QObject::connect(abort, &QPushButton::clicked, frame, [frame] {
        frame->hide();  // gone at once; command 10000 destroys it
        progressAbortPressed();
    });

    frame->show();
    frame->raise();
    return frame;
}

namespace platform {

void* createProgressWindow(const char* utf8Text, const char* utf8Button) {
    if (!gProgress.isNull()) return gProgress.data();
    QWidget* client = qtClientArea();  // its top left corner, below the menu bar
    if (client == nullptr) return nullptr;
    gProgress = makeProgressWidget(client, QString::fromUtf8(utf8Text), QString::fromUtf8(utf8Button));
    return gProgress.data();
}

void setProgressPosition(void* window, int percent) {
    if (QProgressBar* bar = barOf(window)) bar->setValue(percent < 0 ? 0 : (percent > 100 ? 100 : percent));
}

void setProgressDetail(void* window, const char* utf8Text) {
    if (gProgress.isNull() || gProgress.data() != window) return;
    if (auto* detail = gProgress->findChild<QLabel*>(QStringLiteral("progressDetail")))
        detail->setText(QString::fromUtf8(utf8Text));
}

void raiseProgressWindow(void* window) {
    if (gProgress.isNull() || gProgress.data() != window) return;
    gProgress->show();
    gProgress->raise();
    if (auto* abort = gProgress->findChild<QPushButton*>(QStringLiteral("1017"))) abort->setFocus();
}

void destroyProgressWindow(void* window) {
    if (gProgress.isNull() || gProgress.data() != window) return;
    QWidget* w = gProgress.data();
    gProgress.clear();
    w->hide();
    w->deleteLater();
}

}  // namespace platform
