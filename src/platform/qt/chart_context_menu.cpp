#include "platform/qt/chart_context_menu.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPointer>
#include <QUrl>
#include <QWheelEvent>
#include <vector>

#include "chart/chart_reading.h"
#include "chart/envelope.h"
#include "shell/user_prefs.h"
#include "platform/qt/qt_shell.h"
#include "platform/screen.h"
#include "shell/outside_files.h"
#include "shell/ui_texts.h"

namespace {

constexpr int kWheelNotch = 120;  // angle delta of one notch, in eighths of a degree

// The first dropped local file that is a recording, or an empty string.
QString droppedRecording(const QMimeData* mime) {
    if (mime == nullptr || !mime->hasUrls()) return {};
    for (const QUrl& url : mime->urls()) {
        if (!url.isLocalFile()) continue;
        const QString path = url.toLocalFile();
        if (isRecordingFileName(QFile::encodeName(path).toStdString())) return path;
    }
    return {};
}

class ChartReading final : public QObject {
public:
    ChartReading(QWidget* window, QWidget* client) : QObject(client), window_(window), client_(client) {
        setObjectName(QStringLiteral("chartReading"));
        readout_ = new QLabel(client);
        readout_->setObjectName(QStringLiteral("readout"));
        readout_->setAttribute(Qt::WA_TransparentForMouseEvents);
        readout_->setTextFormat(Qt::PlainText);
        readout_->setFrameShape(QFrame::Box);
        readout_->setMargin(3);
        readout_->setAutoFillBackground(true);
        QPalette pal = readout_->palette();
        pal.setColor(QPalette::Window, QColor(255, 255, 225));
        pal.setColor(QPalette::WindowText, Qt::black);
        readout_->setPalette(pal);
        readout_->hide();
        window->setAcceptDrops(true);
        window->installEventFilter(this);
        client->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (watched == window_) return windowEvent(e);
        if (watched != client_) return false;
        switch (e->type()) {
        case QEvent::MouseMove:
            pointer_ = static_cast<QMouseEvent*>(e)->position().toPoint();
            pointerInside_ = true;
            showReadout();
            return false;  // the cursor drag still needs it
        case QEvent::Leave:
            pointerInside_ = false;
            readout_->hide();
            return false;
        case QEvent::Paint:
            // The view may have moved under a pointer that stood still (wheel,
            // keys, a new recording): the readout follows the picture.
            if (readout_->isVisible()) showReadout();
            return false;
        case QEvent::Wheel: {
            auto* w = static_cast<QWheelEvent*>(e);
            wheelAngle_ += w->angleDelta().y();
            const int notches = wheelAngle_ / kWheelNotch;
            wheelAngle_ -= notches * kWheelNotch;
            const QPoint p = w->position().toPoint();
            if (!chartWheel(p.x(), p.y(), notches, (w->modifiers() & Qt::ControlModifier) != 0)) wheelAngle_ = 0;
            return true;
        }
        case QEvent::KeyPress: return keyPress(static_cast<QKeyEvent*>(e));
        case QEvent::ContextMenu: {
            auto* c = static_cast<QContextMenuEvent*>(e);
            // From the keyboard the menu belongs where the pointer last was
            // over the charts, else at the main chart's middle.
            QPoint pos = c->pos();
            if (c->reason() != QContextMenuEvent::Mouse) pos = pointerInside_ ? pointer_ : QPoint(450, 430);
            QMenu* menu = buildChartContextMenu(client_, pos);
            menu->setAttribute(Qt::WA_DeleteOnClose);
            menu->popup(client_->mapToGlobal(pos));
            return true;
        }
        default: return false;
        }
    }

private:
    bool windowEvent(QEvent* e) {
        switch (e->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* d = static_cast<QDropEvent*>(e);
            if (droppedRecording(d->mimeData()).isEmpty()) {
                d->ignore();
            } else {
                d->acceptProposedAction();
            }
            return true;
        }
        case QEvent::Drop: {
            auto* d = static_cast<QDropEvent*>(e);
            const QString path = droppedRecording(d->mimeData());
            if (path.isEmpty()) return true;
            d->acceptProposedAction();
            // Opened from the message loop: a message box must not run inside
            // the drop, which holds the dragging program up.
            openRecordingLater(QFile::encodeName(path).toStdString());
            return true;
        }
        default: return false;
        }
    }

    bool keyPress(QKeyEvent* k) {
        const bool shift = (k->modifiers() & Qt::ShiftModifier) != 0;
        ChartKey key;
        switch (k->key()) {
        case Qt::Key_Left: key = ChartKey::Left; break;
        case Qt::Key_Right: key = ChartKey::Right; break;
        case Qt::Key_Home: key = ChartKey::Home; break;
        case Qt::Key_End: key = ChartKey::End; break;
        case Qt::Key_PageUp: key = ChartKey::PageUp; break;
        case Qt::Key_PageDown: key = ChartKey::PageDown; break;
        default: return false;
        }
        return chartKey(key, shift);
    }

    void showReadout() {
        const std::string text = pointerInside_ ? readoutText(pointer_.x(), pointer_.y()) : std::string{};
        if (text.empty()) {
            readout_->hide();
            return;
        }
        const QString q = QString::fromStdString(text);
        if (readout_->text() != q) {
            readout_->setText(q);
            readout_->adjustSize();
        }
        // Beside the pointer, turned back inside the client area at its edges.
        QPoint at = pointer_ + QPoint(14, 18);
        if (at.x() + readout_->width() > client_->width()) at.setX(pointer_.x() - 8 - readout_->width());
        if (at.y() + readout_->height() > client_->height()) at.setY(pointer_.y() - 8 - readout_->height());
        readout_->move(at);
        readout_->show();
        readout_->raise();
    }

    QWidget* window_;
    QWidget* client_;
    QLabel* readout_;
    QPoint pointer_;
    bool pointerInside_ = false;
    int wheelAngle_ = 0;
};

}  // namespace

void installChartReading(QWidget* window, QWidget* client) { new ChartReading(window, client); }

QMenu* buildChartContextMenu(QWidget* parent, QPoint pos) {
    auto* menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("chartContextMenu"));
    qtCountWhileShown(menu);

    QAction* peaks = menu->addAction(QString::fromUtf8(uiText(UiText::ShowPeaks)));
    peaks->setObjectName(QStringLiteral("showPeaks"));
    peaks->setCheckable(true);
    peaks->setChecked(peaksShown());
    QObject::connect(peaks, &QAction::toggled, peaks, [](bool on) { setPeaksShown(on); });

    const QString value = QString::fromStdString(readoutText(pos.x(), pos.y()));
    QAction* copy = menu->addAction(QString::fromUtf8(uiText(UiText::CopyValue)));
    copy->setObjectName(QStringLiteral("copyValue"));
    copy->setEnabled(!value.isEmpty());
    QObject::connect(copy, &QAction::triggered, copy, [value] { QApplication::clipboard()->setText(value); });

    menu->addSeparator();
    QAction* picture = menu->addAction(QString::fromUtf8(uiText(UiText::SavePicturePng)));
    picture->setObjectName(QStringLiteral("savePicture"));
    // After the menu has gone: the file dialog must not open inside it.
    QObject::connect(picture, &QAction::triggered, picture, [] {
        if (QWidget* window = qtMainWindow())
            QMetaObject::invokeMethod(window, [] { commandSavePicture(); }, Qt::QueuedConnection);
    });
    return menu;
}

namespace platform {

bool renderClientAreaPng(std::vector<std::uint8_t>& png) {
    png.clear();
    QWidget* client = qtClientArea();
    if (client == nullptr) return false;
    QImage image(client->size(), QImage::Format_RGB32);
    // The readout belongs to the pointer, not to the picture.
    QWidget* readout = client->findChild<QWidget*>(QStringLiteral("readout"));
    const bool readoutShown = readout != nullptr && readout->isVisible();
    if (readoutShown) readout->hide();
    client->render(&image);
    if (readoutShown) readout->show();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG")) return false;
    png.assign(bytes.begin(), bytes.end());
    return !png.empty();
}

}  // namespace platform
