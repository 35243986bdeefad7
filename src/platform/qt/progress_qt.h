// Qt side of the progress window, for the platform layer and its GUI tests.
#pragma once

class QString;
class QWidget;

// Builds the progress window (dialog 111) as a visible child of parent at its
// top left corner: text 1033, bar 1000 (0..100, at 0) and button 1017, each
// with its id as object name. The button calls progressAbortPressed() and
// hides the window at once; the core destroys it when it handles command 10000.
QWidget* makeProgressWidget(QWidget* parent, const QString& text, const QString& button);
