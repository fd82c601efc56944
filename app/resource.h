// Resource identifiers of Vocorder.exe.
#pragma once

#define IDI_VOCORDER 1

#define IDB_PLAY_BLACK 101
#define IDB_PLAY_BLUE 102
#define IDB_PAUSE_BLACK 103
#define IDB_PAUSE_BLUE 104
#define IDB_STOP 105
#define IDB_BACK 106
#define IDB_FORWARD 107
#define IDB_UNGROUPED 108
#define IDB_FOLDER 109
#define IDB_FILE 110
#define IDB_RECORD 111
#define IDB_MAIL 112
#define IDB_SETTINGS 113
#define IDB_ABOUT 114
#define IDB_EXIT 115
#define IDB_RELOAD 116
#define IDB_SMALL 117
#define IDB_GROUPED 408
