#include "platform/qt/chart_context_menu.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
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
#include "platform/qt/qt_shell.h"
#include "platform/screen.h"
#include "shell/outside_files.h"
#include "shell/ui_texts.h"

namespace {

QColor colour(std::uint32_t rgb) { return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

// The first dropped local file that is a recording (in the file system's
// encoding), or an empty string.
std::string droppedRecording(const QMimeData* mime) {
    if (mime == nullptr || !mime->hasUrls()) return {};
    std::vector<std::string> names;
    for (const QUrl& url : mime->urls())
        if (url.isLocalFile()) names.push_back(QFile::encodeName(url.toLocalFile()).toStdString());
    return firstRecordingName(names);
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
        pal.setColor(QPalette::Window, colour(kReadoutBackgroundRgb));
        pal.setColor(QPalette::WindowText, colour(kReadoutTextRgb));
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
        case QEvent::MouseMove: {
            const QPoint p = static_cast<QMouseEvent*>(e)->position().toPoint();
            pointer_ = {p.x(), p.y()};
            pointerInside_ = true;
            showReadout();
            return false;  // the cursor drag still needs it
        }
        case QEvent::Enter: {
            // Back from a menu without a move: the keyboard's next menu opens
            // where the pointer stands, not in the middle of the chart.
            const QPoint p = static_cast<QEnterEvent*>(e)->position().toPoint();
            pointer_ = {p.x(), p.y()};
            pointerInside_ = true;
            showReadout();
            return false;
        }
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
            const QPoint p = w->position().toPoint();
            chartWheelTurned(wheelAngle_, p.x(), p.y(), w->angleDelta().y(),
                             (w->modifiers() & Qt::ControlModifier) != 0);
            return true;
        }
        case QEvent::KeyPress: return keyPress(static_cast<QKeyEvent*>(e));
        case QEvent::ContextMenu: {
            auto* c = static_cast<QContextMenuEvent*>(e);
            const ChartPoint at = chartMenuPoint(c->reason() != QContextMenuEvent::Mouse, {c->pos().x(), c->pos().y()},
                                                 pointerInside_, pointer_);
            const QPoint pos(at.x, at.y);
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
            if (droppedRecording(d->mimeData()).empty()) {
                d->ignore();
            } else {
                d->acceptProposedAction();
            }
            return true;
        }
        case QEvent::Drop: {
            auto* d = static_cast<QDropEvent*>(e);
            const std::string path = droppedRecording(d->mimeData());
            if (path.empty()) return true;
            d->acceptProposedAction();
            // Opened from the message loop: a message box must not run inside
            // the drop, which holds the dragging program up.
            openRecordingLater(path);
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
        const std::string text = pointerInside_ ? readoutText(pointer_.x, pointer_.y) : std::string{};
        if (text.empty()) {
            readout_->hide();
            return;
        }
        const QString q = QString::fromStdString(text);
        if (readout_->text() != q) {
            readout_->setText(q);
            readout_->adjustSize();
        }
        const ChartPoint at =
            readoutOrigin(pointer_, readout_->width(), readout_->height(), client_->width(), client_->height());
        readout_->move(at.x, at.y);
        readout_->show();
        readout_->raise();
    }

    QWidget* window_;
    QWidget* client_;
    QLabel* readout_;
    ChartPoint pointer_;
    bool pointerInside_ = false;
    int wheelAngle_ = 0;
};

}  // namespace

void installChartReading(QWidget* window, QWidget* client) { new ChartReading(window, client); }

QMenu* buildChartContextMenu(QWidget* parent, QPoint pos) {
    auto* menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("chartContextMenu"));
    qtCountWhileShown(menu);
    for (const ChartMenuItem& item : chartMenuItems(pos.x(), pos.y())) {
        if (item.separatorBefore) menu->addSeparator();
        QAction* action = menu->addAction(QString::fromStdString(item.text));
        action->setObjectName(QString::fromLatin1(item.name));
        action->setCheckable(item.checkable);
        action->setChecked(item.checked);
        action->setEnabled(item.enabled);
        const ChartCommand command = item.command;
        const int x = pos.x(), y = pos.y();
        QObject::connect(action, &QAction::triggered, action, [command, x, y] { runChartCommand(command, x, y); });
    }
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
