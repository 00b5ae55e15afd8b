/* Resource identifiers and the program's version, shared by kestrel.rc and
 * the C++ sources.  Plain #defines only: the resource compiler cannot read
 * anything richer, and MSVC's rc.exe does not understand #pragma once. */
#ifndef KESTREL_RESOURCE_IDS_H
#define KESTREL_RESOURCE_IDS_H

/* Program icon (32 x 32 and 16 x 16, 16 colours).  Id 1 so that Explorer,
 * which shows a file's lowest-numbered icon group, picks it up. */
#define IDI_KESTREL 1

/* Main-window button pictures, 32 x 32, 16 colours. */
#define IDB_CAPTURE 101
#define IDB_OPTIONS 102
#define IDB_MINIMIZE 103
#define IDB_ABOUT 104
#define IDB_EXIT 105

/* Options dialog: the percentage spin arrows, 9 x 8, 24-bit. */
#define IDB_SPIN_UP 110
#define IDB_SPIN_DOWN 111

/* Options dialog: page-preview thumbnails, 24-bit. */
#define IDB_THUMB_SCREEN 120
#define IDB_THUMB_WINDOW 121

/* The one place the version lives: the version record is built from these. */
#define KESTREL_VERSION_MAJOR 0
#define KESTREL_VERSION_MINOR 4
#define KESTREL_VERSION_PATCH 0
#define KESTREL_VERSION_BUILD 1
#define KESTREL_VERSION_STRING "0.4.0.1"

#endif /* KESTREL_RESOURCE_IDS_H */
