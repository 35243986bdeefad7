// Helpers of tests that run the real main window on the offscreen platform.
#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace test {

// Answers modal widgets as they come up. Each handler gets the active modal
// widget and returns true when it has dealt with it; message boxes without a
// handler are recorded and confirmed.
class ModalAnswerer {
public:
    using Handler = std::function<bool(QWidget*)>;

    ModalAnswerer() {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
        timer_.start();
    }
    void expect(Handler h) { handlers_.push_back(std::move(h)); }
    const std::vector<std::string>& boxes() const { return boxes_; }
    bool idle() const { return handlers_.empty(); }

private:
    void poll() {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || !modal->isVisible()) return;
        if (!handlers_.empty()) {
            Handler h = handlers_.front();
            if (h(modal)) handlers_.pop_front();
            return;
        }
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            boxes_.push_back(box->text().toStdString());
            box->accept();
        }
    }

    QTimer timer_;
    std::deque<Handler> handlers_;
    std::vector<std::string> boxes_;
};

// Lets queued events and deferred deletions run, so that what a command
// started has happened before the test looks.
inline void settle() {
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

}  // namespace test
