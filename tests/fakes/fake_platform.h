// State of the fake platform layer used by unit tests. Tests script the answers
// (file names, dialog results) and inspect what the core asked for.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace fake {

struct Message {
    std::string text;
    std::string caption;
    bool errorIcon;
};

struct FileDialogCall {
    bool open;
    std::string filter;
    std::string defaultExt;
};

struct State {
    bool createWindowFails = false;      // createMainWindow() makes no window
    std::string systemUiLanguage = "en-US"; // what platform::systemUiLanguage() answers
    bool windowExists = false;
    bool windowShown = false;
    int windowsDestroyed = 0;
    int quitCode = -1;                   // code of the last quitMessageLoop(), -1: none
    std::vector<bool> invalidations;     // erase flag of each invalidate()
    std::vector<int> postedCommands;
    std::vector<void (*)()> postedTasks; // run by the test, as the message loop would
    bool waitCursor = false;
    int cursorChanges = 0;
    int focusRequests = 0;
    std::string clipboard;               // last copyText()
    std::map<int, int> timers;           // running timers: id -> period
    std::uint32_t scrollMax = 0, scrollPage = 0, scrollPos = 0;
    bool scrollVisible = false;
    std::vector<std::string> comboItems;
    int comboSel = -1;
    int menuResource = 0;
    std::set<int> checkedItems;
    std::vector<Message> messages;
    std::vector<FileDialogCall> fileDialogs;
    std::deque<std::string> fileAnswers; // next paths the file dialogs return ("" = cancel)
    std::deque<int> dialogAnswers;       // next results of modal dialogs
    std::deque<int> saveAnswers;         // next answers to the unsaved-work question:
                                         // 0 Save, 1 Discard, 2 Cancel (none left: Cancel)
    int saveQuestions = 0;               // times the unsaved-work question was asked
    std::deque<int> yesNoAnswers;        // next answers to Yes/No questions: 1 Yes, 0 No (none left: No)
    std::vector<std::string> yesNoQuestions; // texts of the Yes/No questions asked, in order
    // Runs inside every modal dialog, box and question of the fake while it
    // is counted in gApp.modalDepth, as a timer tick would inside the real
    // dialog's loop.
    std::function<void()> whileModal;
    std::vector<std::string> dialogsRun; // names of the modal dialogs run, in order
    // Set-time dialog: texts typed for each press of a time button, in the
    // order year, month, day, hour, minute, second (see fake_set_time_dialog.cpp).
    std::deque<std::array<std::string, 6>> setTimeTexts;
};

State& state();
// Clears every recorded call and scripted answer.
void reset();
// A modal dialog of the fake is open: counts it and runs whileModal.
void modalOpen();


}  // namespace fake
