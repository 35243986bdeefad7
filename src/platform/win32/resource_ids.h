// Resource and control ids of vantreldaq.exe that the shell's headers do not
// already name. Read by the resource script as well as by C++, so only
// #define lines here.
#pragma once

#define VANTREL_ICON_PROGRAM 106    /* program and window icon */
#define VANTREL_DIALOG_ABOUT 101
#define VANTREL_DIALOG_PROGRESS 111
#define VANTREL_DIALOG_SPAN 201
#define VANTREL_DIALOG_SET_TIME 205
#define VANTREL_BITMAP_LOGO 207     /* 64 x 64, 4 bits a pixel */
#define VANTREL_DIALOG_SAVE_CHANGES 401
#define VANTREL_DIALOG_YES_NO 402

/* Progress window */
#define VANTREL_PROGRESS_BAR 1000
#define VANTREL_PROGRESS_ABORT 1017
#define VANTREL_PROGRESS_TEXT 1033
#define VANTREL_PROGRESS_DETAIL 1040  /* samples received, time left */

/* Question about unsaved work: Save is IDOK, Cancel IDCANCEL */
#define VANTREL_SAVE_TEXT 1101
#define VANTREL_SAVE_DISCARD 1102
#define VANTREL_SAVE_ICON 1103

/* Yes/No question: Yes is IDYES, No IDNO */
#define VANTREL_YES_NO_TEXT 1111
#define VANTREL_YES_NO_ICON 1112
