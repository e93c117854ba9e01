#pragma once

// The installer's artwork in its resources (InstallQuorin.rc). The program's icon comes first,
// so that the shell shows it for the program's file.
#define IDI_PROGRAM 100
#define IDB_BANNER 101
#define IDI_OK 110
#define IDI_ABORT 111
#define IDI_CANCEL 112
#define IDI_NEXT 113
#define IDI_NEXT_DISABLED 114
#define IDI_BROWSE 115
#define IDI_BROWSE_DISABLED 116
#define IDI_HELP 117
