// The main window on Qt: a fixed-size top-level window whose client area is
// laid out in the same pixel coordinates as the charts, with the zoom-span
// combo box and the scroll bar as children. Qt events become the shell's cases
// (shell/main_window.h, shell/handlers.h); the shell's requests come back
// through the functions of platform/window.h.
#include <QAbstractSlider>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QHideEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSerialPortInfo>
#include <QSessionManager>
#include <QShortcut>
#include <QStandardPaths>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <algorithm>
#include <climits>
#include <map>
#include <memory>
#include <vector>

#include "platform/qt/artwork_qt.h"
#include "platform/qt/chart_context_menu.h"
#include "platform/qt/painter_surface_qt.h"
#include "platform/qt/qt_shell.h"
#include "platform/serial.h"
#include "platform/window.h"
#include "shell/handlers.h"
#include "shell/main_window.h"
#include "shell/menus.h"
#include "shell/modal_scope.h"

namespace {

// While the screen capture waits for the screen to settle, the window's timers
// and posted commands wait too: a transfer's tick could otherwise open a
// message box in the middle of the dump. Commands posted meanwhile run, in
// order, once the hold ends.
bool gHoldProgramEvents = false;
std::vector<int> gHeldCommands;

const QColor kBackground(195, 180, 160);

// Request codes of the horizontal scroll case, as the chart navigation knows them.
enum ScrollRequest : int {
    LineLeft = 0,
    LineRight = 1,
    PageLeft = 2,
    PageRight = 3,
    ThumbPosition = 4,
    ThumbTrack = 5,
    LeftEnd = 6,
    RightEnd = 7,
};

QString objectNameOf(int id) { return QString::number(id); }

// The drop-down list of spans; tells the shell when its list opens.
class SpanCombo final : public QComboBox {
public:
    explicit SpanCombo(QWidget* parent) : QComboBox(parent) {}
    void showPopup() override {
        dispatchCommand(kSpanComboId, kComboDroppedDown);
        QComboBox::showPopup();
    }
};

// The client area: background, charts, mouse. Paints opaquely, so a repaint
// without erasing draws over what is already there.
class ClientArea final : public QWidget {
public:
    explicit ClientArea(QWidget* parent) : QWidget(parent) {
        setObjectName(QStringLiteral("clientArea"));
        setFixedSize(kClientWidth, kClientHeight);
        setAttribute(Qt::WA_OpaquePaintEvent);
        setMouseTracking(true);
        setFocusPolicy(Qt::ClickFocus);
        QPalette pal = palette();
        pal.setColor(QPalette::Window, kBackground);
        setPalette(pal);
        setAutoFillBackground(false);
    }

    // Every paint starts from the background, with or without erasing: the
    // charts draw all they show each time, Qt's double buffering keeps the
    // paint from flickering, and a grab of the widget (screen dump, tests)
    // gets the same picture as the screen.
    void requestPaint(bool) { update(); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), kBackground);
        PainterSurface surface(painter);
        paintCharts(surface);
    }
    // Only the left button drags the zoom cursor. Qt keeps sending the mouse
    // to this widget from the press until the release, even outside the
    // window, so a drag always ends when the button goes up.
    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton) chartMouseDown(e->position().toPoint().x(), e->position().toPoint().y());
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton) chartMouseUp(e->position().toPoint().x(), e->position().toPoint().y());
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        chartMouseMove(e->position().toPoint().x(), e->position().toPoint().y(),
                       (e->buttons() & Qt::LeftButton) != 0);
    }
    // A drag cannot outlive the window's hold on the mouse: another window or
    // a popup taking it, or the window going inactive, ends it in place.
    void changeEvent(QEvent* e) override {
        if (e->type() == QEvent::ActivationChange && !isActiveWindow()) chartMouseCancel();
        QWidget::changeEvent(e);
    }
    void hideEvent(QHideEvent* e) override {
        chartMouseCancel();
        QWidget::hideEvent(e);
    }
};

class MainWindow final : public QWidget {
public:
    MainWindow() : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                                          Qt::MSWindowsFixedSizeDialogHint) {
        setObjectName(QStringLiteral("mainWindow"));
        layout_ = new QVBoxLayout(this);
        layout_->setContentsMargins(0, 0, 0, 0);
        layout_->setSpacing(0);
        layout_->setSizeConstraint(QLayout::SetFixedSize);
        client_ = new ClientArea(this);
        layout_->addWidget(client_);

        combo_ = new SpanCombo(client_);
        combo_->setObjectName(objectNameOf(kSpanComboId));
        combo_->setGeometry(kSpanComboX, kSpanComboY, kSpanComboWidth, combo_->sizeHint().height());
        combo_->setMaxVisibleItems(14);
        QObject::connect(combo_, &QComboBox::activated, combo_,
                         [] { dispatchCommand(kSpanComboId, kComboSelectionConfirmed); });

        scroll_ = new QScrollBar(Qt::Horizontal, client_);
        scroll_->setObjectName(objectNameOf(kScrollBarId));
        scroll_->setGeometry(kScrollBarX, kScrollBarY, kScrollBarWidth, kScrollBarHeight);
        scroll_->setFocusPolicy(Qt::NoFocus);
        scroll_->setSingleStep(1);
        QObject::connect(scroll_, &QAbstractSlider::actionTriggered, scroll_,
                         [this](int action) { scrollAction(action); });
        QObject::connect(scroll_, &QAbstractSlider::sliderReleased, scroll_,
                         [this] { scrollMainChart(ThumbPosition, static_cast<std::uint32_t>(scroll_->value())); });

        // Ctrl+O, Ctrl+S, Ctrl+P: the menu item itself runs, so a disabled
        // item stays disabled for its key too.
        for (const CtrlShortcut& s : kCtrlShortcuts) {
            auto* shortcut =
                new QShortcut(QKeySequence(QKeyCombination(Qt::ControlModifier, static_cast<Qt::Key>(s.letter))), this);
            const int id = s.commandId;
            QObject::connect(shortcut, &QShortcut::activated, this, [this, id] {
                const auto it = actions_.find(id);
                if (it != actions_.end() && it->second->isEnabled()) it->second->trigger();
            });
        }
        // The charts take the keys from the start, not the combo box.
        client_->setFocus(Qt::OtherFocusReason);
    }

    ClientArea* client() const { return client_; }
    QComboBox* combo() const { return combo_; }
    QScrollBar* scrollBar() const { return scroll_; }

    void setScrollRange(std::uint32_t maximum, std::uint32_t page, std::uint32_t position) {
        // The bar's range includes the page; the thumb's last position is
        // maximum - page + 1, as the navigation counts it.
        std::int64_t top = page > 0 ? std::int64_t{maximum} - page + 1 : std::int64_t{maximum};
        top = std::clamp<std::int64_t>(top, 0, INT_MAX);
        const QSignalBlocker block(scroll_);
        scroll_->setRange(0, static_cast<int>(top));
        scroll_->setPageStep(static_cast<int>(std::min<std::uint32_t>(page, INT_MAX)));
        scroll_->setValue(static_cast<int>(std::min<std::uint32_t>(position, INT_MAX)));
    }
    void setScrollValue(std::uint32_t position) {
        const QSignalBlocker block(scroll_);
        scroll_->setSliderPosition(static_cast<int>(std::min<std::uint32_t>(position, INT_MAX)));
    }

    void setMenuResource(int resource);
    void checkItem(int id, bool checked);

    void startTimer(int id, int periodMs) {
        QTimer*& timer = timers_[id];
        if (timer == nullptr) {
            timer = new QTimer(this);
            timer->setObjectName(QStringLiteral("timer%1").arg(id));
            QObject::connect(timer, &QTimer::timeout, this, [id] {
                if (!gHoldProgramEvents) mainWindowTimer(id);  // a held tick is left to the next one
            });
        }
        timer->start(periodMs);
    }
    void stopTimer(int id) {
        auto it = timers_.find(id);
        if (it != timers_.end() && it->second != nullptr) it->second->stop();
    }
    void stopAllTimers() {
        for (auto& entry : timers_)
            if (entry.second != nullptr) entry.second->stop();
    }

protected:
    void closeEvent(QCloseEvent* e) override {
        // The user may keep the window to save what is unsaved.
        if (!mainWindowCloseRequested()) {
            e->ignore();
            return;
        }
        e->accept();
        platform::destroyMainWindow();
    }

private:
    void scrollAction(int action) {
        // Qt has already moved the thumb; the navigation decides where it
        // goes, so put it back and hand over the request.
        const int proposed = scroll_->sliderPosition();
        int request;
        std::uint32_t thumb = 0;
        switch (action) {
        case QAbstractSlider::SliderSingleStepSub: request = LineLeft; break;
        case QAbstractSlider::SliderSingleStepAdd: request = LineRight; break;
        case QAbstractSlider::SliderPageStepSub: request = PageLeft; break;
        case QAbstractSlider::SliderPageStepAdd: request = PageRight; break;
        case QAbstractSlider::SliderMove:
            request = ThumbTrack;
            thumb = static_cast<std::uint32_t>(std::max(proposed, 0));
            break;
        case QAbstractSlider::SliderToMinimum: request = LeftEnd; break;
        case QAbstractSlider::SliderToMaximum: request = RightEnd; break;
        default: return;
        }
        scroll_->setSliderPosition(scroll_->value());
        scrollMainChart(request, thumb);
    }
    void refreshPortTips(QMenu* menu);

    QVBoxLayout* layout_;
    ClientArea* client_;
    SpanCombo* combo_;
    QScrollBar* scroll_;
    QPointer<QMenuBar> menuBar_;
    std::map<int, QAction*> actions_;   // command id -> action of the current menu bar
    std::map<int, bool> checked_;       // check marks as the shell set them
    std::map<int, QTimer*> timers_;
};

QPointer<MainWindow> gWindow;

void MainWindow::setMenuResource(int resource) {
    if (menuBar_) {
        // The old bar may be the one whose item is being handled right now.
        layout_->setMenuBar(nullptr);
        menuBar_->hide();
        menuBar_->deleteLater();
        menuBar_ = nullptr;
    }
    actions_.clear();
    checked_.clear();
    const auto entries = menuResource(resource);
    if (entries.empty()) return;
    // Each language has its menu; Qt's own texts follow the same switch.
    qtUseGermanQtTexts(resource == kGermanMenu);

    auto* bar = new QMenuBar(this);
    bar->setObjectName(QStringLiteral("menu%1").arg(resource));
    bar->setNativeMenuBar(false);
    std::vector<QMenu*> open;  // popups being filled, innermost last
    int popupCount = 0;
    for (const MenuEntry& entry : entries) {
        switch (entry.kind) {
        case MenuEntryKind::Popup: {
            QMenu* menu = open.empty() ? bar->addMenu(QString::fromUtf8(entry.text))
                                       : open.back()->addMenu(QString::fromUtf8(entry.text));
            menu->setObjectName(QStringLiteral("popup%1").arg(popupCount++));
            menu->setToolTipsVisible(true);
            qtCountWhileShown(menu);
            open.push_back(menu);
            break;
        }
        case MenuEntryKind::PopupEnd:
            if (!open.empty()) open.pop_back();
            break;
        case MenuEntryKind::Separator:
            if (!open.empty()) open.back()->addSeparator();
            break;
        case MenuEntryKind::Command: {
            QAction* action = open.empty() ? bar->addAction(QString::fromUtf8(entry.text))
                                           : open.back()->addAction(QString::fromUtf8(entry.text));
            const int id = entry.id;
            action->setObjectName(objectNameOf(id));
            // Only the port and language items carry check marks; the others
            // must not show an empty check box.
            const bool markable = (id >= CmdPortFirst && id <= CmdPortLast) || id == CmdEnglish || id == CmdGerman;
            action->setCheckable(markable);
            action->setChecked(false);
            actions_[id] = action;
            QObject::connect(action, &QAction::triggered, action, [this, action, id] {
                // A checkable item flips itself; the check marks are the
                // shell's, so restore its state before the command runs.
                action->setChecked(checked_[id]);
                dispatchCommand(id);
            });
            if (id >= CmdPortFirst && id <= CmdPortLast && !open.empty()) {
                QMenu* menu = open.back();
                if (menu->property("portMenu").isNull()) {
                    menu->setProperty("portMenu", true);
                    QObject::connect(menu, &QMenu::aboutToShow, menu, [this, menu] { refreshPortTips(menu); });
                }
            }
            break;
        }
        }
    }
    menuBar_ = bar;
    layout_->setMenuBar(bar);
    refreshPortTips(nullptr);
}

// Each COM item tells which device it stands for; the texts stay as they are.
void MainWindow::refreshPortTips(QMenu*) {
    const auto ports = QSerialPortInfo::availablePorts();
    for (int n = platform::kFirstSerialPort; n <= platform::kLastMenuSerialPort; ++n) {
        auto it = actions_.find(2000 + n);
        if (it == actions_.end()) continue;
        const platform::SerialPortInfo info = platform::serialPortInfo(n);
        QString tip = QString::fromStdString(platform::serialPortDescription(n));
        if (tip.isEmpty()) {
            tip = QStringLiteral("-");
        } else if (info.product.empty()) {
            // Qt knows descriptions of some ports the kernel names no product for.
            for (const QSerialPortInfo& port : ports) {
                if (port.systemLocation() == QString::fromStdString(info.path) && !port.description().isEmpty()) {
                    tip += QStringLiteral(" (%1)").arg(port.description());
                    break;
                }
            }
        }
        it->second->setToolTip(tip);
        it->second->setStatusTip(tip);
    }
}

void MainWindow::checkItem(int id, bool checked) {
    checked_[id] = checked;
    auto it = actions_.find(id);
    if (it != actions_.end()) it->second->setChecked(checked);
}

QWidget* dialogParent() {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    if (QWidget* active = QApplication::activeWindow()) return active;
    return gWindow.data();
}

bool runFileDialog(bool open, const char* filterText, const char* defaultExt, std::string& path) {
    QFileDialog dialog(dialogParent());
    dialog.setObjectName(open ? QStringLiteral("openFileDialog") : QStringLiteral("saveFileDialog"));
    dialog.setAcceptMode(open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setNameFilter(QString::fromUtf8(filterText));
    dialog.setDefaultSuffix(QString::fromUtf8(defaultExt));
    // Where to start: a folder (ending in '/'), a folder and a proposed name,
    // or a name alone (in the dialog's own folder).
    const QString start = QFile::decodeName(QByteArray::fromStdString(path));
    const int slash = static_cast<int>(start.lastIndexOf(QLatin1Char('/')));
    if (slash >= 0) dialog.setDirectory(start.left(slash + 1));
    if (!open && slash + 1 < start.size()) dialog.selectFile(start.mid(slash + 1));
    const ModalScope modal;
    if (dialog.exec() != QDialog::Accepted) return false;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty() || files.first().isEmpty()) return false;
    path = QFile::encodeName(files.first()).toStdString();
    return true;
}

}  // namespace

void qtHoldProgramEvents(bool hold) {
    gHoldProgramEvents = hold;
    if (hold) return;
    std::vector<int> held;
    held.swap(gHeldCommands);
    for (int id : held) platform::postCommand(id);
}

QWidget* qtMainWindow() { return gWindow.data(); }

void qtCommitSessionData(QSessionManager& manager) {
#ifndef QT_NO_SESSIONMANAGER
    if (!gWindow) return;
    // allowsInteraction() waits for the session's leave to ask; without it
    // nothing is asked and the window's own close asks later, if it can.
    const bool mayAsk = manager.allowsInteraction();
    const bool mayEnd = sessionEndRequested(mayAsk);
    if (!mayEnd) manager.cancel();
    if (mayAsk) manager.release();
#else
    (void)manager;
#endif
}

void qtCountWhileShown(QMenu* menu) {
    // One count per menu, taken when it shows and given back when it hides
    // or goes away while shown, so the count cannot leak.
    auto counted = std::make_shared<bool>(false);
    auto release = [counted] {
        if (!*counted) return;
        *counted = false;
        if (gApp.modalDepth > 0) --gApp.modalDepth;
    };
    QObject::connect(menu, &QMenu::aboutToShow, menu, [counted] {
        if (*counted) return;
        *counted = true;
        ++gApp.modalDepth;
    });
    QObject::connect(menu, &QMenu::aboutToHide, menu, release);
    QObject::connect(menu, &QObject::destroyed, release);
}

QWidget* qtClientArea() { return gWindow ? gWindow->client() : nullptr; }

namespace platform {

void* createMainWindow(const char* utf8Title) {
    if (gWindow) return gWindow.data();
    QApplication::setQuitOnLastWindowClosed(false);
    auto* window = new MainWindow;
    window->setWindowTitle(QString::fromUtf8(utf8Title));
    window->setWindowIcon(programIcon());
    QApplication::setWindowIcon(programIcon());
    gWindow = window;
    installChartReading(window, window->client());
#ifndef QT_NO_SESSIONMANAGER
    // The desktop session's end asks what the close box asks.
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        QObject::connect(app, &QGuiApplication::commitDataRequest, window, &qtCommitSessionData);
#endif
    mainWindowCreated();
    // Centred on the screen. Before the first show the frame is not known
    // yet, so the window's own size stands for its outer size.
    window->adjustSize();
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        const WindowOrigin at = centredWindowOrigin(area.width(), area.height(), window->width(), window->height());
        window->move(area.x() + at.x, area.y() + at.y);
    }
    return window;
}

void showMainWindow() {
    if (!gWindow) return;
    gWindow->show();
    gWindow->raise();
    gWindow->activateWindow();
    // The chart keys work without a click into the charts first.
    gWindow->client()->setFocus(Qt::ActiveWindowFocusReason);
}

// Whether runMessageLoop is running. Qt remembers an exit request made while
// no loop runs and then ends every modal loop at once, so such a request is
// dropped: there is no loop to end.
bool gLoopRunning = false;

int runMessageLoop() {
    gLoopRunning = true;
    const int code = QApplication::exec();
    gLoopRunning = false;
    return code;
}

void destroyMainWindow() {
    if (!gWindow) return;
    MainWindow* window = gWindow.data();
    mainWindowDestroyed();
    window->stopAllTimers();
    window->hide();
    gWindow = nullptr;
    window->deleteLater();
}

void quitMessageLoop(int exitCode) {
    if (gLoopRunning) QCoreApplication::exit(exitCode);
}

void invalidate(bool erase) {
    if (gWindow) gWindow->client()->requestPaint(erase);
}

void postCommand(int commandId) {
    if (!gWindow) return;
    // Runs only if this window is still the main window when the command's
    // turn comes; a destroyed window's queue is dropped.
    MainWindow* target = gWindow.data();
    QMetaObject::invokeMethod(
        target,
        [target, commandId] {
            if (gWindow.data() != target) return;
            if (gHoldProgramEvents) gHeldCommands.push_back(commandId);
            else dispatchCommand(commandId);
        },
        Qt::QueuedConnection);
}

void postTask(void (*task)()) {
    if (!gWindow || task == nullptr) return;
    MainWindow* target = gWindow.data();
    QMetaObject::invokeMethod(
        target,
        [target, task] {
            if (gWindow.data() == target) task();
        },
        Qt::QueuedConnection);
}

void setWaitCursor(bool wait) {
    static bool waiting = false;
    if (wait == waiting) return;
    waiting = wait;
    if (wait) QApplication::setOverrideCursor(Qt::WaitCursor);
    else QApplication::restoreOverrideCursor();
}

void focusMainWindow() {
    if (gWindow) gWindow->client()->setFocus(Qt::OtherFocusReason);
}

void copyText(const std::string& utf8) { QApplication::clipboard()->setText(QString::fromStdString(utf8)); }
void raiseMainWindow() {
    if (!gWindow) return;
    if (gWindow->isMinimized()) gWindow->showNormal();
    gWindow->raise();
    gWindow->activateWindow();
}

void startTimer(int timerId, int periodMs) {
    if (gWindow) gWindow->startTimer(timerId, periodMs);
}
void stopTimer(int timerId) {
    if (gWindow) gWindow->stopTimer(timerId);
}

void setScrollBar(std::uint32_t maximum, std::uint32_t page, std::uint32_t position) {
    if (gWindow) gWindow->setScrollRange(maximum, page, position);
}
void showScrollBar(bool visible) {
    if (gWindow) gWindow->scrollBar()->setVisible(visible);
}
void setScrollPosition(std::uint32_t position) {
    if (gWindow) gWindow->setScrollValue(position);
}

void comboClear() {
    if (gWindow) gWindow->combo()->clear();
}
void comboAdd(const char* utf8Text) {
    if (gWindow) gWindow->combo()->addItem(QString::fromUtf8(utf8Text));
}
void comboSelect(int index) {
    if (!gWindow) return;
    QComboBox* combo = gWindow->combo();
    combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}
int comboSelection() { return gWindow ? gWindow->combo()->currentIndex() : -1; }

void setMenuBar(int menuResource) {
    if (gWindow) gWindow->setMenuResource(menuResource);
}
void checkMenuItem(int commandId, bool checked) {
    if (gWindow) gWindow->checkItem(commandId, checked);
}

std::string systemUiLanguage() {
    // The user's preferred interface languages, most preferred first.
    const QStringList languages = QLocale::system().uiLanguages();
    return languages.isEmpty() ? std::string() : languages.first().toStdString();
}

void messageBox(const char* utf8Text, const char* utf8Caption, MessageIcon icon) {
    QMessageBox box(icon == MessageIcon::Error ? QMessageBox::Critical : QMessageBox::Information,
                    QString::fromUtf8(utf8Caption), QString::fromUtf8(utf8Text), QMessageBox::Ok,
                    dialogParent());
    box.setObjectName(QStringLiteral("messageBox"));
    box.setTextFormat(Qt::PlainText);
    const ModalScope modal;
    box.exec();
}

SaveAnswer askSaveChanges(const char* utf8Text, const char* utf8Caption, const char* utf8Save,
                          const char* utf8Discard, const char* utf8Cancel) {
    QMessageBox box(QMessageBox::Question, QString::fromUtf8(utf8Caption), QString::fromUtf8(utf8Text),
                    QMessageBox::NoButton, dialogParent());
    box.setObjectName(QStringLiteral("saveChangesBox"));
    box.setTextFormat(Qt::PlainText);
    QPushButton* save = box.addButton(QString::fromUtf8(utf8Save), QMessageBox::AcceptRole);
    QPushButton* discard = box.addButton(QString::fromUtf8(utf8Discard), QMessageBox::DestructiveRole);
    QPushButton* cancel = box.addButton(QString::fromUtf8(utf8Cancel), QMessageBox::RejectRole);
    save->setObjectName(QStringLiteral("save"));
    discard->setObjectName(QStringLiteral("discard"));
    cancel->setObjectName(QStringLiteral("cancel"));
    box.setDefaultButton(save);
    box.setEscapeButton(cancel);
    const ModalScope modal;
    box.exec();
    if (box.clickedButton() == save) return SaveAnswer::Save;
    if (box.clickedButton() == discard) return SaveAnswer::Discard;
    return SaveAnswer::Cancel;
}

bool askYesNo(const char* utf8Text, const char* utf8Caption, const char* utf8Yes, const char* utf8No) {
    QMessageBox box(QMessageBox::Question, QString::fromUtf8(utf8Caption), QString::fromUtf8(utf8Text),
                    QMessageBox::NoButton, dialogParent());
    box.setObjectName(QStringLiteral("yesNoBox"));
    box.setTextFormat(Qt::PlainText);
    QPushButton* yes = box.addButton(QString::fromUtf8(utf8Yes), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QString::fromUtf8(utf8No), QMessageBox::NoRole);
    yes->setObjectName(QStringLiteral("yes"));
    no->setObjectName(QStringLiteral("no"));
    // Enter alone must not end what the question is about.
    box.setDefaultButton(no);
    box.setEscapeButton(no);
    const ModalScope modal;
    box.exec();
    return box.clickedButton() == yes;
}

bool openFileDialog(const char* filterText, const char* defaultExt, std::string& path) {
    return runFileDialog(true, filterText, defaultExt, path);
}
bool saveFileDialog(const char* filterText, const char* defaultExt, std::string& path) {
    return runFileDialog(false, filterText, defaultExt, path);
}

std::string documentsFolder() {
    // The XDG documents folder, else home (a desktop without ~/Documents).
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) folder = QDir::homePath();
    return QFile::encodeName(folder).toStdString();
}

}  // namespace platform
