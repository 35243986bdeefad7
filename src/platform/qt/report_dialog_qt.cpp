// The load report dialog with Qt widgets: the report page drawn through the
// painter surface, the options above it and Print…, Save…, Close below. The
// rules (what the options mean, where they are kept, the figures, printing,
// the HTML file and their messages) are the core's (report/report_window.h).
// Object names for tests: reportDialog, reportPage, reportThresholds,
// reportDemand, reportRatedKw, reportWhole, reportShown, reportProblem,
// reportPrint, reportSave, reportClose; the file dialog is saveReportDialog.
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "platform/dialogs.h"
#include "platform/qt/painter_surface_qt.h"
#include "platform/qt/qt_shell.h"
#include "report/report_window.h"
#include "shell/modal_scope.h"
#include "shell/ui_texts.h"

namespace {

QString ui(UiText key) { return QString::fromUtf8(uiText(key)); }

// The page at its design size, or scaled to the widget keeping its shape.
class ReportPageWidget final : public QWidget {
public:
    ReportPageWidget(const LoadReport& report, const ReportLook& look, QWidget* parent)
        : QWidget(parent), report_(report), look_(look) {
        setObjectName(QStringLiteral("reportPage"));
        setMinimumSize(kReportPageWidth, kReportPageHeight);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        if (size() != QSize(kReportPageWidth, kReportPageHeight)) {
            const double scale =
                std::min(width() / double(kReportPageWidth), height() / double(kReportPageHeight));
            const int w = static_cast<int>(kReportPageWidth * scale),
                      h = static_cast<int>(kReportPageHeight * scale);
            painter.setViewport((width() - w) / 2, (height() - h) / 2, w, h);
            painter.setWindow(0, 0, kReportPageWidth, kReportPageHeight);
        }
        PainterSurface surface(painter);
        drawReportPage(surface, report_, {0, 0, kReportPageWidth, kReportPageHeight}, look_);
    }

private:
    const LoadReport& report_;
    const ReportLook& look_;
};

class ReportDialog final : public QDialog {
public:
    explicit ReportDialog(QWidget* parent) : QDialog(parent), prefs_(loadUserPrefs()) {
        setObjectName(QStringLiteral("reportDialog"));
        look_ = windowReportLook(prefs_);
        setWindowTitle(QString::fromStdString(reportTitle(look_)));
        computeWindowReport(prefs_, report_);

        auto* options = new QHBoxLayout;
        thresholds_ =
            new QLineEdit(QString::fromStdString(formatReportLevels(prefs_.reportThresholds)), this);
        thresholds_->setObjectName(QStringLiteral("reportThresholds"));
        // Room for a few levels as typed, "80, 100, 120".
        thresholds_->setMinimumWidth(
            thresholds_->fontMetrics().horizontalAdvance(QStringLiteral("80, 100, 120, 150")));
        addLabelled(options, ui(UiText::ReportThresholds), thresholds_);
        demand_ = new QComboBox(this);
        demand_->setObjectName(QStringLiteral("reportDemand"));
        for (const int minutes : kDemandMinutes)
            demand_->addItem(QStringLiteral("%1 min").arg(minutes), minutes);
        demand_->setCurrentIndex(
            std::max(0, demand_->findData(reportOptionsFromPrefs(prefs_).demandMinutes)));
        addLabelled(options, ui(UiText::ReportDemand), demand_);
        ratedKw_ =
            new QLineEdit(QString::fromStdString(formatReportKw(prefs_.reportRatedKw, look_.german)), this);
        ratedKw_->setObjectName(QStringLiteral("reportRatedKw"));
        ratedKw_->setMaximumWidth(ratedKw_->fontMetrics().horizontalAdvance(QStringLiteral("0000000,000")));
        addLabelled(options, ui(UiText::ReportRatedKw), ratedKw_);
        whole_ = new QRadioButton(ui(UiText::ReportWhole), this);
        whole_->setObjectName(QStringLiteral("reportWhole"));
        shown_ = new QRadioButton(ui(UiText::ReportShown), this);
        shown_->setObjectName(QStringLiteral("reportShown"));
        (prefs_.reportShownOnly ? shown_ : whole_)->setChecked(true);
        options->addSpacing(12);
        options->addWidget(whole_);
        options->addWidget(shown_);
        options->addStretch(1);

        problem_ = new QLabel(this);
        problem_->setObjectName(QStringLiteral("reportProblem"));
        problem_->setStyleSheet(QStringLiteral("color: #b00000"));
        problem_->setTextFormat(Qt::PlainText);

        page_ = new ReportPageWidget(report_, look_, this);

        auto* buttons = new QHBoxLayout;
        auto* print = button(ui(UiText::ReportPrint), "reportPrint");
        auto* save = button(ui(UiText::ReportSave), "reportSave");
        auto* close = button(ui(UiText::ReportClose), "reportClose");
        buttons->addWidget(print);
        buttons->addWidget(save);
        buttons->addStretch(1);
        buttons->addWidget(close);
        close->setDefault(true);

        auto* layout = new QVBoxLayout(this);
        layout->addLayout(options);
        layout->addWidget(problem_);
        layout->addWidget(page_, 1);
        layout->addLayout(buttons);

        connect(thresholds_, &QLineEdit::textEdited, this, [this] { optionsEdited(); });
        connect(ratedKw_, &QLineEdit::textEdited, this, [this] { optionsEdited(); });
        connect(demand_, &QComboBox::currentIndexChanged, this, [this] { optionsEdited(); });
        connect(whole_, &QRadioButton::toggled, this, [this] { optionsEdited(); });
        connect(print, &QPushButton::clicked, this, [this] { printLoadReport(report_, look_); });
        connect(save, &QPushButton::clicked, this, [this] { commandSaveLoadReport(report_, look_); });
        connect(close, &QPushButton::clicked, this, &QDialog::accept);
    }

    // The options are kept in the preferences file when the dialog closes.
    void done(int result) override {
        keepReportOptions(prefs_);
        QDialog::done(result);
    }

private:
    void addLabelled(QHBoxLayout* row, const QString& text, QWidget* field) {
        auto* label = new QLabel(text, this);
        label->setBuddy(field);
        row->addWidget(label);
        row->addWidget(field);
    }

    QPushButton* button(const QString& text, const char* name) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    }

    // Every valid change redraws the page at once; a text that cannot be
    // used is named below the options and the page keeps the last figures.
    void optionsEdited() {
        std::vector<int> levels;
        double kw = 0;
        QString problem;
        if (!parseReportLevels(thresholds_->text().toStdString(), levels))
            problem = ui(UiText::ReportLevelsInvalid);
        else if (!parseReportKw(ratedKw_->text().toStdString(), kw))
            problem = ui(UiText::ReportKwInvalid);
        problem_->setText(problem);
        if (!problem.isEmpty()) return;
        prefs_.reportThresholds = levels;
        prefs_.reportRatedKw = kw;
        prefs_.reportDemandMinutes = demand_->currentData().toInt();
        prefs_.reportShownOnly = shown_->isChecked();
        look_ = windowReportLook(prefs_);
        computeWindowReport(prefs_, report_);
        page_->update();
    }

    UserPrefs prefs_;
    ReportLook look_;
    LoadReport report_;
    QLineEdit* thresholds_;
    QComboBox* demand_;
    QLineEdit* ratedKw_;
    QRadioButton* whole_;
    QRadioButton* shown_;
    QLabel* problem_;
    ReportPageWidget* page_;
};

}  // namespace

namespace platform {

void runLoadReportDialog() {
    if (QApplication::instance() == nullptr || !loadReportAvailable()) return;
    QWidget* parent = QApplication::activeModalWidget();
    ReportDialog dialog(parent != nullptr ? parent : qtMainWindow());
    const ModalScope modal;
    dialog.exec();
}

}  // namespace platform
