// Where the file dialogs start and what name they propose. Each kind of file
// remembers the folder it was last saved to or opened from (in the view
// preferences, so across runs); before that, the user's documents folder when
// the program keeps its settings in the per-user folder (no place for
// recordings), else the system's choice (the current folder).
#pragma once

#include <string>

enum class FileKind { Recording, Export, Picture };

// Told by start-up when the program works in the per-user settings folder.
void setDialogsStartInDocuments(bool documents);

// "vantrel-YYYYMMDD-HHMMSS" from the first record's stamp; empty while no
// recording is shown.
std::string recordingNameBase();

// What a file dialog for kind starts with (UTF-8): "<folder>/<name>" when a
// folder is known and a name is proposed, "<folder>/" with a folder alone,
// "<name>" with a name alone, else empty. extension (without the dot) asks
// for the proposed name recordingNameBase() + "." + extension.
std::string fileDialogStart(FileKind kind, const char* extension);

// After a dialog of kind gave chosenPath: its folder is the kind's next start.
void rememberFileFolder(FileKind kind, const std::string& chosenPath);
