// The load report dialog with Qt widgets: the report page drawn through the
// painter surface, the options above it and Print…, Save…, Close below. The
// rules (what the options mean, where they are kept, the figures, printing,
// the HTML file and their messages) are the core's (report/report_window.h).
// Object names for tests: reportDialog, reportPage, reportThresholds,
// reportDemand, reportRatedKw, reportWhole, reportShown, reportProblem,
// reportPrint, reportSave, reportClose; the file dialog is saveReportDialog.
#pragma once

class QWidget;

// Runs the dialog over parent, modal; returns when it is closed. Does
// nothing when no recording is shown or a transfer is running.
void runLoadReportDialog(QWidget* parent);
